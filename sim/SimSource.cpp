// The simulated power source: programming groups, output switch, readings and status.
#include "sim/SimSource.h"

#include "bench/link/Frames.h"
#include "common/UTools.h"

#include <QRegularExpression>
#include <cmath>
#include <numbers>

namespace sim {

namespace {

// The highest current the source has a range for.
constexpr double kMaxCurrent = 120.0; // A

// A value text as the controller writes it: digits with an optional sign and point.
bool IsNumberText(const QByteArray &text)
{
    static const QRegularExpression number(QStringLiteral("^-?(\\d+\\.?\\d*|\\.\\d+)$"));
    return number.match(QString::fromLatin1(text)).hasMatch();
}

} // namespace

Reply SimSource::handle(const Request &request, qint64 nowMs)
{
    using Shape = Request::Shape;
    if (request.shape == Shape::Poll)
        return Reply::data(readings(nowMs));
    if (request.shape == Shape::Short && request.command == 'U')
        return Reply::ack();
    if (request.shape == Shape::Short && request.command == 'D') {
        m_outputOn = false;
        return Reply::ack();
    }
    if (request.shape == Shape::Data && request.command == 'P')
        return program(request.field, nowMs);
    return Reply::nak();
}

// Groups id(value) with no separator. The frame is taken whole or refused whole: a group
// that does not parse, an unknown id or a value out of the source's reach changes nothing.
Reply SimSource::program(const QByteArray &field, qint64 nowMs)
{
    double voltage = m_voltage, current = m_current, frequency = m_frequency, angle = m_angle;
    double dose = m_energyDose;
    bool jSwitch = m_jSwitch;

    qsizetype pos = 0;
    while (pos < field.size()) {
        const char id = field.at(pos);
        const qsizetype close = field.indexOf(')', pos + 2);
        if (pos + 1 >= field.size() || field.at(pos + 1) != '(' || close < 0)
            return Reply::nak();
        const QByteArray text = field.mid(pos + 2, close - pos - 2);
        pos = close + 1;
        if (!IsNumberText(text))
            return Reply::nak();
        const double v = UTools::WireToFloat(QString::fromLatin1(text));
        switch (id) {
        case '1':
            voltage = v;
            break;
        case '2':
            current = v;
            break;
        case '5':
            frequency = v;
            break;
        case '4':
            angle = std::fmod(v, 360.0);
            if (angle < 0)
                angle += 360.0;
            break;
        case 'Z':
            dose = v;
            break;
        case 'J':
            if (text != "0" && text != "1")
                return Reply::nak();
            jSwitch = text == "1";
            break;
        default:
            return Reply::nak();
        }
    }
    if (voltage < 0 || current < 0 || current > kMaxCurrent || frequency <= 0 || dose < 0)
        return Reply::nak();

    m_voltage = voltage;
    m_current = current;
    m_frequency = frequency;
    m_angle = angle;
    m_energyDose = dose;
    m_jSwitch = jSwitch;
    m_outputOn = true;
    m_programmedAt = nowMs;
    return Reply::ack();
}

int SimSource::status(qint64 nowMs) const
{
    int status = 0;
    if (m_programmedAt && nowMs - *m_programmedAt < SettleMs)
        status |= StatusNotSettled;
    if (!m_outputOn)
        status |= StatusOutputOff;
    return status;
}

int SimSource::rangeIndex(double amps)
{
    static constexpr double lowerLimits[] = {60.0, 10.0, 1.7, 0.3, 0.05}; // A, of ranges 0..4
    for (int i = 0; i < 5; ++i) {
        if (amps > lowerLimits[i])
            return i;
    }
    return 5;
}

// "1(U)2(I)4(PF)5(F):(P)7(range)E(status)". The power factor is reported to three
// decimals and the power is computed from it, so U * I * PF of the reply adds up.
QByteArray SimSource::readings(qint64 nowMs) const
{
    const double u = m_outputOn ? m_voltage : 0.0;
    const double i = m_outputOn ? m_current : 0.0;
    const double pf = UTools::RoundHalfEven(std::cos(m_angle * std::numbers::pi / 180.0), 3);
    const double p = UTools::RoundHalfEven(u * i * pf, 3);
    using UTools::FloatToWire;
    using bench::frames::sourceGroup;
    return sourceGroup('1', FloatToWire(u)) + sourceGroup('2', FloatToWire(i)) + sourceGroup('4', FloatToWire(pf))
           + sourceGroup('5', FloatToWire(m_frequency)) + sourceGroup(':', FloatToWire(p))
           + sourceGroup('7', QString::number(rangeIndex(m_current)))
           + sourceGroup('E', QString::number(status(nowMs)));
}

} // namespace sim
