// Opening the shared database the programs' way: cascades on, WAL, and write transactions
// that either land whole or leave nothing.
#include "common/Database.h"
#include "tests/fixtures/Fixtures.h"

#include <QSqlQuery>
#include <QTest>

class TstDatabase : public QObject
{
    Q_OBJECT
private slots:
    void openedConnectionCascadesAndIsInWal();
    void writeTransactionLandsWholeOrNotAtAll();
    void dateTimeTextHasOneForm();
    void dateConditionsCompareStoredTexts();
};

namespace {
int count(const QString &connection, const QString &sql)
{
    QSqlQuery q(QSqlDatabase::database(connection));
    return q.exec(sql) && q.next() ? q.value(0).toInt() : -1;
}
} // namespace

void TstDatabase::openedConnectionCascadesAndIsInWal()
{
    fixtures::WorkDir dir;
    QVERIFY(!Database::open(dir.databasePath(), "a"));
    {
        QSqlQuery q(QSqlDatabase::database("a"));
        QVERIFY(q.exec("PRAGMA journal_mode") && q.next());
        QCOMPARE(q.value(0).toString(), QString("wal"));
        QVERIFY(q.exec("INSERT INTO TMeasure (PDate, PPointerTip, PPointerTest) VALUES ('2026-12-11T10:00:00', 1, 1)"));
        const qint64 run = q.lastInsertId().toLongLong();
        QVERIFY(q.exec(QString("INSERT INTO TPositionCH (PSecIndex, PPositionStend, PPositionCh) VALUES (%1, 1, 1)").arg(run)));
        const qint64 position = q.lastInsertId().toLongLong();
        QVERIFY(q.exec(QString("INSERT INTO TResult (PSecIndex, PPointNumber) VALUES (%1, 1)").arg(position)));
        QVERIFY(q.exec(QString("DELETE FROM TMeasure WHERE PIndex = %1").arg(run)));
    }
    QCOMPARE(count("a", "SELECT COUNT(*) FROM TPositionCH"), 0);
    QCOMPARE(count("a", "SELECT COUNT(*) FROM TResult"), 0);
    Database::close("a");
    QVERIFY(!QSqlDatabase::contains("a"));
}

void TstDatabase::writeTransactionLandsWholeOrNotAtAll()
{
    fixtures::WorkDir dir;
    QVERIFY(!Database::open(dir.databasePath(), "writer"));
    QVERIFY(!Database::open(dir.databasePath(), "reader"));
    const QString rows = "SELECT COUNT(*) FROM TTip";
    {
        WriteTransaction t(QSqlDatabase::database("writer"));
        QVERIFY(t.isActive());
        QVERIFY(QSqlQuery(QSqlDatabase::database("writer")).exec("INSERT INTO TTip (PTip) VALUES ('A')"));
        QCOMPARE(count("reader", rows), 0); // not visible before the commit
    } // given up: rolled back
    QCOMPARE(count("writer", rows), 0);
    {
        WriteTransaction t(QSqlDatabase::database("writer"));
        QVERIFY(QSqlQuery(QSqlDatabase::database("writer")).exec("INSERT INTO TTip (PTip) VALUES ('B')"));
        QVERIFY(t.commit());
        QVERIFY(!t.isActive());
    }
    QCOMPARE(count("reader", rows), 1);
    Database::close("writer");
    Database::close("reader");
}

void TstDatabase::dateTimeTextHasOneForm()
{
    const QDateTime local(QDate(2026, 3, 7), QTime(9, 5, 4, 30));
    QCOMPARE(Database::dateTimeText(local), QString("2026-03-07T09:05:04.030"));
    QCOMPARE(Database::dateTimeText(local.toUTC()), QString("2026-03-07T09:05:04.030")); // stored as local time
    QVERIFY(Database::dateTimeText(QDateTime()).isNull());
    QCOMPARE(Database::parseDateTimeText("2026-03-07T09:05:04.030"), std::optional<QDateTime>(local));
    for (const char *other : {"2026-03-07T09:05:04", "2026-03-07 09:05:04.030", "2026-3-07T09:05:04.030",
                              "2026-03-07T09:05:04.030Z", "07.03.2026 09:05:04", "2026-02-30T09:05:04.030", ""})
        QVERIFY2(!Database::parseDateTimeText(other), other);
}

void TstDatabase::dateConditionsCompareStoredTexts()
{
    fixtures::WorkDir dir;
    QVERIFY(!Database::open(dir.databasePath(), "a"));
    {
        QSqlQuery q(QSqlDatabase::database("a"));
        const QDateTime morning(QDate(2026, 12, 11), QTime(9, 59, 59, 999));
        QVERIFY(q.prepare("INSERT INTO TMeasure (PDate, PPointerTip, PPointerTest) VALUES (?, 1, 1)"));
        for (const QDateTime &when : {morning, morning.addMSecs(1), morning.addDays(1)}) {
            q.addBindValue(Database::dateTimeText(when));
            QVERIFY(q.exec());
        }
        // "From 10:00 on that day": the text condition picks the runs by time.
        QVERIFY(q.prepare("SELECT COUNT(*) FROM TMeasure WHERE PDate >= ? AND PDate < ?"));
        q.addBindValue(Database::dateTimeText(QDateTime(QDate(2026, 12, 11), QTime(10, 0))));
        q.addBindValue(Database::dateTimeText(QDateTime(QDate(2026, 12, 12), QTime(0, 0))));
        QVERIFY(q.exec() && q.next());
        QCOMPARE(q.value(0).toInt(), 1);
    }
    Database::close("a");
}

QTEST_GUILESS_MAIN(TstDatabase)
#include "tst_database.moc"
