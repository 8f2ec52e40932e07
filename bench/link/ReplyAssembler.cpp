#include "bench/link/ReplyAssembler.h"

#include "common/UTools.h"

namespace bench {

std::optional<QByteArray> ReplyAssembler::feed(const QByteArray &chunk)
{
    if (chunk.isEmpty())
        return std::nullopt;
    const bool startsReply = chunk.at(0) == '/';
    if (m_rxIdle) {
        if (!startsReply)
            return std::nullopt; // not the start of a reply: lost
        m_rxIdle = false;
        m_rxBuffer = chunk;
    } else if (startsReply && !m_rxBuffer.isEmpty()) {
        return std::nullopt; // a second reply in the middle of this one
    } else {
        m_rxBuffer += chunk;
    }
    if (m_rxBuffer.size() > MaxReplyBytes) {
        reset();
        return std::nullopt;
    }
    if (m_rxBuffer.size() > 1 && m_rxBuffer.at(m_rxBuffer.size() - 2) == UTools::ETX) {
        QByteArray reply;
        reply.swap(m_rxBuffer);
        m_rxIdle = true;
        return reply;
    }
    return std::nullopt;
}

void ReplyAssembler::reset()
{
    m_rxIdle = true;
    m_rxBuffer.clear();
}

} // namespace bench
