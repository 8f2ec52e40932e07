// The controller's entry sequence: a second copy is refused with its message, a missing or
// broken database stops it with "You have lost data due to …" and nothing is created or
// changed on disk, a sound start shows the main window with its title.
#include "bench/shell/ControllerStart.h"
#include "bench/shell/TFMain.h"
#include "common/Database.h"
#include "tests/fixtures/Fixtures.h"
#include "tests/fixtures/ProgramRun.h"
#include "tests/fixtures/ScriptedPrompts.h"

#include <QFile>
#include <QSqlQuery>
#include <QTest>

class TstControllerStart : public QObject
{
    Q_OBJECT
private slots:
    void soundStartShowsTheMainWindow();
    void missingDatabaseStopsAndCreatesNothing();
    void brokenDatabaseStopsAndChangesNothing_data();
    void brokenDatabaseStopsAndChangesNothing();
    void secondCopyIsRefused();
    void lockOfACrashedCopyIsTakenOver();
};

void TstControllerStart::soundStartShowsTheMainWindow()
{
    fixtures::WorkDir dir;
    fixtures::UseWorkDir use(dir);
    ScriptedPrompts prompts;
    int exitCode = -1;
    auto session = bench::startController(prompts, &exitCode);
    QVERIFY(session);
    QCOMPARE(exitCode, 0);
    QVERIFY(prompts.shown().isEmpty());
    QCOMPARE(session->mainWindow()->windowTitle(), QString("Сталверт TK710 v2.51"));
    QCOMPARE(QLocale().decimalPoint(), QString("."));
    QVERIFY(QSqlQuery(QSqlDatabase::database(bench::ControllerConnection)).exec("SELECT * FROM TTip"));
    session.reset(); // closes cleanly: the connection is gone
    QVERIFY(!QSqlDatabase::contains(bench::ControllerConnection));
}

void TstControllerStart::missingDatabaseStopsAndCreatesNothing()
{
    fixtures::WorkDir dir(/*withDatabase=*/false);
    fixtures::UseWorkDir use(dir);
    ScriptedPrompts prompts;
    int exitCode = 0;
    QVERIFY(!bench::startController(prompts, &exitCode));
    QCOMPARE(exitCode, 1);
    QCOMPARE(prompts.shown().size(), 1);
    QCOMPARE(prompts.shown().first().icon, Prompts::Icon::Error);
    QVERIFY2(prompts.lastText().startsWith("You have lost data due to "), qPrintable(prompts.lastText()));
    QVERIFY(prompts.lastText().contains(dir.databasePath()));
    QCOMPARE(fixtures::folderListing(dir.path()), QStringList());
}

void TstControllerStart::brokenDatabaseStopsAndChangesNothing_data()
{
    QTest::addColumn<QByteArray>("sql");      // run on a fresh database; empty: not SQLite
    QTest::addColumn<QByteArray>("content");  // the file's content when not SQLite
    QTest::addColumn<QString>("reason");
    QTest::newRow("not a database") << QByteArray() << QByteArray("not a database file, just text") << "file is not a database";
    QTest::newRow("table missing") << QByteArray("DROP TABLE THand") << QByteArray() << "no such table: THand";
    QTest::newRow("empty file") << QByteArray() << QByteArray() << "no such table";
}

void TstControllerStart::brokenDatabaseStopsAndChangesNothing()
{
    QFETCH(QByteArray, sql);
    QFETCH(QByteArray, content);
    QFETCH(QString, reason);
    fixtures::WorkDir dir(/*withDatabase=*/!sql.isEmpty());
    if (sql.isEmpty()) {
        QFile f(dir.databasePath());
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.write(content);
    } else {
        {
            QSqlDatabase db = QSqlDatabase::addDatabase("QSQLITE", "prepare");
            db.setDatabaseName(dir.databasePath());
            QVERIFY(db.open());
            QVERIFY(QSqlQuery(db).exec(QString::fromLatin1(sql)));
            db.close();
        }
        QSqlDatabase::removeDatabase("prepare");
    }
    const QStringList before = fixtures::folderListing(dir.path());
    const QByteArray bytes = fixtures::fileBytes(dir.databasePath());

    fixtures::UseWorkDir use(dir);
    ScriptedPrompts prompts;
    int exitCode = 0;
    QVERIFY(!bench::startController(prompts, &exitCode));
    QCOMPARE(exitCode, 1);
    QVERIFY2(prompts.lastText().startsWith("You have lost data due to " + reason), qPrintable(prompts.lastText()));
    QCOMPARE(fixtures::fileBytes(dir.databasePath()), bytes);
    QCOMPARE(fixtures::folderListing(dir.path()), before);
}

void TstControllerStart::secondCopyIsRefused()
{
    fixtures::WorkDir dir;
    const auto first = fixtures::startHoldingLock(dir, "TK710", bench::ControllerGuardName);
    QVERIFY(first);

    {
        fixtures::UseWorkDir use(dir);
        ScriptedPrompts prompts;
        int exitCode = 0;
        QVERIFY(!bench::startController(prompts, &exitCode));
        QCOMPARE(exitCode, 1);
        QCOMPARE(prompts.shown().size(), 1);
        const auto &box = prompts.shown().first();
        QCOMPARE(box.icon, Prompts::Icon::Error);
        QCOMPARE(box.caption, QString("Программа управления установкой TK710"));
        QCOMPARE(box.text, QString("Запуск второй копии программы недопустим."));
        QVERIFY(box.topMost);
    }

    // A second real copy says the same before its box comes up.
    QProcess second;
    second.setWorkingDirectory(dir.path());
    second.setProcessEnvironment(dir.environment());
    second.start(fixtures::programPath("TK710"), {});
    QVERIFY(second.waitForStarted());
    QByteArray said;
    QTRY_VERIFY_WITH_TIMEOUT(QString::fromLocal8Bit(said += second.readAllStandardError()).contains("Запуск второй копии программы недопустим."), 20000);
    second.kill();
    second.waitForFinished();

    QCOMPARE(first->state(), QProcess::Running); // the first copy is untouched
    first->kill();
    first->waitForFinished();
}

void TstControllerStart::lockOfACrashedCopyIsTakenOver()
{
    fixtures::WorkDir dir;
    const auto crashed = fixtures::startHoldingLock(dir, "TK710", bench::ControllerGuardName);
    QVERIFY(crashed);
    crashed->kill();
    crashed->waitForFinished();

    fixtures::UseWorkDir use(dir);
    ScriptedPrompts prompts;
    int exitCode = -1;
    QVERIFY(bench::startController(prompts, &exitCode));
    QCOMPARE(exitCode, 0);
}

QTEST_MAIN(TstControllerStart)
#include "tst_controllerstart.moc"
