// The serial port component over a recording line in virtual time: transmission times,
// the port number rules, RTS around a transmission, the end-of-transmission continuation
// and a vanishing device.
#include "bench/link/TAsynCom.h"
#include "tests/fixtures/FakeSerialLine.h"
#include "tests/fixtures/VirtualScheduler.h"

#include <QSignalSpy>
#include <QTest>

using bench::Parity;
using bench::StopBits;
using bench::TAsynCom;

namespace {

// The settings the controller runs the bench line with.
void useBenchSettings(TAsynCom &com)
{
    com.setRTS(true);
    com.setBaudRate(19200);
    com.setByteSize(8);
}

} // namespace

class TestAsynCom : public QObject
{
    Q_OBJECT

private slots:
    void transmitTime_data();
    void transmitTime();
    void defaults();
    void comNumber();
    void openFailure();
    void settingsApplyWhileOpen();
    void rtsUntouchedWhenDisabled();
    void rtsAroundTransmission();
    void writeOnClosedPort();
    void continuationDroppedAfterClose();
    void chunksPassedOn();
    void vanishReportedOnce();
};

void TestAsynCom::transmitTime_data()
{
    QTest::addColumn<int>("baud");
    QTest::addColumn<int>("dataBits");
    QTest::addColumn<Parity>("parity");
    QTest::addColumn<StopBits>("stopBits");
    QTest::addColumn<int>("count");
    QTest::addColumn<int>("ms");

    // 11 bits: 20 characters 11.46 ms, plus 10 % is 12.6.
    QTest::newRow("20 chars, 11 bits") << 19200 << 8 << Parity::Mark << StopBits::One << 20 << 13;
    QTest::newRow("1 char, 10 bits") << 19200 << 8 << Parity::None << StopBits::One << 1 << 1;
    QTest::newRow("nothing") << 19200 << 8 << Parity::Space << StopBits::One << 0 << 0;
    QTest::newRow("negative count is nothing") << 19200 << 8 << Parity::Space << StopBits::One << -5 << 0;
    // 300 bit/s, 7 data bits, even, 1 stop: 10 bits, 100 ms for 3 characters. In single
    // precision 100 x 1.1 is exactly 110; in double it is a hair above and would give 111.
    QTest::newRow("defaults, 3 chars") << 300 << 7 << Parity::Even << StopBits::One << 3 << 110;
    // 1.5 stop bits: 5 + 1 + 1.5 = 7.5 bits; 4 chars at 1000 bit/s are 30 ms, 33 with margin.
    QTest::newRow("1.5 stop bits") << 1000 << 5 << Parity::None << StopBits::OneAndHalf << 4 << 33;
    QTest::newRow("2 stop bits") << 9600 << 8 << Parity::Odd << StopBits::Two << 100 << 138;
    QTest::newRow("result held at 65535") << 110 << 8 << Parity::Even << StopBits::Two << 65535 << 65535;
    QTest::newRow("count held at 65535") << 115200 << 8 << Parity::None << StopBits::One << 1000000 << 6258;
}

void TestAsynCom::transmitTime()
{
    QFETCH(int, baud);
    QFETCH(int, dataBits);
    QFETCH(Parity, parity);
    QFETCH(StopBits, stopBits);
    QFETCH(int, count);
    QFETCH(int, ms);

    VirtualScheduler scheduler;
    fixtures::FakeLines lines;
    TAsynCom com(scheduler, lines.factory());
    com.setBaudRate(baud);
    com.setByteSize(dataBits);
    com.setParity(parity);
    com.setStopbits(stopBits);
    QCOMPARE(int(com.TransmitTime(count)), ms);
}

void TestAsynCom::defaults()
{
    VirtualScheduler scheduler;
    fixtures::FakeLines lines;
    TAsynCom com(scheduler, lines.factory());
    QCOMPARE(com.RTS(), false);
    QCOMPARE(com.comNumber(), 1);
    QCOMPARE(com.portName(), bench::comPortName(1));
    QCOMPARE(com.settings(), bench::LineSettings({300, 7, Parity::Even, StopBits::One}));
    QVERIFY(!com.IsOpen());
    QCOMPARE(lines.made(), 0); // nothing is opened before Open
}

void TestAsynCom::comNumber()
{
#ifdef Q_OS_WIN
    QCOMPARE(bench::comPortName(2), QStringLiteral("COM2"));
#else
    QCOMPARE(bench::comPortName(2), QStringLiteral("/dev/ttyS1"));
#endif
    VirtualScheduler scheduler;
    fixtures::FakeLines lines;
    TAsynCom com(scheduler, lines.factory());

    // While closed the number is only stored.
    com.setComNumber(2);
    QCOMPARE(com.comNumber(), 2);
    QVERIFY(lines.events().isEmpty());

    com.Open();
    QVERIFY(com.IsOpen());
    QCOMPARE(lines.events(), QStringList({"open " + bench::comPortName(2), "settings 300 7 Even 1"}));

    // The same number again changes nothing.
    lines.clearEvents();
    com.setComNumber(2);
    QVERIFY(lines.events().isEmpty());
    QCOMPARE(lines.made(), 1);

    // A new number on an open port: close, then open the new port with the settings.
    com.setComNumber(3);
    QCOMPARE(lines.events(), QStringList({"close", "open " + bench::comPortName(3), "settings 300 7 Even 1"}));
    QCOMPARE(lines.line()->portName(), bench::comPortName(3));
    QCOMPARE(com.comNumber(), 3);

    // A port by name (the simulator, a further port) the same way; a reopen that fails
    // leaves the component closed.
    lines.clearEvents();
    lines.setOpenError("Permission denied");
    com.setPortName("/dev/pts/7");
    QCOMPARE(lines.events(), QStringList({"close", "open /dev/pts/7 failed"}));
    QVERIFY(!com.IsOpen());
    QCOMPARE(com.comNumber(), 0);
    QCOMPARE(com.errorString(), QStringLiteral("Permission denied"));

    com.setComNumber(0); // not a port: ignored
    QCOMPARE(com.portName(), QStringLiteral("/dev/pts/7"));
}

void TestAsynCom::openFailure()
{
    VirtualScheduler scheduler;
    fixtures::FakeLines lines;
    TAsynCom com(scheduler, lines.factory());
    lines.setOpenError("No such file or directory");
    com.Open();
    QVERIFY(!com.IsOpen());
    QCOMPARE(com.errorString(), QStringLiteral("No such file or directory"));
    QVERIFY(!com.Write("1?"));

    // The next Open tries again with a fresh line.
    lines.setOpenError(QString());
    com.Open();
    QVERIFY(com.IsOpen());
    QCOMPARE(lines.made(), 2);
    QVERIFY(com.errorString().isEmpty());

    // Open on an open port does nothing.
    lines.clearEvents();
    com.Open();
    QVERIFY(lines.events().isEmpty());
}

void TestAsynCom::settingsApplyWhileOpen()
{
    VirtualScheduler scheduler;
    fixtures::FakeLines lines;
    TAsynCom com(scheduler, lines.factory());
    com.setByteSize(9);  // no such line: ignored
    com.setBaudRate(0);
    QCOMPARE(com.settings(), bench::LineSettings());
    useBenchSettings(com);
    QVERIFY(lines.events().isEmpty()); // closed: only stored

    com.Open();
    com.setParity(Parity::Mark);
    com.setParity(Parity::Space);
    com.setStopbits(StopBits::Two);
    QCOMPARE(lines.events(), QStringList({"open /dev/ttyS0", "settings 19200 8 Even 1", "settings 19200 8 Mark 1",
                                          "settings 19200 8 Space 1", "settings 19200 8 Space 2"}));
}

void TestAsynCom::rtsUntouchedWhenDisabled()
{
    VirtualScheduler scheduler;
    fixtures::FakeLines lines;
    TAsynCom com(scheduler, lines.factory());
    com.setBaudRate(19200);
    com.setByteSize(8);
    com.Open();
    QVERIFY(com.Write("1?"));
    lines.line()->finishTransmission();
    scheduler.advance(100);
    com.SetRTSState(1);
    com.SetRTSState(0);
    for (const QString &event : lines.events())
        QVERIFY2(!event.startsWith("rts"), qPrintable(event));
}

void TestAsynCom::rtsAroundTransmission()
{
    VirtualScheduler scheduler;
    fixtures::FakeLines lines;
    TAsynCom com(scheduler, lines.factory());
    useBenchSettings(com);
    com.setParity(Parity::Space);
    com.Open();
    QSignalSpy ended(&com, &TAsynCom::OnWriteBuffer);

    // The port opens with RTS off: the first write does not touch the line.
    lines.clearEvents();
    const QByteArray frame("1\x01P\x02" "2(0)\x03\xB6" "0123456789", 20);
    QVERIFY(com.Write(frame));
    QCOMPARE(lines.events(), QStringList({"write " + fixtures::FakeSerialLine::hex(frame)}));

    // Transmit buffer empty: the 20 characters (11 bits each) are out 13 ms later; then the
    // owner hears of it and RTS goes up.
    lines.line()->finishTransmission();
    scheduler.advance(12);
    QCOMPARE(ended.count(), 0);
    QVERIFY(!lines.line()->rtsOn());
    int rtsWhenTold = -1;
    connect(&com, &TAsynCom::OnWriteBuffer, this, [&] { rtsWhenTold = com.RTSState(); });
    scheduler.advance(1);
    QCOMPARE(ended.count(), 1);
    QCOMPARE(rtsWhenTold, 0); // the owner is told first, RTS goes up after
    QCOMPARE(com.RTSState(), 1);
    QVERIFY(lines.line()->rtsOn());

    // The next write clears RTS before the bytes go.
    lines.clearEvents();
    QVERIFY(com.Write("2?"));
    QCOMPARE(lines.events(), QStringList({"rts 0", "write 32 3F"}));
    QCOMPARE(com.lastWritten(), QByteArray("2?"));
}

void TestAsynCom::writeOnClosedPort()
{
    VirtualScheduler scheduler;
    fixtures::FakeLines lines;
    TAsynCom com(scheduler, lines.factory());
    QSignalSpy ended(&com, &TAsynCom::OnWriteBuffer);
    QVERIFY(!com.Write("1?"));
    com.SetRTSState(1);
    com.Purge();
    scheduler.advance(1000);
    QCOMPARE(ended.count(), 0);
    QCOMPARE(lines.made(), 0);
}

void TestAsynCom::continuationDroppedAfterClose()
{
    VirtualScheduler scheduler;
    fixtures::FakeLines lines;
    TAsynCom com(scheduler, lines.factory());
    useBenchSettings(com);
    com.Open();
    QSignalSpy ended(&com, &TAsynCom::OnWriteBuffer);
    QVERIFY(com.Write("1?\x03"));
    lines.line()->finishTransmission();
    com.Close();
    // Reopened before the wait ran out: the old transmission is not reported either.
    com.Open();
    lines.clearEvents();
    scheduler.advance(1000);
    QCOMPARE(ended.count(), 0);
    QVERIFY(lines.events().isEmpty()); // no RTS set behind the new session's back
}

void TestAsynCom::chunksPassedOn()
{
    VirtualScheduler scheduler;
    fixtures::FakeLines lines;
    TAsynCom com(scheduler, lines.factory());
    com.Open();
    QSignalSpy read(&com, &TAsynCom::OnReadByte);
    lines.line()->receive("/1");
    lines.line()->receive("\x06", bench::LineErrorFraming);
    QCOMPARE(read.count(), 2);
    QCOMPARE(read.at(0).at(0).toByteArray(), QByteArray("/1"));
    QCOMPARE(read.at(1).at(0).toByteArray(), QByteArray("\x06"));
    QCOMPARE(read.at(1).at(1).toUInt(), quint32(bench::LineErrorFraming));
}

void TestAsynCom::vanishReportedOnce()
{
    VirtualScheduler scheduler;
    fixtures::FakeLines lines;
    TAsynCom com(scheduler, lines.factory());
    com.Open();
    QSignalSpy lost(&com, &TAsynCom::portLost);
    QSignalSpy ended(&com, &TAsynCom::OnWriteBuffer);
    QVERIFY(com.Write("1?"));
    lines.line()->finishTransmission();
    fixtures::FakeSerialLine *gone = lines.line();
    gone->vanish("Device disappeared from the system");
    gone->vanish("again");
    QCOMPARE(lost.count(), 1);
    QCOMPARE(lost.at(0).at(0).toString(), QStringLiteral("Device disappeared from the system"));
    QVERIFY(!com.IsOpen());
    QVERIFY(!com.Write("1?"));
    scheduler.advance(1000);
    QCOMPARE(ended.count(), 0);

    // The operator picks the port again: it opens with a fresh line.
    com.Open();
    QVERIFY(com.IsOpen());
    QCOMPARE(lines.made(), 2);
    QVERIFY(lines.line() != gone);
    QCOMPARE(lost.count(), 1);
}

QTEST_GUILESS_MAIN(TestAsynCom)
#include "tst_asyncom.moc"
