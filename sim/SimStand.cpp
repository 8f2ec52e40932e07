// The simulated test stand: setup fields, clearing commands and the poll reply.
#include "sim/SimStand.h"

#include "common/UTools.h"

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

Reply SimStand::handle(const Request &request)
{
    using Shape = Request::Shape;
    if (request.shape == Shape::Poll)
        return poll();

    if (request.shape == Shape::Short) {
        switch (request.command) {
        case 'U': // probe
            return Reply::ack();
        case 'V':
            m_readings.clear();
            return Reply::ack();
        case 'W':
            if (const auto p = ParsePosition(request.field)) {
                m_readings.remove(*p);
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

// One group per position with a value or a measurement, in position order:
// "1(0.123)2(-0.05)...10(0.4)". A measurement is reported once; with nothing to report
// the stand says no more than ACK.
Reply SimStand::poll()
{
    QMap<int, QByteArray> report = m_values;
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
