// Framing of requests by content, decoding, and reply bytes.
#include "sim/RequestParser.h"

#include "common/UTools.h"

#include <QRegularExpression>
#include <algorithm>

namespace sim {

namespace {

using UTools::ACK;
using UTools::ETX;
using UTools::NAK;
using UTools::SOH;
using UTools::STX;

const QByteArray &ClosingFrame()
{
    static const QByteArray frame = QByteArray("/0") + SOH + 'X' + ETX;
    return frame;
}

bool IsAddressByte(quint8 b)
{
    return (b >= '0' && b <= ';') || b == 0xFF || b == '/';
}

} // namespace

bool isNumberText(const QByteArray &text)
{
    static const QRegularExpression number(
        QRegularExpression::anchoredPattern(QStringLiteral("-?(\\d+\\.?\\d*|\\.\\d+)")));
    return number.match(QString::fromLatin1(text)).hasMatch();
}

Request Request::decode(const QByteArray &frame)
{
    Request r;
    r.address = frame.isEmpty() ? 0 : quint8(frame.at(0));
    if (frame == ClosingFrame()) {
        r.shape = Shape::Closing;
        r.command = 'X';
        return r;
    }
    if (frame.size() >= 2 && frame.at(1) == '?') {
        r.shape = Shape::Poll;
        r.command = '?';
        return r;
    }
    qsizetype etx = frame.indexOf(ETX, 2);
    if (etx < 0)
        etx = frame.size();
    r.command = etx > 2 ? frame.at(2) : char(0);
    if (etx > 3 && frame.at(3) == STX) {
        r.shape = Shape::Data;
        r.field = frame.mid(4, etx - 4);
        r.checkByteOk = etx + 1 < frame.size()
                        && UTools::FrameChecksum(frame.left(etx + 1)) == quint8(frame.at(etx + 1));
    } else {
        r.shape = Shape::Short;
        if (etx > 3)
            r.field = frame.mid(3, etx - 3);
    }
    return r;
}

QByteArray Reply::bytes(quint8 address) const
{
    QByteArray r;
    r += '/';
    r += char(address);
    switch (kind) {
    case Kind::Ack:
    case Kind::Nak:
        r += kind == Kind::Ack ? ACK : NAK;
        r += ETX;
        r += char(0);
        break;
    case Kind::Data:
        r += STX;
        r += field;
        r += ETX;
        r += char(0);
        r.back() = char(UTools::ReplyChecksum(r));
        break;
    }
    return r;
}

RequestParser::Start RequestParser::startAt(qsizetype i) const
{
    const qsizetype have = m_buffer.size() - i;
    const quint8 b0 = quint8(m_buffer.at(i));
    if (!IsAddressByte(b0))
        return Start::NotAStart;
    if (b0 == '/') {
        // Only the closing frame begins with '/': "/0" SOH.
        const QByteArray head = QByteArray("/0") + SOH;
        const qsizetype n = std::min<qsizetype>(have, head.size());
        if (m_buffer.mid(i, n) != head.left(n))
            return Start::NotAStart;
        return n < head.size() ? Start::MaybeStart : Start::Start;
    }
    if (have < 2)
        return Start::MaybeStart;
    const char b1 = m_buffer.at(i + 1);
    return b1 == SOH || b1 == '?' ? Start::Start : Start::NotAStart;
}

qsizetype RequestParser::completeLength() const
{
    const QByteArray &closing = ClosingFrame();
    if (m_buffer.startsWith(closing))
        return closing.size();
    if (closing.startsWith(m_buffer))
        return 0; // may still become the closing frame
    const qsizetype etx = m_buffer.indexOf(ETX, 2);
    if (etx < 0 || etx + 1 >= m_buffer.size())
        return 0;
    return etx + 2;
}

qsizetype RequestParser::nextStartInside() const
{
    const qsizetype etx = m_buffer.indexOf(ETX, 2);
    const qsizetype end = etx < 0 ? m_buffer.size() : etx;
    for (qsizetype i = m_buffer.at(0) == '/' ? 3 : 2; i < end; ++i) {
        const char b = m_buffer.at(i);
        if ((b != SOH && b != '?') || !IsAddressByte(quint8(m_buffer.at(i - 1))))
            continue;
        // "/0" SOH is the closing frame: it starts at its '/', not at the "0" SOH in it.
        if (b == SOH && m_buffer.at(i - 1) == '0' && m_buffer.at(i - 2) == '/')
            return i - 2;
        return i - 1;
    }
    return 0;
}

// One byte at a time: every decision is then taken on the same bytes, however the line
// chunked them, and a request is cut where it would have been cut from a whole stream.
QList<QByteArray> RequestParser::feed(const QByteArray &bytes)
{
    QList<QByteArray> requests;
    for (const char b : bytes) {
        m_buffer += b;
        takeRequests(requests);
    }
    return requests;
}

void RequestParser::takeRequests(QList<QByteArray> &requests)
{
    for (;;) {
        qsizetype skip = 0;
        while (skip < m_buffer.size() && startAt(skip) == Start::NotAStart)
            ++skip;
        m_buffer.remove(0, skip);
        if (m_buffer.isEmpty() || startAt(0) == Start::MaybeStart)
            break;

        // SOH and '?' belong to the head of a request only: one further on means the
        // request in front was cut short and a new one begins there.
        if (const qsizetype next = nextStartInside(); next > 0) {
            m_buffer.remove(0, next);
            continue;
        }
        const qsizetype length = completeLength();
        if (length > 0 && length <= MaxRequestBytes) {
            requests << m_buffer.left(length);
            m_buffer.remove(0, length);
            continue;
        }
        // No ETX where a request of the bench could have one: the start byte was noise.
        const qsizetype etx = m_buffer.indexOf(ETX, 2);
        const bool tooLong = etx < 0 ? m_buffer.size() >= MaxRequestBytes : etx + 2 > MaxRequestBytes;
        if (!tooLong)
            break;
        m_buffer.remove(0, 1);
    }
}

} // namespace sim
