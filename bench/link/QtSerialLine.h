// The bench line over a real serial port (QSerialPort on the UI thread). Mark and space
// parity, which mark the address byte of every request, are set by a termios call of our own
// on Unix: Qt's backend leaves the stick-parity flag set once a port was at mark or space.
#pragma once

#include "bench/link/SerialLine.h"

#include <QSerialPort>
#include <optional>

namespace bench {

class QtSerialLine final : public SerialLine
{
    Q_OBJECT
public:
    explicit QtSerialLine(QObject *parent = nullptr);
    ~QtSerialLine() override;

    bool open(const QString &portName) override;
    void close() override;
    bool isOpen() const override;
    void applySettings(const LineSettings &settings) override;
    bool write(const QByteArray &bytes) override;
    void setRts(bool on) override;
    void purge() override;
    QString errorString() const override;

private:
    bool applyParity(Parity parity);
    void onErrorOccurred(QSerialPort::SerialPortError error);
    void onBytesWritten();

    QSerialPort m_port;
    std::optional<LineSettings> m_applied; ///< what the open port runs with now
    QString m_error;                       ///< our own failure text, else the port's
};

} // namespace bench
