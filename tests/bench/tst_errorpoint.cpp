// What an error point and the warm-up put on the line, over the demo test: the stand setup
// frames, the source frame with only the changed groups, the markers, and the timing; the
// stop-point message; a point that asks no readings is skipped without a frame.
#include "bench/data/TDM.h"
#include "bench/link/Frames.h"
#include "bench/link/TransEngine.h"
#include "bench/run/TFTest.h"
#include "bench/shell/TFMain.h"
#include "tests/fixtures/ControllerWindow.h"

#include <QSqlQuery>
#include <QTest>

using namespace bench;

namespace {

/// Verification on stands 1 and 3 (3200 imp/kWh) with the demo's class 1 test: 230 V, 5 A.
struct Bench : fixtures::ControllerWindow
{
    Bench() : ControllerWindow(QStringLiteral("errorpoint"))
    {
        TFMain &m = open();
        dm->ApplyTypeFilter(dm->ADOTipF->find(QStringLiteral("PTip"), QStringLiteral("СЭО-101")));
        for (int n : {1, 3}) {
            m.Stands[std::size_t(n)].Present = true;
            m.Stands[std::size_t(n)].ReductRate = 3200;
            m.Stands[std::size_t(n)].IdentReductRate = 1;
        }
        m.Mode = 2;
    }
    TFTest &run() { return *main->runWindow; }
    void prepare()
    {
        run().MapStands();
        run().SetupVerification();
    }
    QList<TTrans> queue() const { return main->engine->Frame.TransQueue; }
    void clearQueue() { main->engine->Frame.TransQueue.clear(); }
    /// Makes the step with PNumPoint1 = `number` current, after changing `field` to `value`.
    void goTo(int number, const char *field = nullptr, const QVariant &value = {})
    {
        TableDataSet *points = dm->ADOTestBuf;
        int row = points->find(QStringLiteral("PNumPoint1"), number);
        QVERIFY(row >= 0);
        if (field) {
            QVERIFY(points->setValue(row, QString::fromLatin1(field), value));
            QCOMPARE(points->post(), QString());
            row = points->find(QStringLiteral("PNumPoint1"), number);
        }
        points->setCurrentRow(row);
    }
};

TTrans standSetup(int stand, const char *u, const char *i, const char *pf, const char *e)
{
    return {trStandSetup, frames::standSetup(stand, u, i, pf, e), frames::standAddress(stand), 150 - stand};
}

TTrans sourceProgram(const frames::SourceProgram &program)
{
    return {trSourceProgram, frames::sourceProgram(program), frames::SourceAddress, 130};
}

const TTrans TestStep{trTestStep, {}, 0, 101};
const TTrans Settled{trSourceSettled, {}, 0, 99};

} // namespace

class TstErrorPoint : public QObject
{
    Q_OBJECT
private slots:
    void firstPointProgramsEverything();
    void samePointAgainSendsNoSourceFrame();
    void stopPointWithInverseCurrent();
    void pointWithoutReadingsIsSkipped();
    void warmUp();
};

void TstErrorPoint::firstPointProgramsEverything()
{
    Bench b;
    b.prepare();
    b.goTo(1); // 100 % U, 5 % I, power factor 1, 1 min, 3 readings
    QVERIFY(b.run().RunErrorPoint());
    QCOMPARE(b.queue(), (QList<TTrans>{standSetup(1, "230.0", "0.250", "1", "60"), standSetup(3, "230.0", "0.250", "1", "60"),
                                       sourceProgram({"230.0", "0.250", "50", "0", {}, {}}), TestStep, Settled}));
    QCOMPARE(b.main->engine->Frame.MeterCountText, QByteArray("60"));
    // 3600000 / (3200 × 0.25 × 230) = 19.6 → 20 s a pulse; ⌈30⌉ + 3 × 60 + 1.
    QCOMPARE(b.run().PulsePeriod, 20);
    QCOMPARE(b.run().PointTotal, 211);
    QCOMPARE(b.run().MeasurePeriod, 60);
    QVERIFY(!b.run().PollEnabled);
    QVERIFY(b.main->SetU == 230 && b.main->SetI == 0.25 && b.main->SetF == 50 && b.main->SetAngle == 0);
}

void TstErrorPoint::samePointAgainSendsNoSourceFrame()
{
    Bench b;
    b.prepare();
    b.goTo(1);
    b.run().RunErrorPoint();
    b.clearQueue();
    b.run().RunErrorPoint();
    QCOMPARE(b.queue(), (QList<TTrans>{standSetup(1, "230.0", "0.250", "1", "60"), standSetup(3, "230.0", "0.250", "1", "60"),
                                       TestStep, Settled}));
}

void TstErrorPoint::stopPointWithInverseCurrent()
{
    Bench b;
    b.prepare();
    b.goTo(1);
    b.run().RunErrorPoint();
    // The 0.5 L point at 10 % (0.5 A) with inverse current and a pause before it.
    const int number = b.dm->ADOTestBuf->value(b.dm->ADOTestBuf->find(QStringLiteral("PKM"), 0.5), "PNumPoint1").toInt();
    b.goTo(number, "PInverseTok", true);
    b.goTo(number, "PStopPoint", 1);
    b.clearQueue();
    b.run().RunErrorPoint();
    QCOMPARE(b.prompts.texts(), QStringList{"Внимание! Подготовьте стенды для проверки при инверсном токе 0.500А."});
    QCOMPARE(b.prompts.shown().first().caption, QString("Тест прерван."));
    QCOMPARE(b.queue(), (QList<TTrans>{standSetup(1, "230.0", "0.500", "0.5/L", "30"), standSetup(3, "230.0", "0.500", "0.5/L", "30"),
                                       sourceProgram({{}, "0.500", {}, "240", {}, {}}), TestStep, Settled}));
}

void TstErrorPoint::pointWithoutReadingsIsSkipped()
{
    // Point 2 (10 %, 0.5 A) asks no readings: nothing goes out for it, the run moves on to
    // point 3 (100 %, 5 A) at once.
    Bench b;
    b.prepare();
    b.goTo(2, "PCountMeasure", 0);
    QVERIFY(b.run().RunPoint());
    QCOMPARE(b.dm->ADOTestBuf->currentValue("PNumPoint1").toInt(), 3);
    QCOMPARE(b.queue().first(), standSetup(1, "230.0", "5.000", "1", "30"));
    for (const TTrans &t : b.queue())
        QVERIFY(!t.Text.contains("0.500"));
    QVERIFY(!b.run().TTime->isActive());

    // As the last point it ends the run: the source is switched off. (A test without
    // special tests, so that the list ends with an error point.)
    QSqlQuery q(b.dm->database());
    QVERIFY(q.exec("UPDATE TTest SET PSensitivityCB = 0, PSamochodCB = 0, PCountDeviceCB = 0, PCountDeviceCB1 = 0"));
    QCOMPARE(b.dm->ADOTest1->reopen(), QString());
    b.dm->setCurrentTest(0);
    b.prepare();
    b.clearQueue();
    const int last = b.dm->ADOTestBuf->rowCount();
    b.goTo(last, "PCountMeasure", 0);
    b.run().AStop->setEnabled(true);
    b.run().RunPoint();
    QVERIFY(b.main->TestDone);
    QCOMPARE(b.queue(), (QList<TTrans>{{trStopAll, {}, 255, 201}, {trSourceOff, {}, 1, 200}}));
}

void TstErrorPoint::warmUp()
{
    Bench b;
    TableDataSet *hand = b.dm->ADOHand;
    QVERIFY(hand->setValue(hand->currentRow(), "PProgon", true));
    QVERIFY(hand->setValue(hand->currentRow(), "PTimeMProgon", 10));
    QVERIFY(hand->setValue(hand->currentRow(), "PTimeSProgon", 0));
    QVERIFY(hand->setValue(hand->currentRow(), "PPerUProgon", 100));
    QVERIFY(hand->setValue(hand->currentRow(), "PPerIProgon", 100));
    QCOMPARE(hand->post(), QString());
    b.prepare();
    b.goTo(0);
    b.main->SetAngle = 60; // an earlier point left the source at 0.5 L
    b.run().PulsePeriod = 41;
    QVERIFY(b.run().RunWarmUp());
    QCOMPARE(b.queue(), (QList<TTrans>{standSetup(1, "230.0", "5.000", "1", "5"), standSetup(3, "230.0", "5.000", "1", "5"),
                                       sourceProgram({"230.0", "5.000", "50", "0", {}, {}}), Settled}));
    QCOMPARE(b.run().PointTotal, 120 * 5); // 10 min in 5 s periods
    QCOMPARE(b.run().PulsePeriod, 0);      // polls after its own period
    QVERIFY(!b.run().PollEnabled);
}

QTEST_MAIN(TstErrorPoint)
#include "tst_errorpoint.moc"
