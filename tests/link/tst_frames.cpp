// The requests of the bench line, byte for byte: the request shapes, every command the
// controller sends, the check byte and the group order of the source programming frame.
#include "bench/link/Frames.h"
#include "common/UTools.h"

#include <QTest>

using namespace bench::frames;

namespace {

// Frames written the way a line monitor shows them: printable text with <SOH>, <STX>,
// <ETX>, <00> and <xx> for other bytes.
QByteArray F(const char *text)
{
    static const std::pair<const char *, char> names[] = {
        {"SOH", UTools::SOH}, {"STX", UTools::STX}, {"ETX", UTools::ETX}, {"00", '\0'}};
    QByteArray out;
    for (const char *p = text; *p; ++p) {
        if (*p != '<') {
            out += *p;
            continue;
        }
        const char *end = p + 1;
        while (*end && *end != '>')
            ++end;
        const QByteArray name(p + 1, end - p - 1);
        bool named = false;
        for (const auto &[n, c] : names) {
            if (name == n) {
                out += c;
                named = true;
            }
        }
        if (!named)
            out += static_cast<char>(name.toInt(nullptr, 16));
        p = end;
    }
    return out;
}

} // namespace

class TestFrames : public QObject
{
    Q_OBJECT

private slots:
    void frames_data();
    void frames();
    void addressChar_data();
    void addressChar();
};

void TestFrames::frames_data()
{
    QTest::addColumn<QByteArray>("actual");
    QTest::addColumn<QByteArray>("expected");

    // Request shapes.
    QTest::newRow("data request") << dataRequest(3, 'P', "gX1Y") << F("3<SOH>P<STX>gX1Y<ETX><4C>");
    QTest::newRow("data request, empty field: check byte is ETX")
        << dataRequest(1, 'P', "") << F("1<SOH>P<STX><ETX><03>");
    QTest::newRow("short request") << shortRequest(2, 'U') << F("2<SOH>U<ETX><00>");
    QTest::newRow("short request with body") << shortRequestWithBody(4, 'W', "17") << F("4<SOH>W17<ETX><00>");
    QTest::newRow("poll") << poll(1) << F("1?<ETX><00>");
    QTest::newRow("closing frame, no check byte") << closingFrame() << F("/0<SOH>X<ETX>");

    // The command set.
    QTest::newRow("source read") << sourceRead() << F("1?<ETX><00>");
    QTest::newRow("probe source") << probe(1) << F("1<SOH>U<ETX><00>");
    QTest::newRow("probe stand 10") << probe(standAddress(10)) << F(";<SOH>U<ETX><00>");
    QTest::newRow("source off") << sourceOff() << F("1<SOH>D<ETX><00>");
    QTest::newRow("stop all") << stopAll() << F("<FF><SOH>X<ETX><00>");
    QTest::newRow("stand reset") << standReset(standAddress(1)) << F("2<SOH>V<ETX><00>");
    QTest::newRow("clear position 100") << clearPosition(standAddress(2), 100) << F("3<SOH>W100<ETX><00>");
    QTest::newRow("stand poll") << standPoll(standAddress(5)) << F("6?<ETX><00>");
    QTest::newRow("stand command: address then body")
        << standCommand(standAddress(3), F("<SOH>W5<ETX><00>")) << F("4<SOH>W5<ETX><00>");

    // Data field pieces.
    QTest::newRow("source group") << sourceGroup('1', "220") << QByteArray("1(220)");
    QTest::newRow("stand field") << standField('f', "0.001") << QByteArray("fX0.001Y");

    // Source programming: the minimal frame (zero current) and the group order.
    bench::frames::SourceProgram current;
    current.i = "0";
    QTest::newRow("source program, current only") << sourceProgram(current) << F("1<SOH>P<STX>2(0)<ETX><B6>");
    bench::frames::SourceProgram all;
    all.j = "1";
    all.energy = "500";
    all.angle = "60";
    all.f = "50";
    all.i = "5";
    all.u = "220";
    QTest::newRow("source program, groups 1 2 5 4 Z J")
        << sourceProgram(all) << F("1<SOH>P<STX>1(220)2(5)5(50)4(60)Z(500)J(1)<ETX><B3>");
    bench::frames::SourceProgram some;
    some.angle = "180";
    some.u = "230";
    some.j = "0";
    QTest::newRow("source program, gaps keep the order")
        << sourceProgram(some) << F("1<SOH>P<STX>1(230)4(180)J(0)<ETX><03>");

    // Stand and meter setup (stand N answers at '1' + N).
    QTest::newRow("stand setup")
        << standSetup(1, "220", "5", "0.5", "10")
        << F("2<SOH>U<STX>hX0YiX0YaX220YbX5YdX0.5YeX10Y<ETX><A3>");
    QTest::newRow("meter setup P") << meterSetup(2, 'P', "3", "1000", "4")
                                   << F("3<SOH>P<STX>gX3YfX1000YeX4Y<ETX><70>");
    QTest::newRow("meter setup S, stand 10") << meterSetup(10, 'S', "0", "3600", "0")
                                             << F(";<SOH>S<STX>gX0YfX3600YeX0Y<ETX><71>");
}

void TestFrames::frames()
{
    QFETCH(QByteArray, actual);
    QFETCH(QByteArray, expected);
    QCOMPARE(actual.toHex(' '), expected.toHex(' '));
}

void TestFrames::addressChar_data()
{
    QTest::addColumn<int>("number");
    QTest::addColumn<int>("byte");
    QTest::newRow("source") << 1 << int('1');
    QTest::newRow("stand 1") << standAddress(1) << int('2');
    QTest::newRow("stand 10") << standAddress(10) << int(';');
    QTest::newRow("broadcast") << 255 << 0xFF;
}

void TestFrames::addressChar()
{
    QFETCH(int, number);
    QFETCH(int, byte);
    QCOMPARE(int(quint8(bench::frames::addressChar(number))), byte);
}

QTEST_APPLESS_MAIN(TestFrames)
#include "tst_frames.moc"
