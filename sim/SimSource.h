// The simulated programmable power source at address '1'. It takes voltage, current,
// frequency, phase angle and an energy dose from programming frames, switches its output
// off on request, and reports readings that follow what it was programmed to: the power
// from voltage, current and power factor, the current range, the energy delivered since
// the programming (up to the dose), and a status that shows "not settled" for a while
// after each programming, as the real source does while it regulates. Status faults
// (overloads, the protection device) are reported on demand.
#pragma once

#include "sim/Faults.h"
#include "sim/RequestParser.h"

#include <QList>
#include <optional>

namespace sim {

class SimSource
{
public:
    /// How long the readings stay "not settled" (status bit 1) after a programming frame.
    static constexpr qint64 SettleMs = 1500;
    /// Status bits reported in the 'E' group.
    static constexpr int StatusNotSettled = 1;
    static constexpr int StatusOutputOff = 16;
    static constexpr int StatusProtection = 32;
    static constexpr int StatusVoltageOverload = 64;
    static constexpr int StatusCurrentOverload = 128;

    /// Answers a request addressed to the source (the check byte is already verified):
    /// 'U' probe, 'P' programming, 'D' output off, '?' readings; anything else is refused.
    Reply handle(const Request &request, qint64 nowMs);
    /// Output off without a reply: the broadcast stop.
    void switchOff(qint64 nowMs);

    bool outputOn() const { return m_outputOn; }
    double voltage() const { return m_voltage; }     ///< V, as programmed
    double current() const { return m_current; }     ///< A, as programmed
    double frequency() const { return m_frequency; } ///< Hz
    double angle() const { return m_angle; }         ///< degrees, 0 <= angle < 360
    /// Wh to deliver after the last programming, which carried it in 'Z'; nullopt: no limit.
    std::optional<double> energyDose() const { return m_energyDose; }
    bool secondCountingTest() const { return m_jSwitch; } ///< the 'J' switch
    /// The status bits of the source itself, without the status faults.
    int status(qint64 nowMs) const;

    /// Readings as reported: 0 while the output is off. The power factor is cos(angle) to
    /// three decimals (0 with no voltage or no current to measure it by), the power
    /// U * I * PF to three decimals, the energy the power over the time since the last
    /// programming, held at the dose once it is reached.
    double powerFactor() const;
    double power() const;                ///< W
    double energy(qint64 nowMs) const;   ///< Wh, three decimals
    /// Wh given since the source was made, over every programming: what the meters on
    /// the stands have been fed.
    double energyGiven(qint64 nowMs) const { return m_energyBefore + energy(nowMs); }

    /// Current range index for a current in A: 0 (60 - 120 A) .. 5 (0.01 - 0.05 A); each
    /// range holds its upper limit, currents below 0.01 A take the lowest range.
    static int rangeIndex(double amps);

    /// After `afterReadings` further readings, the next `count` readings (Always: every
    /// one from then on) report `status` in their 'E' group in place of the source's own
    /// bits: 64 voltage overload, 128 current overload, 32 protection device. Faults that
    /// fall on the same reading add their bits. False, changing nothing, unless status is
    /// 0..255, count >= 1 or Always and afterReadings >= 0.
    bool addStatusFault(int status, int count = 1, int afterReadings = 0);
    void clearStatusFaults() { m_statusFaults.clear(); }

    struct StatusFault
    {
        int status = 0;
        int count = 1; ///< readings still to hit, or Always
        int after = 0; ///< readings still to pass before it hits
    };
    const QList<StatusFault> &statusFaults() const { return m_statusFaults; }

private:
    Reply program(const QByteArray &field, qint64 nowMs);
    /// The readings of one poll; it counts against the status faults.
    QByteArray readings(qint64 nowMs);
    /// The 'E' value of the reading being answered.
    int reportedStatus(qint64 nowMs);

    double m_voltage = 0;
    double m_current = 0;
    double m_frequency = 50;
    double m_angle = 0;
    std::optional<double> m_energyDose;
    bool m_jSwitch = false;
    bool m_outputOn = false;
    std::optional<qint64> m_programmedAt; ///< ms
    double m_energyBefore = 0; ///< Wh given under earlier programmings
    QList<StatusFault> m_statusFaults;
};

} // namespace sim
