// A simulated test stand: present on the line or absent (an absent stand never answers,
// the facade does not even hand it the request). It acknowledges its probe, the test
// parameters, the meter setup and the clearing commands, and answers a poll with the
// measurements gathered since the previous poll, or with an acknowledgement when it has
// none.
//
// The meter model that produces measurements comes later; until then nothing gathers
// readings but addReading(), and a poll is acknowledged.
#pragma once

#include "sim/RequestParser.h"

#include <QMap>

namespace sim {

class SimStand
{
public:
    static constexpr int Positions = 100; ///< meter positions 1..100

    bool isPresent() const { return m_present; }
    void setPresent(bool present) { m_present = present; }

    /// Answers a request addressed to this stand (the check byte is already verified).
    Reply handle(const Request &request);

    /// Test parameters of the last 'U' setup, by field letter ('a' voltage, 'b' current,
    /// 'd' power factor text, 'e' measurement time, ...), as texts.
    const QMap<char, QByteArray> &testSetup() const { return m_testSetup; }
    /// Meter setup command of the last 'P'/'Q'/'R'/'S' frame (0 before the first) and its
    /// fields ('g' range, 'f' meter constant in pulses per kWh, 'e' count).
    char meterCommand() const { return m_meterCommand; }
    const QMap<char, QByteArray> &meterSetup() const { return m_meterSetup; }

    /// A measurement of `position` (1..100) to report on the next poll; a later one for
    /// the same position replaces it. Positions outside 1..100 are ignored.
    void addReading(int position, double value);
    /// Measurements waiting for the next poll, by position.
    const QMap<int, double> &pendingReadings() const { return m_readings; }

private:
    Reply poll();

    bool m_present = false;
    QMap<char, QByteArray> m_testSetup;
    char m_meterCommand = 0;
    QMap<char, QByteArray> m_meterSetup;
    QMap<int, double> m_readings;
};

} // namespace sim
