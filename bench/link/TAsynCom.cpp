// The controller's serial port component.
#include "bench/link/TAsynCom.h"

#include "common/Scheduler.h"

#include <algorithm>
#include <cmath>

namespace bench {

QString comPortName(int number)
{
#ifdef Q_OS_WIN
    return QStringLiteral("COM%1").arg(number);
#else
    return QStringLiteral("/dev/ttyS%1").arg(number - 1);
#endif
}

TAsynCom::TAsynCom(Scheduler &scheduler, LineFactory factory, QObject *parent)
    : QObject(parent), m_scheduler(scheduler), m_factory(std::move(factory)),
      m_portName(comPortName(1))
{
}

TAsynCom::~TAsynCom()
{
    if (m_line) {
        m_line->disconnect(this);
        m_line->close();
    }
}

void TAsynCom::setComNumber(int number)
{
    if (number < 1)
        return;
    setPortName(comPortName(number));
    m_comNumber = number;
}

void TAsynCom::setPortName(const QString &portName)
{
    if (portName == m_portName)
        return;
    m_comNumber = 0;
    const bool wasOpen = IsOpen();
    Close();
    m_portName = portName;
    if (wasOpen)
        Open();
}

void TAsynCom::setBaudRate(int baudRate)
{
    if (baudRate < 1)
        return;
    m_settings.baudRate = baudRate;
    applySettings();
}

void TAsynCom::setByteSize(int dataBits)
{
    if (dataBits < 5 || dataBits > 8)
        return;
    m_settings.dataBits = dataBits;
    applySettings();
}

void TAsynCom::setParity(Parity parity)
{
    m_settings.parity = parity;
    applySettings();
}

void TAsynCom::setStopbits(StopBits stopBits)
{
    m_settings.stopBits = stopBits;
    applySettings();
}

void TAsynCom::applySettings()
{
    if (IsOpen())
        m_line->applySettings(m_settings);
}

bool TAsynCom::IsOpen() const
{
    return m_line && m_line->isOpen();
}

void TAsynCom::Open()
{
    if (IsOpen())
        return;
    Close(); // a line that closed itself is let go before the new one is made
    std::unique_ptr<SerialLine> line = m_factory ? m_factory(m_portName) : nullptr;
    if (!line)
        return;
    if (!line->open(m_portName)) {
        m_errorString = line->errorString();
        return;
    }
    m_errorString.clear();
    connect(line.get(), &SerialLine::chunkReceived, this, &TAsynCom::OnReadByte);
    connect(line.get(), &SerialLine::transmitEmpty, this, &TAsynCom::DoWriteBuffer);
    connect(line.get(), &SerialLine::vanished, this, &TAsynCom::lineVanished);
    m_line = std::move(line);
    ++m_session;
    // The line opens with RTS off, whatever an earlier session left it at.
    m_rtsState = 0;
    applySettings();
}

void TAsynCom::Close()
{
    if (!m_line)
        return;
    ++m_session;
    m_line->disconnect(this);
    m_line->close();
    // Close may run inside one of the line's own signals (a vanished device): the line is
    // destroyed once control is back in the event loop, never under its own feet.
    m_line.release()->deleteLater();
}

bool TAsynCom::Write(const QByteArray &s)
{
    if (s.isEmpty() || !IsOpen())
        return false;
    SetRTSState(0);
    if (!m_line->write(s))
        return false;
    m_lastWritten = s;
    return true;
}

void TAsynCom::SetRTSState(int index)
{
    if (!m_rts || !IsOpen() || index == m_rtsState || (index != 0 && index != 1))
        return;
    m_line->setRts(index == 1);
    m_rtsState = index;
}

void TAsynCom::Purge()
{
    if (IsOpen())
        m_line->purge();
}

quint16 TAsynCom::TransmitTime(int count) const
{
    // Single precision throughout, margin included: 100 ms x 1.1 is then exactly 110 ms
    // (in double it would come out a hair above and give 111).
    const float characters = static_cast<float>(std::clamp(count, 0, 65535));
    float stopBits = 1.0f;
    if (m_settings.stopBits == StopBits::OneAndHalf)
        stopBits = 1.5f;
    else if (m_settings.stopBits == StopBits::Two)
        stopBits = 2.0f;
    const float bits = static_cast<float>(m_settings.dataBits) + 1.0f
        + (m_settings.parity != Parity::None ? 1.0f : 0.0f) + stopBits;
    const float time = characters * bits * 1000.0f / static_cast<float>(m_settings.baudRate);
    const float withMargin = std::ceil(time * 1.1f);
    return static_cast<quint16>(std::min(withMargin, 65535.0f));
}

void TAsynCom::DoWriteBuffer()
{
    // The driver's buffer is empty, but the last characters are still on the wire: the
    // owner hears of the end once they are out (with a 10 % margin).
    const quint64 session = m_session;
    m_scheduler.post(
        TransmitTime(static_cast<int>(std::min<qsizetype>(m_lastWritten.size(), 65535))),
        [this, session] {
            if (session != m_session)
                return; // closed (or reopened) meanwhile
            emit OnWriteBuffer();
            SetRTSState(1);
        },
        this);
}

void TAsynCom::lineVanished(const QString &reason)
{
    if (!m_line)
        return;
    Close();
    emit portLost(reason);
}

} // namespace bench
