// The byte line under the port component: a real serial port, or the in-process line to
// the bench simulator. It knows nothing of frames; it moves bytes, switches parity and RTS
// and says when received bytes arrived and when the transmit buffer ran empty.
#pragma once

#include <QByteArray>
#include <QObject>
#include <QString>

namespace bench {

/// Line settings in the numbering the port component publishes (its order is the value).
enum class Parity : quint8 { None = 0, Odd = 1, Even = 2, Mark = 3, Space = 4 };
enum class StopBits : quint8 { One = 0, OneAndHalf = 1, Two = 2 };

struct LineSettings
{
    int baudRate = 300;             ///< bit/s
    int dataBits = 7;               ///< 5..8
    Parity parity = Parity::Even;
    StopBits stopBits = StopBits::One;
    bool operator==(const LineSettings &) const = default;
};

/// Receive error flags that travel with a chunk (overrun, framing, parity), as bits.
enum LineError : quint32 { LineErrorNone = 0, LineErrorOverrun = 1, LineErrorFraming = 2, LineErrorParity = 4 };

class SerialLine : public QObject
{
    Q_OBJECT
public:
    using QObject::QObject;
    ~SerialLine() override = default;

    /// Opens the device `portName` (a platform port name, or the simulator's name). A failure
    /// leaves the line closed; `errorString()` says why.
    virtual bool open(const QString &portName) = 0;
    virtual void close() = 0;
    virtual bool isOpen() const = 0;
    /// Applies baud rate, data bits, parity and stop bits (only while open). Parity changes
    /// apply to bytes handed over afterwards.
    virtual void applySettings(const LineSettings &settings) = 0;
    /// Hands `bytes` to the driver; false when the line is closed or the write failed.
    virtual bool write(const QByteArray &bytes) = 0;
    virtual void setRts(bool on) = 0;
    /// Discards what waits in the transmit and receive buffers.
    virtual void purge() = 0;
    virtual QString errorString() const = 0;

signals:
    /// Bytes received, as they came (often one at a time), with the receive error flags.
    void chunkReceived(const QByteArray &bytes, quint32 errorFlags);
    /// The transmit buffer ran empty: everything written so far has been handed to the wire.
    void transmitEmpty();
    /// The device went away (adapter unplugged); the line has closed itself.
    void vanished(const QString &reason);
};

} // namespace bench
