// The simulated test stand: setup fields, clearing commands and the poll reply.
#include "sim/SimStand.h"

#include "common/UTools.h"

#include <algorithm>
#include <cmath>
#include <optional>

namespace sim {

namespace {

// Stand data field: fields letter 'X' value 'Y', the last one closed by 'Y' too; the
// letter is lower case. nullopt when the field does not have that shape.
std::optional<QMap<char, QByteArray>> ParseFields(const QByteArray &field)
{
    QMap<char, QByteArray> fields;
    qsizetype pos = 0;
    while (pos < field.size()) {
        const char letter = field.at(pos);
        if (letter < 'a' || letter > 'z' || pos + 1 >= field.size() || field.at(pos + 1) != 'X')
            return std::nullopt;
        const qsizetype end = field.indexOf('Y', pos + 2);
        if (end < 0)
            return std::nullopt;
        fields.insert(letter, field.mid(pos + 2, end - pos - 2));
        pos = end + 1;
    }
    return fields;
}

// A position number as the clearing command 'W' carries it: decimal 1..100.
std::optional<int> ParsePosition(const QByteArray &body)
{
    bool ok = false;
    const int p = body.toInt(&ok);
    if (!ok || body.isEmpty() || body.front() < '0' || body.front() > '9' || p < 1 || p > SimStand::Positions)
        return std::nullopt;
    return p;
}

} // namespace

Reply SimStand::handle(const Request &request, qint64 nowMs, double energyWh)
{
    using Shape = Request::Shape;
    if (request.shape == Shape::Poll)
        return poll(nowMs, energyWh);

    if (request.shape == Shape::Short) {
        switch (request.command) {
        case 'U': // probe
            return Reply::ack();
        case 'V':
            m_readings.clear();
            restart(0, nowMs, energyWh);
            return Reply::ack();
        case 'W':
            if (const auto p = ParsePosition(request.field)) {
                m_readings.remove(*p);
                restart(*p, nowMs, energyWh);
                return Reply::ack();
            }
            return Reply::nak();
        default:
            return Reply::nak();
        }
    }

    if (request.shape == Shape::Data) {
        const auto fields = ParseFields(request.field);
        if (!fields)
            return Reply::nak();
        switch (request.command) {
        case 'U':
            m_testSetup = *fields;
            return Reply::ack();
        case 'P':
        case 'Q':
        case 'R':
        case 'S':
            m_meterCommand = request.command;
            m_meterSetup = *fields;
            restart(0, nowMs, energyWh);
            return Reply::ack();
        default:
            return Reply::nak();
        }
    }
    return Reply::nak();
}

bool SimStand::setValue(int position, const QString &text)
{
    if (position < 1 || position > Positions)
        return false;
    if (text.isEmpty()) {
        m_values.remove(position);
        return true;
    }
    if (!isValueText(text))
        return false;
    m_values.insert(position, text.toLatin1());
    return true;
}

bool SimStand::isValueText(const QString &text)
{
    const QByteArray latin = text.toLatin1();
    return QString::fromLatin1(latin) == text && isNumberText(latin);
}

void SimStand::addReading(int position, double value)
{
    if (position >= 1 && position <= Positions)
        m_readings.insert(position, value);
}

void SimStand::setMeter(int position, const MeterModel &model)
{
    if (position < 1 || position > Positions)
        return;
    const quint64 seed = (quint64(m_number) << 32) | quint64(position);
    m_meters.insert(position, SimMeter(model, seed));
}

void SimStand::clearMeters()
{
    m_meters.clear();
    m_tracks.clear();
}

void SimStand::restart(int position, qint64 nowMs, double energyWh)
{
    const Track fresh{nowMs, energyWh, 0};
    if (position != 0) {
        m_tracks.insert(position, fresh);
        return;
    }
    for (int p = 1; p <= Positions; ++p)
        m_tracks.insert(p, fresh);
}

std::optional<double> SimStand::measure(int position, const SimMeter &meter, qint64 nowMs,
                                        double energyWh)
{
    const auto track = m_tracks.find(position);
    if (meter.model().dead || track == m_tracks.end())
        return std::nullopt;
    const Load load = Load::fromSetup(m_testSetup);
    const double constant = setupNumber(m_meterSetup.value('f'));
    const qint64 elapsedMs = nowMs - track->startMs;
    qint64 progress = 0; // periods or pulses so far
    switch (m_meterCommand) {
    case 'P': {
        const qint64 periodMs = qint64(std::llround(load.periodS * 1000.0));
        progress = meter.runs(load) && periodMs > 0 ? elapsedMs / periodMs : 0;
        break;
    }
    case 'Q':
        progress = meter.loadPulses(load, constant, elapsedMs);
        break;
    case 'R':
        progress = meter.creepPulses(elapsedMs);
        break;
    case 'S':
        progress = meter.registerPulses(energyWh - track->energyAtStartWh, constant, load.amps);
        break;
    default:
        break;
    }
    if (progress <= track->reported)
        return std::nullopt;
    track->reported = progress;
    return m_meterCommand == 'P' ? meter.errorPercent(load, progress) : double(progress);
}

// One group per position with a value or a measurement, in position order:
// "1(0.123)2(-0.05)...10(0.4)". A measurement is reported once; with nothing to report
// the stand says no more than ACK.
Reply SimStand::poll(qint64 nowMs, double energyWh)
{
    QMap<int, QByteArray> report = m_values;
    for (auto it = m_meters.cbegin(); it != m_meters.cend(); ++it) {
        if (report.contains(it.key()))
            continue; // a fixed value overrides the model
        if (const auto value = measure(it.key(), it.value(), nowMs, energyWh))
            report.insert(it.key(), UTools::FloatToWire(*value).toLatin1());
    }
    for (auto it = m_readings.cbegin(); it != m_readings.cend(); ++it)
        report.insert(it.key(), UTools::FloatToWire(it.value()).toLatin1());
    m_readings.clear();
    if (report.isEmpty())
        return Reply::ack();
    QByteArray field;
    for (auto it = report.cbegin(); it != report.cend(); ++it)
        field += QByteArray::number(it.key()) + '(' + it.value() + ')';
    return Reply::data(field);
}

} // namespace sim
