// Number and frame text functions shared by the bench controller and the database
// program. Everything here is locale-independent: frames always carry '.'.
#include "common/UTools.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdlib>
#include <numbers>
#include <string>
#include <system_error>

namespace UTools {

namespace {

// Degrees per radian, as the power-factor tables of the bench use it.
constexpr double kDegreesPerRadian = 57.295779513082320877;

// Sum of the bytes in [from, to) modulo 256.
quint8 ByteSum(const QByteArray &s, qsizetype from, qsizetype to)
{
    quint8 sum = 0;
    for (qsizetype i = from; i < to; ++i)
        sum = static_cast<quint8>(sum + static_cast<quint8>(s.at(i)));
    return sum;
}

// 10^n for n >= 0; exact up to 10^22, which covers every practical number of decimals.
double PowerOfTen(int n)
{
    double p = 1.0;
    for (int i = 0; i < n && std::isfinite(p); ++i)
        p *= 10.0;
    return p;
}

} // namespace

quint8 FrameChecksum(const QByteArray &s)
{
    if (s.size() < 5)
        return 0;
    return ByteSum(s, 4, s.size());
}

quint8 ReplyChecksum(const QByteArray &reply)
{
    if (reply.size() <= 4)
        return 0;
    return ByteSum(reply, 3, reply.size() - 1);
}

bool ReplyChecksumOk(const QByteArray &reply)
{
    // '/', address, STX, ETX and the check byte: nothing shorter is a data reply, and a
    // short fragment ending in 0x00 must not pass as checked.
    if (reply.size() < 5)
        return false;
    return ReplyChecksum(reply) == static_cast<quint8>(reply.back());
}

QString FloatToWire(double x)
{
    if (std::isnan(x))
        return QStringLiteral("NAN");
    if (std::isinf(x))
        return x > 0 ? QStringLiteral("INF") : QStringLiteral("-INF");
    if (x == 0.0)
        return QStringLiteral("0"); // negative zero too

    // Round once to 15 significant digits; the layout is chosen on the rounded value so
    // that 999999999999999.9 (which becomes 1.00000000000000e+15) takes the exponent form.
    char buf[40];
    const auto written = std::to_chars(buf, buf + sizeof buf, x, std::chars_format::scientific, 14);
    const std::string sci(buf, written.ptr); // [-]d.ddddddddddddddde(+|-)dd

    const bool negative = sci.front() == '-';
    const std::size_t lead = negative ? 1 : 0;
    const std::size_t ePos = sci.find('e');
    std::string digits = sci.substr(lead, 1) + sci.substr(lead + 2, ePos - lead - 2);
    while (digits.size() > 1 && digits.back() == '0')
        digits.pop_back();

    std::size_t expStart = ePos + 1;
    if (sci[expStart] == '+')
        ++expStart;
    int exponent = 0;
    std::from_chars(sci.data() + expStart, sci.data() + sci.size(), exponent);

    std::string text = negative ? "-" : "";
    if (exponent < -5 || exponent >= 15) {
        text += digits.front();
        if (digits.size() > 1)
            text += '.' + digits.substr(1);
        text += 'E' + std::to_string(exponent);
    } else if (exponent < 0) {
        text += "0." + std::string(static_cast<std::size_t>(-exponent - 1), '0') + digits;
    } else {
        const std::size_t intLength = static_cast<std::size_t>(exponent) + 1;
        if (digits.size() <= intLength) {
            text += digits + std::string(intLength - digits.size(), '0');
        } else {
            text += digits.substr(0, intLength) + '.' + digits.substr(intLength);
        }
    }
    return QString::fromLatin1(text.data(), static_cast<qsizetype>(text.size()));
}

double WireToFloat(const QString &s)
{
    QString t;
    t.reserve(s.size());
    for (const QChar c : s) {
        if (c == u' ')
            continue;
        t.append(c == u',' ? QChar(u'.') : c);
    }
    if (t.isEmpty())
        return 0.0;

    std::string digits;
    qsizetype lastPoint = -1;
    bool hasNonZeroDigit = false;
    bool innerMinus = false;
    for (qsizetype i = 0; i < t.size(); ++i) {
        const char16_t c = t.at(i).unicode();
        if (c >= u'0' && c <= u'9') {
            // Leading zeros carry no value; dropping them keeps the text short.
            if (c != u'0' || hasNonZeroDigit)
                digits.push_back(static_cast<char>(c));
            hasNonZeroDigit = hasNonZeroDigit || c != u'0';
        } else if (c == u'.') {
            lastPoint = i;
        } else if (c == u'-') {
            innerMinus = innerMinus || i > 0;
        } else {
            return 0.0;
        }
    }
    if (!hasNonZeroDigit)
        return 0.0;

    const bool negative = t.front() == u'-';
    qsizetype fractionLength = 0;
    if (lastPoint < 0) {
        // Without a point the text is an integer; "1-2" or "--5" is not a number.
        if (innerMinus)
            return 0.0;
    } else {
        // Every character after the last point counts, minus signs included.
        fractionLength = t.size() - 1 - lastPoint;
    }

    // digits * 10^-fractionLength, correctly rounded to the nearest double.
    const std::string decimal = digits + "e-" + std::to_string(fractionLength);
    double value = 0.0;
    const auto parsed = std::from_chars(decimal.data(), decimal.data() + decimal.size(), value);
    if (parsed.ec == std::errc::result_out_of_range) {
        const bool overflow = static_cast<qsizetype>(digits.size()) > fractionLength;
        value = overflow ? HUGE_VAL : 0.0;
    } else if (parsed.ec != std::errc()) {
        return 0.0;
    }
    return negative ? -value : value;
}

QString AngleSuffix(int degrees)
{
    if ((degrees > 0 && degrees <= 90) || (degrees > 180 && degrees < 270))
        return QStringLiteral(" L");
    if ((degrees > 90 && degrees < 180) || (degrees >= 270 && degrees < 360))
        return QStringLiteral(" C");
    return QString();
}

QString FileStem(const QString &path)
{
    const qsizetype slash = std::max(path.lastIndexOf(u'\\'), path.lastIndexOf(u'/'));
    const QString name = path.mid(slash + 1);
    const qsizetype dot = name.lastIndexOf(u'.');
    return dot < 0 ? name : name.left(dot);
}

QString TimeText(int seconds)
{
    const qint64 magnitude = std::abs(static_cast<qint64>(seconds));
    return QStringLiteral("%1%2:%3")
        .arg(seconds < 0 ? QStringLiteral("-") : QString())
        .arg(magnitude / 60)
        .arg(magnitude % 60, 2, 10, QChar(u'0'));
}

double RoundHalfEven(double x, int decimals)
{
    const double scale = PowerOfTen(decimals >= 0 ? decimals : -decimals);
    const double scaled = decimals >= 0 ? x * scale : x / scale;
    if (!std::isfinite(scaled) || !std::isfinite(scale))
        return x; // so many places that rounding cannot change the value
    const double rounded = std::nearbyint(scaled);
    return decimals >= 0 ? rounded / scale : rounded * scale;
}

std::optional<double> AngleFromPowerFactor(double km, int plc)
{
    if (km == 1.0)
        return 0.0;
    if (km == -1.0)
        return 180.0;
    if (km >= 0.0 && km < 1.0) {
        const double angle = std::acos(km) * kDegreesPerRadian;
        if (plc == LoadL)
            return angle;
        if (plc == LoadC)
            return 360.0 - angle;
    } else if (km > -1.0 && km < 0.0) {
        const double angle = std::acos(km) * kDegreesPerRadian;
        if (plc == LoadC)
            return angle;
        if (plc == LoadL)
            return 360.0 - angle;
    }
    return std::nullopt;
}

std::optional<PowerFactor> PowerFactorFromAngle(int degrees)
{
    if (degrees == 0)
        return PowerFactor{1.0, LoadNone};
    if (degrees == 180)
        return PowerFactor{-1.0, LoadNone};
    if (degrees < 0 || degrees >= 360)
        return std::nullopt;
    const bool inductive = (degrees > 0 && degrees <= 90) || (degrees > 180 && degrees < 270);
    const double km = std::cos(degrees * (std::numbers::pi / 180.0));
    return PowerFactor{km, inductive ? LoadL : LoadC};
}

QString PowerFactorText(double km)
{
    const QString text = QString::number(km, 'f', 2);
    return text == QLatin1String("-0.00") ? QStringLiteral("0.00") : text;
}

int InverseCurrentAngle(int degrees)
{
    const int angle = degrees + 180;
    return angle > 360 ? angle - 360 : angle;
}

} // namespace UTools
