// The in-process line to the bench simulator, timed as the wire would be.
#include "sim/SimLine.h"

#include "common/Scheduler.h"
#include "sim/BenchSimulator.h"

#include <algorithm>

namespace sim {

SimLine::SimLine(Scheduler &scheduler, BenchSimulator &simulator, QObject *parent)
    : bench::SerialLine(parent), m_scheduler(scheduler), m_simulator(&simulator)
{
    connect(&simulator, &BenchSimulator::transmit, this, &SimLine::deliverReply);
}

bool SimLine::open(const QString &portName)
{
    if (m_open) {
        m_error = QStringLiteral("The port is already open");
        return false;
    }
    if (portName != SimulatorPortName) {
        m_error = QStringLiteral("No such port: %1").arg(portName);
        return false;
    }
    m_open = true;
    m_error.clear();
    m_txFreeAtMs = m_rxFreeAtMs = m_scheduler.nowMs();
    return true;
}

void SimLine::close()
{
    m_open = false;
    ++m_txGeneration;
    ++m_rxGeneration;
    m_txPending = 0;
}

void SimLine::applySettings(const bench::LineSettings &settings)
{
    if (m_open)
        m_settings = settings;
}

bool SimLine::write(const QByteArray &bytes)
{
    if (!m_open) {
        m_error = QStringLiteral("The port is not open");
        return false;
    }
    if (bytes.isEmpty())
        return true;

    for (char b : bytes)
        m_sent.append(SentByte{b, m_settings.parity});
    if (m_sent.size() > SentHistory)
        m_sent.remove(0, m_sent.size() - SentHistory);

    const qint64 now = m_scheduler.nowMs();
    const qint64 arrival = std::max(now, m_txFreeAtMs) + wireTimeMs(bytes.size(), m_settings.baudRate);
    m_txFreeAtMs = arrival;
    ++m_txPending;
    const quint64 generation = m_txGeneration;
    m_scheduler.post(int(arrival - now), [this, bytes, generation] {
        if (generation != m_txGeneration)
            return;
        if (m_simulator)
            m_simulator->receive(bytes);
        // The controller switches parity when the buffer runs dry, not after every write.
        if (--m_txPending == 0)
            emit transmitEmpty();
    }, this);
    return true;
}

void SimLine::purge()
{
    if (m_txPending == 0)
        return;
    ++m_txGeneration;
    m_txPending = 0;
    m_txFreeAtMs = m_scheduler.nowMs();
    const quint64 generation = m_txGeneration;
    m_scheduler.post(0, [this, generation] {
        if (generation == m_txGeneration && m_open)
            emit transmitEmpty();
    }, this);
}

void SimLine::deliverReply(const QByteArray &chunk)
{
    if (!m_open)
        return;
    const qint64 now = m_scheduler.nowMs();
    const qint64 arrival = std::max(now, m_rxFreeAtMs) + wireTimeMs(chunk.size(), m_settings.baudRate);
    m_rxFreeAtMs = arrival;
    const quint64 generation = m_rxGeneration;
    m_scheduler.post(int(arrival - now), [this, chunk, generation] {
        if (generation == m_rxGeneration)
            emit chunkReceived(chunk, bench::LineErrorNone);
    }, this);
}

} // namespace sim
