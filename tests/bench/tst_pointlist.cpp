// The run window's preparation: the stand map, the point list TTestBuf with
// its special tests and warm-up in run order, the two result grids' layouts and widths, the
// buffers and their resets, the window's controls and its close.
#include "bench/data/TDM.h"
#include "bench/run/KorColorStringGrid.h"
#include "bench/run/TFTest.h"
#include "bench/shell/MainDialogs.h"
#include "bench/shell/TFMain.h"
#include "common/DatabaseInit.h"
#include "tests/fixtures/ControllerData.h"
#include "tests/fixtures/ControllerWindow.h"
#include "tests/fixtures/FakeSerialLine.h"
#include "tests/fixtures/Fixtures.h"
#include "tests/fixtures/ScriptedPrompts.h"
#include "tests/fixtures/VirtualScheduler.h"

#include <QAction>
#include <QGroupBox>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QSignalSpy>
#include <QSpinBox>
#include <QSqlQuery>
#include <QTableView>
#include <QTest>
#include <QToolButton>

using namespace bench;

namespace {

/// One error point of a test: its typed number and what it asks.
struct Point
{
    int number;
    double percentI = 100;
    double km = 1;
    int lc = 0;
    int percentU = 100;
};

/// A special test of a test definition, ticked.
struct Special
{
    const char *stem; ///< "PSensitivity", "PSamochod", "PCountDevice", "PCountDevice…1"
    int number;
    int percentU = 100;
    double percentI = 0.4;
    int minutes = 1;
    int seconds = 30;
};

/// A main window on fake lines and virtual time over a fresh demo database, with its run
/// window; test definitions are added to the database as each test needs them.
struct Bench : fixtures::ControllerWindow
{
    Bench() : ControllerWindow(QStringLiteral("pointlist"))
    {
        open();
        // The stands carry the demo's first type: 230 V, 5 A, Imax 60 A.
        const int filter = dm->ADOTipF->find(QStringLiteral("PTip"), QStringLiteral("СЭО-101"));
        Q_ASSERT(filter >= 0);
        dm->ApplyTypeFilter(filter);
    }
    TFTest &run() { return *main->runWindow; }
    QSqlDatabase db() { return dm->database(); }

    void present(std::initializer_list<int> stands)
    {
        for (TStend &s : main->Stands)
            s.Present = false;
        for (int n : stands)
            main->Stands[std::size_t(n)].Present = true;
        run().MapStands();
    }
    void positions(int countCH) { main->sfConfigStend->SECountCh->setValue(countCH); }

    /// A new test with `points` and the ticked `specials`; it becomes the chosen test.
    qint64 chooseTest(const QList<Point> &points, const QList<Special> &specials = {})
    {
        QSqlDatabase d = db();
        DatabaseInit::Fields test{{QStringLiteral("PNameTable"), QStringLiteral("Проба")}};
        for (const Special &s : specials) {
            const QString stem = QString::fromLatin1(s.stem);
            const bool second = stem.endsWith(QLatin1Char('1'));
            const QString base = second ? stem.chopped(1) : stem;
            const QString tail = second ? QStringLiteral("1") : QString();
            test << std::pair{base + "CB" + tail, QVariant(true)} << std::pair{base + "N" + tail, QVariant(s.number)}
                 << std::pair{base + "U" + tail, QVariant(s.percentU)} << std::pair{base + "I" + tail, QVariant(s.percentI)}
                 << std::pair{base + "T" + tail, QVariant(s.minutes)} << std::pair{base + "TSec" + tail, QVariant(s.seconds)};
        }
        qint64 id = 0;
        const QString e = DatabaseInit::insertRow(d, QStringLiteral("TTest"), test, &id);
        Q_ASSERT_X(e.isEmpty(), "chooseTest", qPrintable(e));
        int sequence = 1000;
        for (const Point &p : points) {
            const QString pe = DatabaseInit::insertRow(
                d, QStringLiteral("TTestPoint"),
                {{QStringLiteral("PSecIndex"), id},
                 {QStringLiteral("PNumPoint1"), p.number},
                 {QStringLiteral("PNumPoint"), ++sequence},
                 {QStringLiteral("PPersentU"), p.percentU},
                 {QStringLiteral("PPersentI"), p.percentI},
                 {QStringLiteral("PKM"), p.km},
                 {QStringLiteral("PLC"), p.lc},
                 {QStringLiteral("PTimeM"), 0},
                 {QStringLiteral("PTimeS"), 30},
                 {QStringLiteral("PMeasureMax"), 1.0},
                 {QStringLiteral("PMeasureMin"), -1.0},
                 {QStringLiteral("PCountMeasure"), 3},
                 {QStringLiteral("PInverseTok"), false},
                 {QStringLiteral("PStopPoint"), 0}});
            Q_ASSERT_X(pe.isEmpty(), "chooseTest", qPrintable(pe));
        }
        dm->ADOTest1->open(QStringLiteral("SELECT * FROM TTest ORDER BY PIndex"));
        dm->setCurrentTest(dm->ADOTest1->find(QStringLiteral("PIndex"), id));
        return id;
    }

    void warmUp(bool on, int minutes = 10, int seconds = 0, double percentU = 100, double percentI = 100)
    {
        TableDataSet *hand = dm->ADOHand;
        const int row = hand->currentRow();
        QVERIFY(hand->setValue(row, QStringLiteral("PProgon"), on));
        QVERIFY(hand->setValue(row, QStringLiteral("PTimeMProgon"), minutes));
        QVERIFY(hand->setValue(row, QStringLiteral("PTimeSProgon"), seconds));
        QVERIFY(hand->setValue(row, QStringLiteral("PPerUProgon"), percentU));
        QVERIFY(hand->setValue(row, QStringLiteral("PPerIProgon"), percentI));
        QCOMPARE(hand->post(), QString());
    }

    /// What the main window's mode action does after its checks.
    void openMode(int mode)
    {
        main->Mode = mode;
        TFTest &t = run();
        t.MapStands();
        switch (mode) {
        case 1: t.SetupAdjustment(); break;
        case 2: t.SetupVerification(); break;
        case 3: t.SetupManual(); break;
        default: t.SetupSourceControl(); return;
        }
        t.LayoutTestGrid();
        if (mode != 3)
            t.LayoutViewGrid();
    }

    /// The list as the run goes: PNumPoint1, PMode and PNumPointBuf of each row in order.
    QList<QList<int>> steps()
    {
        const TableDataSet *buf = dm->ADOTestBuf;
        QList<QList<int>> out;
        for (int r = 0; r < buf->rowCount(); ++r)
            out << QList<int>{buf->value(r, QStringLiteral("PNumPoint1")).toInt(),
                              buf->value(r, QStringLiteral("PMode")).toInt(),
                              buf->value(r, QStringLiteral("PNumPointBuf")).toInt()};
        return out;
    }
    int storedRows()
    {
        QSqlQuery q(db());
        q.exec(QStringLiteral("SELECT COUNT(*) FROM TTestBuf"));
        q.next();
        return q.value(0).toInt();
    }
    QStringList rowHeaders(const TKorColorStringGrid &g) const
    {
        QStringList out;
        for (int r = 0; r < g.RowCount(); ++r)
            out << g.Cells(0, r);
        return out;
    }
    QStringList columnHeaders(const TKorColorStringGrid &g) const
    {
        QStringList out;
        for (int c = 0; c < g.ColCount(); ++c)
            out << g.Cells(c, 0);
        return out;
    }
};

const QList<Point> ThreePoints{{1, 5}, {2, 100, 0.5, 1}, {3, 100, 0.8, 2}};

} // namespace

class TstPointList : public QObject
{
    Q_OBJECT
private slots:
    void standsOneAndThreePresent();
    void verificationWithWarmUpAndThreePoints();
    void adjustmentHasNoWarmUpRow();
    void warmUpIsOnlyForVerificationWhenTicked();
    void specialTestsNumberedBetweenThePoints();
    void warmUpReadingsRounded_data();
    void warmUpReadingsRounded();
    void pointGridWidths_data();
    void pointGridWidths();
    void overviewGridWidths_data();
    void overviewGridWidths();
    void currentTooHigh();
    void failedRebuildKeepsTheWholeListBefore();
    void resetPointLeavesOtherPointsAlone();
    void resetAllResultsAndClearingTheGrids();
    void pointListGridColumns();
    void runContextOnTheRealGridsAndPointList();
    void modeSetUpPanels();
    void windowControlsAndActions();
    void closeEndsTheRunContext();
};

void TstPointList::standsOneAndThreePresent()
{
    Bench b;
    b.chooseTest(ThreePoints);
    b.present({1, 3});
    TFTest &t = b.run();
    QCOMPARE(t.StandRow[1], 1);
    QCOMPARE(t.StandRow[2], 0);
    QCOMPARE(t.StandRow[3], 2);
    QCOMPARE(t.RowStand[1], 1);
    QCOMPARE(t.RowStand[2], 3);
    QCOMPARE(t.RowStand[3], 0);

    b.openMode(2);
    const TKorColorStringGrid &g = *t.GridTest;
    QCOMPARE(g.ColCount(), 7);
    QCOMPARE(g.RowCount(), 3);
    QCOMPARE(g.FixedRows(), 1);
    QCOMPARE(g.FixedCols(), 1);
    QCOMPARE(b.rowHeaders(g), (QStringList{"", "Стенд №1", "Стенд №3"}));
    QCOMPARE(b.columnHeaders(g), (QStringList{"", "Сч №1", "Сч №2", "Сч №3", "Сч №4", "Сч №5", "Сч №6"}));
    QCOMPARE(g.columnWidth(0), 100);
    QCOMPARE(g.rowHeight(1), 45);

    // A result of stand 3 lands in row 2 of the point grid and in stand 3's columns of the
    // overview.
    QCOMPARE(t.standRow(3), 2);
    t.setTestCell(4, t.standRow(3), QStringLiteral("0.125"), CellLightRed);
    QCOMPARE(g.Cells(4, 2), QStringLiteral("0.125"));
    QCOMPARE(g.cellLook(4, 2).brush, CellLightRed);

    const TKorColorStringGrid &v = *t.GridView;
    QCOMPARE(v.ColCount(), 13);
    QCOMPARE(b.columnHeaders(v), (QStringList{"", "1/1", "1/2", "1/3", "1/4", "1/5", "1/6",
                                              "3/1", "3/2", "3/3", "3/4", "3/5", "3/6"}));
    QCOMPARE(v.FixedCols(), 1);
    QCOMPARE(v.FixedRows(), 1);

    // No stand present: no fixed row, no meter columns.
    b.present({});
    t.LayoutTestGrid();
    t.LayoutViewGrid();
    QCOMPARE(g.RowCount(), 1);
    QCOMPARE(g.FixedRows(), 0);
    QCOMPARE(v.ColCount(), 1);
    QCOMPARE(v.FixedRows(), 0);
}

void TstPointList::verificationWithWarmUpAndThreePoints()
{
    Bench b;
    b.chooseTest(ThreePoints);
    b.warmUp(true, 10, 0, 90, 120);
    b.present({1, 2});
    b.openMode(2);
    TFTest &t = b.run();

    QCOMPARE(b.steps(), (QList<QList<int>>{{0, 5, 0}, {1, 0, 1}, {2, 0, 2}, {3, 0, 3}}));
    QCOMPARE(b.storedRows(), 4);
    const TableDataSet *buf = b.dm->ADOTestBuf;
    QCOMPARE(buf->currentRow(), 0); // the run starts at the warm-up
    QCOMPARE(buf->value(0, "PPersentU").toInt(), 90);
    QCOMPARE(buf->value(0, "PPersentI").toDouble(), 120.0);
    QCOMPARE(buf->value(0, "PCountMeasure").toInt(), 120);
    QCOMPARE(buf->value(0, "PTimeM").toInt(), 0);
    QCOMPARE(buf->value(0, "PTimeS").toInt(), 5);
    QCOMPARE(buf->value(0, "PKM").toDouble(), 1.0);
    QCOMPARE(buf->value(0, "PInverseTok").toBool(), false);
    QVERIFY(buf->value(0, "PNumPointBuf").isNull());
    // The error points copied column by column.
    QCOMPARE(buf->value(2, "PKM").toDouble(), 0.5);
    QCOMPARE(buf->value(2, "PLC").toInt(), 1);
    QCOMPARE(buf->value(2, "PMeasureMin").toDouble(), -1.0);
    QCOMPARE(buf->value(2, "PCountMeasure").toInt(), 3);
    QCOMPARE(buf->value(2, "PNumPoint").toInt(), 1002);
    QCOMPARE(buf->value(2, "PU").toDouble(), 230.0);
    QCOMPARE(buf->value(1, "PI").toDouble(), 0.25);
    QCOMPARE(buf->value(2, "PAngle").toDouble(), 60.0);

    QCOMPARE(b.main->Results.size(), std::size_t(5));
    QCOMPARE(t.PointHasData.size(), std::size_t(5));
    // Three point rows, none for the warm-up.
    const TKorColorStringGrid &v = *t.GridView;
    QCOMPARE(v.RowCount(), 4);
    QCOMPARE(b.rowHeaders(v), (QStringList{"", "1п 100/5/1", "2п 100/100/0.5L", "3п 100/100/0.8C"}));
    QCOMPARE(v.rowHeight(1), 30);
    QCOMPARE(v.columnWidth(0), 100);
    QVERIFY(b.prompts.shown().isEmpty());
}

void TstPointList::adjustmentHasNoWarmUpRow()
{
    Bench b;
    b.chooseTest(ThreePoints);
    b.warmUp(true);
    b.present({1});
    b.openMode(1);
    QCOMPARE(b.steps(), (QList<QList<int>>{{1, 0, 1}, {2, 0, 2}, {3, 0, 3}}));
    QCOMPARE(b.main->Results.size(), std::size_t(4));
    QCOMPARE(b.run().GridView->RowCount(), 4);
    QCOMPARE(b.rowHeaders(*b.run().GridView), (QStringList{"", "1п 100/5/1", "2п 100/100/0.5L", "3п 100/100/0.8C"}));
}

void TstPointList::warmUpIsOnlyForVerificationWhenTicked()
{
    Bench b;
    b.chooseTest(ThreePoints);
    b.warmUp(false);
    b.present({1});
    b.openMode(2);
    QCOMPARE(b.steps(), (QList<QList<int>>{{1, 0, 1}, {2, 0, 2}, {3, 0, 3}}));
    QCOMPARE(b.run().GridView->RowCount(), 4);
    // Opening again rebuilds the list: nothing of the last one stays behind.
    b.warmUp(true);
    b.openMode(2);
    QCOMPARE(b.storedRows(), 4);
    b.openMode(2);
    QCOMPARE(b.storedRows(), 4);
    QCOMPARE(b.run().GridView->RowCount(), 4);
}

void TstPointList::specialTestsNumberedBetweenThePoints()
{
    Bench b;
    b.chooseTest({{1, 100}, {3, 10}, {7, 50}},
                 {{"PSensitivity", 2, 100, 0.4, 2, 10}, {"PSamochod", 5, 115, 0, 10, 0},
                  {"PCountDevice", 9, 100, 100, 3, 0}, {"PCountDevice1", 8, 100, 100, 4, 0}});
    b.present({1});
    b.openMode(1);
    // Run order by the typed numbers, renumbered without gaps.
    QCOMPARE(b.steps(), (QList<QList<int>>{{1, 0, 1}, {2, 1, 2}, {3, 0, 3}, {4, 2, 5}, {5, 0, 7}, {6, 4, 8}, {7, 3, 9}}));
    const TableDataSet *buf = b.dm->ADOTestBuf;
    // The sensitivity step: its values from the test, power factor 1, no reverse current.
    QCOMPARE(buf->value(1, "PPersentU").toInt(), 100);
    QCOMPARE(buf->value(1, "PPersentI").toDouble(), 0.4);
    QCOMPARE(buf->value(1, "PTimeM").toInt(), 2);
    QCOMPARE(buf->value(1, "PTimeS").toInt(), 10);
    QCOMPARE(buf->value(1, "PKM").toDouble(), 1.0);
    QCOMPARE(buf->value(1, "PInverseTok").toBool(), false);
    QVERIFY(buf->value(1, "PNumPoint").isNull());
    QVERIFY(buf->value(1, "PCountMeasure").isNull());
    QCOMPARE(buf->value(3, "PPersentU").toInt(), 115);
    QCOMPARE(b.rowHeaders(*b.run().GridView), (QStringList{"", "1п 100/100/1", "2ч 100/0.4/1", "3п 100/10/1",
                                                           "4с 115/0/1", "5п 100/50/1", "6с/у2 100/100/1",
                                                           "7с/у1 100/100/1"}));
}

void TstPointList::warmUpReadingsRounded_data()
{
    QTest::addColumn<int>("minutes");
    QTest::addColumn<int>("seconds");
    QTest::addColumn<double>("percentU");
    QTest::addColumn<int>("periods");
    QTest::addColumn<int>("storedU");
    QTest::newRow("603 s") << 10 << 3 << 100.0 << 121 << 100;
    QTest::newRow("602 s") << 10 << 2 << 100.0 << 120 << 100;
    QTest::newRow("7 s") << 0 << 7 << 100.0 << 1 << 100;
    QTest::newRow("8 s") << 0 << 8 << 100.0 << 2 << 100;
    QTest::newRow("U 99.5 to even") << 1 << 0 << 99.5 << 12 << 100;
    QTest::newRow("U 100.5 to even") << 1 << 0 << 100.5 << 12 << 100;
    QTest::newRow("U 100.6") << 1 << 0 << 100.6 << 12 << 101;
}

void TstPointList::warmUpReadingsRounded()
{
    QFETCH(int, minutes);
    QFETCH(int, seconds);
    QFETCH(double, percentU);
    QFETCH(int, periods);
    QFETCH(int, storedU);
    Bench b;
    b.chooseTest(ThreePoints);
    b.warmUp(true, minutes, seconds, percentU);
    b.present({1});
    b.openMode(2);
    const TableDataSet *buf = b.dm->ADOTestBuf;
    QCOMPARE(buf->value(0, "PMode").toInt(), 5);
    QCOMPARE(buf->value(0, "PCountMeasure").toInt(), periods);
    QCOMPARE(buf->value(0, "PPersentU").toInt(), storedU);
}

void TstPointList::pointGridWidths_data()
{
    QTest::addColumn<int>("positions");
    QTest::addColumn<int>("screen");
    QTest::addColumn<int>("width");
    QTest::newRow("12 positions") << 12 << 1024 << 70;
    QTest::newRow("10 positions") << 10 << 1920 << 70;
    QTest::newRow("6 on 1024") << 6 << 1024 << 151;   // 150.67
    QTest::newRow("9 on 1024") << 9 << 1024 << 100;   // 100.44
    QTest::newRow("8 on 1024") << 8 << 1024 << 113;   // 113
    QTest::newRow("7 on 1280") << 7 << 1280 << 166;   // 165.71
}

void TstPointList::pointGridWidths()
{
    QFETCH(int, positions);
    QFETCH(int, screen);
    QFETCH(int, width);
    Bench b;
    b.chooseTest(ThreePoints);
    b.positions(positions);
    b.present({1, 2});
    b.run().ScreenWidth = screen;
    b.run().LayoutTestGrid();
    const TKorColorStringGrid &g = *b.run().GridTest;
    QCOMPARE(g.ColCount(), positions + 1);
    QCOMPARE(g.columnWidth(0), 100);
    for (int c = 1; c <= positions; ++c)
        QCOMPARE(g.columnWidth(c), width);
}

void TstPointList::overviewGridWidths_data()
{
    QTest::addColumn<int>("positions");
    QTest::addColumn<QList<int>>("stands");
    QTest::addColumn<int>("screen");
    QTest::addColumn<int>("width");
    // (screen − (columns + 116)) / (columns − 1), at least 37.
    QTest::newRow("2 x 6 on 1024") << 6 << QList<int>{1, 3} << 1024 << 75;     // 895 / 12 = 74.58
    QTest::newRow("1 x 6 on 1024") << 6 << QList<int>{2} << 1024 << 150;       // 901 / 6 = 150.17
    QTest::newRow("1 x 4 on 800") << 4 << QList<int>{1} << 800 << 170;         // 679 / 4 = 169.75
    QTest::newRow("3 x 12 on 1024") << 12 << QList<int>{1, 2, 3} << 1024 << 37; // 871 / 36 = 24.19
}

void TstPointList::overviewGridWidths()
{
    QFETCH(int, positions);
    QFETCH(QList<int>, stands);
    QFETCH(int, screen);
    QFETCH(int, width);
    Bench b;
    b.chooseTest(ThreePoints);
    b.positions(positions);
    b.main->Mode = 1;
    for (int n : stands)
        b.main->Stands[std::size_t(n)].Present = true;
    b.run().MapStands();
    b.run().FillTestBuf();
    b.run().ScreenWidth = screen;
    b.run().LayoutViewGrid();
    const TKorColorStringGrid &v = *b.run().GridView;
    QCOMPARE(v.ColCount(), positions * int(stands.size()) + 1);
    QCOMPARE(v.columnWidth(0), 100);
    for (int c = 1; c < v.ColCount(); ++c)
        QCOMPARE(v.columnWidth(c), width);
}

void TstPointList::currentTooHigh()
{
    Bench b;
    // 1300 % of 5 A is 65 A, above the type's 60 A; 1200 % is exactly 60 A.
    b.chooseTest({{1, 100}, {2, 1300}, {3, 1200}});
    b.warmUp(true, 1, 0, 100, 1500); // the warm-up's current does not count
    b.present({1});
    b.openMode(2);
    QVERIFY(b.main->CurrentTooHigh);
    const QAbstractItemModel *grid = b.run().DBGrid->model();
    const int percentI = b.dm->ADOTestBuf->column(QStringLiteral("PPersentI"));
    QCOMPARE(grid->index(2, percentI).data(Qt::BackgroundRole).value<QColor>(), CellLightRed);
    QCOMPARE(grid->index(3, percentI).data(Qt::BackgroundRole).value<QColor>(), CellWhite);

    b.chooseTest({{1, 100}, {2, 1200}});
    b.openMode(2);
    QVERIFY(!b.main->CurrentTooHigh);
    b.main->CurrentTooHigh = true;
    b.openMode(1);
    QVERIFY(!b.main->CurrentTooHigh);
}

void TstPointList::failedRebuildKeepsTheWholeListBefore()
{
    Bench b;
    b.chooseTest(ThreePoints);
    b.present({1});
    b.openMode(1);
    QCOMPARE(b.storedRows(), 3);
    // The database refuses the special test's row of the next list.
    QSqlQuery q(b.db());
    QVERIFY(q.exec(QStringLiteral("CREATE TRIGGER refuse BEFORE INSERT ON TTestBuf WHEN NEW.PMode = 1 "
                                  "BEGIN SELECT RAISE(ABORT, 'refused'); END")));
    b.chooseTest({{1, 50}, {2, 60}}, {{"PSensitivity", 3}});
    b.openMode(1);
    QCOMPARE(b.prompts.shown().size(), 1);
    QCOMPARE(b.prompts.shown().first().icon, Prompts::Icon::Error);
    QCOMPARE(b.prompts.shown().first().caption, QStringLiteral("Ошибка"));
    QCOMPARE(b.prompts.lastText(), QStringLiteral("Ошибка запроса к базе данных !!!"));
    // The window goes on with what the table holds: the previous list, whole.
    QCOMPARE(b.storedRows(), 3);
    QCOMPARE(b.steps(), (QList<QList<int>>{{1, 0, 1}, {2, 0, 2}, {3, 0, 3}}));
    QCOMPARE(b.dm->ADOTestBuf->value(0, "PPersentI").toDouble(), 5.0);
    QCOMPARE(b.main->Results.size(), std::size_t(4));
}

void TstPointList::resetPointLeavesOtherPointsAlone()
{
    Bench b;
    b.chooseTest(ThreePoints);
    b.present({1, 3});
    b.openMode(2);
    TFTest &t = b.run();
    ResultsBuffer &results = b.main->Results;
    for (int p = 1; p <= 3; ++p)
        for (int n : {1, 3}) {
            StandResults &s = results[std::size_t(p)][std::size_t(n)];
            s.Last[2] = s.Mean[2] = 0.5 * p;
            s.Deviation[2] = 0.1;
            s.Sum[2] = 1.5 * p;
            s.SumSq[2] = 0.75;
            s.Count[2] = 3;
            t.setPointHasData(p);
        }
    QVERIFY(b.dm->ADOTestBuf->locate(QStringLiteral("PNumPoint1"), 2));
    t.ResetPointResults();
    for (int n : {1, 3}) {
        const StandResults &reset = results[2][std::size_t(n)];
        QCOMPARE(reset.Last[2], NoValue);
        QCOMPARE(reset.Mean[2], NoValue);
        QCOMPARE(reset.Deviation[2], NoValue);
        QCOMPARE(reset.Sum[2], 0.0);
        QCOMPARE(reset.SumSq[2], 0.0);
        QCOMPARE(reset.Count[2], 0.0);
        for (int p : {1, 3}) {
            const StandResults &kept = results[std::size_t(p)][std::size_t(n)];
            QCOMPARE(kept.Last[2], 0.5 * p);
            QCOMPARE(kept.Sum[2], 1.5 * p);
            QCOMPARE(kept.Count[2], 3.0);
        }
    }
    QCOMPARE(t.PointHasData, (std::vector<quint8>{0, 1, 1, 1}));
}

void TstPointList::resetAllResultsAndClearingTheGrids()
{
    Bench b;
    b.chooseTest(ThreePoints);
    b.present({1, 3});
    b.openMode(2);
    TFTest &t = b.run();
    ResultsBuffer &results = b.main->Results;
    results[3][3].Last[6] = 2.0;
    results[3][3].Count[6] = 1;
    results[0][1].Sum[1] = 4;
    t.setPointHasData(3);
    t.setPointHasData(7); // beyond the list: ignored
    t.setTestCell(6, 2, QStringLiteral("2"), CellLightRed);
    t.setViewCell(12, 3, QStringLiteral("2"), CellLightRed);
    t.ResetAllResults();
    QCOMPARE(results[3][3].Last[6], NoValue);
    QCOMPARE(results[3][3].Count[6], 0.0);
    QCOMPARE(results[0][1].Sum[1], 0.0);
    QCOMPARE(t.PointHasData, (std::vector<quint8>(4, 0)));
    QCOMPARE(t.GridTest->Cells(6, 2), QString());
    QCOMPARE(t.GridTest->cellLook(6, 2).brush, CellWhite);
    QCOMPARE(t.GridView->Cells(12, 3), QString());
    QCOMPARE(t.GridView->cellLook(12, 3).brush, CellWhite);
    // The headers stay.
    QCOMPARE(t.GridTest->Cells(0, 2), QStringLiteral("Стенд №3"));
    QCOMPARE(t.GridView->Cells(0, 3), QStringLiteral("3п 100/100/0.8C"));
    QCOMPARE(t.GridView->Cells(7, 0), QStringLiteral("3/1"));
}

void TstPointList::pointListGridColumns()
{
    Bench b;
    b.chooseTest(ThreePoints, {{"PSensitivity", 4}});
    b.warmUp(true);
    b.present({1});
    b.openMode(2);
    const QTableView *grid = b.run().DBGrid;
    const QHeaderView *header = grid->horizontalHeader();
    QStringList titles, texts;
    for (int visual = 0; visual < header->count(); ++visual) {
        const int logical = header->logicalIndex(visual);
        if (grid->isColumnHidden(logical))
            continue;
        titles << grid->model()->headerData(logical, Qt::Horizontal).toString();
        texts << grid->model()->index(0, logical).data().toString();
    }
    QCOMPARE(titles, (QStringList{"№", "%U", "%I", "Инв. тока", "KM", "LC", "Время, мин", "Время, сек", "%, max",
                                  "%, min", "Кол. Изм.", "Параметры", "Режим"}));
    // The warm-up row: coded values shown as their texts.
    QCOMPARE(texts.at(0), QStringLiteral("0"));
    QCOMPARE(texts.at(12), QStringLiteral("прог"));
    const QAbstractItemModel *m = grid->model();
    const auto text = [&](int row, const char *field) {
        return m->index(row, b.dm->ADOTestBuf->column(QString::fromLatin1(field))).data().toString();
    };
    QCOMPARE(text(1, "PMode"), QStringLiteral("п"));
    QCOMPARE(text(1, "PStopPoint"), QStringLiteral("Без останова"));
    QCOMPARE(text(1, "PLC"), QStringLiteral("*"));
    QCOMPARE(text(2, "PLC"), QStringLiteral("L"));
    QCOMPARE(text(3, "PLC"), QStringLiteral("C"));
    QCOMPARE(text(4, "PMode"), QStringLiteral("ч"));
    QCOMPARE(text(4, "PTimeMEnergy"), QStringLiteral("1"));
    QCOMPARE(text(4, "PTimeSEnergy"), QStringLiteral("30"));
    // Read-only.
    for (int c = 0; c < m->columnCount(); ++c)
        QVERIFY(!(m->flags(m->index(1, c)) & (Qt::ItemIsEditable | Qt::ItemIsUserCheckable)));
    QVERIFY(!const_cast<QAbstractItemModel *>(m)->setData(m->index(1, 1), 7));

    // The grid and the data module share the current point, and the set values follow it.
    TFTest &t = b.run();
    QCOMPARE(grid->currentIndex().row(), 0);
    b.dm->ADOTestBuf->setCurrentRow(3);
    QCOMPARE(grid->currentIndex().row(), 3);
    QCOMPARE(t.DBVoltM->text(), QStringLiteral("230.0"));
    QCOMPARE(t.DBTokM->text(), QStringLiteral("5.000"));
    QCOMPARE(t.DBAngleM->text(), QStringLiteral("323")); // 360 − acos(0.8) = 323.13
    const_cast<QTableView *>(grid)->setCurrentIndex(m->index(1, 0));
    QCOMPARE(b.dm->ADOTestBuf->currentRow(), 1);
    QCOMPARE(t.DBTokM->text(), QStringLiteral("0.250"));
    QCOMPARE(t.DBAngleM->text(), QStringLiteral("0"));
}

void TstPointList::runContextOnTheRealGridsAndPointList()
{
    Bench b;
    TFTest &t = b.run();
    QVERIFY(!t.hasPoints());
    QCOMPARE(t.currentPoint().number, 0);
    b.chooseTest({{1, 100}, {2, 10}});
    b.present({2});
    b.openMode(2);
    QVERIFY(t.hasPoints());
    QVERIFY(b.dm->ADOTestBuf->locate(QStringLiteral("PNumPoint1"), 2));
    const CurrentPoint p = t.currentPoint();
    QCOMPARE(p.number, 2);
    QCOMPARE(p.kind, 0);
    QCOMPARE(p.measureMin, -1.0);
    QCOMPARE(p.measureMax, 1.0);
    QCOMPARE(p.countMeasure, 3);
    QCOMPARE(t.standRow(2), 1);
    QCOMPARE(t.standRow(1), 0);
    QCOMPARE(t.standRow(11), 0);

    // Text and, when given, colour through the cell's property set.
    QSignalSpy repaints(t.GridTest, &TKorColorStringGrid::repaintRequested);
    t.setTestCell(3, 1, QStringLiteral("-0.3"));
    QCOMPARE(t.GridTest->Cells(3, 1), QStringLiteral("-0.3"));
    QCOMPARE(t.GridTest->cellLook(3, 1).brush, CellWhite);
    t.setTestCell(3, 1, QStringLiteral("-0.3"), CellWhite); // nothing changes: no repaint
    QCOMPARE(repaints.size(), 1);
    t.setTestCell(3, 1, QStringLiteral("-1.3"), CellLightRed);
    QCOMPARE(t.GridTest->cellLook(3, 1).brush, CellLightRed);
    t.setViewCell(3, 2, QStringLiteral("Есть"), CellLightRed);
    QCOMPARE(t.GridView->Cells(3, 2), QStringLiteral("Есть"));
    QCOMPARE(t.GridView->cellLook(3, 2).brush, CellLightRed);
    // A cell outside the layout is not written.
    t.setTestCell(40, 1, QStringLiteral("1"));
    QCOMPARE(t.GridTest->existingCellProps(40, 1), nullptr);

    t.setPointHasData(2);
    QCOMPARE(t.PointHasData, (std::vector<quint8>{0, 0, 1}));
    t.setRemaining(1);
    QCOMPARE(t.Remaining, 1);
    QVERIFY(!t.measuring());
    t.TTime->start();
    QVERIFY(t.measuring());
    QCOMPARE(t.toleranceMin(), 0.0);
    QCOMPARE(t.toleranceMax(), 0.0);
    QVERIFY(!t.executeNext());
}

void TstPointList::modeSetUpPanels()
{
    Bench b;
    b.chooseTest(ThreePoints);
    b.present({1});
    TFTest &t = b.run();
    auto shown = [&t](QWidget *w) { return w->isVisibleTo(&t); };

    b.openMode(2);
    QCOMPARE(t.windowTitle(), QStringLiteral("Поверка"));
    QVERIFY(shown(t.PTime) && shown(t.PTable) && shown(t.PView) && shown(t.PNumber) && shown(t.PReport));
    QVERIFY(!shown(t.PNavigator) && !shown(t.POK));
    QVERIFY(t.BView->isEnabled() && !t.BView->isChecked());
    QVERIFY(!t.BReport->isEnabled() && !t.ADateinBase->isEnabled());
    QVERIFY(!t.ASelect->isEnabled() && !t.APrior->isEnabled() && !t.ANext->isEnabled());
    QVERIFY(shown(t.PMistake) && !shown(t.PHand));
    QVERIFY(shown(t.GridTest) && !shown(t.GridView));
    QCOMPARE(t.GBParam->height(), 223);

    // The view toggle shows the overview instead, and gives the point list's room to it.
    t.BView->click();
    QVERIFY(!shown(t.GridTest) && shown(t.GridView));
    QCOMPARE(t.GBParam->maximumHeight(), 0);
    t.BView->click();
    QVERIFY(shown(t.GridTest) && !shown(t.GridView));
    QCOMPARE(t.GBParam->maximumHeight(), 223);

    b.openMode(1);
    QCOMPARE(t.windowTitle(), QStringLiteral("Регулировка"));
    QVERIFY(shown(t.PNavigator) && !shown(t.PNumber) && shown(t.PView) && shown(t.PReport));
    QVERIFY(shown(t.PMistake) && !shown(t.PHand));

    const int points = int(b.main->Results.size());
    b.openMode(3);
    QCOMPARE(t.windowTitle(), QStringLiteral("Ручная проверка"));
    QVERIFY(shown(t.PTime) && shown(t.PTable));
    QVERIFY(!shown(t.PView) && !shown(t.PNavigator) && !shown(t.PNumber) && !shown(t.PReport));
    QVERIFY(!shown(t.PMistake) && shown(t.PHand));
    QVERIFY(shown(t.GridTest) && !shown(t.GridView));
    QCOMPARE(int(b.main->Results.size()), points); // kept
    QCOMPARE(b.storedRows(), 3);

    b.openMode(4);
    QCOMPARE(t.windowTitle(), QStringLiteral("Управление источником"));
    QVERIFY(!shown(t.PTime) && !shown(t.PTable));
    QVERIFY(!shown(t.PView) && !shown(t.PNavigator) && !shown(t.PNumber) && !shown(t.PReport));
    QVERIFY(shown(t.PHand) && !shown(t.PMistake));
}

void TstPointList::windowControlsAndActions()
{
    Bench b;
    TFTest &t = b.run();
    QCOMPARE(t.parentWidget(), b.main.get());
    QVERIFY(t.isWindow());
    for (const char *name : {"Panel2", "PBase", "PNavigator", "PNumber", "PReport", "PView", "POK", "Panel7",
                             "PTimeLimit", "LTimeLimit", "PTime", "LTime", "LTimeDec", "PTable", "GridTest", "GridView",
                             "GBParam", "PMistake", "DBGrid", "PParam", "DBVoltM", "DBTokM", "DBAngleM", "LEnergy",
                             "PHand", "Panel3", "PSource", "PVoltage", "PPower", "PTok", "PFreg", "PKm",
                             "PLimitcurrent", "PStend", "BView", "BReport", "BOK"})
        QVERIFY2(t.findChild<QWidget *>(QString::fromLatin1(name)), name);
    QCOMPARE(t.GBParam->title(), QStringLiteral("Задаваемые параметры"));
    QCOMPARE(t.LTimeLimit->text(), QStringLiteral("100 %"));
    QCOMPARE(t.LTime->text(), QStringLiteral("0:00 "));
    QCOMPARE(t.LTimeDec->text(), QStringLiteral("0:00"));
    QCOMPARE(t.LTime->toolTip(), QStringLiteral("Общее время теста"));
    QCOMPARE(t.LTimeDec->toolTip(), QStringLiteral("Время теста"));
    QCOMPARE(t.PSource->text(), QStringLiteral("Источник включен"));
    QCOMPARE(t.Panel2->height(), 52);
    QVERIFY(t.POK->isHidden());
    QVERIFY(t.GridView->isHidden());
    const SourcePanels panels = t.sourcePanels();
    QCOMPARE(panels.PVoltage, t.PVoltage);
    QCOMPARE(panels.PLimitcurrent, t.PLimitcurrent);

    struct Expected { QAction *action; const char *caption; bool enabled; };
    for (const Expected &e : {Expected{t.AGo, "Начать/Продолжить тест", true}, {t.AStop, "Закончить тест", false},
                              {t.ANext, "Следующая точка", false}, {t.APrior, "Предыдущая точка", false},
                              {t.ASelect, "Выбор точки", false}, {t.ASbrosCH, "Сброс показаний счетчика", true},
                              {t.ASbrosStend, "Сброс показаний всех счетчиков", true},
                              {t.ADateinBase, "Сохранить результаты поверки в базу данных", true}}) {
        QCOMPARE(e.action->text(), QString::fromUtf8(e.caption));
        QCOMPARE(e.action->isEnabled(), e.enabled);
    }
    QCOMPARE(t.TTime->interval(), 1000);
    QCOMPARE(t.GlobalTime->interval(), 1000);
    QVERIFY(!t.TTime->isActive() && !t.GlobalTime->isActive());
    QVERIFY(t.ScreenWidth > 0);
}

void TstPointList::closeEndsTheRunContext()
{
    Bench b;
    b.chooseTest(ThreePoints);
    b.present({1});
    b.openMode(2);
    TFTest &t = b.run();
    t.show();
    t.TTime->start();
    t.GlobalTime->start();
    t.LTime->setText(QStringLiteral("3:15"));
    t.BView->click();
    QVERIFY(t.close());
    QVERIFY(!t.TTime->isActive());
    QVERIFY(!t.GlobalTime->isActive());
    QCOMPARE(t.LTime->text(), QStringLiteral("0:00"));
    QCOMPARE(b.main->Mode, 0);
    QCOMPARE(t.GBParam->maximumHeight(), 223);
}

QTEST_MAIN(TstPointList)
#include "tst_pointlist.moc"
