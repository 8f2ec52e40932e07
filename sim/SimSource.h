// The simulated programmable power source at address '1'. It takes voltage, current,
// frequency, phase angle and an energy dose from programming frames, switches its output
// off on request, and reports its readings with a status that shows "not settled" for a
// while after each programming, as the real source does while it regulates.
#pragma once

#include "sim/RequestParser.h"

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

    /// Answers a request addressed to the source (the check byte is already verified):
    /// 'U' probe, 'P' programming, 'D' output off, '?' readings; anything else is refused.
    Reply handle(const Request &request, qint64 nowMs);
    /// Output off without a reply: the broadcast stop.
    void switchOff() { m_outputOn = false; }

    bool outputOn() const { return m_outputOn; }
    double voltage() const { return m_voltage; }     ///< V, as programmed
    double current() const { return m_current; }     ///< A, as programmed
    double frequency() const { return m_frequency; } ///< Hz
    double angle() const { return m_angle; }         ///< degrees, 0 <= angle < 360
    double energyDose() const { return m_energyDose; } ///< Wh still to deliver, from 'Z'
    bool secondCountingTest() const { return m_jSwitch; } ///< the 'J' switch
    int status(qint64 nowMs) const;

    /// Current range index for a current in A: 0 (60 - 120 A) .. 5 (0.01 - 0.05 A); each
    /// range holds its upper limit, currents below 0.01 A take the lowest range.
    static int rangeIndex(double amps);

private:
    Reply program(const QByteArray &field, qint64 nowMs);
    QByteArray readings(qint64 nowMs) const;

    double m_voltage = 0;
    double m_current = 0;
    double m_frequency = 50;
    double m_angle = 0;
    double m_energyDose = 0;
    bool m_jSwitch = false;
    bool m_outputOn = false;
    std::optional<qint64> m_programmedAt; ///< ms
};

} // namespace sim
