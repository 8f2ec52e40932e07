// The value-text helpers: WireToFloat on any text, FloatToWire of any double read back,
// and the reply check byte against its definition.
#include "common/UTools.h"
#include "fuzz/FuzzInput.h"

#include <QRegularExpression>

#include <cmath>
#include <cstring>

namespace {

// Plain decimal texts ("-12.5", "007", ".5") are worth the double nearest their value.
void checkAgainstPlainDecimal(const QString &text, double value)
{
    static const QRegularExpression plain(QRegularExpression::anchoredPattern(QStringLiteral("-?[0-9]*\\.?[0-9]*")));
    if (!plain.match(text).hasMatch() || !text.contains(QRegularExpression(QStringLiteral("[1-9]"))))
        return;
    bool ok = false;
    const double expected = text.toDouble(&ok);
    if (ok && std::isfinite(expected) && expected != 0)
        fuzz::require(value == expected, "WireToFloat gives the nearest double of a plain decimal text");
}

void checkRoundTrip(double x)
{
    const QString text = UTools::FloatToWire(x);
    if (!std::isfinite(x)) {
        fuzz::require(text == QLatin1String("NAN") || text == QLatin1String("INF") || text == QLatin1String("-INF"),
                      "non-finite texts");
        return;
    }
    fuzz::require(!text.isEmpty() && !text.contains(QLatin1Char(',')), "FloatToWire gives a text with '.'");
    if (text.contains(QLatin1Char('E')))
        return; // exponent texts read as 0 by design of the tolerant reader
    // Fifteen significant digits survive a trip through the nearest double.
    const double back = UTools::WireToFloat(text);
    fuzz::require(UTools::FloatToWire(back) == text, "FloatToWire(WireToFloat(FloatToWire(x))) == FloatToWire(x)");
    fuzz::require(std::fabs(back - x) <= std::fabs(x) * 1e-14, "the text is within 15 digits of the value");
}

void checkReplyChecksum(const QByteArray &reply)
{
    quint32 sum = 0;
    for (qsizetype i = 3; i < reply.size() - 1; ++i)
        sum += quint8(reply.at(i));
    const quint8 expected = reply.size() <= 4 ? 0 : quint8(sum);
    fuzz::require(UTools::ReplyChecksum(reply) == expected, "ReplyChecksum sums the field and the ETX");
    fuzz::require(UTools::ReplyChecksumOk(reply) == (reply.size() >= 5 && quint8(reply.back()) == expected),
                  "ReplyChecksumOk agrees with ReplyChecksum");
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QByteArray bytes = fuzz::whole(data, size);
    for (const QString &text : {QString::fromUtf8(bytes), QString::fromLatin1(bytes)}) {
        const double value = UTools::WireToFloat(text);
        fuzz::require(!std::isnan(value), "WireToFloat never gives NaN");
        checkAgainstPlainDecimal(text, value);
    }
    if (size >= sizeof(double)) {
        double x;
        std::memcpy(&x, data, sizeof x);
        checkRoundTrip(x);
        checkRoundTrip(double(float(x))); // the source readings are single precision
    }
    checkReplyChecksum(bytes);
    return 0;
}
