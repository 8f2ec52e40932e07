// A simulated test stand: present on the line or absent (an absent stand never answers,
// the facade does not even hand it the request). It acknowledges its probe, the test
// parameters, the meter setup and the clearing commands, and answers a poll with one
// group per position that has something to report, or with an acknowledgement when none
// has.
//
// The meters on the positions (SimMeter) measure at the load of the last 'U' setup, in
// the kind of measurement the last meter setup chose, counting from that setup (or from
// the clearing of their position):
//   'P' error: one new error value per meter at the end of each measurement period;
//   'Q' sensitivity: the pulse count, a new one with every pulse at the load's rate;
//   'R' creep: the pulse count of a creeping meter;
//   'S' counting device: the register's pulse count, the energy given times the constant.
// A poll reports what is new since the last poll; a dead position never reports.
//
// A fixed value (setValue) overrides the model: it is reported on every poll. A
// measurement put in by addReading is reported once, on the next poll, in place of both.
#pragma once

#include "sim/RequestParser.h"
#include "sim/SimMeter.h"

#include <QMap>
#include <optional>

namespace sim {

class SimStand
{
public:
    static constexpr int Positions = 100; ///< meter positions 1..100

    /// The stand's number 1..10; it tells the noise of its meters from another stand's.
    void setNumber(int number) { m_number = number; }

    bool isPresent() const { return m_present; }
    void setPresent(bool present) { m_present = present; }

    /// Answers a request addressed to this stand (the check byte is already verified) at
    /// scheduler time `nowMs`, the source having given `energyWh` in all so far.
    Reply handle(const Request &request, qint64 nowMs = 0, double energyWh = 0);

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

    /// The meter at `position` (1..100; others are ignored).
    void setMeter(int position, const MeterModel &model);
    void clearMeters();
    const QMap<int, SimMeter> &meters() const { return m_meters; }

private:
    /// Where a position's measurement started, and what it has reported since.
    struct Track
    {
        qint64 startMs = 0;
        double energyAtStartWh = 0;
        qint64 reported = 0; ///< periods or pulses already reported
    };

    Reply poll(qint64 nowMs, double energyWh);
    /// Starts the measurement of `position` (all positions for 0) afresh.
    void restart(int position, qint64 nowMs, double energyWh);
    /// What the meter at `position` has to report now, if anything new.
    std::optional<double> measure(int position, const SimMeter &meter, qint64 nowMs, double energyWh);

    int m_number = 1;

    bool m_present = false;
    QMap<char, QByteArray> m_testSetup;
    char m_meterCommand = 0;
    QMap<char, QByteArray> m_meterSetup;
    QMap<int, double> m_readings;
    QMap<int, QByteArray> m_values;
    QMap<int, SimMeter> m_meters;
    QMap<int, Track> m_tracks;
};

} // namespace sim
