// A simulated meter on a stand position: how far its register is off, when it starts to
// run, whether it creeps, or whether the position is dead. Everything a meter does is a
// function of the load, the time since its measurement started and the energy it was
// given, so the stand can ask at any poll and tests are repeatable.
#pragma once

#include <QByteArray>
#include <QMap>
#include <QtGlobal>

namespace sim {

/// A number field of a setup frame, read as the controller's tolerant reader does ("0.5",
/// "0,5"); 0 when it is not one.
double setupNumber(const QByteArray &text);

/// What a meter is like.
struct MeterModel
{
    double error = 0;            ///< %, at a high current and unity power factor
    double lowCurrentError = 0;  ///< % added at no current, fading linearly to 0 at lowCurrentBelow
    double lowCurrentBelow = 0.5; ///< A
    double pfError = 0;          ///< % added at power factor 0, fading linearly to 0 at |PF| 1
    double noise = 0;            ///< the value wanders within ± this many %
    double startCurrent = 0;     ///< A: below it the meter gives no pulses
    bool creep = false;          ///< gives pulses with no current
    bool dead = false;           ///< the position never reports

    bool operator==(const MeterModel &) const = default;
};

/// The load a stand measures at, from its 'U' setup.
struct Load
{
    double volts = 0;
    double amps = 0;
    double powerFactor = 0; ///< signed; the "/L" or "/C" of the text only names the kind
    double periodS = 0;     ///< measurement period

    /// From the setup fields 'a', 'b', 'd' ("0.5/L", "0.5L", "1", "-0.5"), 'e'; a text that
    /// does not read as a number gives 0, and a stand at such a load measures nothing.
    static Load fromSetup(const QMap<char, QByteArray> &fields);
    /// Seconds between two pulses of a meter of `constant` pulses per kWh; 0 when the
    /// load gives none.
    double pulsePeriodS(double constant) const;
};

class SimMeter
{
public:
    /// A creeping meter gives one pulse this often at no current.
    static constexpr qint64 CreepPulseMs = 4000;

    SimMeter() = default;
    /// `seed` makes the noise of one meter differ from another's.
    SimMeter(const MeterModel &model, quint64 seed) : m_model(model), m_seed(seed) {}

    const MeterModel &model() const { return m_model; }

    /// Whether the meter gives pulses at this load.
    bool runs(const Load &load) const;
    /// The error in % (two decimals) of measurement period `period` (1, 2, ...) at the load.
    double errorPercent(const Load &load, qint64 period) const;
    /// Pulses given `elapsedMs` after the start at the load (sensitivity).
    qint64 loadPulses(const Load &load, double constant, qint64 elapsedMs) const;
    /// Pulses a creeping meter gives `elapsedMs` after the start; 0 for one that does not creep.
    qint64 creepPulses(qint64 elapsedMs) const;
    /// Register pulses for `energyWh` given at a current of `amps`.
    qint64 registerPulses(double energyWh, double constant, double amps) const;

private:
    MeterModel m_model;
    quint64 m_seed = 0;
};

} // namespace sim
