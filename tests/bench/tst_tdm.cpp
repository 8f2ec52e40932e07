// The controller's data module on a real database made by the init command: the opening
// sequence and its fatal message, the type filter and the stand grid's lookups, the computed
// columns of the step list, the probe's stand marks, and rows re-read after posting.
#include "bench/data/TDM.h"
#include "common/Database.h"
#include "tests/fixtures/Fixtures.h"

#include <QDateTime>
#include <QSignalSpy>
#include <QSqlError>
#include <QSqlQuery>
#include <QTest>

#include <cmath>
#include <functional>
#include <iterator>
#include <memory>

using namespace bench;

namespace {

const QString Energy = QStringLiteral("Энергия, кВт*ч");

/// A demo database, opened as the program opens it, with the data module over it.
/// `prepare` runs on the connection before the module is made.
struct Module
{
    fixtures::WorkDir dir{true, true};
    QString connection = QStringLiteral("tdm%1").arg(++counter);
    std::unique_ptr<TDM> dm;

    explicit Module(const std::function<void(Module &)> &prepare = {})
    {
        if (const auto failure = Database::open(dir.databasePath(), connection))
            qFatal("database not opened: %s", qPrintable(*failure));
        if (prepare)
            prepare(*this);
        dm = std::make_unique<TDM>(connection);
    }
    ~Module()
    {
        dm.reset();
        Database::close(connection);
    }
    void exec(const QString &sql, const QVariantList &values = {}) const
    {
        QSqlQuery q(QSqlDatabase::database(connection));
        q.prepare(sql);
        for (const QVariant &v : values)
            q.addBindValue(v);
        if (!q.exec())
            qFatal("%s: %s", qPrintable(sql), qPrintable(q.lastError().text()));
    }
    QVariant scalar(const QString &sql) const
    {
        QSqlQuery q(QSqlDatabase::database(connection));
        return q.exec(sql) && q.next() ? q.value(0) : QVariant();
    }
    TDM &create()
    {
        const QString failure = dm->DataModuleCreate();
        if (!failure.isEmpty())
            qFatal("data module not opened: %s", qPrintable(failure));
        return *dm;
    }
    static inline int counter = 0;
};

QStringList types(const QueryDataSet &set)
{
    QStringList out;
    for (int r = 0; r < set.rowCount(); ++r)
        out << set.value(r, "PTip").toString() + ' ' + set.value(r, "PIdentificator").toString();
    return out;
}

QList<int> gridStands(const TDM &dm)
{
    QList<int> out;
    for (int r = 0; r < dm.ADOTableStend->rowCount(); ++r)
        out << dm.ADOTableStend->value(r, "PNumStend").toInt();
    return out;
}

QString lookups(const TDM &dm, int stand)
{
    const int row = dm.ADOTableStend->find("PNumStend", stand);
    return QStringList{fieldText(dm.ADOTableStend->value(row, "PNameTip")),
                       fieldText(dm.ADOTableStend->value(row, "PNameIdent")),
                       fieldText(dm.ADOTableStend->value(row, "PReduct"))}
        .join('|');
}

QList<int> checkedInDatabase(const Module &m)
{
    QSqlQuery q(QSqlDatabase::database(m.connection));
    q.exec("SELECT PNumStend FROM TableStend WHERE PChecked = TRUE ORDER BY PNumStend");
    QList<int> out;
    while (q.next())
        out << q.value(0).toInt();
    return out;
}

} // namespace

class TstTdm : public QObject
{
    Q_OBJECT

private slots:
    void opensDemoDatabase()
    {
        Module m;
        TDM &dm = m.create();
        QCOMPARE(types(*dm.ADOTipF), (QStringList{"СЭБ-2 01", "СЭО-101 01", "СЭО-101 02"}));
        QCOMPARE(types(*dm.ADOTipStend1), types(*dm.ADOTipF));
        QCOMPARE(dm.ADOTest1->rowCount(), 2);
        QCOMPARE(dm.ADOHand->rowCount(), 1);
        QCOMPARE(dm.ADOTableStend->rowCount(), 0); // no stand probed yet
        QVERIFY(!dm.ADOTestBuf->isOpen());
        QVERIFY(!dm.ADOMeasure->isOpen());

        const auto title = [&](const char *field) {
            return dm.ADOTableStend->headerData(dm.ADOTableStend->column(field), Qt::Horizontal).toString();
        };
        QCOMPARE(title("PNumStend"), "№ Стенда");
        QCOMPARE(title("PNameTip"), "Тип счетчика");
        QCOMPARE(title("PNameIdent"), "Идентификатор счетчика");
        QCOMPARE(title("PReduct"), "Пост.сч.");
        QCOMPARE(title("PCh1"), "№1");
        QCOMPARE(title("PCh100"), "№100");

        dm.DataModuleDestroy();
        QVERIFY(!dm.ADOTipStend1->isOpen() && !dm.ADOTipF->isOpen() && !dm.ADOTest1->isOpen());
        QVERIFY(!dm.ADOTableStend->isOpen() && !dm.ADOHand->isOpen());
        QCOMPARE(dm.ADOTableStend->columnCount(), 0);
    }

    void missingTableStopsOpening_data()
    {
        QTest::addColumn<QString>("table");
        QTest::addColumn<int>("opened"); // datasets of the sequence opened before the failure
        QTest::newRow("types") << "TTip" << 0;
        QTest::newRow("stands") << "TableStend" << 2;
        QTest::newRow("tests") << "TTest" << 3;
        QTest::newRow("manual record") << "THand" << 4;
    }
    void missingTableStopsOpening()
    {
        QFETCH(QString, table);
        QFETCH(int, opened);
        Module m([&](Module &mm) { mm.exec("DROP TABLE " + table); });
        QCOMPARE(m.dm->DataModuleCreate(), "no such table: " + table);
        const QList<bool> open{m.dm->ADOTipStend1->isOpen(), m.dm->ADOTipF->isOpen(), m.dm->ADOTableStend->isOpen(),
                               m.dm->ADOTest1->isOpen(), m.dm->ADOHand->isOpen()};
        for (int i = 0; i < open.size(); ++i)
            QCOMPARE(open[i], i < opened);
    }

    void typeFilter_data()
    {
        QTest::addColumn<int>("filterType"); // PIndex of the filter type; 0: a row out of range
        QTest::addColumn<QStringList>("list");
        QTest::addColumn<QString>("stand1");
        QTest::addColumn<QString>("stand2");
        QTest::newRow("230 V 5 A") << 1 << QStringList{"СЭО-101 01", "СЭО-101 02"} << "СЭО-101|01|3200" << "||";
        QTest::newRow("220 V 10 A") << 3 << QStringList{"СЭБ-2 01"} << "||" << "СЭБ-2|01|1600";
        // Its Unom prints as "230" with 15 digits; as a number it is not 230.
        QTest::newRow("exact rating") << 4 << QStringList{"СЭО-101 03"} << "||" << "||";
        QTest::newRow("out of range") << 0 << QStringList{} << "||" << "||";
    }
    void typeFilter()
    {
        QFETCH(int, filterType);
        QFETCH(QStringList, list);
        QFETCH(QString, stand1);
        QFETCH(QString, stand2);
        Module m([](Module &mm) {
            mm.exec("INSERT INTO TTip (PTip, PIdentificator, PUnom, PInom, PReductRate) VALUES ('СЭО-101', '03', ?, 5, 800)",
                    {std::nextafter(230.0, 300.0)});
            mm.exec("UPDATE TableStend SET PPointTip = 3 WHERE PNumStend = 2");
        });
        TDM &dm = m.create();
        QCOMPARE(dm.markPresentStands({1, 2}), QString());
        QCOMPARE(lookups(dm, 1), "СЭО-101|01|3200"); // before any filter: every type

        const int row = filterType ? dm.ADOTipF->find("PIndex", filterType) : dm.ADOTipF->rowCount();
        QCOMPARE(dm.ApplyTypeFilter(row), QString());
        QCOMPARE(types(*dm.ADOTipStend1), list);
        QCOMPARE(gridStands(dm), (QList<int>{1, 2})); // a stand without a listed type still shows
        QCOMPARE(lookups(dm, 1), stand1);
        QCOMPARE(lookups(dm, 2), stand2);
    }

    void stepAngles()
    {
        struct Case
        {
            double km;
            int plc;
            double angle; // NaN: none
        };
        const Case cases[] = {{0.5, 1, 60}, {0.5, 2, 300}, {-0.5, 1, 240}, {-0.5, 2, 120},
                              {1, 0, 0},    {1, 2, 0},     {-1, 0, 180},  {0.5, 0, NAN}};
        Module m([&](Module &mm) {
            for (const Case &c : cases)
                mm.exec("INSERT INTO TTestBuf (PKM, PLC, PMode) VALUES (?, ?, 0)", {c.km, c.plc});
        });
        TDM &dm = m.create();
        QCOMPARE(dm.openTestBuf(), QString());
        QCOMPARE(dm.ADOTestBuf->rowCount(), int(std::size(cases)));
        for (int r = 0; r < dm.ADOTestBuf->rowCount(); ++r) {
            const QVariant angle = dm.ADOTestBuf->value(r, "PAngle");
            const Case &c = cases[r];
            if (std::isnan(c.angle)) {
                QVERIFY2(angle.isNull(), qPrintable(QString("km %1 plc %2").arg(c.km).arg(c.plc)));
            } else {
                QVERIFY2(std::abs(angle.toDouble() - c.angle) < 1e-9,
                         qPrintable(QString("km %1 plc %2: %3").arg(c.km).arg(c.plc).arg(angle.toDouble())));
            }
        }
    }

    void stepSourceValues()
    {
        Module m([](Module &mm) { mm.exec("INSERT INTO TTestBuf (PPersentU, PPersentI, PMode) VALUES (50, 10, 0)"); });
        TDM &dm = m.create();
        QCOMPARE(dm.openTestBuf(), QString());
        QCOMPARE(dm.ApplyTypeFilter(dm.ADOTipF->find("PIndex", 1)), QString()); // 230 V, 5 A
        QCOMPARE(dm.ADOTestBuf->value(0, "PU").toDouble(), 115.0);
        QCOMPARE(dm.ADOTestBuf->value(0, "PI").toDouble(), 0.5);

        QSignalSpy repaint(dm.ADOTestBuf, &QAbstractItemModel::dataChanged);
        QCOMPARE(dm.ApplyTypeFilter(-1), QString()); // empty list
        QCOMPARE(dm.ADOTestBuf->value(0, "PU").toDouble(), 0.0);
        QCOMPARE(dm.ADOTestBuf->value(0, "PI").toDouble(), 0.0);
        QVERIFY(!repaint.isEmpty());
    }

    void registerStepTimes()
    {
        Module m([](Module &mm) {
            // Test 1 ends both register steps by energy, test 2 neither.
            mm.exec("UPDATE TTest SET PEnergyCB = TRUE, PCountEnergy = 0.1, PEnergyCB1 = TRUE, PCountEnergy1 = 0.25 WHERE PIndex = 1");
            mm.exec("UPDATE TTest SET PEnergyCB = FALSE, PEnergyCB1 = FALSE WHERE PIndex = 2");
            mm.exec("INSERT INTO TTestBuf (PMode, PTimeM, PTimeS) VALUES (3, 2, 30), (4, 3, 5), (0, 0, 30)");
        });
        TDM &dm = m.create();
        QCOMPARE(dm.openTestBuf(), QString());
        const auto times = [&](int row) {
            return dm.ADOTestBuf->value(row, "PTimeMEnergy").toString() + " / " +
                   dm.ADOTestBuf->value(row, "PTimeSEnergy").toString();
        };
        QCOMPARE(dm.currentTest(), 0); // the first test after opening
        QCOMPARE(times(0), Energy + " / 0.1");
        QCOMPARE(times(1), Energy + " / 0.25");
        QCOMPARE(times(2), "0 / 30");

        dm.setCurrentTest(dm.ADOTest1->find("PIndex", 2));
        QCOMPARE(times(0), "2 / 30");
        QCOMPARE(times(1), "3 / 5");
        QCOMPARE(times(2), "0 / 30");
    }

    void presentStands()
    {
        Module m;
        TDM &dm = m.create();
        QCOMPARE(dm.markPresentStands({3, 1}), QString());
        QCOMPARE(gridStands(dm), (QList<int>{1, 3}));
        QCOMPARE(dm.markPresentStands({2}), QString());
        QCOMPARE(gridStands(dm), QList<int>{2});
        QCOMPARE(checkedInDatabase(m), QList<int>{2});

        // A failure half-way leaves the marks of the last probe, not a mix.
        m.exec("CREATE TRIGGER refuse3 BEFORE UPDATE OF PChecked ON TableStend WHEN NEW.PNumStend = 3 AND NEW.PChecked "
               "BEGIN SELECT RAISE(ABORT, 'stand 3 refused'); END");
        QCOMPARE(dm.markPresentStands({1, 3}), "stand 3 refused");
        QCOMPARE(checkedInDatabase(m), QList<int>{2});
        QCOMPARE(gridStands(dm), QList<int>{2});
    }

    void postedStandRowIsReRead()
    {
        Module m;
        TDM &dm = m.create();
        QCOMPARE(dm.markPresentStands({1, 2}), QString());
        TableDataSet &grid = *dm.ADOTableStend;
        const QModelIndex ch2 = grid.index(0, grid.column("PCh2"));
        QVERIFY(grid.flags(ch2) & Qt::ItemIsUserCheckable);
        QVERIFY(grid.setData(ch2, Qt::Checked, Qt::CheckStateRole));

        // Meanwhile the row changes in the database; posting shows the row as stored.
        const QString other = m.connection + "-other";
        QVERIFY(!Database::open(m.dir.databasePath(), other));
        QVERIFY(QSqlQuery(QSqlDatabase::database(other)).exec("UPDATE TableStend SET PPointTip = 3 WHERE PNumStend = 1"));
        Database::close(other);
        QCOMPARE(grid.value(0, "PPointTip").toInt(), 1);
        QCOMPARE(grid.post(), QString());
        QCOMPARE(grid.data(ch2, Qt::CheckStateRole).toInt(), int(Qt::Checked));
        QCOMPARE(grid.value(0, "PPointTip").toInt(), 3);
        QCOMPARE(lookups(dm, 1), "СЭБ-2|01|1600");
        QCOMPARE(m.scalar("SELECT PCh2 FROM TableStend WHERE PNumStend = 1").toInt(), 1);

        // Editing another stand posts the pending one, as moving off a row does.
        QVERIFY(grid.setValue(0, "PCh3", true));
        QVERIFY(grid.setValue(1, "PCh1", true));
        QCOMPARE(m.scalar("SELECT PCh3 FROM TableStend WHERE PNumStend = 1").toInt(), 1);

        // The type is chosen from the filtered list only; stands are never added.
        QVERIFY(grid.setData(grid.index(1, grid.column("PNameTip")), 2));
        QCOMPARE(grid.value(1, "PPointTip").toInt(), 2);
        QVERIFY(!grid.setData(grid.index(1, grid.column("PNameTip")), 99));
        QVERIFY(!(grid.flags(grid.index(0, grid.column("PNumStend"))) & Qt::ItemIsEditable));
        QVERIFY(!grid.insertRows(grid.rowCount(), 1));
        QVERIFY(!grid.removeRows(0, 1));
    }

    void appendedArchiveRowsShowTheirKeys()
    {
        Module m([](Module &mm) {
            mm.exec("INSERT INTO TMeasure (PDate, PPointerTip, PPointerTest) VALUES ('2024-01-01T10:00:00', 1, 1)");
            mm.exec("CREATE TRIGGER refuseResult BEFORE INSERT ON TResult WHEN NEW.PMeasure > 100 "
                    "BEGIN SELECT RAISE(ABORT, 'result refused'); END");
        });
        TDM &dm = m.create();
        QCOMPARE(dm.openArchive(), QString());
        QCOMPARE(dm.ADOMeasure->rowCount(), 1);

        int run = -1;
        QCOMPARE(dm.ADOMeasure->append({{"PDate", QDateTime(QDate(2024, 5, 6), QTime(12, 0))}, {"PPointerTip", 1}, {"PPointerTest", 2}}, &run),
                 QString());
        QCOMPARE(dm.ADOMeasure->currentRow(), run);
        QCOMPARE(dm.ADOMeasure->value(run, "PIndex").toLongLong(), m.scalar("SELECT MAX(PIndex) FROM TMeasure").toLongLong());
        QCOMPARE(dm.ADOMeasure->value(run, "PIndex").toInt(), 2);
        QCOMPARE(dm.ADOPositionCH->rowCount(), 0); // the new run has no positions yet

        int position = -1;
        QCOMPARE(dm.ADOPositionCH->append({{"PPositionStend", 1}, {"PPositionCh", 5}, {"PNumber", "A-17"}}, &position), QString());
        const qint64 positionId = dm.ADOPositionCH->value(position, "PIndex").toLongLong();
        QCOMPARE(positionId, m.scalar("SELECT MAX(PIndex) FROM TPositionCH").toLongLong());
        QCOMPARE(dm.ADOPositionCH->value(position, "PSecIndex").toInt(), 2);

        int result = -1;
        QCOMPARE(dm.ADOResult->append({{"PPointNumber", 1}, {"PMeasure", 0.125}}, &result), QString());
        QCOMPARE(dm.ADOResult->value(result, "PSecIndex").toLongLong(), positionId);
        QVERIFY(!dm.ADOResult->value(result, "PIndex").isNull());

        // A refused row is reported and leaves neither a database row nor a model row.
        QCOMPARE(dm.ADOResult->append({{"PPointNumber", 2}, {"PMeasure", 500.0}}), "result refused");
        QCOMPARE(dm.ADOResult->rowCount(), 1);
        QCOMPARE(m.scalar("SELECT COUNT(*) FROM TResult").toInt(), 1);
    }
};

QTEST_GUILESS_MAIN(TstTdm)
#include "tst_tdm.moc"
