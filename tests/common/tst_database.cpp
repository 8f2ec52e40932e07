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

QTEST_GUILESS_MAIN(TstDatabase)
#include "tst_database.moc"
