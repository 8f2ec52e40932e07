// A stand's result reply taken apart in every Mode and point kind, through a run context
// that checks each cell it is asked to fill lies inside the grids.
//
// Input: [mode] [countStend] [countCH] [kind] [flags] [stand], then the reply. Flags: bit 0
// the measurement timer runs, bit 1 the sensitivity threshold 1, bit 2 the point list is
// empty, bits 3..5 PCountMeasure.
#include "bench/link/StandReply.h"
#include "fuzz/FuzzInput.h"

namespace {

class GridRun final : public bench::StandReplyContext
{
public:
    GridRun(int countStend, int countCH) : m_stands(countStend), m_positions(countCH) {}

    bench::CurrentPoint point;
    bool timerRuns = false;
    bool listHasPoints = true;

    bool hasPoints() const override { return listHasPoints; }
    bench::CurrentPoint currentPoint() const override { return point; }
    bool measuring() const override { return timerRuns; }
    int standRow(int stand) const override
    {
        fuzz::require(stand >= 1 && stand <= bench::MaxStands, "standRow of a stand 1..10");
        return stand <= m_stands ? stand : 0;
    }
    void setPointHasData(int p) override { fuzz::require(p == point.number, "PointHasData of the current point"); }
    void setTestCell(int col, int row, const QString &, std::optional<QColor>) override
    {
        fuzz::require(col >= 1 && col <= m_positions && row >= 1 && row <= m_stands, "GridTest cell inside the grid");
    }
    void setViewCell(int col, int row, const QString &, std::optional<QColor>) override
    {
        fuzz::require(col >= 1 && col <= m_stands * m_positions && row == point.number,
                      "GridView cell inside the grid, in the row of the point");
    }
    double toleranceMin() const override { return -1; }
    double toleranceMax() const override { return 1; }
    void setRemaining(int seconds) override { fuzz::require(seconds == 1, "an early end sets the countdown to 1"); }
    bool executeNext() override { return false; }
    void StopAtEnd() override {}

private:
    int m_stands, m_positions;
};

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    fuzz::Input in(data, size);
    const int mode = in.byte() % 5;
    const int countStend = 1 + in.byte() % bench::MaxStands;
    const int countCH = 1 + in.byte() % bench::MaxPositions;
    const int kind = in.byte() % 6;
    const quint8 flags = in.byte();
    const int stand = 1 + in.byte() % countStend;
    const QByteArray reply = in.rest();

    constexpr int Points = 3; // warm-up row 0 and points 1, 2
    bench::StandArray stands;
    for (int n = 1; n <= countStend; ++n) {
        stands[std::size_t(n)].Present = true;
        for (int p = 1; p <= countCH; ++p)
            stands[std::size_t(n)].Channel[std::size_t(p)] = (p + n) % 7 != 0;
        stands[std::size_t(n)].ReductRate = 1000 * n;
        stands[std::size_t(n)].CenaDel = 0.01;
    }
    bench::ResultsBuffer results(Points);
    GridRun run(countStend, countCH);
    run.point = {1 + flags % 2, kind, -1, 1, (flags >> 3) & 7};
    run.timerRuns = flags & 0x01;
    run.listHasPoints = !(flags & 0x04);
    const bench::StandReplyInput input{mode, countStend, countCH, (flags >> 1) & 1, stands, results};
    bench::ParseStandReply(stand, reply, input, run);
    return 0;
}
