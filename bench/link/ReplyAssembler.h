// Assembles device replies from the chunks the port delivers: a reply starts with '/', is
// complete when its second-to-last byte is ETX, and a '/' chunk arriving in the middle of a
// reply (a device answering twice) is dropped whole.
#pragma once

#include <QByteArray>
#include <optional>

namespace bench {

class ReplyAssembler
{
public:
    /// Longest reply the bench sends is a stand's data reply for 100 positions (about 1.5 KB);
    /// anything far beyond that is noise and is dropped.
    static constexpr qsizetype MaxReplyBytes = 8192;

    /// Takes one received chunk; returns the reply it completed, if any.
    std::optional<QByteArray> feed(const QByteArray &chunk);
    /// Back to waiting for '/', dropping a reply that never completed (the reply watchdog ran
    /// out), so one corrupted reply cannot swallow the replies after it.
    void reset();

    bool rxIdle() const { return m_rxIdle; }
    const QByteArray &rxBuffer() const { return m_rxBuffer; }

private:
    bool m_rxIdle = true;   ///< waiting for the '/' that starts a reply
    QByteArray m_rxBuffer;  ///< the reply being assembled
};

} // namespace bench
