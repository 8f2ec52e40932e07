// The bench line over a real serial port.
#include "bench/link/QtSerialLine.h"

#ifndef Q_OS_WIN
#include <cerrno>
#include <cstring>
#include <termios.h>
#endif

namespace bench {

namespace {

QSerialPort::StopBits toQt(StopBits stopBits)
{
    switch (stopBits) {
    case StopBits::One:
        return QSerialPort::OneStop;
    case StopBits::OneAndHalf:
        return QSerialPort::OneAndHalfStop;
    case StopBits::Two:
        return QSerialPort::TwoStop;
    }
    return QSerialPort::OneStop;
}

#ifdef Q_OS_WIN
QSerialPort::Parity toQt(Parity parity)
{
    switch (parity) {
    case Parity::None:
        return QSerialPort::NoParity;
    case Parity::Odd:
        return QSerialPort::OddParity;
    case Parity::Even:
        return QSerialPort::EvenParity;
    case Parity::Mark:
        return QSerialPort::MarkParity;
    case Parity::Space:
        return QSerialPort::SpaceParity;
    }
    return QSerialPort::NoParity;
}
#else
// Stick parity: with it, odd means a parity bit that is always 1 (mark) and even one that is
// always 0 (space). Systems without it cannot mark the address byte.
#ifdef CMSPAR
constexpr tcflag_t kStickParity = CMSPAR;
#else
constexpr tcflag_t kStickParity = 0;
#endif
#endif

} // namespace

QtSerialLine::QtSerialLine(QObject *parent) : SerialLine(parent)
{
    connect(&m_port, &QSerialPort::readyRead, this,
            [this] { emit chunkReceived(m_port.readAll(), LineErrorNone); });
    connect(&m_port, &QSerialPort::bytesWritten, this, &QtSerialLine::onBytesWritten);
    connect(&m_port, &QSerialPort::errorOccurred, this, &QtSerialLine::onErrorOccurred);
}

QtSerialLine::~QtSerialLine()
{
    close();
}

bool QtSerialLine::open(const QString &portName)
{
    close();
    m_error.clear();
    m_port.setPortName(portName);
    m_port.setFlowControl(QSerialPort::NoFlowControl);
    if (!m_port.open(QIODevice::ReadWrite))
        return false;
    // Both lines stay off until the port component drives RTS. A pseudo-terminal has no
    // modem lines; that is no reason to refuse it.
    m_port.setDataTerminalReady(false);
    m_port.setRequestToSend(false);
    return true;
}

void QtSerialLine::close()
{
    m_applied.reset();
    if (m_port.isOpen())
        m_port.close();
}

bool QtSerialLine::isOpen() const
{
    return m_port.isOpen();
}

void QtSerialLine::applySettings(const LineSettings &settings)
{
    if (!m_port.isOpen())
        return;
    // Only what changed is touched: the parity flips twice per request, and reprogramming
    // the speed each time could upset the byte in flight.
    const bool all = !m_applied.has_value();
    if (all || m_applied->baudRate != settings.baudRate)
        m_port.setBaudRate(settings.baudRate);
    if (all || m_applied->dataBits != settings.dataBits)
        m_port.setDataBits(static_cast<QSerialPort::DataBits>(settings.dataBits));
    if (all || m_applied->stopBits != settings.stopBits)
        m_port.setStopBits(toQt(settings.stopBits));
    LineSettings applied = settings;
    if ((all || m_applied->parity != settings.parity) && !applyParity(settings.parity))
        applied.parity = all ? Parity::None : m_applied->parity;
    m_applied = applied;
}

bool QtSerialLine::applyParity(Parity parity)
{
#ifdef Q_OS_WIN
    return m_port.setParity(toQt(parity));
#else
    if ((parity == Parity::Mark || parity == Parity::Space) && kStickParity == 0) {
        m_error = tr("Mark and space parity are not supported on this system");
        return false;
    }
    const int fd = static_cast<int>(m_port.handle());
    termios tio {};
    if (::tcgetattr(fd, &tio) != 0) {
        m_error = QString::fromLocal8Bit(std::strerror(errno));
        return false;
    }
    tio.c_cflag &= ~tcflag_t(PARENB | PARODD | kStickParity);
    switch (parity) {
    case Parity::None:
        break;
    case Parity::Odd:
        tio.c_cflag |= PARENB | PARODD;
        break;
    case Parity::Even:
        tio.c_cflag |= PARENB;
        break;
    case Parity::Mark:
        tio.c_cflag |= PARENB | PARODD | kStickParity;
        break;
    case Parity::Space:
        tio.c_cflag |= PARENB | kStickParity;
        break;
    }
    // Replies come back under the opposite parity bit; checking it would garble them.
    tio.c_iflag &= ~tcflag_t(INPCK | PARMRK);
    // TCSADRAIN: bytes already handed over leave under the parity they were written with.
    if (::tcsetattr(fd, TCSADRAIN, &tio) != 0) {
        m_error = QString::fromLocal8Bit(std::strerror(errno));
        return false;
    }
    return true;
#endif
}

bool QtSerialLine::write(const QByteArray &bytes)
{
    if (!m_port.isOpen())
        return false;
    if (m_port.write(bytes) != bytes.size())
        return false;
    // QSerialPort writes from its buffer on the next turn of the event loop. Hand the bytes
    // to the driver now, so that a parity change made after this call does not apply to them.
    m_port.flush();
    return m_port.isOpen(); // the device may have gone away under the write

}

void QtSerialLine::setRts(bool on)
{
    if (m_port.isOpen())
        m_port.setRequestToSend(on);
}

void QtSerialLine::purge()
{
    if (m_port.isOpen())
        m_port.clear(QSerialPort::AllDirections);
}

QString QtSerialLine::errorString() const
{
    return m_error.isEmpty() ? m_port.errorString() : m_error;
}

void QtSerialLine::onBytesWritten()
{
    if (m_port.bytesToWrite() == 0)
        emit transmitEmpty();
}

void QtSerialLine::onErrorOccurred(QSerialPort::SerialPortError error)
{
    // Qt keeps reporting a lost device until the port is closed, so only the first report
    // while open counts.
    if (!m_port.isOpen())
        return;
    QString reason;
    if (error == QSerialPort::ResourceError) {
        reason = m_port.errorString();
    } else if (error == QSerialPort::ReadError || error == QSerialPort::WriteError) {
#ifndef Q_OS_WIN
        // An unplugged adapter leaves a hung-up tty that reads as end of file: Qt reports
        // that as a read error, again on every turn of the event loop. A device that no
        // longer answers a termios query is gone.
        termios tio {};
        if (::tcgetattr(static_cast<int>(m_port.handle()), &tio) == 0)
            return;
        reason = QString::fromLocal8Bit(std::strerror(errno));
#else
        return;
#endif
    } else {
        return;
    }
    close();
    emit vanished(reason);
}

} // namespace bench
