// A verification as the operator runs it, against the demo bench in virtual time through the
// real windows: probe, every position ticked, "Автоматический режим", "Начать/Продолжить
// тест"; the error points run one after the other by themselves, each meter's readings land
// in the buffer and the grids, and the run ends with the source switched off and "Тест
// завершен".
#include "bench/data/TDM.h"
#include "bench/link/TransEngine.h"
#include "bench/run/KorColorStringGrid.h"
#include "bench/run/TFTest.h"
#include "bench/shell/TFMain.h"
#include "sim/Scenario.h"
#include "tests/fixtures/ControllerWindow.h"

#include <QAction>
#include <QSqlQuery>
#include <QTableWidgetItem>
#include <QPushButton>
#include <QTest>

using namespace bench;

class TstVerificationRun : public QObject
{
    Q_OBJECT
private slots:
    void errorPointsRunToTheEnd();
    void wholeTestWithWarmUpAndSpecialPoints();
};

void TstVerificationRun::errorPointsRunToTheEnd()
{
    fixtures::ControllerWindow w(QStringLiteral("verificationrun"));
    w.simulator.applyScenario(sim::Scenario::demo());
    {
        // The demo test without its special tests: error points only.
        QSqlQuery q(w.dm->database());
        QVERIFY(q.exec("UPDATE TTest SET PSensitivityCB = 0, PSamochodCB = 0, PCountDeviceCB = 0, PCountDeviceCB1 = 0"));
    }
    QCOMPARE(w.dm->ADOTest1->reopen(), QString());
    w.reg.registry().writeString("SoftWare\\TK710 v2.0\\confStend", "tipf", "1"); // the stands' type, 230 V 5 A
    TFMain &m = w.openOnSimulator();
    w.probeAndTickAll();
    QVERIFY(m.AAutoMistake->isEnabled());
    m.AAutoMistake->trigger();
    TFTest &run = *m.runWindow;
    QVERIFY2(w.prompts.texts().isEmpty(), qPrintable(w.prompts.texts().join("|")));
    QCOMPARE(m.Mode, 2);
    QVERIFY(run.isVisible());
    const int points = w.dm->ADOTestBuf->rowCount();
    QCOMPARE(points, 8);

    run.AGo->trigger();
    QVERIFY(run.AStop->isEnabled());
    QVERIFY(!run.AGo->isEnabled());
    for (int i = 0; i < 60 * 30 && !w.prompts.texts().contains("Тест завершен"); ++i)
        w.scheduler.advance(1000);

    qInfo("verification ended after %lld s of bench time", w.scheduler.nowMs() / 1000);
    QCOMPARE(w.prompts.texts(), QStringList{"Тест завершен"});
    QVERIFY(!w.simulator.source().outputOn());
    QVERIFY(run.AGo->isEnabled() && !run.AStop->isEnabled());
    QVERIFY(run.ADateinBase->isEnabled());
    // Every point has its three readings for each modelled meter of the demo bench.
    for (int point = 1; point <= points; ++point) {
        QVERIFY2(run.PointHasData.at(std::size_t(point)) == 1, qPrintable(QString::number(point)));
        for (int stand : {1, 2, 3}) {
            const StandResults &r = m.Results.at(std::size_t(point))[std::size_t(stand)];
            QCOMPARE(r.Count[1], 3.0);
            QVERIFY(r.Mean[1] > NoValue);
        }
    }
    QVERIFY(!run.GridView->CellProps(1, 1).CellText().isEmpty());
}

void TstVerificationRun::wholeTestWithWarmUpAndSpecialPoints()
{
    fixtures::ControllerWindow w(QStringLiteral("verificationwhole"));
    w.simulator.applyScenario(sim::Scenario::demo());
    {
        // Both registers, each ending by its energy dose.
        QSqlQuery q(w.dm->database());
        QVERIFY(q.exec("UPDATE TTest SET PCountDeviceCB1 = 1"));
        QVERIFY(q.exec("UPDATE THand SET PProgon = 1, PTimeMProgon = 0, PTimeSProgon = 20, PPerUProgon = 100, "
                       "PPerIProgon = 100"));
    }
    QCOMPARE(w.dm->ADOTest1->reopen(), QString());
    QCOMPARE(w.dm->ADOHand->refresh(), QString());
    w.reg.registry().writeString("SoftWare\\TK710 v2.0\\confStend", "tipf", "1");
    TFMain &m = w.openOnSimulator();
    w.probeAndTickAll();
    m.AAutoMistake->trigger();
    TFTest &run = *m.runWindow;
    QCOMPARE(w.dm->ADOTestBuf->rowCount(), 1 + 8 + 4); // warm-up, error points, special points
    run.AGo->trigger();

    // The operator types the register readings and, after each register point, gives the
    // verdicts and goes on.
    const QString readings = QStringLiteral("Введите значения счетных устройств и нажмите кнопку \"Далее\".");
    const QString verdicts =
        QStringLiteral("Заполните результаты прохождения теста по каждому счетчику и нажмите кнопку \"GO\".");
    int answered = 0;
    for (int i = 0; i < 3 * 3600 && !w.prompts.texts().contains("Тест завершен"); ++i) {
        w.scheduler.advance(1000);
        const QStringList texts = w.prompts.texts();
        for (; answered < texts.size(); ++answered) {
            if (texts.at(answered) == readings)
                run.BOK->click();
            else if (texts.at(answered) == verdicts)
                run.AGo->trigger();
        }
    }
    QCOMPARE(w.prompts.texts(), (QStringList{readings, verdicts, readings, verdicts, "Тест завершен"}));
    qInfo("whole test ended after %lld s of bench time", w.scheduler.nowMs() / 1000);
    QVERIFY(!w.simulator.source().outputOn());
    QVERIFY(!m.JOn || !w.simulator.source().outputOn());
}

QTEST_MAIN(TstVerificationRun)
#include "tst_verificationrun.moc"
