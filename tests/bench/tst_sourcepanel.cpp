// The source side of the main window: the status panels of both windows, "Выключить
// источник" and its report, the console button, and the continuous-operation resource.
#include "bench/link/TransEngine.h"
#include "bench/run/TFTest.h"
#include "bench/shell/MainDialogs.h"
#include "bench/shell/TFMain.h"
#include "common/RegistryIni.h"
#include "tests/fixtures/ControllerData.h"
#include "tests/fixtures/ControllerWindow.h"
#include "tests/fixtures/EngineBench.h"
#include "tests/fixtures/FakeSerialLine.h"
#include "tests/fixtures/Fixtures.h"
#include "tests/fixtures/ScriptedPrompts.h"
#include "tests/fixtures/VirtualScheduler.h"

#include <QAction>
#include <QButtonGroup>
#include <QLabel>
#include <QTest>
#include <QToolButton>

using namespace bench;

namespace {

struct Window : fixtures::ControllerWindow
{
    Window() : ControllerWindow(QStringLiteral("sourcepanel")) { open(); }
    /// Time passes with the console button down: the fake line answers nothing, and the
    /// link must not fill the prompts with its errors meanwhile.
    void pass(qint64 ms)
    {
        main->TBPult->setChecked(true);
        scheduler.advance(ms);
    }
    void source(const QByteArray &field) { main->parseSourceReply(fixtures::dataReply('1', field)); }
    QStringList panels(const SourcePanels &w) const
    {
        return {w.PVoltage->text(), w.PTok->text(), w.PPower->text(), w.PFreg->text(), w.PKm->text(),
                w.PLimitcurrent->text()};
    }
    QStringList mainPanels() const
    {
        return panels({main->PVoltage, main->PPower, main->PTok, main->PFreg, main->PKm, main->PLimitcurrent});
    }
};

bool yellow(const QLabel *panel)
{
    return panel->palette().color(QPalette::Window) == QColor(Qt::yellow);
}

const QStringList AtRest{"U = ", "I = ", "P = ", "F = ", "Коэф. мощ. = ", "Предел по току: "};

} // namespace

class TstSourcePanel : public QObject
{
    Q_OBJECT
private slots:
    void panelTexts_data();
    void panelTexts();
    void rangeSixKeepsThePreviousText();
    void statusFlagsPaintPanelsYellow();
    void stopButtonQueuesTheSwitchOffAndTheConsoleSilencesIt();
    void resourceRunsOut_data();
    void resourceRunsOut();
    void exhaustedResourceClearsOnlyAboveHalf();
};

void TstSourcePanel::panelTexts_data()
{
    QTest::addColumn<QByteArray>("field");
    QTest::addColumn<QStringList>("texts"); // U, I, P, F, power factor, range

    QTest::newRow("4.9 V: captions only") << QByteArray("1(4.9)2(5)4(1)5(50)7(2):(24.5)E(0)") << AtRest;
    QTest::newRow("not settled: captions only") << QByteArray("1(230)2(5)4(1)5(50)7(2):(1150)E(1)") << AtRest;
    QTest::newRow("4 mA: no power factor, 5 decimals")
        << QByteArray("1(230)2(0.004)4(1)5(50)7(5):(0.92)E(0)")
        << QStringList{"U = 230.00 В", "I = 0.00400 А", "P = 0.92 Вт", "F = 50.00 Гц", "Коэф. мощ. = ",
                       "Предел по току: (0.01 - 0.05) А"};
    QTest::newRow("0.25 A: 4 decimals") << QByteArray("1(230)2(0.25)4(0.5)5(49.99)7(4):(28.75)E(0)")
                                        << QStringList{"U = 230.00 В", "I = 0.2500 А", "P = 28.75 Вт", "F = 49.99 Гц",
                                                       "Коэф. мощ. = 0.50", "Предел по току: (0.05 - 0.3) А"};
    QTest::newRow("9.999 A: 3 decimals") << QByteArray("1(230)2(9.999)4(1)5(50)7(2):(2299.77)E(0)")
                                         << QStringList{"U = 230.00 В", "I = 9.999 А", "P = 2299.77 Вт", "F = 50.00 Гц",
                                                        "Коэф. мощ. = 1.00", "Предел по току: (1.7 - 10) А"};
    QTest::newRow("10 A: 2 decimals, range 3") << QByteArray("1(230)2(10)4(1)5(50)7(3):(2300)E(0)")
                                               << QStringList{"U = 230.00 В", "I = 10.00 А", "P = 2300.00 Вт",
                                                              "F = 50.00 Гц", "Коэф. мощ. = 1.00",
                                                              "Предел по току: (0.3 - 1.7) А"};
}

void TstSourcePanel::panelTexts()
{
    QFETCH(QByteArray, field);
    QFETCH(QStringList, texts);
    Window w;
    QVERIFY(w.ready());
    w.main->SetAngle = 0; // programmed at 0°: no load letter after the power factor
    w.source("1(231)2(1)4(1)5(50)7(0):(231)E(0)"); // something else shown before
    w.source(field);
    QCOMPARE(w.mainPanels(), texts);
    QCOMPARE(w.panels(w.main->runWindow->sourcePanels()), texts); // the run window reads the same
}

void TstSourcePanel::rangeSixKeepsThePreviousText()
{
    Window w;
    w.source("1(230)2(1)4(1)5(50)7(3):(230)E(0)");
    w.source("1(230)2(1)4(1)5(50)7(6):(230)E(0)");
    QCOMPARE(w.main->PLimitcurrent->text(), QString("Предел по току: (0.3 - 1.7) А"));
}

void TstSourcePanel::statusFlagsPaintPanelsYellow()
{
    Window w;
    TFMain &m = *w.main;
    w.source("1(230)2(1)4(1)5(50)7(3):(230)E(14)"); // 2 current, 4 voltage, 8 power factor
    QVERIFY(yellow(m.PTok) && yellow(m.PVoltage) && yellow(m.PKm));
    QVERIFY(yellow(m.runWindow->PTok));
    QVERIFY(!yellow(m.PPower));
    w.source("1(230)2(1)4(1)5(50)7(3):(230)E(4)");
    QVERIFY(!yellow(m.PTok) && yellow(m.PVoltage) && !yellow(m.PKm));
    w.source("1(3)2(1)4(1)5(50)7(3):(230)E(4)"); // at rest: the normal face again
    QVERIFY(!yellow(m.PVoltage));
}

void TstSourcePanel::stopButtonQueuesTheSwitchOffAndTheConsoleSilencesIt()
{
    Window w;
    TFMain &m = *w.main;
    m.TBPult->setChecked(true);
    m.AStopButton->trigger();
    QVERIFY(m.engine->Frame.TransQueue.isEmpty());

    m.TBPult->setChecked(false);
    m.SetU = 230;
    m.SetI = 5;
    m.SetAngle = 60;
    m.JOn = true;
    m.AStopButton->trigger();
    QCOMPARE(m.engine->Frame.TransQueue,
             (QList<TTrans>{{trStopAll, {}, 255, 201}, {trSourceOff, {}, 1, 200}}));
    QVERIFY(m.SetU == -1 && m.SetI == -1 && m.SetF == -1 && m.SetAngle == -1 && !m.JOn);

    // Acknowledged without an overload and without a finished test: nothing to tell.
    m.sourceOffAcknowledged();
    QVERIFY(w.prompts.shown().isEmpty());
    QVERIFY(m.TAddSendParamSource->isActive());
    m.TestDone = true;
    m.sourceOffAcknowledged();
    QCOMPARE(w.prompts.texts(), QStringList{"Тест завершен"});
    QCOMPARE(w.prompts.shown().first().caption, QString("Информация"));
    QVERIFY(!m.TestDone);
}

void TstSourcePanel::resourceRunsOut_data()
{
    QTest::addColumn<double>("amps");
    QTest::addColumn<int>("wires");   // 0 "Контактодержатель", 1 "Проводники"
    QTest::addColumn<int>("seconds"); // until the limit

    QTest::newRow("25 A on the contact holder: 36 min") << 25.0 << 0 << 36 * 60;
    QTest::newRow("50 A on the contact holder: 4 min") << 50.0 << 0 << 4 * 60;
    QTest::newRow("35 A on wires: 4320 / 3 s") << 35.0 << 1 << 4320 / 3;
}

void TstSourcePanel::resourceRunsOut()
{
    QFETCH(double, amps);
    QFETCH(int, wires);
    QFETCH(int, seconds);
    Window w;
    TFMain &m = *w.main;
    m.sfConfigStend->setConnectTip(wires);
    m.Source.I = float(amps);
    w.pass(qint64(seconds - 1) * 1000);
    QVERIFY(!m.ResourceExhausted);
    QVERIFY(w.prompts.shown().isEmpty());
    QVERIFY(!m.runWindow->PTimeLimit->isHidden());
    QCOMPARE(m.runWindow->LTimeLimit->text(), QString("0 %"));
    QCOMPARE(m.runWindow->PTimeLimit->palette().color(QPalette::Window), QColor(Qt::yellow));

    w.pass(1000);
    QVERIFY(m.ResourceExhausted);
    QCOMPARE(w.prompts.texts(),
             QStringList{"Превышен ресурс непрерывной работы при заданном значении тока! Включение установки при "
                         "токе больше 20А возможно при ресурсе >50%"});
    QCOMPARE(w.prompts.shown().first().caption, QString("TK710"));
    QCOMPARE(m.engine->Frame.TransQueue.first(), (TTrans{trStopAll, {}, 255, 201}));
    m.Source.I = 0; // switched off: the resource recovers, but stays exhausted a while
    w.pass(1000);
    QCOMPARE(m.runWindow->PTimeLimit->palette().color(QPalette::Window), QColor(Qt::red));
}

void TstSourcePanel::exhaustedResourceClearsOnlyAboveHalf()
{
    Window w;
    TFMain &m = *w.main;
    m.Source.I = 50;
    w.pass(240 * 1000);
    QVERIFY(m.ResourceExhausted);
    // At 10 A the counter falls by 4 a second: from 2160 to 1080 (50 %) takes 270 s.
    m.Source.I = 10;
    w.pass(270 * 1000);
    QCOMPARE(m.ResourceCounter, 1080);
    QCOMPARE(m.runWindow->LTimeLimit->text(), QString("50 %"));
    QVERIFY(m.ResourceExhausted);
    w.pass(3 * 1000); // 1068: 50.56 % shows as 51
    QCOMPARE(m.runWindow->LTimeLimit->text(), QString("51 %"));
    QVERIFY(!m.ResourceExhausted);
    // And it runs down to nothing: the panel goes.
    w.pass(300 * 1000);
    QCOMPARE(m.ResourceCounter, 0);
    QVERIFY(m.runWindow->PTimeLimit->isHidden());
}

QTEST_MAIN(TstSourcePanel)
#include "tst_sourcepanel.moc"
