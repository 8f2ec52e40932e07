// The engine against the simulated bench, in virtual time: the probe cycle of "Опросить
// стенды" with answering, silent and missing devices; refusals and time-outs with their
// retry timelines and messages; one link error box at a time; and the link working again
// once the fault is gone, without a restart.
#include "bench/link/FrameLink.h"
#include "bench/link/Frames.h"
#include "bench/link/LinkHost.h"
#include "bench/link/TAsynCom.h"
#include "bench/link/TransEngine.h"
#include "sim/BenchSimulator.h"
#include "sim/SimLine.h"
#include "tests/fixtures/RecordingLinkHost.h"
#include "tests/fixtures/ScriptedPrompts.h"
#include "tests/fixtures/VirtualScheduler.h"

#include <QTest>
#include <functional>

using namespace bench;

namespace {

using Host = fixtures::RecordingLinkHost;

struct Sent
{
    qint64 at; ///< ms
    QByteArray bytes;
};

struct SimBench
{
    VirtualScheduler clock;
    sim::BenchSimulator simulator{clock};
    sim::SimLine *line = nullptr;
    TAsynCom port{clock, [this](const QString &) {
                      auto made = std::make_unique<sim::SimLine>(clock, simulator);
                      line = made.get();
                      return std::unique_ptr<SerialLine>(std::move(made));
                  }};
    FrameLink link{port};
    Host host{&clock};
    ScriptedPrompts prompts;
    TransEngine engine{clock, port, link, host, prompts};
    QList<Sent> sent;

    /// The calls that tell the probe's story; the link resets ("forget") are counted apart.
    QStringList calls() const
    {
        QStringList c = host.calls;
        c.removeAll(QStringLiteral("forget"));
        return c;
    }
    SimBench()
    {
        host.modeValue = 2; // a verification run
        port.setBaudRate(19200);
        port.setByteSize(8);
        port.setPortName(sim::SimulatorPortName);
        port.Open();
        engine.start();
    }
    /// Lets `ms` pass in 1 ms steps, noting each request with the moment it was written.
    void run(qint64 ms)
    {
        for (qint64 i = 0; i < ms; ++i) {
            clock.advance(1);
            if (!line->sentBytes().isEmpty()) {
                QByteArray bytes;
                for (const sim::SimLine::SentByte &s : line->sentBytes())
                    bytes += s.byte;
                line->clearSentBytes();
                sent << Sent{clock.nowMs(), bytes};
            }
        }
    }
    QList<QByteArray> requests() const
    {
        QList<QByteArray> out;
        for (const Sent &s : sent)
            out << s.bytes;
        return out;
    }
    QList<qint64> sendTimes() const
    {
        QList<qint64> out;
        for (const Sent &s : sent)
            out << s.at;
        return out;
    }
    bool idle() const { return engine.Frame.CurTrans.Priority < 0 && engine.Frame.TransQueue.isEmpty(); }
};

const TTrans PollCycle{trPollCycle, {}, 0, 30};

} // namespace

class TstProbe : public QObject
{
    Q_OBJECT
private slots:
    void noStandTickedAsksOnlyTheSource();
    void silentStandIsMarkedAbsent();
    void silentSourceAbandonsTheProbe();
    void threeRefusedPollsEndThePollCycleAndTheLinkRecovers();
    void retryTimelineOfAnUnansweredRequest_data();
    void retryTimelineOfAnUnansweredRequest();
    void oneLinkErrorBoxAtATime();
    void standAnsweringTwiceMovesTheQueueOnOnce();
    void replyOutsideAnExchangeIsIgnored_data();
    void replyOutsideAnExchangeIsIgnored();
    void linkLostDuringAProbeEndsTheProbe();
    void checkByteRetriesStartAfreshAfterTheLinkIsLost();
};

void TstProbe::noStandTickedAsksOnlyTheSource()
{
    SimBench b;
    b.engine.AReplyExecute({});
    b.run(2000);
    QCOMPARE(b.requests(), QList<QByteArray>{frames::probe(1)});
    QCOMPARE(b.calls(), QStringList{"probeDone 0"});
    QVERIFY(!b.engine.StandFound);
    QVERIFY(b.idle());
}

void TstProbe::silentStandIsMarkedAbsent()
{
    SimBench b;
    b.simulator.setPresentStands({1, 3});
    b.engine.AReplyExecute({1, 2, 3});
    b.run(6000);

    QCOMPARE(b.requests(), (QList<QByteArray>{frames::probe(1), frames::probe(2), frames::probe(3), frames::probe(4)}));
    QCOMPARE(b.calls(), (QStringList{"answered 1", "silent 2", "answered 3", "probeDone 1"}));
    // Stand 2's probe went out at 600 ms; its watchdog ran out 3 s later, the reset took 100 ms.
    QCOMPARE(b.sent.at(2).at, 600);
    QCOMPARE(b.host.timeOf("silent 2"), 3700);
    QVERIFY(b.host.standArray[1].Present);
    QVERIFY(!b.host.standArray[2].Present);
    QVERIFY(b.host.standArray[3].Present);
    QVERIFY(b.prompts.shown().isEmpty());
    QVERIFY(b.idle());
}

void TstProbe::silentSourceAbandonsTheProbe()
{
    SimBench b;
    b.simulator.faults().add({sim::FaultKind::Silent, sim::SourceDevice, 'U', sim::Always});
    b.engine.AReplyExecute({1, 2});
    b.run(10000);

    QCOMPARE(b.prompts.texts(), QStringList{"Источник не отвечает ! Опрос."});
    QCOMPARE(b.requests(), QList<QByteArray>{frames::probe(1)}); // the stands were never asked
    QCOMPARE(b.calls(), QStringList{"probeAbandoned"});        // and no end of the cycle
    QCOMPARE(b.host.timeOf("probeAbandoned"), 200 + 3000 + 100);
    QVERIFY(b.idle());
}

void TstProbe::threeRefusedPollsEndThePollCycleAndTheLinkRecovers()
{
    SimBench b;
    b.simulator.setPresentStands({1});
    b.engine.AReplyExecute({1});
    b.run(1000);
    QCOMPARE(b.calls(), (QStringList{"answered 1", "probeDone 1"}));

    b.host.calls.clear();
    b.host.times.clear();
    b.sent.clear();
    b.simulator.faults().add({sim::FaultKind::Nak, 1, '?', 3});
    b.engine.AddTrans(PollCycle);
    b.run(3000);
    QCOMPARE(b.prompts.texts(), QStringList{"Ошибка контрольной суммы! Стенд №1"});
    QCOMPARE(b.requests(), (QList<QByteArray>{frames::standPoll(2), frames::standPoll(2), frames::standPoll(2)}));
    QVERIFY(b.idle()); // the poll cycle went with the queue
    QCOMPARE(b.engine.Frame.Failures, 0);

    // The fault is over: the next cycle polls again and the stand's results come in.
    b.sent.clear();
    b.simulator.stand(1).addReading(7, 0.25);
    b.engine.AddTrans(PollCycle);
    b.run(1000);
    // Cycle, poll (the results), cycle, poll (nothing new), cycle: one tick each.
    QCOMPARE(b.requests(), (QList<QByteArray>{frames::standPoll(2), frames::standPoll(2)}));
    QCOMPARE(b.calls().first(), "menus 1");
    QCOMPARE(b.calls().count("stand 1"), 1);
    QCOMPARE(b.prompts.shown().size(), 1);
    QVERIFY(b.engine.Frame.TransQueue.contains(PollCycle) || b.engine.Frame.CurTrans == PollCycle);
}

void TstProbe::retryTimelineOfAnUnansweredRequest_data()
{
    QTest::addColumn<bool>("toSource");
    QTest::addColumn<QList<qint64>>("sentAt");    // ms
    QTest::addColumn<QString>("message");
    QTest::addColumn<qint64>("messageAt");        // ms
    QTest::addColumn<QStringList>("calls");

    // A stand request: three times, then given up.
    QTest::newRow("stand") << false << QList<qint64>{200, 5400, 10600} << "Стенд №1 не отвечает !" << qint64(15700)
                           << QStringList();
    // A source request: twice, then the point starts again (and sends it anew), and the
    // third failure declares the link lost; the point is started once more after the box.
    QTest::newRow("source") << true << QList<qint64>{200, 5400, 10600, 15800} << "Источник не отвечает !" << qint64(15700)
                            << QStringList{"restartPoint", "menus 0", "restartPoint"};
}

void TstProbe::retryTimelineOfAnUnansweredRequest()
{
    QFETCH(bool, toSource);
    QFETCH(QList<qint64>, sentAt);
    QFETCH(QString, message);
    QFETCH(qint64, messageAt);
    QFETCH(QStringList, calls);

    SimBench b;
    TTrans request;
    if (toSource) {
        frames::SourceProgram program;
        program.u = QStringLiteral("220");
        program.i = QStringLiteral("5");
        request = {trSourceProgram, frames::sourceProgram(program), frames::SourceAddress, 150};
        b.simulator.faults().add({sim::FaultKind::Silent, sim::SourceDevice, 'P', sim::Always});
    } else {
        request = {trStandSetup, frames::standSetup(1, "220", "5", "1", "10"), frames::standAddress(1), 149};
        b.simulator.faults().add({sim::FaultKind::Silent, 1, 'U', sim::Always});
    }
    b.host.onRestart = [&] { b.engine.AddTrans(request); }; // as the run window's AGo would
    qint64 shownAt = -1;
    b.prompts.whileShown = [&](const ScriptedPrompts::Shown &) { shownAt = b.clock.nowMs(); };

    b.engine.AddTrans(request);
    b.run(16000);

    QCOMPARE(b.sendTimes(), sentAt);
    for (const QByteArray &bytes : b.requests())
        QCOMPARE(bytes, request.Text);
    QCOMPARE(b.prompts.texts(), QStringList{message});
    QCOMPARE(shownAt, messageAt);
    QCOMPARE(b.calls(), calls);
    QCOMPARE(b.engine.Frame.Failures, 0);
    QVERIFY(b.host.forgotten >= 1);
    if (!toSource)
        QVERIFY(b.idle());
}

void TstProbe::oneLinkErrorBoxAtATime()
{
    SimBench b;
    b.host.standArray[1].Present = true;
    b.simulator.setPresentStands({1});
    b.simulator.faults().add({sim::FaultKind::Silent, 1, '?', sim::Always});

    // While the first box is on screen, time goes on: the run queues its polling again, and
    // that fails too. No second box opens over the first.
    bool secondFailureSeen = false;
    b.prompts.whileShown = [&](const ScriptedPrompts::Shown &) {
        if (b.prompts.shown().size() > 1)
            return;
        QVERIFY(b.engine.ErrorShown);
        const int forgotten = b.host.forgotten;
        b.engine.AddTrans(PollCycle);
        b.clock.advance(20000);
        secondFailureSeen = b.host.forgotten > forgotten && b.idle();
    };
    b.engine.AddTrans(PollCycle);
    b.clock.advance(60000); // one call: time under the box must not run backwards afterwards

    QVERIFY(secondFailureSeen);
    QCOMPARE(b.prompts.texts(), QStringList{"Стенд №1 не отвечает !"});
    QVERIFY(!b.engine.ErrorShown);

    // Once the box is closed, the next failure is shown again.
    b.engine.AddTrans(PollCycle);
    b.clock.advance(20000);
    QCOMPARE(b.prompts.texts(), (QStringList{"Стенд №1 не отвечает !", "Стенд №1 не отвечает !"}));
}

void TstProbe::standAnsweringTwiceMovesTheQueueOnOnce()
{
    // The second acknowledgement arrives inside the wait after the first; taken, it would
    // move the queue on again and the next stand's setup would never be sent.
    SimBench b;
    b.simulator.setPresentStands({1, 2});
    b.simulator.faults().add({sim::FaultKind::DoubleReply, 1, 'U', 1});
    const QByteArray setup1 = frames::standSetup(1, "220", "5", "1", "10");
    const QByteArray setup2 = frames::standSetup(2, "220", "5", "1", "10");
    b.engine.AddTrans({trStandSetup, setup1, frames::standAddress(1), 149});
    b.engine.AddTrans({trStandSetup, setup2, frames::standAddress(2), 148});
    b.engine.AddTrans({trSourceSettled, {}, 0, 99});
    b.run(1000);
    QCOMPARE(b.requests(), (QList<QByteArray>{setup1, setup2}));
    QVERIFY(b.engine.Frame.SourceSettled);
    QVERIFY(b.idle());
    QVERIFY(b.prompts.shown().isEmpty());
}

void TstProbe::replyOutsideAnExchangeIsIgnored_data()
{
    QTest::addColumn<bool>("source");
    QTest::newRow("source acknowledges a programming frame twice") << true;
    QTest::newRow("stand sends its results twice") << false;
}

void TstProbe::replyOutsideAnExchangeIsIgnored()
{
    // The second copy arrives after the exchange is over, while the next request waits for
    // its tick: it must neither stand in for that request's answer nor be counted again.
    QFETCH(bool, source);
    SimBench b;
    b.simulator.setPresentStands({1, 2});
    if (source) {
        frames::SourceProgram first, second;
        first.u = QStringLiteral("220");
        second.i = QStringLiteral("5");
        const QByteArray a = frames::sourceProgram(first), c = frames::sourceProgram(second);
        b.simulator.faults().add({sim::FaultKind::DoubleReply, sim::SourceDevice, 'P', 1});
        b.engine.AddTrans({trSourceProgram, a, frames::SourceAddress, 150});
        b.engine.AddTrans({trSourceProgram, c, frames::SourceAddress, 130});
        b.run(1000);
        QCOMPARE(b.requests(), (QList<QByteArray>{a, c}));
        QVERIFY(b.idle());
    } else {
        b.host.standArray[1].Present = b.host.standArray[2].Present = true;
        b.host.count = 2;
        b.simulator.stand(1).addReading(3, 0.5);
        b.simulator.faults().add({sim::FaultKind::DoubleReply, 1, '?', 1});
        b.engine.AddTrans(PollCycle);
        b.run(650); // cycle, poll of stand 1, poll of stand 2
        QCOMPARE(b.requests(), (QList<QByteArray>{frames::standPoll(2), frames::standPoll(3)}));
        QCOMPARE(b.calls().count("stand 1"), 1);
    }
    QVERIFY(b.prompts.shown().isEmpty());
}

void TstProbe::linkLostDuringAProbeEndsTheProbe()
{
    // The periodic source reading fails twice while the stands are probed: the queue is
    // emptied, the end marker with it, and the probe ends as an abandoned one.
    SimBench b;
    b.simulator.faults().add({sim::FaultKind::Silent, sim::SourceDevice, '?', 2});
    b.engine.AddTrans({trSourceRead, {}, frames::SourceAddress, 100});
    b.engine.AReplyExecute({1, 2});
    b.run(12000);
    QVERIFY(b.calls().contains("probeAbandoned"));
    QVERIFY(!b.calls().contains("probeDone 1"));
    QCOMPARE(b.calls().count("probeAbandoned"), 1);
    QVERIFY(b.idle());
}

void TstProbe::checkByteRetriesStartAfreshAfterTheLinkIsLost()
{
    SimBench b;
    const TTrans read{trSourceRead, {}, frames::SourceAddress, 100};
    b.simulator.faults().add({sim::FaultKind::WrongChecksum, sim::SourceDevice, '?', 4});
    b.engine.AddTrans(read);
    b.run(2000);
    QCOMPARE(b.prompts.texts(), QStringList{"Ошибка контрольной суммы. Нарушена связь с источником !"});
    QCOMPARE(b.engine.Frame.ChecksumErrors, 0);
    QCOMPARE(b.prompts.shown().first().icon, Prompts::Icon::Plain); // link boxes carry no icon

    // One bad byte later on is retried like any other, not taken for a lost link.
    b.simulator.faults().add({sim::FaultKind::WrongChecksum, sim::SourceDevice, '?', 1});
    b.engine.AddTrans(read);
    b.run(2000);
    QCOMPARE(b.prompts.shown().size(), 1);
    QVERIFY(b.calls().contains("source"));
    QVERIFY(b.idle());
}

QTEST_GUILESS_MAIN(TstProbe)
#include "tst_probe.moc"
