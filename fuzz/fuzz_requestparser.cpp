// The simulator's request framing: the same bytes fed whole, byte by byte and in chunks the
// input chooses give the same requests, every frame decodes, and the held bytes stay bound.
//
// Input: [n] [n chunk lengths] then the stream; the stream is cut at those lengths (a last
// chunk takes what is left).
#include "fuzz/FuzzInput.h"
#include "sim/RequestParser.h"

namespace {

QList<QByteArray> feedAll(const QList<QByteArray> &chunks)
{
    sim::RequestParser parser;
    QList<QByteArray> requests;
    for (const QByteArray &chunk : chunks) {
        requests += parser.feed(chunk);
        fuzz::require(parser.pendingBytes() <= sim::RequestParser::MaxRequestBytes,
                      "the bytes held for a request stay within MaxRequestBytes");
    }
    for (const QByteArray &frame : requests) {
        fuzz::require(!frame.isEmpty(), "no empty request");
        sim::Request::decode(frame);
    }
    return requests;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    fuzz::Input in(data, size);
    QList<int> lengths;
    for (int n = in.byte() % 32; n > 0; --n)
        lengths << 1 + in.byte();
    const QByteArray stream = in.rest();

    QList<QByteArray> chosen, single;
    qsizetype at = 0;
    for (int length : lengths) {
        if (at >= stream.size())
            break;
        chosen << stream.mid(at, length);
        at += length;
    }
    if (at < stream.size())
        chosen << stream.mid(at);
    for (const char c : stream)
        single << QByteArray(1, c);

    const QList<QByteArray> whole = feedAll({stream});
    fuzz::require(feedAll(single) == whole, "byte by byte gives the requests of the whole stream");
    fuzz::require(feedAll(chosen) == whole, "any chunking gives the requests of the whole stream");
    return 0;
}
