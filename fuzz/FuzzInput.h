// Reading a fuzzer's input the way the harnesses share: small numbers taken from the front,
// then chunks of the rest, each chunk's length taken from a byte before it. Seed files are
// written in the same layout, so a seed reads as a frame with a few control bytes ahead.
#pragma once

#include <QByteArray>
#include <QList>

#include <cstddef>
#include <cstdint>

namespace fuzz {

class Input
{
public:
    Input(const uint8_t *data, size_t size) : m_data(data), m_size(size) {}

    bool atEnd() const { return m_pos >= m_size; }
    /// The next byte, 0 once the input is used up.
    uint8_t byte() { return atEnd() ? 0 : m_data[m_pos++]; }
    /// Up to `n` bytes.
    QByteArray bytes(size_t n)
    {
        const size_t take = n < m_size - m_pos ? n : m_size - m_pos;
        QByteArray out(reinterpret_cast<const char *>(m_data + m_pos), qsizetype(take));
        m_pos += take;
        return out;
    }
    /// A chunk: a length byte (0 means "all the rest"), then that many bytes.
    QByteArray chunk()
    {
        const uint8_t n = byte();
        return n == 0 ? rest() : bytes(n);
    }
    QByteArray rest() { return bytes(m_size - m_pos); }

private:
    const uint8_t *m_data;
    size_t m_size;
    size_t m_pos = 0;
};

/// Aborts with `what` when `ok` is false: a broken property is a finding like a crash.
void require(bool ok, const char *what);

/// The whole input as bytes.
inline QByteArray whole(const uint8_t *data, size_t size)
{
    return QByteArray(reinterpret_cast<const char *>(data), qsizetype(size));
}

} // namespace fuzz
