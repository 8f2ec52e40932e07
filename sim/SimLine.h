// The in-process line from the controller's port component to the bench simulator: what
// the controller writes reaches the simulator after its wire time, and the simulator's
// reply chunks come back as received chunks after theirs, all through the scheduler. The
// controller offers it as a port of its own, SimulatorPortName.
#pragma once

#include "bench/link/SerialLine.h"

#include <QList>
#include <QPointer>

class Scheduler;

namespace sim {

class BenchSimulator;

/// The port name under which the controller offers its built-in simulator.
inline const QString SimulatorPortName = QStringLiteral("Имитатор установки");

class SimLine final : public bench::SerialLine
{
    Q_OBJECT
public:
    /// A byte the controller wrote, with the parity the line had when it was handed over.
    struct SentByte
    {
        char byte;
        bench::Parity parity;
        bool operator==(const SentByte &) const = default;
    };
    /// How many written bytes are remembered (the oldest go first).
    static constexpr qsizetype SentHistory = 4096;

    /// The simulator must outlive the line's pending deliveries; it need not outlive the line.
    SimLine(Scheduler &scheduler, BenchSimulator &simulator, QObject *parent = nullptr);

    bool open(const QString &portName) override;
    void close() override;
    bool isOpen() const override { return m_open; }
    void applySettings(const bench::LineSettings &settings) override;
    bool write(const QByteArray &bytes) override;
    void setRts(bool on) override { m_rts = on; }
    /// Written bytes still on their way to the simulator are dropped (the transmit buffer
    /// then has run empty, and says so).
    void purge() override;
    QString errorString() const override { return m_error; }

    bench::LineSettings settings() const { return m_settings; }
    bool rts() const { return m_rts; }
    const QList<SentByte> &sentBytes() const { return m_sent; }
    void clearSentBytes() { m_sent.clear(); }

private:
    void deliverReply(const QByteArray &chunk);

    Scheduler &m_scheduler;
    QPointer<BenchSimulator> m_simulator;
    bool m_open = false;
    bool m_rts = false;
    QString m_error;
    /// Until the controller applies its own, the line runs at the bench's settings.
    bench::LineSettings m_settings{19200, 8, bench::Parity::Space, bench::StopBits::One};
    QList<SentByte> m_sent;

    // Each direction is one wire: a chunk starts when the previous one has ended.
    qint64 m_txFreeAtMs = 0;
    qint64 m_rxFreeAtMs = 0;
    quint64 m_txGeneration = 0; ///< bumped by purge and close: pending writes are void
    quint64 m_rxGeneration = 0; ///< bumped by close: pending replies are void
    int m_txPending = 0;        ///< writes not yet at the simulator
};

} // namespace sim
