// The measurement buffer of a run: per point number, per stand 1..10, six arrays over the
// positions 1..100. The main window owns it; the run window sizes it (points + 1) and resets
// it, the stand reply parsing fills it, the archive writer and the protocols read it.
#pragma once

#include "bench/link/TStend.h"

#include <array>
#include <vector>

namespace bench {

/// Last, Mean and Deviation hold this where there is no value; a stand value not greater
/// than it means that the stand has no measurement for that position.
inline constexpr double NoValue = -201;

struct StandResults
{
    using Values = std::array<double, MaxPositions + 1>; ///< [1..100]; index 0 unused
    Values Last, Mean, Deviation, Sum, SumSq, Count;

    StandResults() { reset(MaxPositions); }
    /// Positions 1..`positions` back to the state of no value.
    void reset(int positions)
    {
        for (int p = 1; p <= positions && p <= MaxPositions; ++p) {
            Last[p] = Mean[p] = Deviation[p] = NoValue;
            Sum[p] = SumSq[p] = Count[p] = 0;
        }
    }
};

/// Stands 1..10 of one point; index 0 unused.
using PointResults = std::array<StandResults, MaxStands + 1>;
/// Indexed by the point number PNumPoint1 (0 is the warm-up).
using ResultsBuffer = std::vector<PointResults>;

} // namespace bench
