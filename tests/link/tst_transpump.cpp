// The pump on a recording line, in virtual time: one tick per 200 ms and at most one request
// per tick, ticks inside a wait send nothing (the request just acknowledged never goes out
// twice), the console button keeps the line silent, the poll cycle, and the bytes and side
// effects of every Kind.
#include "bench/link/Frames.h"
#include "common/UTools.h"
#include "tests/fixtures/EngineBench.h"

#include <QTest>

using namespace bench;

namespace {

struct Sent
{
    qint64 at; ///< ms
    QByteArray bytes;
    bool operator==(const Sent &) const = default;
};

struct Bench : fixtures::EngineBench
{
    QList<Sent> sent;

    Bench() { engine.start(); }
    /// Lets `ms` pass in 1 ms steps, noting each request with the moment it was written.
    void run(qint64 ms)
    {
        for (qint64 i = 0; i < ms; ++i) {
            clock.advance(1);
            const QByteArray all = lines.line()->written();
            if (all.size() > m_seen) {
                sent << Sent{clock.nowMs(), all.mid(m_seen)};
                m_seen = all.size();
            }
        }
    }
    /// Runs until `at` ms of virtual time.
    void runTo(qint64 at) { run(at - clock.nowMs()); }

private:
    qsizetype m_seen = 0;
};

using fixtures::dataReply;

QByteArray ack(char address)
{
    return fixtures::ackReply(address);
}

// What a willing bench answers: the source its readings, a stand its acknowledgement.
QByteArray replyTo(const QByteArray &request)
{
    return request == frames::sourceRead() ? dataReply('1', "1(220)") : ack(request.at(0));
}

QByteArray setup(int stand)
{
    return frames::standSetup(stand, QStringLiteral("220"), QStringLiteral("5"), QStringLiteral("1"),
                              QStringLiteral("10"));
}

} // namespace

class TstTransPump : public QObject
{
    Q_OBJECT
private slots:
    void oneRequestPerTickAndNothingInsideAWait();
    void stopAllGivesTheBenchASecond();
    void consoleButtonKeepsTheLineSilent();
    void pollCyclePollsPresentStandsOverAndOver();
    void everyKind_data();
    void everyKind();
};

void TstTransPump::oneRequestPerTickAndNothingInsideAWait()
{
    Bench b;
    b.engine.AddTrans({trSourceSettled, {}, 0, 200});
    b.engine.AddTrans({trTestStep, {}, 0, 199});
    for (int n = 1; n <= 3; ++n)
        b.engine.AddTrans({trStandSetup, setup(n), frames::standAddress(n), 150 - n});

    // Markers take a tick each and send nothing; the first setup goes out on the tick after.
    b.runTo(790);
    QCOMPARE(b.host.calls, QStringList{"testStep"});
    QVERIFY(b.engine.Frame.SourceSettled);
    QCOMPARE(b.sent, (QList<Sent>{{600, setup(1)}}));

    // Acknowledged just before a tick: the tick falls into the 100 ms wait. It must neither
    // send the acknowledged setup again nor the next one.
    b.receive(ack('2'));
    QVERIFY(b.engine.paused());
    b.runTo(1000);
    QCOMPARE(b.sent, (QList<Sent>{{600, setup(1)}, {1000, setup(2)}}));

    b.receive(ack('3'));
    b.runTo(1400);
    QCOMPARE(b.sent, (QList<Sent>{{600, setup(1)}, {1000, setup(2)}, {1200, setup(3)}}));
    QVERIFY(b.engine.Frame.Busy);
}

void TstTransPump::stopAllGivesTheBenchASecond()
{
    Bench b;
    b.engine.AddTrans({trStopAll, {}, frames::BroadcastAddress, 201});
    b.engine.AddTrans({trSourceRead, {}, frames::SourceAddress, 100});
    b.runTo(2000);
    // The ticks from 400 to 1000 ms fall into the wait after the stop.
    QCOMPARE(b.sent, (QList<Sent>{{200, frames::stopAll()}, {1200, frames::sourceRead()}}));
}

void TstTransPump::consoleButtonKeepsTheLineSilent()
{
    Bench b;
    b.host.console = true;
    b.engine.AReplyExecute({1, 2});
    QVERIFY(b.engine.Frame.TransQueue.isEmpty()); // "Опросить стенды" does nothing either

    b.engine.AddTrans({trSourceRead, {}, frames::SourceAddress, 100});
    b.runTo(1000);
    QVERIFY(b.sent.isEmpty());
    QCOMPARE(b.engine.Frame.TransQueue.size(), 1);
    QCOMPARE(b.engine.Frame.CurTrans.Priority, -1);

    b.host.console = false;
    b.runTo(1200);
    QCOMPARE(b.sent, (QList<Sent>{{1200, frames::sourceRead()}}));
}

void TstTransPump::pollCyclePollsPresentStandsOverAndOver()
{
    Bench b;
    b.host.standArray[1].Present = true;
    b.host.standArray[3].Present = true;
    b.engine.AddTrans({trPollCycle, {}, 0, 30});
    b.runTo(200);
    // The cycle queued the polls of stands 1 and 3 and itself, and took the first poll.
    QCOMPARE(b.engine.Frame.CurTrans, (TTrans{trStandPoll, {}, 2, 49}));
    QCOMPARE(b.engine.Frame.TransQueue,
             (QList<TTrans>{{trPollCycle, {}, 0, 30}, {trStandPoll, {}, 4, 47}}));

    // Every request answered at once: stand 1, stand 3, the cycle again (a tick of its
    // own), and so on; a source reading queued meanwhile goes before the polls still queued.
    for (int tick = 2; tick <= 9; ++tick) {
        b.runTo(200 * tick);
        if (b.engine.Frame.Busy)
            b.receive(replyTo(b.sent.last().bytes));
        if (tick == 4)
            b.engine.AddTrans({trSourceRead, {}, frames::SourceAddress, 100});
    }
    QList<QByteArray> requests;
    for (const Sent &s : b.sent)
        requests << s.bytes;
    QCOMPARE(requests, (QList<QByteArray>{frames::standPoll(2), frames::standPoll(4), frames::standPoll(2),
                                          frames::sourceRead(), frames::standPoll(4), frames::standPoll(2)}));

    // While the run window is not collecting, the cycle goes on but its polls are dropped unsent.
    b.host.poll = false;
    b.sent.clear();
    b.runTo(b.clock.nowMs() + 2000);
    QVERIFY(b.sent.isEmpty());
    QVERIFY(b.engine.Frame.CurTrans.Kind == trPollCycle || b.engine.Frame.TransQueue.contains(TTrans{trPollCycle, {}, 0, 30}));
}

void TstTransPump::everyKind_data()
{
    QTest::addColumn<int>("kind");
    QTest::addColumn<int>("address");
    QTest::addColumn<QByteArray>("text");
    QTest::addColumn<int>("mode");
    QTest::addColumn<bool>("poll");
    QTest::addColumn<QByteArray>("bytes");    // written on the tick
    QTest::addColumn<QString>("watchdog");    // started with it: "TDog", "TDogStend" or none
    QTest::addColumn<QStringList>("calls");   // of the windows, and SourceSettled
    QTest::addColumn<bool>("current");        // still in progress after the tick

    using B = QByteArray;
    const B soh(1, UTools::SOH), etx(1, UTools::ETX), nul(1, '\0');
    const B program = frames::sourceProgram({std::nullopt, QStringLiteral("0"), std::nullopt,
                                              std::nullopt, std::nullopt, std::nullopt});
    const B meter = frames::meterSetup(4, 'P', "3", "1000", "20");

    QTest::newRow("0 source read") << 0 << 1 << B() << 0 << true << B("1?") + etx + nul << "TDog" << QStringList() << true;
    QTest::newRow("1 probe stand 2") << 1 << 3 << B() << 0 << true << B("3") + soh + "U" + etx + nul << "TDogStend" << QStringList() << true;
    QTest::newRow("1 probe source") << 1 << 1 << B() << 0 << true << B("1") + soh + "U" + etx + nul << "TDogStend" << QStringList() << true;
    QTest::newRow("2 probe done") << 2 << 0 << B() << 0 << true << B() << "" << QStringList{"probeDone 0"} << false;
    QTest::newRow("3 stand setup") << 3 << 2 << setup(1) << 0 << true << setup(1) << "TDog" << QStringList() << true;
    QTest::newRow("4 meter setup, verification") << 4 << 5 << meter << 2 << true << meter << "TDog" << QStringList{"meterSetupSent"} << true;
    QTest::newRow("4 meter setup, adjustment") << 4 << 5 << meter << 1 << true << meter << "TDog" << QStringList{"meterSetupSent"} << true;
    QTest::newRow("4 meter setup, manual") << 4 << 5 << meter << 3 << true << meter << "TDog" << QStringList() << true;
    QTest::newRow("5 source program") << 5 << 1 << program << 0 << true << program << "TDog" << QStringList() << true;
    QTest::newRow("7 stop all") << 7 << 255 << B() << 0 << true << B("\xFF") + soh + "X" + etx + nul << "" << QStringList() << false;
    QTest::newRow("8 source off") << 8 << 1 << B() << 0 << true << B("1") + soh + "D" + etx + nul << "TDog" << QStringList() << true;
    QTest::newRow("9 poll stand 1") << 9 << 2 << B() << 0 << true << B("2?") + etx + nul << "TDog" << QStringList() << true;
    QTest::newRow("9 poll, not collecting") << 9 << 2 << B() << 0 << false << B() << "" << QStringList() << false;
    QTest::newRow("10 stand reset") << 10 << 4 << B() << 0 << true << B("4") + soh + "V" + etx + nul << "TDog" << QStringList() << true;
    QTest::newRow("11 stand command") << 11 << 3 << soh + "W12" + etx + nul << 0 << true << B("3") + soh + "W12" + etx + nul << "TDog" << QStringList() << true;
    QTest::newRow("12 test step") << 12 << 0 << B() << 0 << true << B() << "" << QStringList{"testStep"} << false;
    QTest::newRow("13 source settled") << 13 << 0 << B() << 0 << true << B() << "" << QStringList{"SourceSettled"} << false;
    QTest::newRow("6 unknown") << 6 << 0 << B() << 0 << true << B() << "" << QStringList() << false;
}

void TstTransPump::everyKind()
{
    QFETCH(int, kind);
    QFETCH(int, address);
    QFETCH(QByteArray, text);
    QFETCH(int, mode);
    QFETCH(bool, poll);
    QFETCH(QByteArray, bytes);
    QFETCH(QString, watchdog);
    QFETCH(QStringList, calls);
    QFETCH(bool, current);

    Bench b;
    b.host.modeValue = mode;
    b.host.poll = poll;
    const TTrans t{quint8(kind), text, address, 150};
    b.engine.AddTrans(t);
    b.runTo(TransEngine::PumpMs);

    QCOMPARE(b.lines.line()->written(), bytes);
    QCOMPARE(b.engine.Frame.Busy, !watchdog.isEmpty());
    QCOMPARE(b.engine.TDog->isActive(), watchdog == "TDog");
    QCOMPARE(b.engine.TDogStend->isActive(), watchdog == "TDogStend");
    QStringList seen = b.host.calls;
    if (b.engine.Frame.SourceSettled)
        seen << "SourceSettled";
    QCOMPARE(seen, calls);
    QCOMPARE(b.engine.Frame.CurTrans == t, current);
    QVERIFY(b.engine.Frame.TransQueue.isEmpty());
}

QTEST_GUILESS_MAIN(TstTransPump)
#include "tst_transpump.moc"
