// Frames on the wire: sending a request with its address byte under MARK parity and the
// rest under SPACE, switching back when the transmission ended, and handing complete replies
// on. The main window owns one; the transaction engine sends and receives through it.
#pragma once

#include "bench/link/ReplyAssembler.h"

#include <QObject>
#include <functional>

namespace bench {

class TAsynCom;

class FrameLink : public QObject
{
    Q_OBJECT
public:
    explicit FrameLink(TAsynCom &port, QObject *parent = nullptr);

    /// While the console button is down the controller stays silent on the line.
    void setConsoleDown(std::function<bool()> isDown) { m_consoleDown = std::move(isDown); }
    /// Set when the program closes: received bytes are ignored from then on.
    void setClosing(bool closing) { m_closing = closing; }
    bool closing() const { return m_closing; }

    /// Sends one request: RTS cleared, MARK parity, the address byte alone, then the rest.
    void SendFrame(const QByteArray &s);
    /// The port reported the end of a transmission: MARK becomes SPACE, else RTS is set.
    void Com1WriteBuffer();
    /// One received chunk, assembled into replies.
    void Com1ReadByte(const QByteArray &chunk);

    /// The reply watchdog ran out: forget a reply that never completed.
    void resetReply() { m_assembler.reset(); }
    const ReplyAssembler &assembler() const { return m_assembler; }

signals:
    /// A complete reply; the reply watchdog is to be stopped.
    void replyReceived(const QByteArray &reply);

private:
    TAsynCom &m_port;
    ReplyAssembler m_assembler;
    std::function<bool()> m_consoleDown;
    bool m_closing = false;
};

} // namespace bench
