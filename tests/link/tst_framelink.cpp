// One request on the wire: RTS and parity around the two writes of a frame, the switch back
// after the transmission, the console button keeping the line silent, and replies assembled
// from the port's chunks unless the program is closing.
#include "bench/link/FrameLink.h"
#include "bench/link/Frames.h"
#include "bench/link/TAsynCom.h"
#include "tests/fixtures/FakeSerialLine.h"
#include "tests/fixtures/VirtualScheduler.h"

#include <QSignalSpy>
#include <QTest>

using namespace bench;

class TstFrameLink : public QObject
{
    Q_OBJECT
private slots:
    void sendFrameSwitchesParityAndRtsAroundTheTransmission();
    void consoleButtonDownSendsNothing();
    void repliesAreAssembledUnlessClosing();
};

namespace {
struct Bench
{
    VirtualScheduler scheduler;
    fixtures::FakeLines lines;
    TAsynCom port{scheduler, lines.factory()};
    FrameLink link{port};
    Bench()
    {
        port.setRTS(true);
        port.setBaudRate(19200);
        port.setByteSize(8);
        port.setPortName("/dev/ttyS0");
        port.Open();
        lines.clearEvents();
    }
};
} // namespace

void TstFrameLink::sendFrameSwitchesParityAndRtsAroundTheTransmission()
{
    Bench b;
    b.port.SetRTSState(1); // as after an earlier transmission
    b.lines.clearEvents();

    b.link.SendFrame(frames::sourceRead()); // "1?" ETX 0x00
    QCOMPARE(b.lines.events(), (QStringList{"rts 0", "settings 19200 8 Mark 1", "write 31", "write 3F 03 00"}));

    // The end of the transmission: after the wire time of the last string written (3 bytes at
    // 11 bits: 1.72 ms + 10 % -> 2 ms) the parity goes back to SPACE, then RTS is set.
    b.lines.clearEvents();
    b.lines.line()->finishTransmission();
    b.scheduler.advance(1);
    QVERIFY(b.lines.events().isEmpty());
    b.scheduler.advance(1);
    QCOMPARE(b.lines.events(), (QStringList{"settings 19200 8 Space 1", "rts 1"}));

    // A second end-of-transmission with SPACE already set only makes sure RTS is set.
    b.lines.clearEvents();
    b.port.SetRTSState(0);
    b.lines.line()->finishTransmission();
    b.scheduler.advance(5);
    QCOMPARE(b.lines.events(), (QStringList{"rts 0", "rts 1"}));
}

void TstFrameLink::consoleButtonDownSendsNothing()
{
    Bench b;
    bool down = true;
    b.link.setConsoleDown([&] { return down; });
    b.link.SendFrame(frames::closingFrame());
    QVERIFY(b.lines.line()->written().isEmpty());
    down = false;
    b.link.SendFrame(frames::closingFrame());
    QCOMPARE(b.lines.line()->written(), QByteArray("/0\x01X\x03"));
}

void TstFrameLink::repliesAreAssembledUnlessClosing()
{
    Bench b;
    QSignalSpy replies(&b.link, &FrameLink::replyReceived);
    b.lines.line()->receive("/2");
    b.lines.line()->receive(QByteArray("\x06\x03\x00", 3));
    QCOMPARE(replies.size(), 1);
    QCOMPARE(replies.at(0).at(0).toByteArray(), QByteArray("/2\x06\x03\x00", 5));

    b.link.setClosing(true);
    b.lines.line()->receive(QByteArray("/1\x06\x03\x00", 5));
    QCOMPARE(replies.size(), 1);
}

QTEST_GUILESS_MAIN(TstFrameLink)
#include "tst_framelink.moc"
