// The simulated power source: programming groups, output switch, readings and status.
#include "sim/SimSource.h"

#include "bench/link/Frames.h"
#include "common/UTools.h"

#include <algorithm>
#include <cmath>
#include <numbers>

namespace sim {

namespace {

// The highest current the source has a range for.
constexpr double kMaxCurrent = 120.0; // A
constexpr double kMsPerHour = 3'600'000.0;

} // namespace

Reply SimSource::handle(const Request &request, qint64 nowMs)
{
    using Shape = Request::Shape;
    if (request.shape == Shape::Poll)
        return Reply::data(readings(nowMs));
    if (request.shape == Shape::Short && request.command == 'U')
        return Reply::ack();
    if (request.shape == Shape::Short && request.command == 'D') {
        switchOff(nowMs);
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
    // The dose belongs to the frame that carries it: a point without one must not stop
    // at the dose of the point before.
    std::optional<double> dose;
    bool jSwitch = m_jSwitch;

    qsizetype pos = 0;
    while (pos < field.size()) {
        const char id = field.at(pos);
        const qsizetype close = field.indexOf(')', pos + 2);
        if (pos + 1 >= field.size() || field.at(pos + 1) != '(' || close < 0)
            return Reply::nak();
        const QByteArray text = field.mid(pos + 2, close - pos - 2);
        pos = close + 1;
        if (!isNumberText(text))
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
    if (voltage < 0 || current < 0 || current > kMaxCurrent || frequency <= 0 || dose.value_or(0) < 0)
        return Reply::nak();

    m_energyBefore += energy(nowMs); // what the last setting gave stays given
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

double SimSource::powerFactor() const
{
    if (!m_outputOn || m_voltage == 0 || m_current == 0)
        return 0;
    return UTools::RoundHalfEven(std::cos(m_angle * std::numbers::pi / 180.0), 3);
}

double SimSource::power() const
{
    return m_outputOn ? UTools::RoundHalfEven(m_voltage * m_current * powerFactor(), 3) : 0.0;
}

double SimSource::energy(qint64 nowMs) const
{
    if (!m_outputOn || !m_programmedAt)
        return 0;
    const double delivered = power() * double(nowMs - *m_programmedAt) / kMsPerHour;
    return UTools::RoundHalfEven(m_energyDose ? std::min(delivered, *m_energyDose) : delivered, 3);
}

void SimSource::switchOff(qint64 nowMs)
{
    m_energyBefore += energy(nowMs);
    m_outputOn = false;
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

bool SimSource::addStatusFault(int status, int count, int afterReadings)
{
    if (status < 0 || status > 255 || (count < 1 && count != Always) || afterReadings < 0)
        return false;
    m_statusFaults << StatusFault{status, count, afterReadings};
    return true;
}

int SimSource::reportedStatus(qint64 nowMs)
{
    std::optional<int> faulted;
    for (auto it = m_statusFaults.begin(); it != m_statusFaults.end();) {
        if (it->after > 0) {
            --it->after;
            ++it;
            continue;
        }
        faulted = faulted.value_or(0) | it->status;
        if (it->count != Always && --it->count == 0)
            it = m_statusFaults.erase(it);
        else
            ++it;
    }
    return faulted.value_or(status(nowMs));
}

// "1(U)2(I)4(PF)5(F):(P)7(range)Z(energy)E(status)". The power is computed from the
// power factor as reported, so U * I * PF of the reply adds up.
QByteArray SimSource::readings(qint64 nowMs)
{
    const double u = m_outputOn ? m_voltage : 0.0;
    const double i = m_outputOn ? m_current : 0.0;
    const double f = m_outputOn ? m_frequency : 0.0;
    using UTools::FloatToWire;
    using bench::frames::sourceGroup;
    return sourceGroup('1', FloatToWire(u)) + sourceGroup('2', FloatToWire(i))
           + sourceGroup('4', FloatToWire(powerFactor())) + sourceGroup('5', FloatToWire(f))
           + sourceGroup(':', FloatToWire(power())) + sourceGroup('7', QString::number(rangeIndex(i)))
           + sourceGroup('Z', FloatToWire(energy(nowMs)))
           + sourceGroup('E', QString::number(reportedStatus(nowMs)));
}

} // namespace sim
