// One test stand as the controller knows it for a run: whether it answered the last probe,
// which positions carry a meter, and the data of the meter type fitted on it.
#pragma once

#include <QString>
#include <array>

namespace bench {

inline constexpr int MaxStands = 10;
inline constexpr int MaxPositions = 100;

struct TStend
{
    bool Present = false;                    ///< answered the last probe
    std::array<bool, MaxPositions + 1> Channel{}; ///< [1..100]: position carries a meter
    QString Tip;
    int TipIndex = 0;
    QString Identificator;
    QString Maker;
    double ClassT = 0;
    double Unom = 0;          ///< V
    double Inom = 0;          ///< A
    double ReductRate = 0;    ///< meter constant, unit in IdentReductRate
    int IdentReductRate = 0;  ///< 1 imp/kWh, 2 kWh/imp, 3 W·s/imp
    double CenaDel = 0;       ///< kWh per register division
    double Imax = 0;          ///< A

    /// The meter constant as the stands count it, in pulses per kWh, whatever unit the meter
    /// type states it in.
    double PulsesPerKWh() const
    {
        if (IdentReductRate == 2)
            return 1 / ReductRate;
        if (IdentReductRate == 3)
            return 3600000 / ReductRate;
        return ReductRate;
    }
};

/// Stands[1..10]; index 0 is unused so stand numbers index it directly.
using StandArray = std::array<TStend, MaxStands + 1>;

} // namespace bench
