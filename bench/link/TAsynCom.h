// The controller's serial port component: opens the bench line named by its port number,
// hands every received chunk to its owner, writes strings, reports the end of each
// transmission once the last character has left the line, and drives RTS around
// transmissions when asked to. It knows nothing about frames.
#pragma once

#include "bench/link/SerialLine.h"

#include <QObject>
#include <QString>
#include <functional>
#include <memory>

class Scheduler;

namespace bench {

/// Platform name of serial port `number` (1-based): "COM<n>" on Windows, "/dev/ttyS<n-1>"
/// elsewhere.
QString comPortName(int number);

class TAsynCom : public QObject
{
    Q_OBJECT
public:
    /// Makes the line for a port name (a real port, or the simulator's line).
    using LineFactory = std::function<std::unique_ptr<SerialLine>(const QString &portName)>;

    TAsynCom(Scheduler &scheduler, LineFactory factory, QObject *parent = nullptr);
    ~TAsynCom() override;

    /// When false (the default) the RTS line is never touched.
    bool RTS() const { return m_rts; }
    void setRTS(bool rts) { m_rts = rts; }

    /// The number last given to setComNumber; 0 once the port name was set to another name.
    int comNumber() const { return m_comNumber; }
    /// Sets the port name to comPortName(number); numbers below 1 are ignored.
    void setComNumber(int number);
    /// A changed name on an open port closes it and opens the new one (which may fail and
    /// leave the component closed); on a closed port it is only stored.
    QString portName() const { return m_portName; }
    void setPortName(const QString &portName);

    // Line settings: stored and, while open, applied at once. Values the line cannot take
    // (baud rate below 1, data bits outside 5..8) are ignored.
    int baudRate() const { return m_settings.baudRate; } ///< bit/s
    void setBaudRate(int baudRate);
    int byteSize() const { return m_settings.dataBits; } ///< data bits, 5..8
    void setByteSize(int dataBits);
    Parity parity() const { return m_settings.parity; }
    void setParity(Parity parity);
    StopBits stopbits() const { return m_settings.stopBits; }
    void setStopbits(StopBits stopBits);
    LineSettings settings() const { return m_settings; }

    bool IsOpen() const;
    /// Nothing when open. Otherwise makes the line, opens it and applies the settings. A
    /// failure leaves the component closed without a message; the caller asks IsOpen.
    void Open();
    void Close();
    /// RTS cleared, then `s` handed to the line. False (and nothing else happens) when the
    /// port is closed, `s` is empty or the line refused it; no end of transmission follows.
    bool Write(const QByteArray &s);
    /// 0 clears RTS, 1 sets it; only when RTS is enabled, the port is open and the state
    /// changes.
    void SetRTSState(int index);
    int RTSState() const { return m_rtsState; }
    /// Discards what waits in the transmit and receive buffers.
    void Purge();
    /// Milliseconds `count` characters take on the line with the current settings, plus 10 %,
    /// taken up to the next whole millisecond.
    quint16 TransmitTime(int count) const;

    /// The last string handed to the line (it times the end of its transmission).
    QByteArray lastWritten() const { return m_lastWritten; }
    /// Why the last Open failed (the line's own text).
    QString errorString() const { return m_errorString; }

signals:
    /// Bytes received, as they came, with the receive error flags (LineError bits).
    void OnReadByte(const QByteArray &s, quint32 errorFlags);
    /// The last string written has left the line.
    void OnWriteBuffer();
    /// The device went away while open; the component has closed. Open may be tried again.
    void portLost(const QString &reason);

private:
    void DoWriteBuffer();
    void lineVanished(const QString &reason);
    void applySettings();

    Scheduler &m_scheduler;
    LineFactory m_factory;
    std::unique_ptr<SerialLine> m_line;
    LineSettings m_settings;
    QString m_portName;
    QByteArray m_lastWritten;
    QString m_errorString;
    int m_comNumber = 1;
    int m_rtsState = 0;     ///< 0 cleared, 1 set
    quint64 m_session = 0;  ///< counts opens and closes; stale continuations compare it
    bool m_rts = false;
};

} // namespace bench
