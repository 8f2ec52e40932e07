// Number and frame text functions shared by the bench controller and the database
// program: check bytes of bench frames, the number texts carried in frames, the
// power-factor/angle relation of the source, and small text helpers.
#pragma once

#include <QByteArray>
#include <QString>
#include <QtGlobal>

#include <optional>

namespace UTools {

// Control characters of the bench line.
inline constexpr char SOH = 0x01, STX = 0x02, ETX = 0x03, ACK = 0x06, NAK = 0x15;

/// Check byte of a request: `s` runs from the address byte up to and including ETX.
/// The sum of every byte after the first four (address, SOH, command letter, STX),
/// i.e. the data field and the ETX, modulo 256. A text shorter than 5 bytes gives 0.
quint8 FrameChecksum(const QByteArray &s);

/// Check byte computed over a data reply '/', address, STX, data, ETX, BCC: the sum of
/// the data field and the ETX (every byte from the fourth up to the second-to-last)
/// modulo 256. A reply of 4 bytes or fewer gives 0.
quint8 ReplyChecksum(const QByteArray &reply);

/// True when the last byte of a data reply equals ReplyChecksum(). A text shorter than
/// 5 bytes cannot be a data reply (it has no room for STX, ETX and the check byte) and
/// is never accepted.
bool ReplyChecksumOk(const QByteArray &reply);

/// Number text for a frame: general format with 15 significant digits, '.' as decimal
/// separator whatever the locale. No trailing zeros and a point only when needed;
/// exponent form ("1E-6", "1.5E-7", "1E15", "-2.5E20") for magnitudes below 0.00001
/// and for more than 15 digits before the point. Zero gives "0"; NaN and infinities,
/// which no frame should carry, give "NAN", "INF" and "-INF".
QString FloatToWire(double x);

/// Tolerant reading of a number text from a device reply or from a typed query value.
/// Spaces are dropped and ',' counts as '.'; any other character than digits, '.' and
/// '-' makes the text worth 0, as does a text without a non-zero digit ("+5", "1E-5",
/// "abc", "" and "0.000" all give 0). With points, only the last one counts: the value
/// is the digits of the text (points and minus signs removed) divided by 10 to the
/// number of characters after the last point ("1.2.3" gives 12.3), negated when the
/// text begins with '-'. Without a point the text must be an integer, an optional
/// leading '-' and digits: a '-' anywhere else ("1-2", "--5") gives 0. Any number of
/// digits is accepted; the result is the double nearest the decimal value, so "12.34"
/// gives exactly the double nearest 12.34. A value beyond the range of double gives
/// +-infinity, one too small to be represented gives 0.
double WireToFloat(const QString &s);

/// Load character suffix of a source angle in whole degrees: " L" for 0 < A <= 90 and
/// 180 < A < 270, " C" for 90 < A < 180 and 270 <= A < 360, "" otherwise (0, 180,
/// negative angles, 360 and above).
QString AngleSuffix(int degrees);

/// File name without its folder ('\\' or '/') and without its extension (from the last
/// '.' of the name on): "C:\\exp\\meters.dbf" gives "meters", "a.b.c" gives "a.b".
QString FileStem(const QString &path);

/// Time as minutes, colon and two-digit seconds: 65 gives "1:05", 0 "0:00", 3600
/// "60:00". A negative time keeps its sign in front: -65 gives "-1:05".
QString TimeText(int seconds);

/// Rounding of measured values to `decimals` places (negative: to tens, hundreds...),
/// to the nearest with ties to even: nearbyint(x * 10^decimals) / 10^decimals under the
/// default rounding mode. The tie is judged on the double product, so 0.0125 to three
/// places gives 0.012 and 2.5 to none gives 2.
double RoundHalfEven(double x, int decimals);

/// Load character codes as stored in the database (`PLC`) and shown as "*", "L", "C".
enum LoadCharacter : quint8 { LoadNone = 0, LoadL = 1, LoadC = 2 };

/// Source phase angle in degrees for a power factor `km` and load character `plc`:
/// km 1 gives 0 and km -1 gives 180 whatever the character; for 0 <= km < 1 an
/// inductive load has acos(km) and a capacitive one 360 - acos(km); for -1 < km < 0 a
/// capacitive load has acos(km) and an inductive one 360 - acos(km). No angle for
/// character "*" with km other than +-1, for |km| > 1 and for unknown characters.
std::optional<double> AngleFromPowerFactor(double km, int plc);

/// Power factor (cos of the angle) with its load character (a LoadCharacter code).
struct PowerFactor {
    double km;
    int plc;
};

/// Power factor for a source angle typed in whole degrees: 0 gives (1, "*"), 180 gives
/// (-1, "*"); 0 < A <= 90 and 180 < A < 270 are inductive, 90 < A < 180 and
/// 270 <= A < 360 capacitive, with km = cos(A). Angles below 0 or from 360 on have no
/// power factor. The panel shows km through PowerFactorText().
std::optional<PowerFactor> PowerFactorFromAngle(int degrees);

/// Power factor text of the manual panel: fixed notation, two decimals, '.' separator
/// (0.5 gives "0.50", -0.5 gives "-0.50"). A value that rounds to zero is "0.00", never
/// "-0.00" (cos 270 degrees is a tiny negative number).
QString PowerFactorText(double km);

/// Source angle in degrees with the current inverted: + 180, minus 360 when the sum is
/// above 360 (so 180 gives 360, 181 gives 1).
int InverseCurrentAngle(int degrees);

} // namespace UTools
