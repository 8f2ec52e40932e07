// A simulated test stand: present on the line or absent (an absent stand never answers,
// the facade does not even hand it the request). It acknowledges its probe, the test
// parameters, the meter setup and the clearing commands, and answers a poll with one
// group per position that has something to report, or with an acknowledgement when none
// has.
//
// A position reports its fixed value (setValue: the error a meter there shows, reported
// on every poll) or, once, a measurement put in by addReading, which stands in for the
// fixed value on that poll. The meter model that produces measurements comes later.
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

    /// The value text `position` (1..100) reports on every poll, e.g. "0.12" or "-0.35";
    /// an empty text removes it. False, changing nothing, for a position outside 1..100 or
    /// a text that is not a value text.
    bool setValue(int position, const QString &text);
    /// A text a position can report: a number text in Latin-1.
    static bool isValueText(const QString &text);
    void clearValues() { m_values.clear(); }
    /// Fixed values by position.
    const QMap<int, QByteArray> &values() const { return m_values; }

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
    QMap<int, QByteArray> m_values;
};

} // namespace sim
