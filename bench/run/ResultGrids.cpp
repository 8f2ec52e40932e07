// The two result grids and the measurement buffer of a run: their layouts for the
// present stands and the point list, and the resets at the start of a run and of a point.
#include "bench/run/TFTest.h"

#include "bench/data/TDM.h"
#include "bench/run/KorColorStringGrid.h"
#include "bench/shell/TFMain.h"
#include "common/UTools.h"

#include <algorithm>

namespace bench {

namespace {

constexpr int WarmUpKind = 5;
constexpr int HeaderColumnWidth = 100;

int roundToInt(double x)
{
    return int(UTools::RoundHalfEven(x, 0));
}

/// Row header of a step in GridView: number, kind letter, " ", %U/%I/power factor.
QString pointHeader(const TableDataSet &buf, int row)
{
    static const char *const Letters[] = {"п", "ч", "с", "с/у1", "с/у2"};
    const int kind = buf.value(row, QStringLiteral("PMode")).toInt();
    const QString letter = kind >= 0 && kind < 5 ? QString::fromUtf8(Letters[kind]) : QString();
    QString factor = fieldText(buf.value(row, QStringLiteral("PKM")));
    switch (buf.value(row, QStringLiteral("PLC")).toInt()) {
    case UTools::LoadL: factor += QLatin1Char('L'); break;
    case UTools::LoadC: factor += QLatin1Char('C'); break;
    default: break;
    }
    return fieldText(buf.value(row, QStringLiteral("PNumPoint1"))) + letter + QLatin1Char(' ') +
           fieldText(buf.value(row, QStringLiteral("PPersentU"))) + QLatin1Char('/') +
           fieldText(buf.value(row, QStringLiteral("PPersentI"))) + QLatin1Char('/') + factor;
}

} // namespace

void TFTest::LayoutTestGrid()
{
    const int positions = std::max(m_main.countCH(), 1);
    const int stands = presentStands();
    const int width = positions > 9 ? 70 : roundToInt(double(ScreenWidth - 120) / positions);
    TKorColorStringGrid &g = *GridTest;
    g.setColCount(positions + 1);
    g.setRowCount(stands + 1);
    g.setFixedCols(1);
    g.setFixedRows(stands >= 1 ? 1 : 0);
    g.setColumnWidth(0, HeaderColumnWidth);
    for (int c = 1; c <= positions; ++c) {
        g.CellProps(c, 0).setCellText(QStringLiteral("Сч №%1").arg(c));
        g.setColumnWidth(c, width);
    }
    g.CellProps(0, 0).setCellText(QString());
    for (int r = 1; r <= stands; ++r) {
        g.CellProps(0, r).setCellText(QStringLiteral("Стенд №%1").arg(RowStand[std::size_t(r)]));
        for (int c = 1; c <= positions; ++c)
            g.CellProps(c, r).setCellText(QString());
    }
}

void TFTest::LayoutViewGrid()
{
    const int positions = std::max(m_main.countCH(), 1);
    const int stands = presentStands();
    const TableDataSet &buf = *m_dm.ADOTestBuf;
    const int columns = positions * stands + 1;
    // The warm-up gets no row of its own.
    const int rows = (m_main.Mode == 2 && warmUpTicked()) ? buf.rowCount() : buf.rowCount() + 1;
    TKorColorStringGrid &g = *GridView;
    g.setColCount(columns);
    g.setRowCount(rows);
    g.setFixedCols(1);
    g.setFixedRows(stands >= 1 ? 1 : 0);
    g.setColumnWidth(0, HeaderColumnWidth);

    g.CellProps(0, 0).setCellText(QString());
    for (int c = 1; c < columns; ++c) {
        const int stand = RowStand[std::size_t((c - 1) / positions + 1)];
        g.CellProps(c, 0).setCellText(QStringLiteral("%1/%2").arg(stand).arg((c - 1) % positions + 1));
    }
    for (int row = 0; row < buf.rowCount(); ++row) {
        if (buf.value(row, QStringLiteral("PMode")).toInt() == WarmUpKind)
            continue;
        const int point = buf.value(row, QStringLiteral("PNumPoint1")).toInt();
        if (point >= 1 && point < rows)
            g.CellProps(0, point).setCellText(pointHeader(buf, row));
    }
    if (columns > 1) {
        const int width = std::max(roundToInt(double(ScreenWidth - (columns + 116)) / (columns - 1)), 37);
        for (int c = 1; c < columns; ++c)
            g.setColumnWidth(c, width);
    }
    for (int r = 1; r < rows; ++r) {
        g.setRowHeight(r, 30);
        for (int c = 1; c < columns; ++c)
            g.CellProps(c, r).setCellText(QString());
    }
}

void TFTest::clearGrid(TKorColorStringGrid &grid)
{
    for (int r = grid.FixedRows(); r < grid.RowCount(); ++r)
        for (int c = grid.FixedCols(); c < grid.ColCount(); ++c) {
            TKorCellProperties &cell = grid.CellProps(c, r);
            cell.setCellText(QString());
            cell.setColor(CellWhite);
        }
}

void TFTest::ClearTestGrid()
{
    clearGrid(*GridTest);
}

void TFTest::ClearViewGrid()
{
    clearGrid(*GridView);
}

void TFTest::resetPoint(int point)
{
    ResultsBuffer &results = m_main.Results;
    if (point < 0 || std::size_t(point) >= results.size())
        return;
    const int positions = m_main.countCH();
    for (int n = 1; n <= m_main.countStend() && n <= MaxStands; ++n)
        results[std::size_t(point)][std::size_t(n)].reset(positions);
}

void TFTest::ResetAllResults()
{
    ClearTestGrid();
    ClearViewGrid();
    for (std::size_t p = 0; p < m_main.Results.size(); ++p)
        resetPoint(int(p));
    PointHasData.assign(m_main.Results.size(), 0);
}

void TFTest::ResetPointResults()
{
    // The current point of the list; without one there is nothing to reset.
    if (!hasPoints() || m_dm.ADOTestBuf->currentRow() < 0)
        return;
    resetPoint(currentPoint().number);
}

} // namespace bench
