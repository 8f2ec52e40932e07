// Source overloads against the simulated bench in virtual time: a first overload is
// recovered from (readings ignored, the point programmed again), a second one during the
// recovery or a third one without two clean readings between switches the source off, and
// the reason is shown only once the source has acknowledged the switch-off. Also the
// energy-limited register point that ends when the source has delivered its dose.
#include "bench/data/TDM.h"
#include "bench/link/Frames.h"
#include "bench/link/TransEngine.h"
#include "bench/run/TFTest.h"
#include "bench/shell/TFMain.h"
#include "common/RegistryIni.h"
#include "sim/BenchSimulator.h"
#include "sim/SimLine.h"
#include "tests/fixtures/ControllerData.h"
#include "tests/fixtures/ControllerWindow.h"
#include "tests/fixtures/EngineBench.h"
#include "tests/fixtures/Fixtures.h"
#include "tests/fixtures/ScriptedPrompts.h"
#include "tests/fixtures/VirtualScheduler.h"

#include <QAction>
#include <QLabel>
#include <QTest>

using namespace bench;

namespace {

struct Bench : fixtures::ControllerWindow
{
    Bench() : ControllerWindow(QStringLiteral("overload")) { openOnSimulator(); }

    /// A verification point (100 % U, 100 % I of the demo's 230 V, 5 A type on stand 1) has
    /// programmed the source and it has settled.
    void pointRunning()
    {
        TFMain &m = *main;
        dm->ApplyTypeFilter(dm->ADOTipF->find(QStringLiteral("PTip"), QStringLiteral("СЭО-101")));
        m.Stands[1].Present = true;
        m.Stands[1].ReductRate = 3200;
        m.Stands[1].IdentReductRate = 1;
        m.Mode = 2;
        TFTest &run = *m.runWindow;
        run.MapStands();
        run.SetupVerification();
        TableDataSet *points = dm->ADOTestBuf;
        points->setCurrentRow(points->find(QStringLiteral("PPersentI"), 100));
        QVERIFY(run.RunPoint());
        run.AGo->setEnabled(false);
        run.AStop->setEnabled(true);
        scheduler.advance(7000); // programmed, settled, read twice
        QVERIFY(simulator.source().outputOn());
    }
};

} // namespace

class TstOverload : public QObject
{
    Q_OBJECT
private slots:
    void firstOverloadIsRecoveredFrom_data();
    void firstOverloadIsRecoveredFrom();
    void secondOverloadDuringTheRecoveryStops();
    void thirdOverloadStops();
    void protectionDeviceStopsAtOnce();
    void registerPointEndsWhenTheDoseIsDelivered();
};

void TstOverload::firstOverloadIsRecoveredFrom_data()
{
    QTest::addColumn<int>("status");
    QTest::addColumn<int>("retry");   // OverloadRetry while recovering
    QTest::addColumn<bool>("keepsU"); // the voltage set point survives
    QTest::newRow("voltage") << 64 << 2 << false;
    QTest::newRow("current") << 128 << 3 << true;
}

void TstOverload::firstOverloadIsRecoveredFrom()
{
    QFETCH(int, status);
    QFETCH(int, retry);
    QFETCH(bool, keepsU);
    Bench b;
    TFMain &m = *b.main;
    b.pointRunning();
    QCOMPARE(m.PVoltage->text(), QString("U = 230.00 В"));
    QCOMPARE(m.runWindow->PVoltage->text(), QString("U = 230.00 В"));

    QVERIFY(b.simulator.source().addStatusFault(status));
    b.scheduler.advance(3000); // the overload reading
    QCOMPARE(m.OverloadRetry, retry);
    QCOMPARE(m.ExtraReads, 4);
    QCOMPARE(m.SetI, -1.0);
    QCOMPARE(m.SetU == 230, keepsU);

    // The next tick asks four times; three answers are ignored, the fourth is clean and the
    // point is programmed again: the run is going on, so "Закончить тест" is offered.
    m.runWindow->AGo->setEnabled(true);
    m.runWindow->AStop->setEnabled(false);
    b.scheduler.advance(3000);
    QCOMPARE(m.ExtraReads, 0);
    QCOMPARE(m.OverloadRetry, 0);
    QVERIFY(m.runWindow->AStop->isEnabled());
    QVERIFY(!m.runWindow->AGo->isEnabled());
    QCOMPARE(m.OverloadCount, 1);
    QVERIFY(b.prompts.shown().isEmpty());
    QVERIFY(b.simulator.source().outputOn());
}

void TstOverload::secondOverloadDuringTheRecoveryStops()
{
    Bench b;
    TFMain &m = *b.main;
    b.pointRunning();
    QVERIFY(b.simulator.source().addStatusFault(64));
    QVERIFY(b.simulator.source().addStatusFault(64, 1, 4)); // the reading that is evaluated again
    qint64 shownAt = -1;
    b.prompts.whileShown = [&](const ScriptedPrompts::Shown &) { shownAt = b.scheduler.nowMs(); };
    const qint64 start = b.scheduler.nowMs();
    b.scheduler.advance(8000);
    QCOMPARE(b.prompts.texts(), QStringList{"Перегрузка по напряжению!"});
    QCOMPARE(b.prompts.shown().first().caption, QString("Перегрузка"));
    QVERIFY(!b.simulator.source().outputOn());
    // The box waits for the source's acknowledgement of its switch-off, a few ticks later.
    QVERIFY(shownAt > start + 3000 + 4 * 200);
    QCOMPARE(m.OverloadRetry, 0);
    QVERIFY(m.SetU == -1 && m.SetI == -1);
}

void TstOverload::thirdOverloadStops()
{
    // Readings: 0 overload, 1-3 ignored, 4 clean (recovered), 5 overload, 6-8 ignored,
    // 9 clean, 10 overload: the third without two clean readings between.
    Bench b;
    TFMain &m = *b.main;
    b.pointRunning();
    for (int at : {0, 5, 10})
        QVERIFY(b.simulator.source().addStatusFault(64, 1, at));
    b.scheduler.advance(9000);
    QCOMPARE(m.OverloadCount, 2);
    QVERIFY(b.prompts.shown().isEmpty());
    b.scheduler.advance(9000);
    QCOMPARE(b.prompts.texts(), QStringList{"Перегрузка по напряжению!"});
    QVERIFY(!b.simulator.source().outputOn());
}

void TstOverload::protectionDeviceStopsAtOnce()
{
    Bench b;
    b.pointRunning();
    QVERIFY(b.simulator.source().addStatusFault(32));
    b.scheduler.advance(4000);
    QCOMPARE(b.prompts.texts(),
             QStringList{"Сработало внутреннее защитное устройство! Для восстановления работоспособности источника "
                         "выключите питание и через 1-2 минуты снова включите."});
}

void TstOverload::registerPointEndsWhenTheDoseIsDelivered()
{
    Bench b;
    TFMain &m = *b.main;
    QVERIFY(b.ready());
    // The demo's test counts the register by energy for tariff 1.
    m.Stands[1].Present = true;
    m.Mode = 2;
    m.runWindow->MapStands();
    m.runWindow->SetupVerification();
    TableDataSet *points = b.dm->ADOTestBuf;
    const int registerRow = points->find(QStringLiteral("PMode"), 3);
    QVERIFY(registerRow >= 0);
    points->setCurrentRow(registerRow);
    const double dose = b.dm->ADOTest1->currentValue(QStringLiteral("PCountEnergy")).toDouble() * 1000; // Wh
    QVERIFY(dose > 0);

    m.runWindow->Remaining = 50;
    const QByteArray below = "1(230)2(5)4(1)5(50)7(2):(1150)E(0)Z(" + QByteArray::number(dose - 0.5) + ")";
    m.parseSourceReply(fixtures::dataReply('1', below));
    QCOMPARE(m.runWindow->Remaining, 50);
    QCOMPARE(m.runWindow->LEnergy->text(), QString::number(dose - 0.5, 'f', 3));
    const QByteArray reached = "1(230)2(5)4(1)5(50)7(2):(1150)E(0)Z(" + QByteArray::number(dose) + ")";
    m.parseSourceReply(fixtures::dataReply('1', reached));
    QCOMPARE(m.runWindow->Remaining, 1);

    // A point of another kind does not end by energy.
    points->setCurrentRow(points->find(QStringLiteral("PMode"), 0));
    m.runWindow->Remaining = 50;
    m.parseSourceReply(fixtures::dataReply('1', reached));
    QCOMPARE(m.runWindow->Remaining, 50);
}

QTEST_MAIN(TstOverload)
#include "tst_overload.moc"
