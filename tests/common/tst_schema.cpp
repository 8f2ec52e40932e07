// Tests of the database made by the init command (the real tk710-db binary): every table's
// columns in stored order with their declared types, keys, links and indexes, the initial
// stand and manual-mode rows, WAL mode, the refusals, the demo reference data and the
// cascade from a run to its positions and their results.
#include "common/DatabaseInit.h"
#include "tests/fixtures/Fixtures.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QSet>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QSqlRecord>
#include <QTemporaryDir>
#include <QTest>
#include <QUuid>

#include <cmath>

namespace {

struct ToolRun
{
    int exitCode = -1;
    QString out;
    QString err;
};

ToolRun runTool(const QStringList &args, const QString &workingDirectory = {})
{
    QProcess process;
    if (!workingDirectory.isEmpty())
        process.setWorkingDirectory(workingDirectory);
    process.start(fixtures::programPath(QStringLiteral("tk710-db")), args);
    ToolRun run;
    if (!process.waitForFinished(60000) || process.exitStatus() != QProcess::NormalExit) {
        run.err = QStringLiteral("tk710-db did not finish: ") + process.errorString();
        return run;
    }
    run.exitCode = process.exitCode();
    run.out = QString::fromLocal8Bit(process.readAllStandardOutput());
    run.err = QString::fromLocal8Bit(process.readAllStandardError());
    return run;
}

QStringList folderEntries(const QString &folder)
{
    return QDir(folder).entryList(QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot,
                                  QDir::Name);
}

// A private connection to a database file, removed again when the object goes.
class Connection
{
public:
    explicit Connection(const QString &path)
        : m_name(QStringLiteral("tst_schema-") + QUuid::createUuid().toString(QUuid::WithoutBraces))
    {
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), m_name);
        db.setDatabaseName(path);
        m_open = db.open();
    }
    ~Connection()
    {
        {
            QSqlDatabase db = QSqlDatabase::database(m_name, false);
            db.close();
        }
        QSqlDatabase::removeDatabase(m_name);
    }
    Connection(const Connection &) = delete;
    Connection &operator=(const Connection &) = delete;

    bool isOpen() const { return m_open; }

    /// Runs `sql` with `values` bound; the rows it gives. An error is printed and gives none.
    QList<QSqlRecord> rows(const QString &sql, const QVariantList &values = {}) const
    {
        QSqlQuery query(QSqlDatabase::database(m_name, false));
        bool ok = query.prepare(sql);
        for (const QVariant &value : values)
            query.addBindValue(value);
        ok = ok && query.exec();
        if (!ok) {
            qWarning("%s: %s", qPrintable(sql), qPrintable(query.lastError().text()));
            return {};
        }
        QList<QSqlRecord> result;
        while (query.next())
            result << query.record();
        return result;
    }
    QVariant value(const QString &sql, const QVariantList &values = {}) const
    {
        const QList<QSqlRecord> result = rows(sql, values);
        return result.isEmpty() ? QVariant() : result.first().value(0);
    }
    bool exec(const QString &sql, const QVariantList &values = {}) const
    {
        QSqlQuery query(QSqlDatabase::database(m_name, false));
        bool ok = query.prepare(sql);
        for (const QVariant &value : values)
            query.addBindValue(value);
        ok = ok && query.exec();
        if (!ok)
            qWarning("%s: %s", qPrintable(sql), qPrintable(query.lastError().text()));
        return ok;
    }
    qint64 insert(const QString &sql, const QVariantList &values) const
    {
        QSqlQuery query(QSqlDatabase::database(m_name, false));
        query.prepare(sql);
        for (const QVariant &value : values)
            query.addBindValue(value);
        if (!query.exec()) {
            qWarning("%s: %s", qPrintable(sql), qPrintable(query.lastError().text()));
            return -1;
        }
        return query.lastInsertId().toLongLong();
    }

private:
    QString m_name;
    bool m_open = false;
};

const QStringList kTables{
    QStringLiteral("TTip"),     QStringLiteral("TTest"),      QStringLiteral("TTestPoint"),
    QStringLiteral("TTestBuf"), QStringLiteral("TableStend"), QStringLiteral("THand"),
    QStringLiteral("TMeasure"), QStringLiteral("TPositionCH"), QStringLiteral("TResult")};

// One error point as the test reads it: "%I km[L|C] seconds ±limit".
QString pointText(const QSqlRecord &point)
{
    const int lc = point.value(QStringLiteral("PLC")).toInt();
    const QString load = lc == 1 ? QStringLiteral("L") : lc == 2 ? QStringLiteral("C") : QString();
    const int seconds = point.value(QStringLiteral("PTimeM")).toInt() * 60
                        + point.value(QStringLiteral("PTimeS")).toInt();
    return QStringLiteral("%1 %2%3 %4s ±%5")
        .arg(point.value(QStringLiteral("PPersentI")).toDouble())
        .arg(point.value(QStringLiteral("PKM")).toDouble())
        .arg(load)
        .arg(seconds)
        .arg(point.value(QStringLiteral("PMeasureMax")).toDouble());
}

} // namespace

class TestSchema : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();

    void newFile_data();
    void newFile();
    void refusesExistingFile_data();
    void refusesExistingFile();
    void wrongArguments_data();
    void wrongArguments();
    void missingFolder();

    void tables();
    void columns_data();
    void columns();
    void linksAndIndexes();
    void initialRows();

    void demoTypesAndStands();
    void demoTest_data();
    void demoTest();
    void demoPointNumbers();

    void cascadeFromRunToResults();

private:
    QString plainPath() const { return m_dir.filePath(QStringLiteral("plain/TK710DB.db")); }
    QString demoPath() const { return m_dir.filePath(QStringLiteral("demo/TK710DB.db")); }

    QTemporaryDir m_dir;
};

void TestSchema::initTestCase()
{
    QVERIFY(m_dir.isValid());
    for (const QString &path : {plainPath(), demoPath()}) {
        QVERIFY(QDir().mkpath(QFileInfo(path).path()));
        QStringList args{QStringLiteral("init"), path};
        if (path == demoPath())
            args << QStringLiteral("--demo");
        const ToolRun run = runTool(args);
        QVERIFY2(run.exitCode == 0, qPrintable(run.err));
    }
}

// Success prints nothing, and the folder holds the finished file alone (no temporary file,
// no -wal/-shm left behind), already in WAL mode.
void TestSchema::newFile_data()
{
    QTest::addColumn<QStringList>("options");
    QTest::newRow("plain") << QStringList();
    QTest::newRow("demo") << QStringList{QStringLiteral("--demo")};
}

void TestSchema::newFile()
{
    QFETCH(QStringList, options);
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("TK710DB.db"));

    const ToolRun run = runTool(QStringList{QStringLiteral("init"), path} + options);
    QCOMPARE(run.exitCode, 0);
    QCOMPARE(run.out, QString());
    QCOMPARE(run.err, QString());
    QCOMPARE(folderEntries(dir.path()), QStringList{QStringLiteral("TK710DB.db")});

    Connection db(path);
    QVERIFY(db.isOpen());
    QCOMPARE(db.value(QStringLiteral("PRAGMA journal_mode")).toString(), QStringLiteral("wal"));
    QCOMPARE(db.value(QStringLiteral("PRAGMA integrity_check")).toString(), QStringLiteral("ok"));
}

// An existing file is never touched, whether it is a database or anything else, and no
// temporary file is left next to it.
void TestSchema::refusesExistingFile_data()
{
    QTest::addColumn<bool>("database");
    QTest::addColumn<QStringList>("options");
    QTest::newRow("database, plain") << true << QStringList();
    QTest::newRow("database, demo") << true << QStringList{QStringLiteral("--demo")};
    QTest::newRow("other file") << false << QStringList();
}

void TestSchema::refusesExistingFile()
{
    QFETCH(bool, database);
    QFETCH(QStringList, options);
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("TK710DB.db"));
    if (database) {
        QCOMPARE(runTool({QStringLiteral("init"), path}).exitCode, 0);
    } else {
        QFile other(path);
        QVERIFY(other.open(QIODevice::WriteOnly));
        other.write("operator's notes, not a database\n");
    }
    const QByteArray before = fixtures::fileBytes(path);
    QVERIFY(!before.isEmpty());

    const ToolRun run = runTool(QStringList{QStringLiteral("init"), path} + options);
    QCOMPARE(run.exitCode, 1);
    QVERIFY2(run.err.contains(QStringLiteral("already exists")), qPrintable(run.err));
    QVERIFY2(run.err.contains(path), qPrintable(run.err));
    QCOMPARE(fixtures::fileBytes(path), before);
    QCOMPARE(folderEntries(dir.path()), QStringList{QStringLiteral("TK710DB.db")});
}

void TestSchema::wrongArguments_data()
{
    QTest::addColumn<QStringList>("args");
    QTest::newRow("none") << QStringList();
    QTest::newRow("init without file") << QStringList{QStringLiteral("init")};
    QTest::newRow("only --demo") << QStringList{QStringLiteral("init"), QStringLiteral("--demo")};
    QTest::newRow("unknown command") << QStringList{QStringLiteral("create"), QStringLiteral("x.db")};
    QTest::newRow("two files") << QStringList{QStringLiteral("init"), QStringLiteral("x.db"), QStringLiteral("y.db")};
    QTest::newRow("unknown option") << QStringList{QStringLiteral("init"), QStringLiteral("x.db"), QStringLiteral("--force")};
}

void TestSchema::wrongArguments()
{
    QFETCH(QStringList, args);
    QTemporaryDir dir;
    const ToolRun run = runTool(args, dir.path());
    QCOMPARE(run.exitCode, 2);
    QVERIFY2(run.err.startsWith(QStringLiteral("Usage: tk710-db init FILE [--demo]")), qPrintable(run.err));
    QCOMPARE(folderEntries(dir.path()), QStringList());
}

void TestSchema::missingFolder()
{
    QTemporaryDir dir;
    const ToolRun run = runTool({QStringLiteral("init"), dir.filePath(QStringLiteral("no such folder/TK710DB.db"))});
    QCOMPARE(run.exitCode, 1);
    QVERIFY2(run.err.contains(QStringLiteral("Folder does not exist")), qPrintable(run.err));
    QCOMPARE(folderEntries(dir.path()), QStringList());
}

void TestSchema::tables()
{
    QCOMPARE(DatabaseInit::tableNames(), kTables);

    Connection db(plainPath());
    QVERIFY(db.isOpen());
    QStringList present;
    for (const QSqlRecord &row : db.rows(QStringLiteral(
             "SELECT name FROM sqlite_master WHERE type = 'table' AND name <> 'sqlite_sequence' ORDER BY rowid")))
        present << row.value(0).toString();
    QCOMPARE(present, kTables);
}

// Columns in stored order as "Name TYPE"; the first column is the key.
void TestSchema::columns_data()
{
    QTest::addColumn<QString>("table");
    QTest::addColumn<bool>("autoincrement");
    QTest::addColumn<QStringList>("columns");

    QTest::newRow("TTip") << QStringLiteral("TTip") << true << QStringList{
        "PIndex INTEGER", "PTip VARCHAR(20)", "PIdentificator VARCHAR(20)", "PMaker VARCHAR(50)",
        "PClassT DOUBLE", "PUnom DOUBLE", "PInom DOUBLE", "PReductRate DOUBLE",
        "PIdentReductRate TINYINT", "PPhase TINYINT", "PEnergy TINYINT", "PCenaDel DOUBLE",
        "PImax DOUBLE"};

    QTest::newRow("TTest") << QStringLiteral("TTest") << true << QStringList{
        "PIndex INTEGER", "PNameTable VARCHAR(20)", "PDescription VARCHAR(50)",
        "PSensitivityCB BOOLEAN", "PSensitivityU SMALLINT", "PSensitivityI DOUBLE",
        "PSensitivityT SMALLINT", "PSensitivityTSec SMALLINT", "PSensitivityN SMALLINT",
        "PSamochodCB BOOLEAN", "PSamochodU SMALLINT", "PSamochodI DOUBLE",
        "PSamochodT SMALLINT", "PSamochodTSec SMALLINT", "PSamochodN SMALLINT",
        "PCountDeviceCB BOOLEAN", "PEnergyCB BOOLEAN", "PCountDeviceU SMALLINT",
        "PCountDeviceI DOUBLE", "PCountDeviceT SMALLINT", "PCountDeviceTSec SMALLINT",
        "PCountEnergy DOUBLE", "PCountDeviceN SMALLINT",
        "PCountDeviceCB1 BOOLEAN", "PEnergyCB1 BOOLEAN", "PCountDeviceU1 SMALLINT",
        "PCountDeviceI1 DOUBLE", "PCountDeviceT1 SMALLINT", "PCountDeviceTSec1 SMALLINT",
        "PCountEnergy1 DOUBLE", "PCountDeviceN1 SMALLINT"};

    QTest::newRow("TTestPoint") << QStringLiteral("TTestPoint") << true << QStringList{
        "PIndex INTEGER", "PSecIndex INTEGER", "PNumPoint1 INTEGER", "PNumPoint INTEGER",
        "PPersentU INTEGER", "PPersentI DOUBLE", "PKM DOUBLE", "PLC TINYINT", "PTimeM INTEGER",
        "PTimeS INTEGER", "PMeasureMax DOUBLE", "PMeasureMin DOUBLE", "PCountMeasure INTEGER",
        "PInverseTok BOOLEAN", "PStopPoint TINYINT"};

    QTest::newRow("TTestBuf") << QStringLiteral("TTestBuf") << true << QStringList{
        "PIndex INTEGER", "PNumPointBuf INTEGER", "PNumPoint INTEGER", "PNumPoint1 INTEGER",
        "PPersentU INTEGER", "PPersentI DOUBLE", "PKM DOUBLE", "PLC TINYINT", "PTimeM INTEGER",
        "PTimeS INTEGER", "PMeasureMax DOUBLE", "PMeasureMin DOUBLE", "PCountMeasure INTEGER",
        "PMode INTEGER", "PInverseTok BOOLEAN", "PStopPoint TINYINT"};

    QStringList stend{"PNumStend INTEGER", "PPointTip INTEGER", "PChecked BOOLEAN"};
    for (int position = 1; position <= 100; ++position)
        stend << QStringLiteral("PCh%1 BOOLEAN").arg(position);
    QTest::newRow("TableStend") << QStringLiteral("TableStend") << false << stend;

    QTest::newRow("THand") << QStringLiteral("THand") << true << QStringList{
        "PIndex INTEGER", "PVoltage DOUBLE", "PTok DOUBLE", "PPerU DOUBLE", "PPerI DOUBLE",
        "PKM DOUBLE", "PLC TINYINT", "PAngle INTEGER", "PTimeM SMALLINT", "PTimeS SMALLINT",
        "PDop DOUBLE", "PDopMin DOUBLE", "PFreq DOUBLE", "PInversionTok BOOLEAN",
        "PPerUProgon DOUBLE", "PPerIProgon DOUBLE", "PTimeMProgon SMALLINT",
        "PTimeSProgon SMALLINT", "PProgon BOOLEAN"};

    QTest::newRow("TMeasure") << QStringLiteral("TMeasure") << true << QStringList{
        "PIndex INTEGER", "PDate DATETIME", "PPointerTip INTEGER", "PPointerTest INTEGER"};

    QTest::newRow("TPositionCH") << QStringLiteral("TPositionCH") << true << QStringList{
        "PIndex INTEGER", "PSecIndex INTEGER", "PPositionStend INTEGER", "PPositionCh INTEGER",
        "PNumber VARCHAR(15)", "PSensitivity TINYINT", "PSensitivityTimeM INTEGER",
        "PSensitivityTimeS INTEGER", "PSensitivityPersentU INTEGER",
        "PSensitivityPersentI DOUBLE", "PSensitivityNumPoint SMALLINT", "PSamochod TINYINT",
        "PSamochodTimeM INTEGER", "PSamochodTimeS INTEGER", "PSamochodPersentU INTEGER",
        "PSamochodNumPoint SMALLINT", "PCountDevice TINYINT", "PCountDeviceTimeM INTEGER",
        "PCountDeviceTimeS DOUBLE", "PCountDevicePersentU INTEGER",
        "PCountDevicePersentI DOUBLE", "PCountDeviceNumPoint SMALLINT",
        "PCountDeviceEnergy BOOLEAN", "PCountDevice1 TINYINT", "PCountDeviceTimeM1 INTEGER",
        "PCountDeviceTimeS1 DOUBLE", "PCountDevicePersentU1 INTEGER",
        "PCountDevicePersentI1 DOUBLE", "PCountDeviceNumPoint1 SMALLINT",
        "PCountDeviceEnergy1 BOOLEAN", "PTotal TINYINT"};

    QTest::newRow("TResult") << QStringLiteral("TResult") << true << QStringList{
        "PIndex INTEGER", "PSecIndex INTEGER", "PPointNumber INTEGER", "PPersentU INTEGER",
        "PPersentI DOUBLE", "PKM VARCHAR(6)", "PMeasure DOUBLE", "PSKOMeasure DOUBLE",
        "PMeasureMax DOUBLE", "PMeasureMin DOUBLE", "PInverseTok BOOLEAN",
        "PCountMeasure INTEGER", "PTimeM VARCHAR(20)", "PTimeS VARCHAR(20)", "PAngle INTEGER"};
}

void TestSchema::columns()
{
    QFETCH(QString, table);
    QFETCH(bool, autoincrement);
    QFETCH(QStringList, columns);

    Connection db(plainPath());
    QVERIFY(db.isOpen());
    QStringList actual;
    QStringList keys;
    for (const QSqlRecord &column : db.rows(QStringLiteral("PRAGMA table_info(%1)").arg(table))) {
        const QString name = column.value(QStringLiteral("name")).toString();
        actual << name + QLatin1Char(' ') + column.value(QStringLiteral("type")).toString();
        if (column.value(QStringLiteral("pk")).toInt() != 0)
            keys << name;
    }
    QCOMPARE(actual, columns);
    QCOMPARE(keys, QStringList{columns.first().section(QLatin1Char(' '), 0, 0)});
    const QString sql = db.value(QStringLiteral("SELECT sql FROM sqlite_master WHERE name = ?"), {table}).toString();
    QCOMPARE(sql.contains(QStringLiteral("AUTOINCREMENT")), autoincrement);
}

// Only the archive links are enforced, and they cascade; the lookups have their indexes.
void TestSchema::linksAndIndexes()
{
    Connection db(plainPath());
    QVERIFY(db.isOpen());

    QStringList links;
    QSet<QString> indexed;
    for (const QString &table : kTables) {
        for (const QSqlRecord &link : db.rows(QStringLiteral("PRAGMA foreign_key_list(%1)").arg(table)))
            links << QStringLiteral("%1.%2 -> %3.%4 %5")
                         .arg(table, link.value(QStringLiteral("from")).toString(),
                              link.value(QStringLiteral("table")).toString(),
                              link.value(QStringLiteral("to")).toString(),
                              link.value(QStringLiteral("on_delete")).toString());
        for (const QSqlRecord &index : db.rows(QStringLiteral("PRAGMA index_list(%1)").arg(table))) {
            if (index.value(QStringLiteral("origin")).toString() != QLatin1String("c"))
                continue;  // the keys' own indexes
            QStringList columns;
            for (const QSqlRecord &column : db.rows(
                     QStringLiteral("PRAGMA index_info(%1)").arg(index.value(QStringLiteral("name")).toString())))
                columns << column.value(QStringLiteral("name")).toString();
            indexed << QStringLiteral("%1(%2)").arg(table, columns.join(QLatin1Char(',')));
        }
    }
    QCOMPARE(links, (QStringList{"TPositionCH.PSecIndex -> TMeasure.PIndex CASCADE",
                                 "TResult.PSecIndex -> TPositionCH.PIndex CASCADE"}));
    QCOMPARE(indexed, (QSet<QString>{"TTestPoint(PSecIndex)", "TPositionCH(PSecIndex)",
                                     "TResult(PSecIndex)", "TMeasure(PDate)", "TMeasure(PPointerTip)",
                                     "TMeasure(PPointerTest)", "TPositionCH(PNumber)"}));
}

void TestSchema::initialRows()
{
    Connection db(plainPath());
    QVERIFY(db.isOpen());

    const QList<QSqlRecord> stands = db.rows(QStringLiteral("SELECT * FROM TableStend ORDER BY PNumStend"));
    QCOMPARE(stands.size(), 10);
    for (int i = 0; i < stands.size(); ++i) {
        const QSqlRecord &stand = stands[i];
        QCOMPARE(stand.value(QStringLiteral("PNumStend")).toInt(), i + 1);
        QCOMPARE(stand.count(), 103);
        for (int column = 1; column < stand.count(); ++column) {  // PPointTip, PChecked, PCh1..PCh100
            QVERIFY2(!stand.isNull(column) && stand.value(column).toInt() == 0,
                     qPrintable(QStringLiteral("stand %1, %2").arg(i + 1).arg(stand.fieldName(column))));
        }
    }

    const QList<QSqlRecord> hand = db.rows(QStringLiteral("SELECT * FROM THand"));
    QCOMPARE(hand.size(), 1);
    const QList<std::pair<QString, QVariant>> expected{
        {"PVoltage", {}},     {"PTok", {}},           {"PPerU", 100},      {"PPerI", 100},
        {"PKM", 1},           {"PLC", 0},             {"PAngle", {}},      {"PTimeM", 0},
        {"PTimeS", 10},       {"PDop", 1},            {"PDopMin", {}},     {"PFreq", 50},
        {"PInversionTok", 0}, {"PPerUProgon", 100},   {"PPerIProgon", 100}, {"PTimeMProgon", 10},
        {"PTimeSProgon", 0},  {"PProgon", 0}};
    for (const auto &[name, value] : expected) {
        if (value.isValid()) {
            QVERIFY2(!hand[0].isNull(name), qPrintable(name));
            QCOMPARE(hand[0].value(name).toDouble(), value.toDouble());
        } else {
            QVERIFY2(hand[0].isNull(name), qPrintable(name));
        }
    }
    QCOMPARE(db.value(QStringLiteral("SELECT count(*) FROM TTip")).toInt(), 0);
    QCOMPARE(db.value(QStringLiteral("SELECT count(*) FROM TTest")).toInt(), 0);
}

// Demo types are usable single-phase active-energy types, and the stands carry the first.
void TestSchema::demoTypesAndStands()
{
    Connection db(demoPath());
    QVERIFY(db.isOpen());
    const QList<QSqlRecord> types = db.rows(QStringLiteral("SELECT * FROM TTip ORDER BY PIndex"));
    QVERIFY(types.size() >= 3);
    QSet<QString> variants;
    for (const QSqlRecord &type : types) {
        variants << type.value(QStringLiteral("PTip")).toString() + QLatin1Char('/')
                        + type.value(QStringLiteral("PIdentificator")).toString();
        QCOMPARE(type.value(QStringLiteral("PIdentReductRate")).toInt(), 1);
        QCOMPARE(type.value(QStringLiteral("PPhase")).toInt(), 1);
        QCOMPARE(type.value(QStringLiteral("PEnergy")).toInt(), 1);
        QVERIFY(type.value(QStringLiteral("PImax")).toDouble() > type.value(QStringLiteral("PInom")).toDouble());
        QVERIFY(type.value(QStringLiteral("PCenaDel")).toDouble() > 0);
    }
    QCOMPARE(variants.size(), types.size());

    const QList<QSqlRecord> stands = db.rows(QStringLiteral("SELECT DISTINCT PPointTip FROM TableStend"));
    QCOMPARE(stands.size(), 1);
    QCOMPARE(stands[0].value(0), types[0].value(QStringLiteral("PIndex")));

    // One test per accuracy class of the types.
    QCOMPARE(db.value(QStringLiteral("SELECT count(DISTINCT PClassT) FROM TTip")).toInt(),
             db.value(QStringLiteral("SELECT count(*) FROM TTest")).toInt());
}

void TestSchema::demoTest_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QStringList>("points");
    QTest::addColumn<double>("startingPercentI");
    QTest::addColumn<int>("startingSeconds");
    QTest::addColumn<int>("creepMinutes");

    // 5(60) A: Imax is 1200 % Ib. Starting 0.4 % Ib at 3200 imp/kWh, 230 V: one pulse
    // 245 s, 1.2 times that to the next 10 s. Creep 600e6 / (3200 * 230 * 60) = 13.6 min.
    QTest::newRow("class 1") << QStringLiteral("Класс 1")
                             << QStringList{"5 1 60s ±1.5",    "10 1 30s ±1",    "100 1 30s ±1",
                                            "1200 1 30s ±1",   "10 0.5L 30s ±1.5", "100 0.5L 30s ±1",
                                            "10 0.8C 30s ±1.5", "100 0.8C 30s ±1"}
                             << 0.4 << 300 << 14;
    // 10(40) A: Imax is 400 % Ib. Starting 0.5 % Ib at 1600 imp/kWh, 220 V: one pulse
    // 205 s. Creep 480e6 / (1600 * 220 * 40) = 34.1 min.
    QTest::newRow("class 2") << QStringLiteral("Класс 2")
                             << QStringList{"5 1 60s ±2.5",    "10 1 30s ±2",    "100 1 30s ±2",
                                            "400 1 30s ±2",    "10 0.5L 30s ±2.5", "100 0.5L 30s ±2",
                                            "10 0.8C 30s ±2.5", "100 0.8C 30s ±2"}
                             << 0.5 << 250 << 35;
}

void TestSchema::demoTest()
{
    QFETCH(QString, name);
    QFETCH(QStringList, points);
    QFETCH(double, startingPercentI);
    QFETCH(int, startingSeconds);
    QFETCH(int, creepMinutes);

    Connection db(demoPath());
    QVERIFY(db.isOpen());
    const QList<QSqlRecord> tests = db.rows(QStringLiteral("SELECT * FROM TTest WHERE PNameTable = ?"), {name});
    QCOMPARE(tests.size(), 1);
    const QSqlRecord &test = tests[0];
    auto field = [&test](const char *column) { return test.value(QString::fromLatin1(column)); };

    QVERIFY(field("PSensitivityCB").toBool());
    QCOMPARE(field("PSensitivityU").toInt(), 100);
    QCOMPARE(field("PSensitivityI").toDouble(), startingPercentI);
    QCOMPARE(field("PSensitivityT").toInt() * 60 + field("PSensitivityTSec").toInt(), startingSeconds);
    QCOMPARE(field("PSensitivityN").toInt(), 9);

    QVERIFY(field("PSamochodCB").toBool());
    QCOMPARE(field("PSamochodU").toInt(), 115);
    QCOMPARE(field("PSamochodI").toDouble(), 0.0);
    QCOMPARE(field("PSamochodT").toInt() * 60 + field("PSamochodTSec").toInt(), creepMinutes * 60);
    QCOMPARE(field("PSamochodN").toInt(), 10);

    QVERIFY(field("PCountDeviceCB").toBool());
    QVERIFY(field("PEnergyCB").toBool());
    QCOMPARE(field("PCountDeviceU").toInt(), 100);
    QCOMPARE(field("PCountDeviceI").toDouble(), 100.0);
    QCOMPARE(field("PCountEnergy").toDouble(), 0.1);
    QVERIFY(field("PCountDeviceT").toInt() * 60 + field("PCountDeviceTSec").toInt() > 0);
    QCOMPARE(field("PCountDeviceN").toInt(), 11);
    QVERIFY(!field("PCountDeviceCB1").toBool());

    const QList<QSqlRecord> rows = db.rows(
        QStringLiteral("SELECT * FROM TTestPoint WHERE PSecIndex = ? ORDER BY PNumPoint1"), {field("PIndex")});
    QStringList actual;
    for (int i = 0; i < rows.size(); ++i) {
        const QSqlRecord &point = rows[i];
        actual << pointText(point);
        const QString where = QStringLiteral("point %1").arg(i + 1);
        QVERIFY2(point.value(QStringLiteral("PNumPoint1")).toInt() == i + 1, qPrintable(where));
        QVERIFY2(point.value(QStringLiteral("PPersentU")).toInt() == 100, qPrintable(where));
        QVERIFY2(point.value(QStringLiteral("PCountMeasure")).toInt() == 3, qPrintable(where));
        QVERIFY2(point.value(QStringLiteral("PStopPoint")).toInt() == 0, qPrintable(where));
        QVERIFY2(!point.isNull(QStringLiteral("PInverseTok")) && !point.value(QStringLiteral("PInverseTok")).toBool(),
                 qPrintable(where));
        QVERIFY2(point.value(QStringLiteral("PMeasureMin")).toDouble() == -point.value(QStringLiteral("PMeasureMax")).toDouble(),
                 qPrintable(where));
        const bool unity = std::abs(point.value(QStringLiteral("PKM")).toDouble()) == 1.0;
        QVERIFY2((point.value(QStringLiteral("PLC")).toInt() == 0) == unity, qPrintable(where));
    }
    QCOMPARE(actual, points);
}

// PNumPoint runs 1, 2, 3 ... over the whole table.
void TestSchema::demoPointNumbers()
{
    Connection db(demoPath());
    QVERIFY(db.isOpen());
    const QList<QSqlRecord> rows = db.rows(QStringLiteral("SELECT PNumPoint FROM TTestPoint ORDER BY PIndex"));
    QVERIFY(!rows.isEmpty());
    for (int i = 0; i < rows.size(); ++i)
        QCOMPARE(rows[i].value(0).toInt(), i + 1);
}

// Deleting a run removes its positions and their results, and nothing of another run.
void TestSchema::cascadeFromRunToResults()
{
    const fixtures::WorkDir work;
    Connection db(work.databasePath());
    QVERIFY(db.isOpen());
    QVERIFY(db.exec(QStringLiteral("PRAGMA foreign_keys=ON")));

    const QString addRun = QStringLiteral("INSERT INTO TMeasure (PDate, PPointerTip, PPointerTest) VALUES (?, 1, 1)");
    const QString addPosition = QStringLiteral(
        "INSERT INTO TPositionCH (PSecIndex, PPositionStend, PPositionCh, PNumber) VALUES (?, 1, ?, ?)");
    const QString addResult = QStringLiteral("INSERT INTO TResult (PSecIndex, PPointNumber, PMeasure) VALUES (?, ?, 0.1)");
    const qint64 run = db.insert(addRun, {QStringLiteral("2024-03-01T10:00:00")});
    const qint64 other = db.insert(addRun, {QStringLiteral("2024-03-02T10:00:00")});
    QVERIFY(run > 0 && other > 0);
    for (int position = 1; position <= 2; ++position) {
        const qint64 id = db.insert(addPosition, {run, position, QStringLiteral("A%1").arg(position)});
        QVERIFY(id > 0);
        QVERIFY(db.insert(addResult, {id, 1}) > 0);
        QVERIFY(db.insert(addResult, {id, 2}) > 0);
    }
    const qint64 kept = db.insert(addPosition, {other, 1, QStringLiteral("B1")});
    QVERIFY(kept > 0);
    QVERIFY(db.insert(addResult, {kept, 1}) > 0);

    QVERIFY(db.exec(QStringLiteral("DELETE FROM TMeasure WHERE PIndex = ?"), {run}));
    QCOMPARE(db.value(QStringLiteral("SELECT group_concat(PNumber) FROM TPositionCH")).toString(), QStringLiteral("B1"));
    QCOMPARE(db.value(QStringLiteral("SELECT count(*) FROM TResult")).toInt(), 1);
    QCOMPARE(db.value(QStringLiteral("SELECT PSecIndex FROM TResult")).toLongLong(), kept);
}

QTEST_GUILESS_MAIN(TestSchema)
#include "tst_schema.moc"
