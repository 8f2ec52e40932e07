#include "bench/link/FrameLink.h"

#include "bench/link/TAsynCom.h"

namespace bench {

FrameLink::FrameLink(TAsynCom &port, QObject *parent) : QObject(parent), m_port(port)
{
    connect(&m_port, &TAsynCom::OnWriteBuffer, this, &FrameLink::Com1WriteBuffer);
    connect(&m_port, &TAsynCom::OnReadByte, this, [this](const QByteArray &s, quint32) { Com1ReadByte(s); });
}

void FrameLink::SendFrame(const QByteArray &s)
{
    if (s.isEmpty() || (m_consoleDown && m_consoleDown()))
        return;
    m_port.SetRTSState(0);
    m_port.setParity(Parity::Mark);
    // The address byte goes alone under MARK; the switch to SPACE comes with the port's
    // end-of-transmission event, after both writes have been handed to the driver.
    m_port.Write(s.left(1));
    if (s.size() > 1)
        m_port.Write(s.mid(1));
}

void FrameLink::Com1WriteBuffer()
{
    if (m_port.parity() == Parity::Mark)
        m_port.setParity(Parity::Space);
    else if (m_port.RTSState() == 0)
        m_port.SetRTSState(1);
}

void FrameLink::Com1ReadByte(const QByteArray &chunk)
{
    if (m_closing)
        return;
    if (const auto reply = m_assembler.feed(chunk))
        emit replyReceived(*reply);
}

} // namespace bench
