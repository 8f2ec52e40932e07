// A stand's result reply taken apart: each position's value goes into the measurement buffer
// and into the cells of the run window's two grids, by the main window's Mode and the
// current point's kind, and the point ends early when every meter has what it needs.
#pragma once

#include "bench/link/Results.h"
#include "bench/link/TStend.h"

#include <QByteArray>
#include <QColor>
#include <QString>
#include <optional>

namespace bench {

inline const QColor CellWhite{255, 255, 255};
inline const QColor CellLightRed{255, 215, 215};
inline const QColor CellGrey{235, 235, 235};

/// The current record of the run's point list (TTestBuf).
struct CurrentPoint
{
    int number = 0;        ///< PNumPoint1
    int kind = 0;          ///< PMode: 0 error, 1 sensitivity, 2 creep, 3/4 register, 5 warm-up
    double measureMin = 0; ///< PMeasureMin, %
    double measureMax = 0; ///< PMeasureMax, %
    int countMeasure = 0;  ///< PCountMeasure
};

/// What the parsing needs of the run window: kept narrow so it is tested without one.
class StandReplyContext
{
public:
    virtual ~StandReplyContext() = default;

    /// The point list holds at least one row.
    virtual bool hasPoints() const = 0;
    virtual CurrentPoint currentPoint() const = 0;
    /// The point's measurement timer TTime runs.
    virtual bool measuring() const = 0;
    /// StandRow[stand]: the GridTest row of the stand, 0 when it is not shown.
    virtual int standRow(int stand) const = 0;
    /// PointHasData[point] := 1.
    virtual void setPointHasData(int point) = 0;
    /// A cell of GridTest / GridView: its text, and its background when `colour` is given.
    virtual void setTestCell(int col, int row, const QString &text, std::optional<QColor> colour = {}) = 0;
    virtual void setViewCell(int col, int row, const QString &text, std::optional<QColor> colour = {}) = 0;
    /// DBDopMin and DBDop of manual check, %.
    virtual double toleranceMin() const = 0;
    virtual double toleranceMax() const = 0;
    /// The point's countdown: Remaining := seconds.
    virtual void setRemaining(int seconds) = 0;
    /// Executes ANext "Следующая точка"; false when it did not execute (last point).
    virtual bool executeNext() = 0;
    /// Stops the test at its end and sets TestDone.
    virtual void StopAtEnd() = 0;
};

/// What the parsing needs of the main window.
struct StandReplyInput
{
    int mode = 0;          ///< Mode: 0 none, 1 adjustment, 2 verification, 3 manual, 4 source control
    int countStend = 0;
    int countCH = 0;
    int sensThreshold = 0; ///< RGsens: 0 or 1
    const StandArray &stands;
    ResultsBuffer &results;
};

/// The data reply of stand `stand` (1..10).
void ParseStandReply(int stand, const QByteArray &reply, const StandReplyInput &in, StandReplyContext &run);

} // namespace bench
