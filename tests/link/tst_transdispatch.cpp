// Reply dispatch: the table of what each Kind accepts (reply code and address), refuses or
// ignores; the wrong check byte asked for again three times before the link is declared
// broken; an ignored reply leading to the request going out again; and the meter setup
// frames with the meter constant in pulses per kWh.
#include "bench/link/Frames.h"
#include "common/UTools.h"
#include "tests/fixtures/EngineBench.h"

#include <QTest>

using namespace bench;

namespace {

struct Bench : fixtures::EngineBench
{
    Bench() { host.modeValue = 2; } // a verification run
};

QByteArray ack(char address)
{
    return fixtures::ackReply(address);
}

QByteArray nak(char address)
{
    return fixtures::nakReply(address);
}

QByteArray data(char address, const QByteArray &field = "1(0.5)")
{
    return fixtures::dataReply(address, field);
}

QByteArray wrongCheckByte(QByteArray reply)
{
    reply.back() = char(reply.back() + 1);
    return reply;
}

} // namespace

class TstTransDispatch : public QObject
{
    Q_OBJECT
private slots:
    void dispatchTable_data();
    void dispatchTable();
    void wrongCheckByteIsAskedForAgain_data();
    void wrongCheckByteIsAskedForAgain();
    void ignoredReplyLetsTheRequestGoOutAgain();
    void replyCutShortIsForgottenByTheWatchdog();
    void meterFrames_data();
    void meterFrames();
};

void TstTransDispatch::dispatchTable_data()
{
    QTest::addColumn<int>("kind");
    QTest::addColumn<int>("address");
    QTest::addColumn<int>("priority");
    QTest::addColumn<QByteArray>("reply");
    QTest::addColumn<QString>("outcome"); // accepted, cleared (accepted, queue emptied), ignored, refused
    QTest::addColumn<QStringList>("calls");

    const QStringList none;
    QTest::newRow("source read: its data") << 0 << 1 << 100 << data('1') << "accepted" << QStringList{"menus 1", "source"};
    QTest::newRow("source read: a stand's data") << 0 << 1 << 100 << data('2') << "ignored" << none;
    QTest::newRow("source read: acknowledgement") << 0 << 1 << 100 << ack('1') << "ignored" << none;
    QTest::newRow("source read: refusal") << 0 << 1 << 100 << nak('1') << "refused" << none;
    QTest::newRow("source read: refusal from a stand") << 0 << 1 << 100 << nak('3') << "refused" << none;
    QTest::newRow("source read: too short") << 0 << 1 << 100 << QByteArray("/1") << "ignored" << none;
    QTest::newRow("nothing in progress") << 0 << 1 << -1 << data('1') << "ignored" << none;

    QTest::newRow("probe of stand 2: its acknowledgement") << 1 << 3 << 148 << ack('3') << "accepted" << QStringList{"answered 2"};
    QTest::newRow("probe of stand 2: stand 1 answers") << 1 << 3 << 148 << ack('2') << "ignored" << none;
    QTest::newRow("probe of the source: its acknowledgement") << 1 << 1 << 150 << ack('1') << "accepted" << none;
    QTest::newRow("probe: refusal waits for the watchdog") << 1 << 3 << 148 << nak('3') << "ignored" << none;
    QTest::newRow("probe beyond the ten stands") << 1 << 12 << 139 << ack('<') << "ignored" << none;

    QTest::newRow("stand setup: acknowledgement") << 3 << 2 << 149 << ack('2') << "accepted" << none;
    QTest::newRow("stand setup: any stand's acknowledgement") << 3 << 2 << 149 << ack('4') << "accepted" << none;
    QTest::newRow("stand setup: the source's acknowledgement") << 3 << 2 << 149 << ack('1') << "ignored" << none;
    QTest::newRow("stand setup: data") << 3 << 2 << 149 << data('2') << "ignored" << none;
    QTest::newRow("stand setup: refusal") << 3 << 2 << 149 << nak('2') << "refused" << none;
    QTest::newRow("meter setup: acknowledgement") << 4 << 5 << 146 << ack('5') << "accepted" << none;
    QTest::newRow("meter setup: refusal") << 4 << 5 << 146 << nak('5') << "refused" << none;
    QTest::newRow("stand reset: acknowledgement") << 10 << 2 << 190 << ack('2') << "accepted" << none;
    QTest::newRow("stand reset: the source's acknowledgement") << 10 << 2 << 190 << ack('1') << "ignored" << none;
    QTest::newRow("stand command: acknowledgement") << 11 << 3 << 190 << ack('3') << "accepted" << none;
    QTest::newRow("stand command: refusal") << 11 << 3 << 190 << nak('3') << "refused" << none;

    QTest::newRow("source programming: acknowledgement") << 5 << 1 << 150 << ack('1') << "accepted" << none;
    QTest::newRow("source programming: a stand's acknowledgement") << 5 << 1 << 150 << ack('2') << "ignored" << none;
    QTest::newRow("source programming: refusal") << 5 << 1 << 150 << nak('1') << "refused" << none;
    QTest::newRow("source off: acknowledgement") << 8 << 1 << 200 << ack('1') << "cleared" << QStringList{"source off"};
    QTest::newRow("source off: refusal") << 8 << 1 << 200 << nak('1') << "refused" << none;

    QTest::newRow("poll of stand 1: its data") << 9 << 2 << 49 << data('2') << "accepted" << QStringList{"menus 1", "stand 1"};
    // The address of the reply, not of the request, says whose results these are.
    QTest::newRow("poll of stand 1: stand 2's data") << 9 << 2 << 49 << data('3') << "accepted" << QStringList{"menus 1", "stand 2"};
    QTest::newRow("poll: nothing to report") << 9 << 2 << 49 << ack('2') << "accepted" << none;
    QTest::newRow("poll: the source's data") << 9 << 2 << 49 << data('1') << "ignored" << none;
    QTest::newRow("poll: data from beyond the ten stands") << 9 << 2 << 49 << data('<') << "ignored" << none;
    QTest::newRow("poll: refusal") << 9 << 2 << 49 << nak('2') << "refused" << none;

    for (int kind : {2, 7, 12, 13, 14}) {
        QTest::addRow("marker %d: acknowledgement", kind) << kind << 1 << 30 << ack('1') << "ignored" << none;
        QTest::addRow("marker %d: refusal", kind) << kind << 2 << 30 << nak('2') << "ignored" << none;
    }
}

void TstTransDispatch::dispatchTable()
{
    QFETCH(int, kind);
    QFETCH(int, address);
    QFETCH(int, priority);
    QFETCH(QByteArray, reply);
    QFETCH(QString, outcome);
    QFETCH(QStringList, calls);

    Bench b;
    const TTrans cur{quint8(kind), {}, address, priority};
    const TTrans next{trSourceSettled, {}, 0, 0};
    b.engine.Frame.CurTrans = cur;
    b.engine.Frame.TransQueue = {next};
    b.engine.Frame.Busy = true;
    b.engine.Frame.ChecksumErrors = 2;

    b.engine.DispatchReply(reply);
    b.clock.advance(TransEngine::AckPauseMs); // a stand's acknowledgement and a retry wait first

    const TFrame &f = b.engine.Frame;
    QCOMPARE(b.host.calls, calls);
    if (outcome == "accepted" || outcome == "cleared") {
        const TTrans after = outcome == "accepted" ? next : TTrans{cur.Kind, {}, cur.Address, -1};
        QCOMPARE(f.CurTrans, after);
        QVERIFY(!f.Busy);
        QCOMPARE(f.Failures, 0);
        QCOMPARE(f.ChecksumErrors, 0);
    } else if (outcome == "refused") {
        // The first failure: the same request again, once the wait is over.
        QCOMPARE(f.CurTrans, cur);
        QVERIFY(!f.Busy);
        QCOMPARE(f.Failures, 1);
        QCOMPARE(b.lines.events().filter("purge").size(), 1);
    } else {
        QCOMPARE(f.CurTrans, cur);
        QVERIFY(f.Busy);
        QCOMPARE(f.Failures, 0);
        QCOMPARE(f.ChecksumErrors, 2);
        QCOMPARE(f.TransQueue, QList<TTrans>{next});
    }
    QVERIFY(b.prompts.shown().isEmpty());
}

void TstTransDispatch::wrongCheckByteIsAskedForAgain_data()
{
    QTest::addColumn<int>("kind");
    QTest::addColumn<int>("wrong");    // replies with a wrong check byte before a right one
    QTest::addColumn<bool>("boxOpen"); // another link error box is on screen
    QTest::addColumn<QStringList>("messages");
    QTest::addColumn<QStringList>("calls");

    const QString source = "Ошибка контрольной суммы. Нарушена связь с источником !";
    const QString stand = "Ошибка контрольной суммы. Нарушена связь со стендом !";
    QTest::newRow("source: three wrong, then right") << 0 << 3 << false << QStringList() << QStringList{"menus 1", "source"};
    QTest::newRow("source: four wrong") << 0 << 4 << false << QStringList{source} << QStringList{"forget", "menus 0"};
    QTest::newRow("stand: three wrong, then right") << 9 << 3 << false << QStringList() << QStringList{"menus 1", "stand 1"};
    QTest::newRow("stand: four wrong") << 9 << 4 << false << QStringList{stand} << QStringList{"forget"};
    QTest::newRow("stand: four wrong, a box open") << 9 << 4 << true << QStringList() << QStringList{"forget"};
}

void TstTransDispatch::wrongCheckByteIsAskedForAgain()
{
    QFETCH(int, kind);
    QFETCH(int, wrong);
    QFETCH(bool, boxOpen);
    QFETCH(QStringList, messages);
    QFETCH(QStringList, calls);

    Bench b;
    const bool fromSource = kind == trSourceRead;
    const TTrans t{quint8(kind), {}, fromSource ? 1 : 2, fromSource ? 100 : 49};
    const QByteArray request = fromSource ? frames::sourceRead() : frames::standPoll(2);
    const QByteArray right = data(fromSource ? '1' : '2');
    b.engine.ErrorShown = boxOpen;
    b.engine.AddTrans(t);
    b.engine.start();

    for (int n = 1; n <= std::min(wrong + 1, 4); ++n) {
        b.clock.advance(TransEngine::PumpMs);
        QCOMPARE(b.lines.line()->written().right(request.size()), request);
        QCOMPARE(b.lines.line()->written().size(), n * request.size()); // each time once
        b.receive(n <= wrong ? wrongCheckByte(right) : right);
    }
    b.clock.advance(TransEngine::AckPauseMs);

    QCOMPARE(b.host.calls, calls);
    QCOMPARE(b.prompts.texts(), messages);
    if (wrong < 4) {
        QCOMPARE(b.engine.Frame.ChecksumErrors, 0);
    } else {
        // The exchange is over: nothing in progress, nothing queued, the line reset.
        QCOMPARE(b.engine.Frame.CurTrans.Priority, -1);
        QVERIFY(b.engine.Frame.TransQueue.isEmpty());
        QVERIFY(!b.engine.Frame.Busy);
        QCOMPARE(b.engine.ErrorShown, boxOpen);
    }
}

void TstTransDispatch::ignoredReplyLetsTheRequestGoOutAgain()
{
    // A reply nobody expects still ends the reply watchdog; with no watchdog left the pump
    // takes the request for lost and sends it again on the next tick.
    Bench b;
    const QByteArray program = frames::sourceProgram({std::nullopt, QStringLiteral("0"), std::nullopt,
                                                      std::nullopt, std::nullopt, std::nullopt});
    b.engine.AddTrans({trSourceProgram, program, frames::SourceAddress, 150});
    b.engine.start();
    b.clock.advance(TransEngine::PumpMs);
    b.receive(ack('2'));
    QVERIFY(b.engine.Frame.Busy);
    QVERIFY(!b.engine.TDog->isActive());
    b.clock.advance(TransEngine::PumpMs);
    QCOMPARE(b.lines.line()->written(), program + program);
}

void TstTransDispatch::replyCutShortIsForgottenByTheWatchdog()
{
    // A reply whose end never came would hold the assembly for ever and every later reply
    // starting with '/' would be dropped; the watchdog lets it go.
    Bench b;
    b.engine.AddTrans({trStandReset, {}, frames::standAddress(1), 190});
    b.engine.start();
    b.clock.advance(TransEngine::PumpMs);
    b.receive(QByteArray("/2\x06", 3));
    b.clock.advance(TransEngine::DogMs + TransEngine::AckPauseMs + TransEngine::PumpMs);
    QCOMPARE(b.lines.line()->written(), frames::standReset(2) + frames::standReset(2));
    QCOMPARE(b.engine.Frame.Failures, 1);

    b.receive(ack('2'));
    b.clock.advance(TransEngine::AckPauseMs);
    QCOMPARE(b.engine.Frame.Failures, 0);
    QCOMPARE(b.engine.Frame.CurTrans.Priority, -1);
    QVERIFY(!b.engine.Frame.Busy);
}

void TstTransDispatch::meterFrames_data()
{
    QTest::addColumn<int>("unit"); // IdentReductRate
    QTest::addColumn<QByteArray>("countText");
    QTest::addColumn<char>("command");
    QTest::addColumn<QString>("constant");
    QTest::addColumn<QString>("count");

    QTest::newRow("pulses per kWh") << 1 << QByteArray("20") << 'P' << "1000" << "20";
    QTest::newRow("kWh per pulse") << 2 << QByteArray("20") << 'P' << "0.001" << "20";
    QTest::newRow("W·s per pulse") << 3 << QByteArray("20") << 'P' << "3600" << "20";
    QTest::newRow("sensitivity") << 1 << QByteArray("sens") << 'Q' << "1000" << "0";
}

void TstTransDispatch::meterFrames()
{
    QFETCH(int, unit);
    QFETCH(QByteArray, countText);
    QFETCH(char, command);
    QFETCH(QString, constant);
    QFETCH(QString, count);

    Bench b;
    b.host.range = '='; // 0x3D: range index 5 in the low three bits
    for (int n : {1, 3}) {
        b.host.standArray[std::size_t(n)].Present = true;
        b.host.standArray[std::size_t(n)].ReductRate = 1000;
        b.host.standArray[std::size_t(n)].IdentReductRate = unit;
    }
    b.engine.Frame.MeterCountText = countText;
    b.engine.SendMeterFrames();

    const QList<TTrans> expected{
        {trMeterSetup, frames::meterSetup(1, command, "5", constant, count), 2, 149},
        {trMeterSetup, frames::meterSetup(3, command, "5", constant, count), 4, 147},
        {trPollCycle, {}, 0, 30},
    };
    QCOMPARE(b.engine.Frame.TransQueue, expected);
    QCOMPARE(b.engine.Frame.MeterCountText, count.toLatin1());
}

QTEST_GUILESS_MAIN(TstTransDispatch)
#include "tst_transdispatch.moc"
