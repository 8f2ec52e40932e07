// The colour string grid: which property set a cell is drawn from and what lands
// on screen, text writes that change nothing repaint nothing, a right click selects its cell
// before the pop-up menu opens, and header cells that stay in place when the grid scrolls.
#include "bench/run/KorColorStringGrid.h"

#include <QContextMenuEvent>
#include <QMenu>
#include <QScrollBar>
#include <QSignalSpy>
#include <QTest>

using namespace bench;

namespace {

const QColor White(255, 255, 255);
const QColor LightRed(255, 215, 215);

/// A shown grid of `cols` × `rows` with the given fixed counts and plain sizes.
struct ShownGrid
{
    TKorColorStringGrid grid;
    ShownGrid(int cols, int rows, int fixedCols = 1, int fixedRows = 1)
    {
        grid.setColCount(cols);
        grid.setRowCount(rows);
        grid.setFixedCols(fixedCols);
        grid.setFixedRows(fixedRows);
        grid.setDefaultColWidth(60);
        grid.setDefaultRowHeight(30);
        for (int c = 0; c < cols; ++c)
            grid.setColumnWidth(c, 60);
        for (int r = 0; r < rows; ++r)
            grid.setRowHeight(r, 30);
        grid.resize(60 * cols + 40, 30 * rows + 40);
        grid.show();
        QVERIFY(QTest::qWaitForWindowExposed(&grid));
    }
    QPoint centre(int col, int row) const
    {
        return grid.visualRect(grid.model()->index(row, col)).center();
    }
    QColor pixel(int col, int row)
    {
        const QImage image = grid.viewport()->grab().toImage();
        // Away from the centre, where a text could be.
        const QRect r = grid.visualRect(grid.model()->index(row, col));
        return image.pixelColor(r.left() + 3, r.top() + 3);
    }
};

} // namespace

class TstKorColorGrid : public QObject
{
    Q_OBJECT
private slots:
    void neverColouredCellDrawsWithTheGridColour();
    void cellPropsAreMadeOnceWithTheGridColour();
    void colouredCellDrawsItsColourAndKeepsTheGridFont();
    void sameTextDoesNotRepaint();
    void sameColourDoesNotRepaint();
    void rightClickSelectsTheCellBeforeThePopupMenu();
    void everyButtonSelectsAsTheLeftOne();
    void headerCellsAreNotSelected();
    void gridWithoutFixedCellsDrawsNoHeaders();
    void fixedCellPropertySetChoice();
    void headerSetsAreWrittenByAssignment();
    void headerCellsStayWhenTheGridScrolls();
    void cellsLeavingTheGridTakeTheirColoursAlong();
};

void TstKorColorGrid::neverColouredCellDrawsWithTheGridColour()
{
    ShownGrid g(4, 3);
    // Another cell coloured, this one never touched.
    g.grid.CellProps(1, 1).setColor(LightRed);
    QCOMPARE(g.grid.drawPropsFor(2, 2), nullptr);
    QCOMPARE(g.grid.cellLook(2, 2).brush, White);
    QCOMPARE(g.grid.Color(), White);
    QCOMPARE(g.pixel(2, 2), White);
    QCOMPARE(g.pixel(1, 1), LightRed);
}

void TstKorColorGrid::cellPropsAreMadeOnceWithTheGridColour()
{
    TKorColorStringGrid grid;
    grid.setColor(QColor(10, 20, 30));
    TKorCellProperties &a = grid.CellProps(2, 1);
    QCOMPARE(a.Color(), QColor(10, 20, 30));
    QCOMPARE(a.Font(), grid.font());
    QCOMPARE(a.col(), 2);
    QCOMPARE(a.row(), 1);
    QCOMPARE(&grid.CellProps(2, 1), &a);
    QCOMPARE(grid.existingCellProps(2, 1), &a);
    QCOMPARE(grid.existingCellProps(1, 2), nullptr);
}

void TstKorColorGrid::colouredCellDrawsItsColourAndKeepsTheGridFont()
{
    TKorColorStringGrid grid;
    QFont big = grid.font();
    big.setPixelSize(30);
    big.setItalic(true);
    TKorCellProperties &cell = grid.CellProps(1, 1);
    cell.setColor(LightRed);
    cell.setFont(big);
    cell.setFontColor(Qt::blue);
    const auto look = grid.cellLook(1, 1);
    QCOMPARE(look.brush, LightRed);
    QCOMPARE(look.fontColor, QColor(Qt::blue));
    // Only the colour of a data cell's font is its own.
    QCOMPARE(look.font, grid.font());
    // A header cell takes its set's whole font.
    grid.FixedRowParam().setFont(big);
    QCOMPARE(grid.cellLook(0, 1).font, big);
}

void TstKorColorGrid::sameTextDoesNotRepaint()
{
    ShownGrid g(4, 3);
    QSignalSpy repaints(&g.grid, &TKorColorStringGrid::repaintRequested);
    TKorCellProperties &cell = g.grid.CellProps(2, 1);
    cell.setCellText(QStringLiteral("0.25"));
    QCOMPARE(repaints.size(), 1);
    QCOMPARE(repaints.first(), (QList<QVariant>{2, 1}));
    QCOMPARE(g.grid.Cells(2, 1), QStringLiteral("0.25"));
    const int before = g.grid.repaintRequests();
    cell.setCellText(QStringLiteral("0.25"));
    QCOMPARE(g.grid.repaintRequests(), before);
    QCOMPARE(repaints.size(), 1);
    cell.setCellText(QStringLiteral("0.26"));
    QCOMPARE(g.grid.repaintRequests(), before + 1);
    QCOMPARE(cell.CellText(), QStringLiteral("0.26"));
    // Emptying an empty cell is the same text as well.
    TKorCellProperties &empty = g.grid.CellProps(3, 2);
    empty.setCellText(QString());
    QCOMPARE(g.grid.repaintRequests(), before + 1);
}

void TstKorColorGrid::sameColourDoesNotRepaint()
{
    TKorColorStringGrid grid;
    TKorCellProperties &cell = grid.CellProps(1, 1);
    const int before = grid.repaintRequests();
    cell.setColor(White);
    QCOMPARE(grid.repaintRequests(), before);
    cell.setColor(LightRed);
    QCOMPARE(grid.repaintRequests(), before + 1);
    cell.setColor(LightRed);
    QCOMPARE(grid.repaintRequests(), before + 1);
}

void TstKorColorGrid::rightClickSelectsTheCellBeforeThePopupMenu()
{
    ShownGrid g(5, 4);
    g.grid.setCurrentCell(1, 1);
    QMenu menu;
    menu.addAction(QStringLiteral("Сброс показаний счетчика"));
    g.grid.setPopupMenu(&menu);
    QPair<int, int> selectedWhenShown{-1, -1};
    connect(&menu, &QMenu::aboutToShow, this,
            [&] { selectedWhenShown = {g.grid.currentColumn(), g.grid.currentRow()}; });
    QSignalSpy downs(&g.grid, &TKorColorStringGrid::cellMouseDown);

    const QPoint at = g.centre(3, 2);
    QTest::mousePress(g.grid.viewport(), Qt::RightButton, {}, at);
    QCOMPARE(g.grid.currentColumn(), 3);
    QCOMPARE(g.grid.currentRow(), 2);
    QCOMPARE(downs.size(), 1);
    QCOMPARE(downs.first().at(0).toInt(), 3);
    QCOMPARE(downs.first().at(1).toInt(), 2);
    QCOMPARE(downs.first().at(2).value<Qt::MouseButton>(), Qt::RightButton);
    // The context menu event follows the press, as the platform sends it.
    QContextMenuEvent context(QContextMenuEvent::Mouse, at, g.grid.viewport()->mapToGlobal(at));
    QApplication::sendEvent(g.grid.viewport(), &context);
    QTest::mouseRelease(g.grid.viewport(), Qt::RightButton, {}, at);
    QCOMPARE(selectedWhenShown, (QPair<int, int>{3, 2}));
    menu.hide();
}

void TstKorColorGrid::everyButtonSelectsAsTheLeftOne()
{
    ShownGrid g(5, 4);
    QTest::mouseClick(g.grid.viewport(), Qt::MiddleButton, {}, g.centre(4, 3));
    QCOMPARE(g.grid.currentColumn(), 4);
    QCOMPARE(g.grid.currentRow(), 3);
    QTest::mouseClick(g.grid.viewport(), Qt::LeftButton, {}, g.centre(2, 1));
    QCOMPARE(g.grid.currentColumn(), 2);
    QCOMPARE(g.grid.currentRow(), 1);
}

void TstKorColorGrid::headerCellsAreNotSelected()
{
    ShownGrid g(5, 4);
    g.grid.setCurrentCell(2, 2);
    QSignalSpy downs(&g.grid, &TKorColorStringGrid::cellMouseDown);
    QTest::mouseClick(g.grid.viewport(), Qt::RightButton, {}, g.centre(0, 3));
    QTest::mouseClick(g.grid.viewport(), Qt::LeftButton, {}, g.centre(3, 0));
    QCOMPARE(g.grid.currentRow(), 2);
    QCOMPARE(g.grid.currentColumn(), 2);
    // The press is still reported with its cell.
    QCOMPARE(downs.size(), 2);
    QCOMPARE(downs.at(0).at(0).toInt(), 0);
    QCOMPARE(downs.at(0).at(1).toInt(), 3);
    // The cursor keys stay off the headers as well.
    g.grid.setCurrentCell(1, 1);
    g.grid.setFocus();
    QTest::keyClick(&g.grid, Qt::Key_Up);
    QTest::keyClick(&g.grid, Qt::Key_Left);
    QCOMPARE(g.grid.currentRow(), 1);
    QCOMPARE(g.grid.currentColumn(), 1);
}

void TstKorColorGrid::gridWithoutFixedCellsDrawsNoHeaders()
{
    ShownGrid g(3, 3, 0, 0);
    g.grid.FixedRowParam().setColor(Qt::green);
    g.grid.FixedColParam().setColor(Qt::yellow);
    g.grid.TopLeftCorner().setColor(Qt::blue);
    for (int c = 0; c < 3; ++c)
        for (int r = 0; r < 3; ++r) {
            QVERIFY(!g.grid.isFixedCell(c, r));
            QCOMPARE(g.grid.drawPropsFor(c, r), nullptr);
            QCOMPARE(g.pixel(c, r), White);
        }
    g.grid.CellProps(0, 0).setColor(LightRed);
    QCOMPARE(g.grid.drawPropsFor(0, 0), &g.grid.CellProps(0, 0));
    QCOMPARE(g.pixel(0, 0), LightRed);
}

void TstKorColorGrid::fixedCellPropertySetChoice()
{
    ShownGrid g(4, 4, 1, 1);
    g.grid.FixedRowParam().setColor(Qt::green);
    g.grid.FixedColParam().setColor(Qt::yellow);
    g.grid.TopLeftCorner().setColor(Qt::blue);
    // Column 0: the corner at row 0 only, the row headers below it.
    QCOMPARE(g.grid.drawPropsFor(0, 0), &g.grid.TopLeftCorner());
    QCOMPARE(g.grid.drawPropsFor(0, 1), &g.grid.FixedRowParam());
    QCOMPARE(g.grid.drawPropsFor(0, 3), &g.grid.FixedRowParam());
    QCOMPARE(g.grid.drawPropsFor(1, 0), &g.grid.FixedColParam());
    QCOMPARE(g.grid.drawPropsFor(3, 0), &g.grid.FixedColParam());
    QCOMPARE(g.grid.drawPropsFor(1, 1), nullptr);
    // A cell set of a fixed cell is not what it is drawn with.
    g.grid.CellProps(0, 2).setColor(LightRed);
    QCOMPARE(g.grid.drawPropsFor(0, 2), &g.grid.FixedRowParam());
    QCOMPARE(g.pixel(0, 0), QColor(Qt::blue));
    QCOMPARE(g.pixel(0, 2), QColor(Qt::green));
    QCOMPARE(g.pixel(2, 0), QColor(Qt::yellow));
    QCOMPARE(g.pixel(2, 2), White);

    // Two fixed rows and columns: the corner is the 2 × 2 block.
    g.grid.setFixedCols(2);
    g.grid.setFixedRows(2);
    QCOMPARE(g.grid.drawPropsFor(1, 1), &g.grid.TopLeftCorner());
    QCOMPARE(g.grid.drawPropsFor(1, 2), &g.grid.FixedRowParam());
    QCOMPARE(g.grid.drawPropsFor(2, 1), &g.grid.FixedColParam());
    QCOMPARE(g.grid.drawPropsFor(2, 2), nullptr);
}

void TstKorColorGrid::headerSetsAreWrittenByAssignment()
{
    TKorColorStringGrid grid, other;
    QCOMPARE(grid.FixedRowParam().Color(), grid.FixedColor());
    TKorCellProperties &source = other.CellProps(1, 1);
    QFont f(QStringLiteral("MS Sans Serif"));
    f.setPixelSize(16);
    source.setColor(Qt::cyan);
    source.setFont(f);
    source.setFontColor(Qt::red);
    grid.setFixedColParam(source);
    QCOMPARE(grid.FixedColParam().Color(), QColor(Qt::cyan));
    QCOMPARE(grid.FixedColParam().Font(), f);
    QCOMPARE(grid.FixedColParam().FontColor(), QColor(Qt::red));
    // A copy: the source changing later leaves the grid's set alone.
    source.setColor(Qt::magenta);
    QCOMPARE(grid.FixedColParam().Color(), QColor(Qt::cyan));
    QVERIFY(&grid.FixedColParam() != &source);

    setStandardHeaderSets(grid);
    QCOMPARE(grid.FixedRowParam().Font().pixelSize(), 16);
    QCOMPARE(grid.FixedRowParam().Color(), grid.palette().color(QPalette::Button));
    QCOMPARE(grid.TopLeftCorner().FontColor(), QColor(Qt::black));
    QCOMPARE(grid.FixedColParam().FontColor(), grid.palette().color(QPalette::WindowText));
}

void TstKorColorGrid::headerCellsStayWhenTheGridScrolls()
{
    TKorColorStringGrid grid;
    grid.setColCount(30);
    grid.setRowCount(20);
    for (int c = 0; c < 30; ++c)
        grid.setColumnWidth(c, c == 0 ? 100 : 70);
    for (int r = 0; r < 20; ++r)
        grid.setRowHeight(r, 30);
    grid.FixedRowParam().setColor(Qt::green);
    grid.FixedColParam().setColor(Qt::yellow);
    grid.TopLeftCorner().setColor(Qt::blue);
    grid.CellProps(0, 3).setCellText(QStringLiteral("Стенд №3"));
    grid.resize(500, 300);
    grid.show();
    QVERIFY(QTest::qWaitForWindowExposed(&grid));
    grid.horizontalScrollBar()->setValue(400);
    grid.verticalScrollBar()->setValue(120);
    QVERIFY(grid.horizontalScrollBar()->value() == 400 && grid.verticalScrollBar()->value() == 120);

    const QImage image = grid.viewport()->grab().toImage();
    QCOMPARE(image.pixelColor(5, 5), QColor(Qt::blue));     // the corner
    QCOMPARE(image.pixelColor(5, 45), QColor(Qt::green));   // a row header
    QCOMPARE(image.pixelColor(150, 5), QColor(Qt::yellow)); // a column header
    QCOMPARE(image.pixelColor(150, 45), White);             // a data cell
    // The pointer finds the header cells where they stay.
    QCOMPARE(grid.MouseToCell(QPoint(50, 10)), (QPair<int, int>{0, 0}));
    QCOMPARE(grid.MouseToCell(QPoint(50, 45)), (QPair<int, int>{0, 5})); // 45 + 120 = row 5
    QCOMPARE(grid.MouseToCell(QPoint(150, 10)), (QPair<int, int>{7, 0})); // 150 + 400 = 550: column 7
    QCOMPARE(grid.MouseToCell(QPoint(150, 45)), (QPair<int, int>{7, 5}));
    // A cell chosen by the keys is brought out from under the headers.
    grid.setCurrentCell(5, 1);
    grid.scrollTo(grid.model()->index(5, 1));
    const QRect r = grid.visualRect(grid.model()->index(5, 1));
    QVERIFY2(r.left() >= 100 && r.top() >= 30, qPrintable(QStringLiteral("%1,%2").arg(r.left()).arg(r.top())));
}

void TstKorColorGrid::cellsLeavingTheGridTakeTheirColoursAlong()
{
    TKorColorStringGrid grid;
    grid.setColCount(4);
    grid.setRowCount(4);
    grid.CellProps(2, 3).setColor(LightRed);
    grid.CellProps(2, 3).setCellText(QStringLiteral("1"));
    grid.CellProps(3, 1).setColor(LightRed);
    grid.setRowCount(3);
    grid.setRowCount(4);
    // The row came back as new cells: never coloured, empty.
    QCOMPARE(grid.drawPropsFor(2, 3), nullptr);
    QCOMPARE(grid.Cells(2, 3), QString());
    QCOMPARE(grid.cellLook(3, 1).brush, LightRed);
    // A removed column moves the sets right of it one to the left.
    grid.removeColumn(1);
    QCOMPARE(grid.cellLook(2, 1).brush, LightRed);
    QCOMPARE(grid.CellProps(2, 1).col(), 2);
}

QTEST_MAIN(TstKorColorGrid)
#include "tst_korcolorgrid.moc"
