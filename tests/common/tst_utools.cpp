// Tests of the number and frame text functions: check bytes of bench frames, number
// texts written into and read from frames, the power-factor/angle relation and the
// small text helpers.
#include "common/UTools.h"

#include <QLocale>
#include <QTest>

#include <cmath>
#include <limits>

using namespace UTools;

namespace {

QByteArray Bytes(std::initializer_list<char> bytes)
{
    return QByteArray(bytes.begin(), static_cast<qsizetype>(bytes.size()));
}

// QCOMPARE on doubles is fuzzy; the wire and rounding functions must hit the exact double.
void VerifyExact(double actual, double expected)
{
    const bool same = actual == expected || (std::isnan(actual) && std::isnan(expected));
    QVERIFY2(same, qPrintable(QStringLiteral("actual %1, expected %2")
                                  .arg(actual, 0, 'g', 17)
                                  .arg(expected, 0, 'g', 17)));
}

} // namespace

class TestUTools : public QObject {
    Q_OBJECT

private slots:
    void initTestCase();

    void frameChecksum_data();
    void frameChecksum();
    void replyChecksum_data();
    void replyChecksum();
    void floatToWire_data();
    void floatToWire();
    void wireToFloat_data();
    void wireToFloat();
    void angleSuffix_data();
    void angleSuffix();
    void fileStem_data();
    void fileStem();
    void timeText_data();
    void timeText();
    void roundHalfEven_data();
    void roundHalfEven();
    void angleFromPowerFactor_data();
    void angleFromPowerFactor();
    void powerFactorFromAngle_data();
    void powerFactorFromAngle();
    void inverseCurrentAngle_data();
    void inverseCurrentAngle();
};

void TestUTools::initTestCase()
{
    // A Russian default locale writes and reads ','; the bench texts must not follow it.
    QLocale::setDefault(QLocale(QLocale::Russian, QLocale::Russia));
}

void TestUTools::frameChecksum_data()
{
    QTest::addColumn<QByteArray>("frame");
    QTest::addColumn<int>("check");

    QTest::newRow("source programming 2(0)") << QByteArray("1" + Bytes({SOH}) + "P" + Bytes({STX}) + "2(0)" + Bytes({ETX})) << 0xB6;
    QTest::newRow("sum wraps at 256") << QByteArray("1" + Bytes({SOH}) + "P" + Bytes({STX}) + "zzz" + Bytes({ETX})) << 0x71;
    QTest::newRow("empty data field: ETX only") << QByteArray("1" + Bytes({SOH}) + "P" + Bytes({STX, ETX})) << 0x03;
    QTest::newRow("poll, 3 bytes") << QByteArray("1?" + Bytes({ETX})) << 0;
    QTest::newRow("short request, 4 bytes") << QByteArray("1" + Bytes({SOH}) + "U" + Bytes({ETX})) << 0;
    QTest::newRow("empty") << QByteArray() << 0;
}

void TestUTools::frameChecksum()
{
    QFETCH(QByteArray, frame);
    QFETCH(int, check);
    QCOMPARE(int(FrameChecksum(frame)), check);
}

void TestUTools::replyChecksum_data()
{
    QTest::addColumn<QByteArray>("reply");
    QTest::addColumn<int>("check");
    QTest::addColumn<bool>("ok");

    const QByteArray voltage = "/1" + Bytes({STX}) + "1(220)" + Bytes({ETX});
    QTest::newRow("source reply, right check byte") << QByteArray(voltage + Bytes({0x19})) << 0x19 << true;
    QTest::newRow("source reply, wrong check byte") << QByteArray(voltage + Bytes({0x1A})) << 0x19 << false;
    const QByteArray stand = "/2" + Bytes({STX}) + "1(99.5)2(5.001)3(50)4(60)" + Bytes({ETX});
    QTest::newRow("stand reply, sum wraps") << QByteArray(stand + char(0xA5)) << 0xA5 << true;
    QTest::newRow("empty data field") << QByteArray("/2" + Bytes({STX, ETX, ETX})) << 0x03 << true;
    QTest::newRow("4 bytes never pass") << QByteArray("/1" + Bytes({ETX, 0x00})) << 0 << false;
    QTest::newRow("empty") << QByteArray() << 0 << false;
}

void TestUTools::replyChecksum()
{
    QFETCH(QByteArray, reply);
    QFETCH(int, check);
    QFETCH(bool, ok);
    QCOMPARE(int(ReplyChecksum(reply)), check);
    QCOMPARE(ReplyChecksumOk(reply), ok);
}

void TestUTools::floatToWire_data()
{
    QTest::addColumn<double>("value");
    QTest::addColumn<QString>("text");

    QTest::newRow("integer") << 220.0 << "220";
    QTest::newRow("trailing zeros of integer kept") << 100.0 << "100";
    QTest::newRow("half") << 0.5 << "0.5";
    QTest::newRow("three decimals") << 57.735 << "57.735";
    QTest::newRow("negative") << -12.5 << "-12.5";
    QTest::newRow("0.1+0.2 at 15 digits") << (0.1 + 0.2) << "0.3";
    QTest::newRow("1/3") << (1.0 / 3.0) << "0.333333333333333";
    QTest::newRow("2/3 rounds up") << (2.0 / 3.0) << "0.666666666666667";
    QTest::newRow("0.00001 stays fixed") << 0.00001 << "0.00001";
    QTest::newRow("0.000123") << 0.000123 << "0.000123";
    QTest::newRow("1E-6") << 1e-6 << "1E-6";
    QTest::newRow("1.5E-7") << 1.5e-7 << "1.5E-7";
    QTest::newRow("small, 15 digits") << 1.23456789012345678e-10 << "1.23456789012346E-10";
    QTest::newRow("15 integer digits stay fixed") << 123456789012345.0 << "123456789012345";
    QTest::newRow("1E15") << 1e15 << "1E15";
    QTest::newRow("rounds up to 16 integer digits") << 999999999999999.9 << "1E15";
    QTest::newRow("-2.5E20") << -2.5e20 << "-2.5E20";
    QTest::newRow("1E100") << 1e100 << "1E100";
    QTest::newRow("zero") << 0.0 << "0";
    QTest::newRow("negative zero") << -0.0 << "0";
    QTest::newRow("infinity") << std::numeric_limits<double>::infinity() << "INF";
}

void TestUTools::floatToWire()
{
    QFETCH(double, value);
    QFETCH(QString, text);
    QCOMPARE(FloatToWire(value), text);
}

void TestUTools::wireToFloat_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<double>("value");

    QTest::newRow("decimal") << "12.34" << 12.34;
    QTest::newRow("nearest double of 0.1") << "0.1" << 0.1;
    QTest::newRow("negative fraction") << "-0.25" << -0.25;
    QTest::newRow("no integer part") << ".5" << 0.5;
    QTest::newRow("space and comma") << "1 234,5" << 1234.5;
    QTest::newRow("comma") << "12,5" << 12.5;
    QTest::newRow("only the last point counts") << "1.2.3" << 12.3;
    QTest::newRow("negative integer") << "-5" << -5.0;
    QTest::newRow("leading zero") << "012" << 12.0;
    QTest::newRow("trailing zero") << "0.050" << 0.05;
    QTest::newRow("plus sign rejected") << "+5" << 0.0;
    QTest::newRow("exponent rejected") << "1E-5" << 0.0;
    QTest::newRow("letters") << "abc" << 0.0;
    QTest::newRow("tab is not a space") << "1\t2" << 0.0;
    QTest::newRow("non-ASCII digits") << QString::fromUtf8("\u0661\u0662") << 0.0;
    QTest::newRow("empty") << "" << 0.0;
    QTest::newRow("spaces only") << "   " << 0.0;
    QTest::newRow("zero") << "0" << 0.0;
    QTest::newRow("zero with decimals") << "0.000" << 0.0;
    QTest::newRow("minus alone") << "-" << 0.0;
    QTest::newRow("point alone") << "." << 0.0;
    QTest::newRow("minus inside an integer") << "1-2" << 0.0;
    QTest::newRow("double minus") << "--5" << 0.0;
    QTest::newRow("minus after the point counts as a place") << "1.2-3" << 0.123;
    QTest::newRow("above 2^53 rounds to nearest even") << "9007199254740993" << 9007199254740992.0;
    QTest::newRow("above 2^53 with fraction") << "9007199254740993.5" << 9007199254740994.0;
    QTest::newRow("30 digits") << "123456789012345678901234567890" << 1.2345678901234568e29;
    QTest::newRow("13 decimals") << "0.1234567890123" << 0.1234567890123;
    QTest::newRow("beyond double range")
        << QString(QStringLiteral("1") + QString(400, u'0')) << std::numeric_limits<double>::infinity();
    QTest::newRow("negative beyond double range")
        << QString(QStringLiteral("-1") + QString(400, u'0')) << -std::numeric_limits<double>::infinity();
    QTest::newRow("below double range")
        << QString(QStringLiteral("0.") + QString(400, u'0') + u'1') << 0.0;
}

void TestUTools::wireToFloat()
{
    QFETCH(QString, text);
    QFETCH(double, value);
    VerifyExact(WireToFloat(text), value);
}

void TestUTools::angleSuffix_data()
{
    QTest::addColumn<int>("angle");
    QTest::addColumn<QString>("suffix");

    QTest::newRow("0") << 0 << "";
    QTest::newRow("1") << 1 << " L";
    QTest::newRow("90") << 90 << " L";
    QTest::newRow("91") << 91 << " C";
    QTest::newRow("179") << 179 << " C";
    QTest::newRow("180") << 180 << "";
    QTest::newRow("181") << 181 << " L";
    QTest::newRow("269") << 269 << " L";
    QTest::newRow("270") << 270 << " C";
    QTest::newRow("359") << 359 << " C";
    QTest::newRow("360") << 360 << "";
    QTest::newRow("-1") << -1 << "";
}

void TestUTools::angleSuffix()
{
    QFETCH(int, angle);
    QFETCH(QString, suffix);
    QCOMPARE(AngleSuffix(angle), suffix);
}

void TestUTools::fileStem_data()
{
    QTest::addColumn<QString>("path");
    QTest::addColumn<QString>("stem");

    QTest::newRow("backslashes") << "C:\\Export\\meters.dbf" << "meters";
    QTest::newRow("slashes") << "/tmp/export/archive.db" << "archive";
    QTest::newRow("mixed separators") << "C:/Export\\meters.DB" << "meters";
    QTest::newRow("only the last extension") << "a.b.c" << "a.b";
    QTest::newRow("point in the folder only") << "C:\\data.v2\\table" << "table";
    QTest::newRow("bare name") << "meters" << "meters";
    QTest::newRow("empty") << "" << "";
}

void TestUTools::fileStem()
{
    QFETCH(QString, path);
    QFETCH(QString, stem);
    QCOMPARE(FileStem(path), stem);
}

void TestUTools::timeText_data()
{
    QTest::addColumn<int>("seconds");
    QTest::addColumn<QString>("text");

    QTest::newRow("0") << 0 << "0:00";
    QTest::newRow("59") << 59 << "0:59";
    QTest::newRow("60") << 60 << "1:00";
    QTest::newRow("65") << 65 << "1:05";
    QTest::newRow("600") << 600 << "10:00";
    QTest::newRow("3600") << 3600 << "60:00";
    QTest::newRow("negative") << -65 << "-1:05";
}

void TestUTools::timeText()
{
    QFETCH(int, seconds);
    QFETCH(QString, text);
    QCOMPARE(TimeText(seconds), text);
}

void TestUTools::roundHalfEven_data()
{
    QTest::addColumn<double>("value");
    QTest::addColumn<int>("decimals");
    QTest::addColumn<double>("rounded");

    QTest::newRow("0.5 to even 0") << 0.5 << 0 << 0.0;
    QTest::newRow("1.5 to even 2") << 1.5 << 0 << 2.0;
    QTest::newRow("2.5 to even 2") << 2.5 << 0 << 2.0;
    QTest::newRow("3.5 to even 4") << 3.5 << 0 << 4.0;
    QTest::newRow("-2.5 to even -2") << -2.5 << 0 << -2.0;
    QTest::newRow("2.6 up") << 2.6 << 0 << 3.0;
    QTest::newRow("0.0125 tie down") << 0.0125 << 3 << 0.012;
    QTest::newRow("0.0135 tie up") << 0.0135 << 3 << 0.014;
    QTest::newRow("1.2345 tie down") << 1.2345 << 3 << 1.234;
    QTest::newRow("12.3456 not a tie") << 12.3456 << 3 << 12.346;
    QTest::newRow("1250 to hundreds") << 1250.0 << -2 << 1200.0;
    QTest::newRow("1350 to hundreds") << 1350.0 << -2 << 1400.0;
    QTest::newRow("too many places") << 1.5 << 400 << 1.5;
}

void TestUTools::roundHalfEven()
{
    QFETCH(double, value);
    QFETCH(int, decimals);
    QFETCH(double, rounded);
    VerifyExact(RoundHalfEven(value, decimals), rounded);
}

void TestUTools::angleFromPowerFactor_data()
{
    QTest::addColumn<double>("km");
    QTest::addColumn<int>("plc");
    QTest::addColumn<bool>("defined");
    QTest::addColumn<double>("angle");

    QTest::newRow("0.5 L") << 0.5 << int(LoadL) << true << 60.0;
    QTest::newRow("0.5 C") << 0.5 << int(LoadC) << true << 300.0;
    QTest::newRow("-0.5 L") << -0.5 << int(LoadL) << true << 240.0;
    QTest::newRow("-0.5 C") << -0.5 << int(LoadC) << true << 120.0;
    QTest::newRow("0 L") << 0.0 << int(LoadL) << true << 90.0;
    QTest::newRow("0 C") << 0.0 << int(LoadC) << true << 270.0;
    QTest::newRow("1 *") << 1.0 << int(LoadNone) << true << 0.0;
    QTest::newRow("1 C") << 1.0 << int(LoadC) << true << 0.0;
    QTest::newRow("-1 *") << -1.0 << int(LoadNone) << true << 180.0;
    QTest::newRow("-1 L") << -1.0 << int(LoadL) << true << 180.0;
    QTest::newRow("0.5 *") << 0.5 << int(LoadNone) << false << 0.0;
    QTest::newRow("0 *") << 0.0 << int(LoadNone) << false << 0.0;
    QTest::newRow("0.5 unknown character") << 0.5 << 3 << false << 0.0;
    QTest::newRow("1.5 L") << 1.5 << int(LoadL) << false << 0.0;
    QTest::newRow("-1.5 C") << -1.5 << int(LoadC) << false << 0.0;
    QTest::newRow("NaN L") << std::numeric_limits<double>::quiet_NaN() << int(LoadL) << false << 0.0;
}

void TestUTools::angleFromPowerFactor()
{
    QFETCH(double, km);
    QFETCH(int, plc);
    QFETCH(bool, defined);
    QFETCH(double, angle);
    const std::optional<double> actual = AngleFromPowerFactor(km, plc);
    QCOMPARE(actual.has_value(), defined);
    if (defined)
        QVERIFY2(std::abs(*actual - angle) < 1e-9, qPrintable(QString::number(*actual, 'g', 17)));
}

void TestUTools::powerFactorFromAngle_data()
{
    QTest::addColumn<int>("angle");
    QTest::addColumn<bool>("defined");
    QTest::addColumn<QString>("kmText");
    QTest::addColumn<int>("plc");
    QTest::addColumn<bool>("roundTrip"); // km text read back gives the angle again

    QTest::newRow("0") << 0 << true << "1.00" << int(LoadNone) << true;
    QTest::newRow("1") << 1 << true << "1.00" << int(LoadL) << false;
    QTest::newRow("60") << 60 << true << "0.50" << int(LoadL) << true;
    QTest::newRow("90") << 90 << true << "0.00" << int(LoadL) << true;
    QTest::newRow("120") << 120 << true << "-0.50" << int(LoadC) << true;
    QTest::newRow("180") << 180 << true << "-1.00" << int(LoadNone) << true;
    QTest::newRow("240") << 240 << true << "-0.50" << int(LoadL) << true;
    QTest::newRow("269") << 269 << true << "-0.02" << int(LoadL) << false;
    QTest::newRow("270, no minus on zero") << 270 << true << "0.00" << int(LoadC) << true;
    QTest::newRow("300") << 300 << true << "0.50" << int(LoadC) << true;
    QTest::newRow("359") << 359 << true << "1.00" << int(LoadC) << false;
    QTest::newRow("360") << 360 << false << "" << 0 << false;
    QTest::newRow("-5") << -5 << false << "" << 0 << false;
}

void TestUTools::powerFactorFromAngle()
{
    QFETCH(int, angle);
    QFETCH(bool, defined);
    QFETCH(QString, kmText);
    QFETCH(int, plc);
    QFETCH(bool, roundTrip);

    const std::optional<PowerFactor> pf = PowerFactorFromAngle(angle);
    QCOMPARE(pf.has_value(), defined);
    if (!defined)
        return;
    QCOMPARE(PowerFactorText(pf->km), kmText);
    QCOMPARE(pf->plc, plc);
    if (roundTrip) {
        const std::optional<double> back = AngleFromPowerFactor(WireToFloat(kmText), pf->plc);
        QVERIFY(back.has_value());
        QCOMPARE(qRound(*back), angle);
    }
}

void TestUTools::inverseCurrentAngle_data()
{
    QTest::addColumn<int>("angle");
    QTest::addColumn<int>("inverted");

    QTest::newRow("0") << 0 << 180;
    QTest::newRow("60") << 60 << 240;
    QTest::newRow("180 stays 360") << 180 << 360;
    QTest::newRow("181") << 181 << 1;
    QTest::newRow("300") << 300 << 120;
    QTest::newRow("360") << 360 << 180;
}

void TestUTools::inverseCurrentAngle()
{
    QFETCH(int, angle);
    QFETCH(int, inverted);
    QCOMPARE(InverseCurrentAngle(angle), inverted);
}

QTEST_GUILESS_MAIN(TestUTools)
#include "tst_utools.moc"
