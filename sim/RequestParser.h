// The bench line as a device sees it: requests framed out of the received byte stream by
// their content alone, decoded into address, shape, command and field, and the three reply
// shapes a device answers with.
//
// Framing does not trust parity. On a pseudo-terminal there is none, and the controller may
// send a whole request under MARK, so the address byte is found by what follows it: a
// request begins with an address byte ('0'..';' or 0xFF) followed by SOH or '?', or with
// '/' '0' SOH (the closing frame). The closing frame ends at its ETX; every other request
// ends one byte after its first ETX (the check byte, which may itself be 0x03, or 0x00).
// SOH and '?' occur only in the head of a request, so an address byte followed by one of
// them further on starts a new request (the closing frame's at its '/') and the cut-off
// one before it is dropped. The bytes are framed one at a time, so how the line chunked
// them never changes where requests are cut.
#pragma once

#include <QByteArray>
#include <QList>
#include <QtGlobal>

namespace sim {

/// One request as received, taken apart.
struct Request
{
    enum class Shape : quint8 {
        Poll,    ///< address, '?', ETX, 0x00
        Short,   ///< address, SOH, command, [body], ETX, 0x00
        Data,    ///< address, SOH, command, STX, field, ETX, check byte
        Closing, ///< '/', '0', SOH, 'X', ETX: the controller is closing
    };

    Shape shape = Shape::Short;
    quint8 address = 0;       ///< the first byte: '1' source, '2'..';' stands, 0xFF all
    char command = 0;         ///< '?' for a poll; 0 when a short request carries no letter
    QByteArray field;         ///< data field (Data) or body text (Short)
    bool checkByteOk = true;  ///< Data only: the check byte matches the field

    /// Decodes a frame as cut by RequestParser (which guarantees its outer shape).
    static Request decode(const QByteArray &frame);
};

/// A number as the bench writes it in a group: digits with an optional leading '-' and
/// decimal point ("220", "0.5", "-0.35", ".5"); nothing else can stand between '(' and ')'.
bool isNumberText(const QByteArray &text);

/// What a device answers; the facade turns it into bytes with the device's address.
struct Reply
{
    enum class Kind : quint8 { Ack, Nak, Data };

    Kind kind = Kind::Ack;
    QByteArray field; ///< Data only: the groups between STX and ETX

    static Reply ack() { return {Kind::Ack, {}}; }
    static Reply nak() { return {Kind::Nak, {}}; }
    static Reply data(const QByteArray &field) { return {Kind::Data, field}; }

    /// '/', address, ACK or NAK, ETX, 0x00; or '/', address, STX, field, ETX, check byte.
    QByteArray bytes(quint8 address) const;
};

/// Cuts requests out of the received bytes, however they are chunked. Bytes that cannot
/// begin a request are skipped; a start that runs longer than MaxRequestBytes without an
/// ETX is taken for noise, so line noise never grows the buffer beyond that bound.
class RequestParser
{
public:
    /// Longer than any request of the bench (the stand setup is about 40 bytes).
    static constexpr qsizetype MaxRequestBytes = 256;

    /// Appends received bytes; returns the requests they completed, in order.
    QList<QByteArray> feed(const QByteArray &bytes);
    /// Bytes held for a request not yet complete.
    qsizetype pendingBytes() const { return m_buffer.size(); }
    void reset() { m_buffer.clear(); }

private:
    enum class Start : quint8 { NotAStart, MaybeStart, Start };
    /// Cuts what the buffer completes into `requests` and drops what cannot begin one.
    void takeRequests(QList<QByteArray> &requests);
    Start startAt(qsizetype i) const;
    /// Length of the request at the front of the buffer, 0 while it is incomplete.
    qsizetype completeLength() const;
    /// Where a new request begins inside the one at the front, 0 if nowhere.
    qsizetype nextStartInside() const;

    QByteArray m_buffer;
};

} // namespace sim
