// What the points of a test put on the line, over the demo test: an error point's stand
// setup frames, the source frame with only the changed groups, the markers and the timing;
// the stop-point message; a point that asks no readings is skipped without a frame; the
// warm-up; the special points (register readings entry, energy dose, the J switch, creep)
// and their verdicts.
#include "bench/data/TDM.h"
#include "bench/link/Frames.h"
#include "bench/link/TransEngine.h"
#include "bench/run/TFTest.h"
#include "bench/run/KorColorStringGrid.h"
#include "bench/shell/MainDialogs.h"
#include "bench/shell/TFMain.h"
#include "tests/fixtures/ControllerWindow.h"

#include <QSqlQuery>
#include <QLabel>
#include <QPushButton>
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
            for (int p = 1; p <= 6; ++p)
                m.Stands[std::size_t(n)].Channel[std::size_t(p)] = true;
        }
        m.Mode = 2;
    }
    TFTest &run() { return *main->runWindow; }
    void prepare()
    {
        run().MapStands();
        run().SetupVerification();
        run().LayoutTestGrid();
        run().LayoutViewGrid();
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
    void registerPointByEnergy();
    void secondTariffSwitchesJ();
    void creepPoint();
    void specialVerdicts_data();
    void specialVerdicts();
    void closingMidRunStopsAndSwitchesOff();
    void countdownText();
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

void TstErrorPoint::registerPointByEnergy()
{
    // The demo's tariff 1 register test is ticked to deliver its energy; made 0.5 kWh at 10 A.
    Bench b;
    QSqlQuery q(b.dm->database());
    QVERIFY(q.exec("UPDATE TTest SET PEnergyCB = 1, PCountEnergy = 0.5, PCountDeviceI = 200"));
    QCOMPARE(b.dm->ADOTest1->reopen(), QString());
    b.dm->setCurrentTest(0);
    b.prepare();
    TableDataSet *points = b.dm->ADOTestBuf;
    points->setCurrentRow(points->find("PMode", 3));
    TFTest &run = b.run();

    // First the readings: the current goes off, the voltage stays, the operator types.
    QVERIFY(run.RunPoint());
    QCOMPARE(b.queue(), (QList<TTrans>{{trSourceProgram,
                                        frames::dataRequest(frames::SourceAddress, 'P', "5(50)1(230.0)2(0)4(0)"),
                                        frames::SourceAddress, 200}}));
    QVERIFY(!run.POK->isHidden());
    QCOMPARE(b.prompts.texts().last(), QString("Введите значения счетных устройств и нажмите кнопку \"Далее\"."));
    QCOMPARE(run.GridTest->CellProps(1, 1).CellText(), QString("0"));
    run.GridTest->CellProps(1, 1).setCellText("1234.5");
    b.clearQueue();

    run.BOK->click();
    QVERIFY(run.POK->isHidden());
    const QList<TTrans> queue = b.queue();
    QCOMPARE(queue.at(0), standSetup(1, "230.0", "10.000", "1", "0"));
    QCOMPARE(queue.at(2), (TTrans{trMeterSetup, frames::meterSetup(1, 'S', "0", "3200", "0"), frames::standAddress(1), 129}));
    QCOMPARE(queue.at(4), (TTrans{trSourceProgram, frames::dataRequest(frames::SourceAddress, 'P', "Z(500)1(230.0)2(10.000)5(50)4(0)"),
                                  frames::SourceAddress, 110}));
    QCOMPARE(queue.at(5), (TTrans{trPollCycle, {}, 0, 30}));
    // 500 Wh at 2300 W take 782.6 s, and a margin of 40 s.
    QCOMPARE(run.PointTotal, 823);
    const int point = points->currentValue("PNumPoint1").toInt();
    QCOMPARE(b.main->Results.at(std::size_t(point))[1].Last[1], 1234.5);
}

void TstErrorPoint::secondTariffSwitchesJ()
{
    Bench b;
    QSqlQuery q(b.dm->database());
    QVERIFY(q.exec("UPDATE TTest SET PCountDeviceCB1 = 1"));
    QCOMPARE(b.dm->ADOTest1->reopen(), QString());
    b.dm->setCurrentTest(0);
    b.prepare();
    TableDataSet *points = b.dm->ADOTestBuf;
    TFTest &run = b.run();
    points->setCurrentRow(points->find("PMode", 4));
    run.RunPoint(); // readings
    run.BOK->click();
    QVERIFY(b.queue().at(b.queue().size() - 2).Text.contains("J(1)"));
    QVERIFY(b.main->JOn);
    // Back at tariff 1 the switch goes off again.
    points->setCurrentRow(points->find("PMode", 3));
    run.RunPoint();
    run.BOK->click();
    QVERIFY(b.queue().at(b.queue().size() - 2).Text.contains("J(0)"));
    QVERIFY(!b.main->JOn);
}

void TstErrorPoint::creepPoint()
{
    Bench b;
    b.prepare();
    TableDataSet *points = b.dm->ADOTestBuf;
    points->setCurrentRow(points->find("PMode", 2));
    QVERIFY(b.run().RunPoint());
    const QList<TTrans> queue = b.queue();
    QCOMPARE(queue.at(2).Kind, quint8(trMeterSetup));
    QCOMPARE(queue.at(2).Text.at(2), 'R');
    QVERIFY(queue.contains(TTrans{trTestStep, {}, 0, 111}));
    QCOMPARE(queue.last(), (TTrans{trPollCycle, {}, 0, 30}));
    QVERIFY(b.run().POK->isHidden()); // no readings to type
}

void TstErrorPoint::specialVerdicts_data()
{
    QTest::addColumn<int>("kind");
    QTest::addColumn<int>("threshold");
    QTest::addColumn<int>("replies");
    QTest::addColumn<QString>("text");
    QTest::addColumn<bool>("fit");
    QTest::newRow("sensitivity, threshold 0, one reply") << 1 << 0 << 1 << "Есть" << true;
    QTest::newRow("sensitivity, threshold 1, one reply") << 1 << 1 << 1 << "Нет" << false;
    QTest::newRow("sensitivity, nothing") << 1 << 0 << 0 << "Нет" << false;
    QTest::newRow("creep, one reply tolerated") << 2 << 0 << 1 << "Нет" << true;
    QTest::newRow("creep, two replies") << 2 << 0 << 2 << "Есть" << false;
}

void TstErrorPoint::specialVerdicts()
{
    QFETCH(int, kind);
    QFETCH(int, threshold);
    QFETCH(int, replies);
    QFETCH(QString, text);
    QFETCH(bool, fit);
    Bench b;
    b.main->sfParam->setSens(threshold);
    b.prepare();
    TableDataSet *points = b.dm->ADOTestBuf;
    points->setCurrentRow(points->find("PMode", kind));
    const int point = points->currentValue("PNumPoint1").toInt();
    b.main->Results[std::size_t(point)][1].Count[1] = replies;
    bool after = false;
    b.run().EvaluateSpecialTest([&] { after = true; });
    b.scheduler.advance(999);
    QVERIFY(!after); // late replies have a second to come in
    b.scheduler.advance(1);
    QVERIFY(after);
    QCOMPARE(b.run().GridTest->CellProps(1, 1).CellText(), text);
    QCOMPARE(b.run().GridTest->CellProps(1, 1).Color(), fit ? CellWhite : CellLightRed);
    QCOMPARE(b.run().GridView->CellProps(1, point).CellText(), text);
}

void TstErrorPoint::closingMidRunStopsAndSwitchesOff()
{
    Bench b;
    b.prepare();
    TFTest &run = b.run();
    run.show();
    run.AGo->trigger();
    run.TTime->start(); // the meter frames went out
    QVERIFY(run.AStop->isEnabled() && run.GlobalTime->isActive());
    b.clearQueue();
    run.close();
    QVERIFY(!run.TTime->isActive() && !run.GlobalTime->isActive());
    QCOMPARE(b.queue(), (QList<TTrans>{{trStopAll, {}, 255, 201}, {trSourceOff, {}, 1, 200}}));
    QCOMPARE(b.main->Mode, 0);
    QVERIFY(run.AGo->isEnabled() && !run.AStop->isEnabled());
}

void TstErrorPoint::countdownText()
{
    Bench b;
    b.prepare();
    TFTest &run = b.run();
    run.Remaining = 66;
    run.TTimeTimer();
    QCOMPARE(run.LTimeDec->text(), QString("1:05"));
    run.Remaining = 601;
    run.TTimeTimer();
    QCOMPARE(run.LTimeDec->text(), QString("10:00"));
}

QTEST_MAIN(TstErrorPoint)
#include "tst_errorpoint.moc"
