// The meter model: errors, pulses and register of one simulated meter.
#include "sim/SimMeter.h"

#include "common/UTools.h"

#include <cmath>

namespace sim {

namespace {

// A well-mixed 64-bit hash (splitmix64): the same meter and period give the same noise.
quint64 Mix(quint64 x)
{
    x += 0x9E3779B97F4A7C15ULL;
    x = (x ^ (x >> 30)) * 0xBF58476D1CE4E5B9ULL;
    x = (x ^ (x >> 27)) * 0x94D049BB133111EBULL;
    return x ^ (x >> 31);
}

// Uniform in [-1, 1).
double Wander(quint64 seed, qint64 period)
{
    const quint64 h = Mix(seed ^ Mix(quint64(period)));
    return double(h >> 11) / double(1ULL << 52) - 1.0;
}

} // namespace

double setupNumber(const QByteArray &text)
{
    const double value = UTools::WireToFloat(QString::fromLatin1(text));
    return std::isfinite(value) ? value : 0.0;
}

Load Load::fromSetup(const QMap<char, QByteArray> &fields)
{
    QByteArray pf = fields.value('d').trimmed();
    if (pf.endsWith('L') || pf.endsWith('C'))
        pf.chop(1);
    if (pf.endsWith('/'))
        pf.chop(1);
    return Load{setupNumber(fields.value('a')), setupNumber(fields.value('b')), setupNumber(pf), setupNumber(fields.value('e'))};
}

double Load::pulsePeriodS(double constant) const
{
    const double rate = constant * volts * amps * std::abs(powerFactor); // W·pulses/kWh
    return rate > 0 ? 3'600'000.0 / rate : 0.0;
}

bool SimMeter::runs(const Load &load) const
{
    return !m_model.dead && load.amps > 0 && load.amps >= m_model.startCurrent;
}

double SimMeter::errorPercent(const Load &load, qint64 period) const
{
    double error = m_model.error;
    if (m_model.lowCurrentBelow > 0 && load.amps < m_model.lowCurrentBelow)
        error += m_model.lowCurrentError * (1.0 - load.amps / m_model.lowCurrentBelow);
    error += m_model.pfError * (1.0 - std::min(1.0, std::abs(load.powerFactor)));
    error += m_model.noise * Wander(m_seed, period);
    return UTools::RoundHalfEven(error, 2);
}

qint64 SimMeter::loadPulses(const Load &load, double constant, qint64 elapsedMs) const
{
    const double periodS = load.pulsePeriodS(constant);
    if (!runs(load) || periodS <= 0 || elapsedMs <= 0)
        return 0;
    return qint64(std::floor(double(elapsedMs) / (periodS * 1000.0)));
}

qint64 SimMeter::creepPulses(qint64 elapsedMs) const
{
    return m_model.creep && !m_model.dead && elapsedMs > 0 ? elapsedMs / CreepPulseMs : 0;
}

qint64 SimMeter::registerPulses(double energyWh, double constant, double amps) const
{
    if (m_model.dead || amps <= 0 || amps < m_model.startCurrent || energyWh <= 0 || constant <= 0)
        return 0;
    // The energy is read to 1 mWh; the small margin keeps an exact count from falling short.
    return qint64(std::floor(energyWh * constant / 1000.0 + 1e-9));
}

} // namespace sim
