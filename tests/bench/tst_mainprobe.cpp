// "Опросить стенды" as the operator sees it, against the built-in simulator in virtual time:
// the menus come alive with the first source reading, the probe marks present and absent
// stands, the stand grid is limited to the present ones and the modes open; a silent source
// is reported and the link recovers without a restart.
#include "bench/data/TDM.h"
#include "bench/shell/TFMain.h"
#include "common/RegistryIni.h"
#include "sim/BenchSimulator.h"
#include "sim/SimLine.h"
#include "tests/fixtures/ControllerData.h"
#include "tests/fixtures/ControllerWindow.h"
#include "tests/fixtures/Fixtures.h"
#include "tests/fixtures/ScriptedPrompts.h"
#include "tests/fixtures/VirtualScheduler.h"

#include <QAction>
#include <QLabel>
#include <QListWidget>
#include <QMenu>
#include <QSqlQuery>
#include <QTest>

using namespace bench;

namespace {
struct Bench : fixtures::ControllerWindow
{
    Bench() : ControllerWindow(QStringLiteral("mainprobe"))
    {
        simulator.setPresentStands({1, 3});
        openOnSimulator();
    }
    QStringList lines() const
    {
        QStringList out;
        for (int i = 0; i < main->CBStend->count(); ++i)
            out << main->CBStend->item(i)->text();
        return out;
    }
    QList<int> checkedInTable() const
    {
        QSqlQuery q(QSqlDatabase::database(connection));
        q.exec("SELECT PNumStend FROM TableStend WHERE PChecked = 1 ORDER BY PNumStend");
        QList<int> out;
        while (q.next())
            out << q.value(0).toInt();
        return out;
    }
};
} // namespace

class TstMainProbe : public QObject
{
    Q_OBJECT
private slots:
    void probeFindsThePresentStands();
    void silentSourceIsReportedAndTheLinkRecovers();
    void sourceLostDuringTheProbeGivesTheWindowBack();
    void standTableThatCannotBeWrittenLeavesTheModesOff();
};

void TstMainProbe::probeFindsThePresentStands()
{
    Bench b;
    TFMain &m = *b.main;
    QVERIFY(b.ready());
    QVERIFY(!m.M_File->isEnabled());
    b.scheduler.advance(3500); // the first periodic source reading is answered
    QVERIFY(m.M_File->isEnabled());
    QVERIFY(m.PMenu->isEnabled());

    m.AReply->trigger();
    QVERIFY(!m.isEnabled());
    QCOMPARE(m.PStend->text(), QString("Идет опрос стендов !"));
    b.scheduler.advance(8000); // stand 2 takes its 3 s to be given up
    QCOMPARE(b.lines(), (QStringList{"Стенд 1 - есть", "Стенд 2 - нет", "Стенд 3 - есть"}));
    QVERIFY(m.isEnabled());
    QVERIFY(m.PStend->text().isEmpty());
    QCOMPARE(b.checkedInTable(), (QList<int>{1, 3}));
    QCOMPARE(b.dm->ADOTableStend->rowCount(), 2);
    QVERIFY(m.MProverka->isEnabled() && m.AHand->isEnabled() && m.AAutoRegul->isEnabled() && m.AAutoMistake->isEnabled());
    QVERIFY(!m.PTable->isHidden() && !m.LTable->isHidden());
    QVERIFY(m.Stands[1].Present && !m.Stands[2].Present && m.Stands[3].Present);
    QVERIFY(b.prompts.shown().isEmpty());

    // A new probe starts from scratch: modes off and captions back until it ends.
    m.AReply->trigger();
    QVERIFY(!m.AHand->isEnabled());
    QCOMPARE(b.lines().first(), QString("Стенд 1"));
    b.scheduler.advance(8000);
    QVERIFY(m.AHand->isEnabled());
}

void TstMainProbe::silentSourceIsReportedAndTheLinkRecovers()
{
    Bench b;
    TFMain &m = *b.main;
    b.scheduler.advance(3500);
    b.simulator.faults().add({sim::FaultKind::Silent, sim::SourceDevice, 'U', 1});
    m.AReply->trigger();
    b.scheduler.advance(4000);
    QCOMPARE(b.prompts.texts(), QStringList{"Источник не отвечает ! Опрос."});
    QVERIFY(m.isEnabled());
    QVERIFY(!m.AHand->isEnabled());
    QCOMPARE(b.checkedInTable(), QList<int>{});

    m.AReply->trigger(); // the fault is spent: the same probe now goes through
    b.scheduler.advance(8000);
    QCOMPARE(b.lines(), (QStringList{"Стенд 1 - есть", "Стенд 2 - нет", "Стенд 3 - есть"}));
    QVERIFY(m.AHand->isEnabled());
    QCOMPARE(b.prompts.shown().size(), 1);
}

void TstMainProbe::sourceLostDuringTheProbeGivesTheWindowBack()
{
    Bench b;
    TFMain &m = *b.main;
    b.scheduler.advance(3500);
    // The source ignores the periodic readings that fall into the probe.
    b.simulator.faults().add({sim::FaultKind::Silent, sim::SourceDevice, '?', 2});
    b.scheduler.advance(2900);
    m.AReply->trigger();
    b.scheduler.advance(20000);
    QVERIFY(m.isEnabled());
    QVERIFY(m.PStend->text().isEmpty());
    QVERIFY(!m.AHand->isEnabled());
}

void TstMainProbe::standTableThatCannotBeWrittenLeavesTheModesOff()
{
    Bench b;
    TFMain &m = *b.main;
    QSqlQuery q(QSqlDatabase::database(b.connection));
    QVERIFY(q.exec("CREATE TRIGGER refuse BEFORE UPDATE ON TableStend BEGIN SELECT RAISE(ABORT, 'stand table locked'); END"));
    b.scheduler.advance(3500);
    m.AReply->trigger();
    b.scheduler.advance(8000);
    QCOMPARE(b.prompts.texts().size(), 1);
    QVERIFY(b.prompts.texts().first().contains("stand table locked"));
    QVERIFY(m.isEnabled());
    QVERIFY(!m.AHand->isEnabled() && !m.AAutoMistake->isEnabled() && !m.MProverka->isEnabled());
}

QTEST_MAIN(TstMainProbe)
#include "tst_mainprobe.moc"
