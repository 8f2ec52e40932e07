// The database program's entry sequence: its own instance guard and texts, its title, and
// a missing database reported without creating one.
#include "base/shell/BaseStart.h"
#include "base/shell/TFExpert.h"
#include "tests/fixtures/Fixtures.h"
#include "tests/fixtures/ProgramRun.h"
#include "tests/fixtures/ScriptedPrompts.h"

#include <QTest>

class TstBaseStart : public QObject
{
    Q_OBJECT
private slots:
    void soundStartShowsTheMainWindow();
    void missingDatabaseIsReportedAndNotCreated();
    void secondCopyIsRefusedWhileTheControllerMayRun();
};

void TstBaseStart::soundStartShowsTheMainWindow()
{
    fixtures::WorkDir dir;
    fixtures::UseWorkDir use(dir);
    ScriptedPrompts prompts;
    int exitCode = -1;
    auto session = base::startBase(prompts, &exitCode);
    QVERIFY(session);
    QCOMPARE(exitCode, 0);
    QCOMPARE(session->mainWindow()->windowTitle(), QString("База данных TK710"));
    QVERIFY(prompts.shown().isEmpty());
}

void TstBaseStart::missingDatabaseIsReportedAndNotCreated()
{
    fixtures::WorkDir dir(/*withDatabase=*/false);
    fixtures::UseWorkDir use(dir);
    ScriptedPrompts prompts;
    int exitCode = 0;
    QVERIFY(!base::startBase(prompts, &exitCode));
    QCOMPARE(exitCode, 1);
    QCOMPARE(prompts.shown().size(), 1);
    QCOMPARE(prompts.shown().first().caption, QString("База данных TK710"));
    QVERIFY(prompts.lastText().contains(dir.databasePath()));
    QCOMPARE(fixtures::folderListing(dir.path()), QStringList());
}

void TstBaseStart::secondCopyIsRefusedWhileTheControllerMayRun()
{
    fixtures::WorkDir dir;
    // The controller running beside it does not count as a copy.
    const auto controller = fixtures::startHoldingLock(dir, "TK710", "Программа управления установкой TK710");
    QVERIFY(controller);
    const auto first = fixtures::startHoldingLock(dir, "BaseTK710", base::BaseTitle);
    QVERIFY(first);

    fixtures::UseWorkDir use(dir);
    ScriptedPrompts prompts;
    int exitCode = 0;
    QVERIFY(!base::startBase(prompts, &exitCode));
    QCOMPARE(exitCode, 1);
    QCOMPARE(prompts.shown().size(), 1);
    QCOMPARE(prompts.shown().first().caption, QString("База данных TK710"));
    QCOMPARE(prompts.lastText(), QString("Запуск второй копии программы недопустим."));
    QVERIFY(prompts.shown().first().topMost);
    QCOMPARE(first->state(), QProcess::Running);
    for (QProcess *p : {first.get(), controller.get()}) {
        p->kill();
        p->waitForFinished();
    }
}

QTEST_MAIN(TstBaseStart)
#include "tst_basestart.moc"
