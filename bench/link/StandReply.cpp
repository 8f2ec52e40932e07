#include "bench/link/StandReply.h"

#include "common/UTools.h"

#include <cmath>

namespace bench {

namespace {

const QString Present = QStringLiteral("Есть");
const QString FirstPulse = QStringLiteral("_ _ _");

/// The value text of position `p`'s group "p(value)". A group counts only at the start of
/// the data field or right after another group, so position 1 is never read out of "11(".
std::optional<QByteArray> positionText(const QByteArray &reply, int p)
{
    const QByteArray opening = QByteArray::number(p) + '(';
    for (qsizetype at = reply.indexOf(opening); at >= 0; at = reply.indexOf(opening, at + 1)) {
        const char before = at > 0 ? reply.at(at - 1) : '\0';
        if (before != ')' && before != UTools::STX)
            continue;
        const qsizetype start = at + opening.size();
        qsizetype end = reply.indexOf(')', start);
        if (end < 0)
            end = reply.size();
        return reply.mid(start, end - start);
    }
    return std::nullopt;
}

struct Cells
{
    StandReplyContext &run;
    int testCol, testRow, viewCol, viewRow;
    void test(const QString &text, std::optional<QColor> colour = {}) const { run.setTestCell(testCol, testRow, text, colour); }
    void view(const QString &text, std::optional<QColor> colour = {}) const { run.setViewCell(viewCol, viewRow, text, colour); }
    void both(const QString &text, std::optional<QColor> colour = {}) const
    {
        test(text, colour);
        view(text, colour);
    }
};

void addReading(StandResults &r, int p, double v)
{
    r.Last[p] = v;
    r.Sum[p] += v;
    r.SumSq[p] += v * v;
    r.Count[p] += 1;
    r.Mean[p] = r.Sum[p] / r.Count[p];
    const double t = r.SumSq[p] / r.Count[p] - r.Mean[p] * r.Mean[p];
    r.Deviation[p] = t > 0 ? std::sqrt(t) : 0;
}

/// The register has advanced by whole divisions of C kWh; the stand counts pulses of the
/// meter constant K. A type without a division or constant advances nothing.
double registerAdvance(double count, const TStend &stand)
{
    const double pulsesPerDivision = std::nearbyint(stand.CenaDel * stand.ReductRate);
    if (pulsesPerDivision <= 0)
        return 0;
    return std::floor(std::nearbyint(count) / pulsesPerDivision) * stand.CenaDel;
}

/// One position of a run point (Mode 1 or 2) by the point's kind.
void bookRunValue(const StandReplyInput &in, StandReplyContext &run, const CurrentPoint &point, const Cells &cells,
                  StandResults *r, const TStend &stand, int p, double v, const QString &text)
{
    if (!r)
        return; // the buffer has no room for this point
    switch (point.kind) {
    case 0: {
        run.setPointHasData(point.number);
        if (in.mode == 1 || r->Count[p] < point.countMeasure)
            addReading(*r, p, v);
        const bool within = point.measureMin <= v && v <= point.measureMax;
        cells.both(text, within ? CellWhite : CellLightRed);
        break;
    }
    case 5:
        if (in.mode == 2)
            cells.test(text);
        break;
    case 1:
        r->Last[p] = v;
        r->Count[p] += 1;
        if (in.sensThreshold == 0) {
            if (r->Count[p] == 1) {
                cells.test(Present);
                cells.view(FirstPulse);
            }
        } else {
            cells.both(r->Count[p] == 1 ? FirstPulse : text);
        }
        break;
    case 2:
        r->Last[p] = v;
        r->Count[p] += 1;
        if (r->Count[p] == 1)
            cells.both(FirstPulse);
        else
            cells.both(Present, CellLightRed); // the meter creeps
        break;
    case 3:
    case 4:
        r->Count[p] = v;
        cells.both(UTools::FloatToWire(r->Last[p] + registerAdvance(v, stand)));
        break;
    default:
        break;
    }
}

/// Walks the selected positions of the present stands of this point.
template<typename Fn>
void forEachMeter(const StandReplyInput &in, const PointResults &point, Fn fn)
{
    for (int n = 1; n <= in.countStend && n <= MaxStands; ++n) {
        const TStend &stand = in.stands[std::size_t(n)];
        if (!stand.Present)
            continue;
        for (int p = 1; p <= in.countCH && p <= MaxPositions; ++p)
            if (stand.Channel[std::size_t(p)])
                fn(point[std::size_t(n)].Count[std::size_t(p)]);
    }
}

/// After the positions: a point that has what it needs ends early.
void endPointEarly(const StandReplyInput &in, StandReplyContext &run, const CurrentPoint &point)
{
    if (point.number < 0 || std::size_t(point.number) >= in.results.size())
        return;
    const PointResults &results = in.results[std::size_t(point.number)];
    if ((in.mode == 1 || in.mode == 2) && point.kind == 1) {
        bool all = true;
        forEachMeter(in, results, [&](double count) { all = all && count >= in.sensThreshold + 1; });
        if (all)
            run.setRemaining(1);
        return;
    }
    if (in.mode != 2 || point.kind != 0)
        return;
    bool done = false;
    if (point.countMeasure >= 2) {
        double sum = 0;
        int counted = 0;
        forEachMeter(in, results, [&](double count) {
            if (count != 0) {
                sum += count;
                ++counted;
            }
        });
        done = counted > 0 && sum / counted >= point.countMeasure;
    } else {
        done = true;
        forEachMeter(in, results, [&](double count) { done = done && count != 0; });
    }
    if (done && !run.executeNext())
        run.StopAtEnd();
}

} // namespace

void ParseStandReply(int stand, const QByteArray &reply, const StandReplyInput &in, StandReplyContext &run)
{
    if (stand < 1 || stand > MaxStands)
        return;
    const TStend &s = in.stands[std::size_t(stand)];
    const bool runMode = in.mode == 1 || in.mode == 2;
    const CurrentPoint point = runMode ? run.currentPoint() : CurrentPoint{};
    const int row = run.standRow(stand);
    StandResults *results = nullptr;
    if (runMode && point.number >= 0 && std::size_t(point.number) < in.results.size())
        results = &in.results[std::size_t(point.number)][std::size_t(stand)];

    for (int p = 1; p <= in.countCH && p <= MaxPositions; ++p) {
        const std::optional<QByteArray> raw = positionText(reply, p);
        if (!raw)
            continue;
        const QString text = QString::fromLatin1(*raw);
        const double v = UTools::WireToFloat(text);
        if (!s.Present || !s.Channel[std::size_t(p)] || row <= 0)
            continue;
        if (v <= NoValue)
            continue; // the stand has no measurement for this position
        const Cells cells{run, p, row, (row - 1) * in.countCH + p, point.number};
        if ((in.mode == 1 && run.hasPoints()) || (in.mode == 2 && run.measuring()))
            bookRunValue(in, run, point, cells, results, s, p, v, text);
        else if (in.mode == 3)
            cells.test(text, run.toleranceMin() <= v && v <= run.toleranceMax() ? CellWhite : CellLightRed);
    }
    if (runMode)
        endPointEarly(in, run, point);
}

} // namespace bench
