// The bench simulator through its in-process line, in virtual time: what the controller
// writes goes in as bytes and the replies are checked byte for byte and for when they
// arrive; plus the fault rules, the scenarios and the framing of requests.
#include "bench/link/SourceState.h"
#include "common/UTools.h"
#include "sim/BenchSimulator.h"
#include "sim/RequestParser.h"
#include "sim/SimLine.h"
#include "tests/fixtures/VirtualScheduler.h"

#include <QJsonDocument>
#include <QRandomGenerator>
#include <QTemporaryDir>
#include <QTest>

using namespace sim;
using UTools::ACK;
using UTools::ETX;
using UTools::NAK;
using UTools::SOH;
using UTools::STX;

namespace {

using Chunks = QList<QByteArray>;

QByteArray Addr(int device) { return QByteArray(1, char('1' + device)); } // 0 source, N stand N

QByteArray Short(int device, char command, const QByteArray &body = {})
{
    return Addr(device) + SOH + command + body + ETX + '\0';
}

QByteArray Poll(int device) { return Addr(device) + '?' + ETX + '\0'; }

QByteArray Data(int device, char command, const QByteArray &field)
{
    const QByteArray frame = Addr(device) + SOH + command + STX + field + ETX;
    return frame + char(UTools::FrameChecksum(frame));
}

QByteArray WrongCheck(QByteArray frame)
{
    frame.back() = char(frame.back() + 1);
    return frame;
}

QByteArray Ack(int device) { return '/' + Addr(device) + ACK + ETX + '\0'; }
QByteArray Nak(int device) { return '/' + Addr(device) + NAK + ETX + '\0'; }

QByteArray DataReply(int device, const QByteArray &field)
{
    QByteArray r = '/' + Addr(device) + STX + field + ETX + '\0';
    r.back() = char(UTools::ReplyChecksum(r));
    return r;
}

const QByteArray kProgram = "1(220)2(5)5(50)4(60)";
const QByteArray kOffReadings = "1(0)2(0)4(0)5(0):(0)7(5)Z(0)E(16)"; // the source as it starts

// The readings of the source, taken apart as the controller takes them.
bench::SourceState ParseReadings(const Reply &reply)
{
    bench::SourceState state;
    if (!bench::ParseSourceReply(reply.bytes('1'), state))
        state.Status = -1; // no integer in 'E': no test expects that
    return state;
}

// The source as a unit, on its own clock: programming fields and polls at given times.
struct Source
{
    SimSource source;

    Reply program(const QByteArray &field, qint64 atMs)
    {
        return source.handle(Request::decode(Data(0, 'P', field)), atMs);
    }
    bench::SourceState read(qint64 atMs) { return ParseReadings(source.handle(Request::decode(Poll(0)), atMs)); }
};

// The groups of a stand's data field in the order they come: position and value text.
// Empty when the field is not made of such groups.
QList<QPair<int, QByteArray>> StandGroups(const QByteArray &field)
{
    QList<QPair<int, QByteArray>> groups;
    qsizetype pos = 0;
    while (pos < field.size()) {
        const qsizetype open = field.indexOf('(', pos);
        const qsizetype close = field.indexOf(')', open + 1);
        if (open <= pos || close < 0)
            return {};
        bool ok = false;
        const int position = field.mid(pos, open - pos).toInt(&ok);
        if (!ok)
            return {};
        groups.append({position, field.mid(open + 1, close - open - 1)});
        pos = close + 1;
    }
    return groups;
}

// The controller's side of the line: writes as the port component does (address byte
// alone, then the rest) and records every received chunk with its arrival time.
struct Bench
{
    VirtualScheduler clock;
    BenchSimulator simulator{clock};
    SimLine line{clock, simulator};
    QList<qint64> arrivals;
    Chunks chunks;
    QList<qint64> transmitEmpties;

    Bench()
    {
        QObject::connect(&line, &SimLine::chunkReceived, &line, [this](const QByteArray &c, quint32) {
            arrivals << clock.nowMs();
            chunks << c;
        });
        QObject::connect(&line, &SimLine::transmitEmpty, &line, [this] { transmitEmpties << clock.nowMs(); });
        line.open(SimulatorPortName);
        line.applySettings({19200, 8, bench::Parity::Space, bench::StopBits::One});
    }

    void send(const QByteArray &request)
    {
        line.write(request.left(1));
        line.write(request.mid(1));
    }

    /// The chunks the bench answers `request` with, within `ms`.
    Chunks exchange(const QByteArray &request, int ms = 100)
    {
        chunks.clear();
        arrivals.clear();
        send(request);
        clock.advance(ms);
        return chunks;
    }
};

} // namespace

class TstSimulator : public QObject
{
    Q_OBJECT
private slots:
    void probeTakesTheWireTimeBothWays();
    void sourceProgrammingSettlesAndSwitchesOff();
    void sourceRefusesBadProgramming_data();
    void sourceRefusesBadProgramming();
    void sourceReadingsFollowTheProgramming_data();
    void sourceReadingsFollowTheProgramming();
    void energyGrowsWithThePowerUpToTheDose_data();
    void energyGrowsWithThePowerUpToTheDose();
    void statusFaults_data();
    void statusFaults();
    void rangeIndex_data();
    void rangeIndex();
    void onlyPresentStandsAnswer();
    void standCommands_data();
    void standCommands();
    void standReportsItsMeasurementsOnce();
    void standReportsItsValuesOnEveryPoll();
    void requestsWithoutReply_data();
    void requestsWithoutReply();
    void faults_data();
    void faults();
    void scenario();
    void badScenarioChangesNothing_data();
    void badScenarioChangesNothing();
    void demoBench();
    void parser_data();
    void parser();
    void parserBufferStaysBoundedUnderNoise();
    void lineOpenCloseAndPurge();
};

void TstSimulator::probeTakesTheWireTimeBothWays()
{
    Bench b;
    // The address byte under MARK, the rest under SPACE: the line remembers each byte's parity.
    b.line.applySettings({19200, 8, bench::Parity::Mark, bench::StopBits::One});
    b.line.write(Addr(0));
    b.line.applySettings({19200, 8, bench::Parity::Space, bench::StopBits::One});
    b.line.write(QByteArray() + SOH + 'U' + ETX + '\0');
    b.clock.advance(100);

    // 1 byte: 1 ms, then 4 bytes: 3 ms at 19200 bit/s and 11 bits; 3 ms turnaround; the
    // 5-byte acknowledgement takes 3 ms more.
    QCOMPARE(b.transmitEmpties, QList<qint64>{4});
    QCOMPARE(b.chunks, Chunks{Ack(0)});
    QCOMPARE(b.arrivals, QList<qint64>{10});

    const QList<SimLine::SentByte> sent = b.line.sentBytes();
    QCOMPARE(sent.size(), 5);
    QCOMPARE(sent.at(0), (SimLine::SentByte{'1', bench::Parity::Mark}));
    for (qsizetype i = 1; i < sent.size(); ++i)
        QCOMPARE(sent.at(i).parity, bench::Parity::Space);

    // At 9600 bit/s every leg takes twice as long, give or take the rounding.
    b.line.applySettings({9600, 8, bench::Parity::Space, bench::StopBits::One});
    b.exchange(Short(0, 'U'));
    QCOMPARE(b.arrivals, QList<qint64>{100 + 2 + 5 + 3 + 6});
}

void TstSimulator::sourceProgrammingSettlesAndSwitchesOff()
{
    Bench b;
    QCOMPARE(b.exchange(Poll(0)), Chunks{DataReply(0, kOffReadings)});

    QCOMPARE(b.exchange(Data(0, 'P', kProgram)), Chunks{Ack(0)});
    // cos 60 degrees is 0.5, P = 220 * 5 * 0.5, 5 A lies in the range 1.7 - 10 A (index 2).
    // The frame reached the source at 16 ms; it settles 1.5 s later. Z is 550 W over the
    // time since then: 88 ms are 0.01344 Wh.
    const Chunks unsettled = b.exchange(Poll(0), 1360);
    QCOMPARE(unsettled, Chunks{DataReply(0, "1(220)2(5)4(0.5)5(50):(550)7(2)Z(0.013)E(1)")});
    QVERIFY(UTools::ReplyChecksumOk(unsettled.at(0)));
    QCOMPARE(b.exchange(Poll(0)), Chunks{DataReply(0, "1(220)2(5)4(0.5)5(50):(550)7(2)Z(0.221)E(1)")}); // 1448 ms
    QCOMPARE(b.exchange(Poll(0)), Chunks{DataReply(0, "1(220)2(5)4(0.5)5(50):(550)7(2)Z(0.236)E(0)")}); // 1548 ms: 0.2365, to even

    // A later frame programs only what it carries and starts the settling and the energy again.
    QCOMPARE(b.exchange(Data(0, 'P', "2(0.2)4(37)")), Chunks{Ack(0)});
    QCOMPARE(b.exchange(Poll(0)), Chunks{DataReply(0, "1(220)2(0.2)4(0.799)5(50):(35.156)7(4)Z(0.001)E(1)")});
    QVERIFY(b.simulator.source().outputOn());

    // Off, the source measures nothing; bit 1 still runs out as it does after a programming.
    QCOMPARE(b.exchange(Short(0, 'D')), Chunks{Ack(0)});
    QCOMPARE(b.exchange(Poll(0), 2000), Chunks{DataReply(0, "1(0)2(0)4(0)5(0):(0)7(5)Z(0)E(17)")});
    QCOMPARE(b.exchange(Poll(0)), Chunks{DataReply(0, kOffReadings)});
}

void TstSimulator::sourceRefusesBadProgramming_data()
{
    QTest::addColumn<QByteArray>("request");
    QTest::newRow("wrong check byte") << WrongCheck(Data(0, 'P', kProgram));
    QTest::newRow("group not closed") << Data(0, 'P', "1(220)2(5");
    QTest::newRow("no parenthesis") << Data(0, 'P', "1220");
    QTest::newRow("unknown id") << Data(0, 'P', "1(220)9(1)");
    QTest::newRow("not a number") << Data(0, 'P', "1(2a0)");
    QTest::newRow("empty value") << Data(0, 'P', "1()");
    QTest::newRow("negative voltage") << Data(0, 'P', "1(-5)");
    QTest::newRow("current beyond the ranges") << Data(0, 'P', "2(120.5)");
    QTest::newRow("J neither 0 nor 1") << Data(0, 'P', "1(220)J(2)");
    QTest::newRow("programming as a short request") << Short(0, 'P', "1(220)");
    QTest::newRow("unknown command") << Short(0, 'K');
}

void TstSimulator::sourceRefusesBadProgramming()
{
    QFETCH(QByteArray, request);
    Bench b;
    QCOMPARE(b.exchange(request), Chunks{Nak(0)});
    QCOMPARE(b.exchange(Poll(0)), Chunks{DataReply(0, kOffReadings)}); // nothing taken
}

void TstSimulator::sourceReadingsFollowTheProgramming_data()
{
    QTest::addColumn<QByteArray>("program");
    QTest::addColumn<float>("u");
    QTest::addColumn<float>("i");
    QTest::addColumn<float>("pf");
    QTest::addColumn<float>("f");
    QTest::addColumn<float>("p");
    QTest::addColumn<char>("range");
    QTest::newRow("220 V 5 A 60 degrees") << kProgram << 220.f << 5.f << 0.5f << 50.f << 550.f << '2';
    // cos 37 degrees is 0.79864: 0.799, and P from it: 57.7 * 0.25 * 0.799 = 11.525575.
    QTest::newRow("57.7 V 0.25 A 37 degrees") << QByteArray("1(57.7)2(0.25)5(50)4(37)") << 57.7f << 0.25f
                                              << 0.799f << 50.f << 11.526f << '4';
    QTest::newRow("capacitive 300 degrees, 60 Hz, 80 A") << QByteArray("1(230)2(80)5(60)4(300)") << 230.f << 80.f
                                                         << 0.5f << 60.f << 9200.f << '0';
    QTest::newRow("inverse current 180 degrees, 10 A") << QByteArray("1(230)2(10)5(50)4(180)") << 230.f << 10.f
                                                       << -1.f << 50.f << -2300.f << '2';
    QTest::newRow("zero current: nothing to measure") << QByteArray("1(230)2(0)4(60)") << 230.f << 0.f << 0.f
                                                      << 50.f << 0.f << '5';
    QTest::newRow("zero voltage") << QByteArray("1(0)2(5)4(0)") << 0.f << 5.f << 0.f << 50.f << 0.f << '2';
}

void TstSimulator::sourceReadingsFollowTheProgramming()
{
    QFETCH(QByteArray, program);
    QFETCH(float, u);
    QFETCH(float, i);
    QFETCH(float, pf);
    QFETCH(float, f);
    QFETCH(float, p);
    QFETCH(char, range);
    Source s;
    QCOMPARE(s.program(program, 1000).kind, Reply::Kind::Ack);
    for (const qint64 at : {qint64(1000), 1000 + SimSource::SettleMs - 1, 1000 + SimSource::SettleMs}) {
        const bench::SourceState r = s.read(at);
        QCOMPARE(r.U, u);
        QCOMPARE(r.I, i);
        QCOMPARE(r.PF, pf);
        QCOMPARE(r.F, f);
        QCOMPARE(r.P, p);
        QCOMPARE(r.Range, range);
        QCOMPARE(r.Status, at < 1000 + SimSource::SettleMs ? SimSource::StatusNotSettled : 0);
    }

    // Off: every reading 0, the lowest range, the output-off bit.
    QCOMPARE(s.source.handle(Request::decode(Short(0, 'D')), 5000).kind, Reply::Kind::Ack);
    const bench::SourceState off = s.read(5000);
    QCOMPARE(QList<float>({off.U, off.I, off.PF, off.F, off.P, off.Energy}), QList<float>(6, 0.f));
    QCOMPARE(off.Range, '5');
    QCOMPARE(off.Status, SimSource::StatusOutputOff);
}

void TstSimulator::energyGrowsWithThePowerUpToTheDose_data()
{
    // Requests to the source at the given times (programming fields, or "D" to switch the
    // output off), then the energy read at `readAt`.
    QTest::addColumn<QList<qint64>>("times");
    QTest::addColumn<QList<QByteArray>>("requests");
    QTest::addColumn<qint64>("readAt");
    QTest::addColumn<float>("energy");
    const QByteArray full = "1(230)2(10)5(50)4(0)"; // 2300 W
    const qint64 hour = 3'600'000;
    QTest::newRow("at once") << QList<qint64>{0} << QList<QByteArray>{full} << qint64(0) << 0.f;
    QTest::newRow("a tenth of an hour") << QList<qint64>{0} << QList<QByteArray>{full} << hour / 10 << 230.f;
    QTest::newRow("one second, three decimals") << QList<qint64>{0} << QList<QByteArray>{full} << qint64(1000)
                                                << 0.639f; // 0.63889 Wh
    QTest::newRow("60 degrees halves it") << QList<qint64>{0} << QList<QByteArray>{"1(230)2(10)4(60)"} << hour
                                          << 1150.f;
    QTest::newRow("below the dose") << QList<qint64>{0} << QList<QByteArray>{full + "Z(500)"} << hour / 5 << 460.f;
    QTest::newRow("held at the dose") << QList<qint64>{0} << QList<QByteArray>{"Z(500)" + full} << hour << 500.f;
    QTest::newRow("output off") << QList<qint64>{0, hour / 10} << QList<QByteArray>{full, "D"} << hour / 5 << 0.f;
    // A programming starts the count anew, and without 'Z' the dose before it is gone.
    QTest::newRow("reprogrammed without a dose")
        << QList<qint64>{0, hour} << QList<QByteArray>{full + "Z(500)", "2(5)"} << 2 * hour << 1150.f;
}

void TstSimulator::energyGrowsWithThePowerUpToTheDose()
{
    QFETCH(QList<qint64>, times);
    QFETCH(QList<QByteArray>, requests);
    QFETCH(qint64, readAt);
    QFETCH(float, energy);
    Source s;
    for (qsizetype k = 0; k < requests.size(); ++k) {
        const Request request = Request::decode(requests.at(k) == "D" ? Short(0, 'D') : Data(0, 'P', requests.at(k)));
        QCOMPARE(s.source.handle(request, times.at(k)).kind, Reply::Kind::Ack);
    }
    QCOMPARE(s.read(readAt).Energy, energy);
}

void TstSimulator::statusFaults_data()
{
    QTest::addColumn<QList<SimSource::StatusFault>>("faults");
    QTest::addColumn<QList<int>>("statuses"); // of the readings that follow
    using F = SimSource::StatusFault;
    QTest::newRow("voltage overload once") << QList<F>{{64, 1, 0}} << QList<int>{64, 0, 0};
    QTest::newRow("current overload after two") << QList<F>{{128, 1, 2}} << QList<int>{0, 0, 128, 0};
    QTest::newRow("twice") << QList<F>{{64, 2, 0}} << QList<int>{64, 64, 0};
    QTest::newRow("protection device always, after one")
        << QList<F>{{32, Always, 1}} << QList<int>{0, 32, 32, 32, 32};
    QTest::newRow("one after the other") << QList<F>{{64, 1, 0}, {128, 1, 1}} << QList<int>{64, 128, 0};
    QTest::newRow("on the same reading") << QList<F>{{64, 1, 0}, {128, 1, 0}} << QList<int>{192, 0};
}

void TstSimulator::statusFaults()
{
    QFETCH(QList<SimSource::StatusFault>, faults);
    QFETCH(QList<int>, statuses);
    Source s;
    QCOMPARE(s.program(kProgram, 0).kind, Reply::Kind::Ack);
    for (const SimSource::StatusFault &f : faults)
        QVERIFY(s.source.addStatusFault(f.status, f.count, f.after));
    QList<int> seen;
    for (qsizetype k = 0; k < statuses.size(); ++k) {
        const bench::SourceState r = s.read(SimSource::SettleMs + k);
        QCOMPARE(r.U, 220.f); // the readings themselves stay as they are
        seen << r.Status;
    }
    QCOMPARE(seen, statuses);

    // What the source cannot report or count is refused and changes nothing.
    s.source.clearStatusFaults();
    QVERIFY(!s.source.addStatusFault(256));
    QVERIFY(!s.source.addStatusFault(-1));
    QVERIFY(!s.source.addStatusFault(64, 0));
    QVERIFY(!s.source.addStatusFault(64, -2));
    QVERIFY(!s.source.addStatusFault(64, 1, -1));
    QVERIFY(s.source.statusFaults().isEmpty());
}

void TstSimulator::rangeIndex_data()
{
    QTest::addColumn<double>("amps");
    QTest::addColumn<int>("index");
    QTest::newRow("120 A") << 120.0 << 0;
    QTest::newRow("60.01 A") << 60.01 << 0;
    QTest::newRow("60 A") << 60.0 << 1;
    QTest::newRow("10 A") << 10.0 << 2;
    QTest::newRow("1.7 A") << 1.7 << 3;
    QTest::newRow("0.3 A") << 0.3 << 4;
    QTest::newRow("0.05 A") << 0.05 << 5;
    QTest::newRow("no current") << 0.0 << 5;
}

void TstSimulator::rangeIndex()
{
    QFETCH(double, amps);
    QFETCH(int, index);
    QCOMPARE(SimSource::rangeIndex(amps), index);
}

void TstSimulator::onlyPresentStandsAnswer()
{
    Bench b;
    QCOMPARE(b.simulator.presentStands(), (QList<int>{1, 2, 3})); // the demo bench
    for (int n = 1; n <= 10; ++n) {
        const Chunks expected = n <= 3 ? Chunks{Ack(n)} : Chunks{};
        QCOMPARE(b.exchange(Short(n, 'U')), expected);
        QCOMPARE(b.exchange(Poll(n)), expected); // nothing measured yet: acknowledged
    }
    b.simulator.setPresentStands({10});
    QCOMPARE(b.exchange(Short(1, 'U')), Chunks{});
    QCOMPARE(b.exchange(Short(10, 'U')), Chunks{Ack(10)}); // address ';'
}

void TstSimulator::standCommands_data()
{
    QTest::addColumn<QByteArray>("request");
    QTest::addColumn<QByteArray>("reply");
    const QByteArray setup = "hX0YiX0YaX220YbX5YdX0.5LYeX10Y";
    QTest::newRow("test setup") << Data(2, 'U', setup) << Ack(2);
    QTest::newRow("check byte is ETX") << Data(2, 'U', "hX0YiX0YaX57.7YbX5YdX0.8LYeX5Y") << Ack(2);
    QTest::newRow("meter setup P") << Data(2, 'P', "gX2YfX1000YeX10Y") << Ack(2);
    QTest::newRow("meter setup Q") << Data(2, 'Q', "gX2YfX1000YeX0Y") << Ack(2);
    QTest::newRow("meter setup R") << Data(2, 'R', "gX0YfX1000YeX0Y") << Ack(2);
    QTest::newRow("meter setup S") << Data(2, 'S', "gX0YfX1000YeX0Y") << Ack(2);
    QTest::newRow("clear all") << Short(2, 'V') << Ack(2);
    QTest::newRow("clear position 100") << Short(2, 'W', "100") << Ack(2);
    QTest::newRow("setup, wrong check byte") << WrongCheck(Data(2, 'U', setup)) << Nak(2);
    QTest::newRow("setup field not closed") << Data(2, 'U', "aX220") << Nak(2);
    QTest::newRow("setup letter upper case") << Data(2, 'U', "AX220Y") << Nak(2);
    QTest::newRow("clear position 0") << Short(2, 'W', "0") << Nak(2);
    QTest::newRow("clear position 101") << Short(2, 'W', "101") << Nak(2);
    QTest::newRow("clear position abc") << Short(2, 'W', "abc") << Nak(2);
    QTest::newRow("unknown command") << Short(2, 'K') << Nak(2);
}

void TstSimulator::standCommands()
{
    QFETCH(QByteArray, request);
    QFETCH(QByteArray, reply);
    Bench b;
    QCOMPARE(b.exchange(request), Chunks{reply});
}

void TstSimulator::standReportsItsMeasurementsOnce()
{
    Bench b;
    SimStand &stand = b.simulator.stand(1);
    QCOMPARE(b.exchange(Data(1, 'U', "hX0YiX0YaX230YbX10YdX0.5LYeX10Y")), Chunks{Ack(1)});
    QCOMPARE(stand.testSetup().value('a'), QByteArray("230"));
    QCOMPARE(stand.testSetup().value('d'), QByteArray("0.5L"));
    QCOMPARE(b.exchange(Data(1, 'P', "gX2YfX3200YeX10Y")), Chunks{Ack(1)});
    QCOMPARE(stand.meterCommand(), 'P');
    QCOMPARE(stand.meterSetup().value('f'), QByteArray("3200"));

    stand.addReading(12, -0.05);
    stand.addReading(1, 0.123);
    QCOMPARE(b.exchange(Poll(1)), Chunks{DataReply(1, "1(0.123)12(-0.05)")});
    QCOMPARE(b.exchange(Poll(1)), Chunks{Ack(1)});

    stand.addReading(1, 0.5);
    stand.addReading(2, 0.25);
    QCOMPARE(b.exchange(Short(1, 'W', "1")), Chunks{Ack(1)});
    QCOMPARE(b.exchange(Poll(1)), Chunks{DataReply(1, "2(0.25)")});
    stand.addReading(3, 1);
    QCOMPARE(b.exchange(Short(1, 'V')), Chunks{Ack(1)});
    QCOMPARE(b.exchange(Poll(1)), Chunks{Ack(1)});
}

void TstSimulator::standReportsItsValuesOnEveryPoll()
{
    Bench b;
    SimStand &stand = b.simulator.stand(2);
    for (int p = 12; p >= 1; --p)
        QVERIFY(stand.setValue(p, QString::number(p) + ".5" + QString::number(p % 3)));
    QVERIFY(stand.setValue(100, "-0.35"));
    QVERIFY(stand.setValue(5, "-201")); // the stand has no measurement there

    const Chunks reply = b.exchange(Poll(2));
    QCOMPARE(reply.size(), 1);
    QVERIFY(UTools::ReplyChecksumOk(reply.at(0)));
    QVERIFY(reply.at(0).startsWith('/' + Addr(2) + STX));
    const QByteArray field = reply.at(0).mid(3, reply.at(0).size() - 5);
    const QList<QPair<int, QByteArray>> groups = StandGroups(field);
    QCOMPARE(groups.size(), 13);
    for (int p = 1; p <= 12; ++p) {
        const QByteArray text = p == 5 ? QByteArray("-201") : QByteArray::number(p) + ".5" + QByteArray::number(p % 3);
        QCOMPARE(groups.at(p - 1), qMakePair(p, text));
        // The controller looks for the first "p(": 10, 11 and 12 are found by their own group.
        if (p >= 10) {
            const QByteArray key = QByteArray::number(p) + '(';
            const qsizetype at = field.indexOf(key) + key.size();
            QCOMPARE(field.mid(at, field.indexOf(')', at) - at), text);
        }
    }
    QCOMPARE(groups.last(), qMakePair(100, QByteArray("-0.35")));

    // A measurement stands in for the value on one poll; clearing the readings leaves the values.
    stand.clearValues();
    QVERIFY(stand.setValue(3, "0.12"));
    QVERIFY(stand.setValue(11, "1.4"));
    stand.addReading(11, -0.5);
    QCOMPARE(b.exchange(Poll(2)), Chunks{DataReply(2, "3(0.12)11(-0.5)")});
    QCOMPARE(b.exchange(Short(2, 'V')), Chunks{Ack(2)});
    QCOMPARE(b.exchange(Poll(2)), Chunks{DataReply(2, "3(0.12)11(1.4)")});

    // What no stand can send is refused; an empty text removes the value.
    for (const auto &[position, text] : QList<QPair<int, QString>>{
             {0, "0.1"}, {101, "0.1"}, {3, "abc"}, {3, "0,12"}, {3, "1)2("}, {3, "0.1\n"}, {3, "1E-5"}, {3, "0.\u00B9"}})
        QVERIFY2(!stand.setValue(position, text), qPrintable(text));
    QCOMPARE(b.exchange(Poll(2)), Chunks{DataReply(2, "3(0.12)11(1.4)")});
    QVERIFY(stand.setValue(3, ""));
    QVERIFY(stand.setValue(11, ""));
    QCOMPARE(b.exchange(Poll(2)), Chunks{Ack(2)});
}

void TstSimulator::requestsWithoutReply_data()
{
    QTest::addColumn<QByteArray>("request");
    QTest::addColumn<bool>("sourceStaysOn");
    QTest::newRow("broadcast stop") << QByteArray("\xFF\x01X\x03", 4) + '\0' << false;
    QTest::newRow("closing frame") << QByteArray("/0\x01X\x03") << true;
    QTest::newRow("address 0") << QByteArray("0?\x03", 3) + '\0' << true;
    QTest::newRow("absent stand") << Short(4, 'U') << true;
}

void TstSimulator::requestsWithoutReply()
{
    QFETCH(QByteArray, request);
    QFETCH(bool, sourceStaysOn);
    Bench b;
    QCOMPARE(b.exchange(Data(0, 'P', kProgram)), Chunks{Ack(0)});
    QCOMPARE(b.exchange(request, 1000), Chunks{});
    QCOMPARE(b.simulator.source().outputOn(), sourceStaysOn);
    QCOMPARE(b.exchange(Short(0, 'U')), Chunks{Ack(0)}); // the line is still in step
}

void TstSimulator::faults_data()
{
    QTest::addColumn<QList<FaultRule>>("rules");
    QTest::addColumn<Chunks>("requests");
    QTest::addColumn<QList<Chunks>>("replies");

    const QByteArray readings = DataReply(0, kOffReadings);
    const QByteArray badReadings = WrongCheck(readings);
    const QByteArray program = Data(0, 'P', kProgram);
    const QByteArray noise("\x00\xFF\x55\xAA\x7E", 5);
    using K = FaultKind;

    QTest::newRow("stand 2 silent for probes")
        << QList<FaultRule>{{K::Silent, 2, 'U', Always}} << Chunks{Short(2, 'U'), Short(2, 'U'), Poll(2), Short(1, 'U')}
        << QList<Chunks>{{}, {}, {Ack(2)}, {Ack(1)}};
    QTest::newRow("source NAKs its first programming frame")
        << QList<FaultRule>{{K::Nak, SourceDevice, 'P', 1}} << Chunks{program, Poll(0), program}
        << QList<Chunks>{{Nak(0)}, {readings}, {Ack(0)}}; // the refused frame was not taken
    QTest::newRow("source wrong check byte three times")
        << QList<FaultRule>{{K::WrongChecksum, SourceDevice, AnyCommand, 3}}
        << Chunks{Poll(0), Short(0, 'U'), Poll(0), Poll(0), Poll(0)}
        << QList<Chunks>{{badReadings}, {Ack(0)}, {badReadings}, {badReadings}, {readings}};
    QTest::newRow("silent always, other device unaffected")
        << QList<FaultRule>{{K::Silent, SourceDevice, AnyCommand, Always}} << Chunks{Poll(0), Short(0, 'U'), Short(1, 'U')}
        << QList<Chunks>{{}, {}, {Ack(1)}};
    QTest::newRow("split reply")
        << QList<FaultRule>{{K::SplitReply, SourceDevice, 'U', 1}} << Chunks{Short(0, 'U'), Short(0, 'U')}
        << QList<Chunks>{{"/1", QByteArray() + ACK + ETX, QByteArray(1, '\0')}, {Ack(0)}};
    QTest::newRow("split data reply")
        << QList<FaultRule>{{K::SplitReply, SourceDevice, '?', 1}} << Chunks{Poll(0)}
        << QList<Chunks>{{readings.left(2), readings.mid(2, readings.size() - 3), readings.right(1)}};
    QTest::newRow("garbage before the reply")
        << QList<FaultRule>{{K::Garbage, 1, AnyCommand, 1}} << Chunks{Short(1, 'U'), Short(1, 'U')}
        << QList<Chunks>{{noise, Ack(1)}, {Ack(1)}};
    QTest::newRow("double reply")
        << QList<FaultRule>{{K::DoubleReply, SourceDevice, '?', 1}} << Chunks{Poll(0), Poll(0)}
        << QList<Chunks>{{readings, readings}, {readings}};
    QTest::newRow("faults combine")
        << QList<FaultRule>{{K::Garbage, SourceDevice, '?', 1}, {K::WrongChecksum, SourceDevice, '?', 1},
                            {K::DoubleReply, SourceDevice, '?', 1}}
        << Chunks{Poll(0)} << QList<Chunks>{{noise, badReadings, badReadings}};
    QTest::newRow("silent beats the rest")
        << QList<FaultRule>{{K::DoubleReply, SourceDevice, 'U', 1}, {K::Silent, SourceDevice, 'U', 1}}
        << Chunks{Short(0, 'U')} << QList<Chunks>{{}};
}

void TstSimulator::faults()
{
    QFETCH(QList<FaultRule>, rules);
    QFETCH(Chunks, requests);
    QFETCH(QList<Chunks>, replies);
    Bench b;
    for (const FaultRule &rule : rules)
        b.simulator.faults().add(rule);
    for (qsizetype i = 0; i < requests.size(); ++i) {
        QCOMPARE(b.exchange(requests.at(i)), replies.at(i));
        // Every piece is a chunk of its own: it starts only after a gap on the wire.
        for (qsizetype k = 1; k < b.arrivals.size(); ++k) {
            const qint64 pieceTime = wireTimeMs(b.chunks.at(k).size());
            QVERIFY(b.arrivals.at(k) - b.arrivals.at(k - 1) >= pieceTime + BenchSimulator::ChunkGapMs);
        }
    }
}

void TstSimulator::scenario()
{
    Bench b;
    const QByteArray json = R"({"stands": [2, 5],
        "faults": [{"device": 2, "command": "U", "fault": "Silent"},
                   {"device": "source", "command": "P", "fault": "Nak", "count": 1},
                   {"device": 5, "command": "*", "fault": "DoubleReply", "count": 2}]})";
    QCOMPARE(b.simulator.loadScenario(QJsonDocument::fromJson(json).object()), QString());
    QCOMPARE(b.simulator.presentStands(), (QList<int>{2, 5}));
    QCOMPARE(b.exchange(Short(1, 'U')), Chunks{});
    QCOMPARE(b.exchange(Short(2, 'U')), Chunks{});
    QCOMPARE(b.exchange(Data(0, 'P', kProgram)), Chunks{Nak(0)});
    QCOMPARE(b.exchange(Data(0, 'P', kProgram)), Chunks{Ack(0)});
    QCOMPARE(b.exchange(Poll(5)), (Chunks{Ack(5), Ack(5)}));

    // Status faults and meter values: the third reading reports the overload, stand 5 its
    // value, and stand 2 (no meters listed for it) nothing.
    const QByteArray more = R"({"stands": [2, 5],
        "sourceStatus": [{"status": 64, "after": 2}, {"status": 32, "after": 3, "count": -1}],
        "meters": [{"stand": 5, "position": 12, "value": "-0.35"}, {"stand": 5, "position": 3, "value": "0.12"}]})";
    QCOMPARE(b.simulator.loadScenario(QJsonDocument::fromJson(more).object()), QString());
    QVERIFY(b.simulator.faults().rules().isEmpty());
    b.clock.advance(SimSource::SettleMs); // the programming above has settled
    QList<int> statuses;
    for (int k = 0; k < 6; ++k) {
        const Chunks reply = b.exchange(Poll(0), 1000);
        bench::SourceState state;
        QVERIFY(reply.size() == 1 && bench::ParseSourceReply(reply.at(0), state));
        statuses << state.Status;
    }
    QCOMPARE(statuses, (QList<int>{0, 0, 64, 32, 32, 32}));
    QCOMPARE(b.exchange(Poll(5)), Chunks{DataReply(5, "3(0.12)12(-0.35)")});
    QCOMPARE(b.exchange(Poll(2)), Chunks{Ack(2)});
    QCOMPARE(b.simulator.loadScenario(QJsonDocument::fromJson(R"({"meters": []})").object()), QString());
    QCOMPARE(b.exchange(Poll(1)), Chunks{Ack(1)});
    QVERIFY(b.simulator.source().statusFaults().isEmpty());

    // A file with the least: the demo bench.
    QTemporaryDir dir;
    const QString path = dir.filePath("bench.json");
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write("{}");
    file.close();
    QCOMPARE(b.simulator.loadScenarioFile(path), QString());
    QCOMPARE(b.simulator.presentStands(), (QList<int>{1, 2, 3}));
    QVERIFY(b.simulator.faults().rules().isEmpty());
    QCOMPARE(b.simulator.stand(1).meters().size(), 6);

    QVERIFY(b.simulator.loadScenarioFile(dir.filePath("missing.json")).contains("missing.json"));
    QVERIFY(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
    file.write("{\"stands\": [1,");
    file.close();
    QVERIFY(b.simulator.loadScenarioFile(path).contains("bench.json"));
}

void TstSimulator::badScenarioChangesNothing_data()
{
    QTest::addColumn<QByteArray>("json");
    QTest::addColumn<QString>("complaint");
    QTest::newRow("unknown key") << QByteArray(R"({"stand": [1]})") << "unknown key \"stand\"";
    QTest::newRow("stands not a list") << QByteArray(R"({"stands": 3})") << "\"stands\"";
    QTest::newRow("stand 11") << QByteArray(R"({"stands": [1, 11]})") << "\"stands\"";
    QTest::newRow("stand 1.5") << QByteArray(R"({"stands": [1.5]})") << "\"stands\"";
    QTest::newRow("faults not a list") << QByteArray(R"({"faults": {}})") << "\"faults\"";
    QTest::newRow("fault not an object") << QByteArray(R"({"faults": [1]})") << "fault 1: not an object";
    QTest::newRow("unknown fault")
        << QByteArray(R"({"faults": [{"device": 1, "fault": "Loud"}]})") << "fault 1: unknown fault \"Loud\"";
    QTest::newRow("device 11")
        << QByteArray(R"({"faults": [{"device": 11, "fault": "Nak"}]})") << "fault 1: a fault's \"device\"";
    QTest::newRow("no device") << QByteArray(R"({"faults": [{"fault": "Nak"}]})") << "fault 1: a fault's \"device\"";
    QTest::newRow("command of two letters")
        << QByteArray(R"({"faults": [{"device": 1, "command": "PQ", "fault": "Nak"}]})") << "\"command\"";
    QTest::newRow("count 0")
        << QByteArray(R"({"faults": [{"device": 1, "fault": "Nak", "count": 0}]})") << "\"count\"";
    QTest::newRow("second fault bad")
        << QByteArray(R"({"faults": [{"device": 1, "fault": "Nak"}, {"device": 1, "fault": "Nak", "size": 1}]})")
        << "fault 2: unknown key \"size\"";
    QTest::newRow("sourceStatus not a list") << QByteArray(R"({"sourceStatus": 64})") << "\"sourceStatus\" must be a list";
    QTest::newRow("status 256")
        << QByteArray(R"({"sourceStatus": [{"status": 256}]})") << "source status 1: \"status\" must be";
    QTest::newRow("no status") << QByteArray(R"({"sourceStatus": [{"count": 1}]})") << "source status 1: \"status\"";
    QTest::newRow("status count 0")
        << QByteArray(R"({"sourceStatus": [{"status": 64, "count": 0}]})") << "source status 1: \"count\"";
    QTest::newRow("status after -1")
        << QByteArray(R"({"sourceStatus": [{"status": 64, "after": -1}]})") << "source status 1: \"after\"";
    QTest::newRow("status key unknown") << QByteArray(R"({"sourceStatus": [{"status": 64}, {"status": 64, "every": 2}]})")
                                        << "source status 2: unknown key \"every\"";
    QTest::newRow("meters not a list") << QByteArray(R"({"meters": {}})") << "\"meters\" must be a list";
    QTest::newRow("meter on stand 11")
        << QByteArray(R"({"meters": [{"stand": 11, "position": 1, "value": "0.1"}]})") << "meter 1: \"stand\"";
    QTest::newRow("meter at position 101")
        << QByteArray(R"({"meters": [{"stand": 1, "position": 101, "value": "0.1"}]})") << "meter 1: \"position\"";
    QTest::newRow("meter value a JSON number")
        << QByteArray(R"({"meters": [{"stand": 1, "position": 1, "value": 0.1}]})") << "meter 1: \"value\"";
    QTest::newRow("meter value with a comma")
        << QByteArray(R"({"meters": [{"stand": 1, "position": 1, "value": "0,1"}]})") << "meter 1: \"value\"";
    QTest::newRow("meter value empty")
        << QByteArray(R"({"meters": [{"stand": 1, "position": 1, "value": ""}]})") << "meter 1: \"value\"";
    QTest::newRow("meter given twice")
        << QByteArray(R"({"meters": [{"stand": 1, "position": 3, "value": "0.1"},
                                     {"stand": 1, "position": 3, "value": "0.2"}]})")
        << "meter 2: stand 1 position 3 is given twice";
}

void TstSimulator::badScenarioChangesNothing()
{
    QFETCH(QByteArray, json);
    QFETCH(QString, complaint);
    Bench b;
    b.simulator.setPresentStands({4});
    b.simulator.faults().add({FaultKind::Silent, 4, 'U', 2});
    b.simulator.source().addStatusFault(128, 1, 5);
    b.simulator.stand(4).setValue(7, "0.5");
    QJsonParseError error;
    const QJsonObject scenario = QJsonDocument::fromJson(json, &error).object();
    QCOMPARE(error.error, QJsonParseError::NoError);

    const QString said = b.simulator.loadScenario(scenario);
    QVERIFY2(said.contains(complaint), qPrintable(said));
    QCOMPARE(b.simulator.presentStands(), QList<int>{4});
    QCOMPARE(b.simulator.faults().rules().size(), 1);
    QCOMPARE(b.simulator.faults().rules().at(0).count, 2);
    QCOMPARE(b.simulator.source().statusFaults().size(), 1);
    QCOMPARE(b.simulator.source().statusFaults().at(0).after, 5);
    QCOMPARE(b.simulator.stand(4).values(), (QMap<int, QByteArray>{{7, "0.5"}}));
    QVERIFY(b.simulator.stand(1).values().isEmpty());
}

void TstSimulator::demoBench()
{
    Bench b;
    b.simulator.applyScenario(Scenario::demo());
    QCOMPARE(b.simulator.presentStands(), (QList<int>{1, 2, 3}));
    for (int n = 1; n <= 3; ++n) {
        QCOMPARE(b.simulator.stand(n).meters().size(), 6);
        QCOMPARE(b.exchange(Poll(n)), Chunks{Ack(n)}); // nothing measured before a meter setup
    }
}

void TstSimulator::parser_data()
{
    QTest::addColumn<QByteArray>("stream");
    QTest::addColumn<Chunks>("requests");
    const QByteArray setup = Data(2, 'U', "hX0YiX0YaX57.7YbX5YdX0.8LYeX5Y"); // check byte 0x03
    QVERIFY(setup.endsWith(QByteArray() + ETX + ETX));
    const QByteArray closing("/0\x01X\x03");
    const QByteArray stop = QByteArray("\xFF\x01X\x03", 4) + '\0';
    const QByteArray longest = Data(0, 'P', QByteArray(250, 'A'));
    QCOMPARE(longest.size(), RequestParser::MaxRequestBytes);

    QTest::newRow("check byte ETX") << setup << Chunks{setup};
    QTest::newRow("back to back") << setup + Poll(0) + stop << Chunks{setup, Poll(0), stop};
    QTest::newRow("closing frame ends at its ETX") << closing + Poll(0) << Chunks{closing, Poll(0)};
    QTest::newRow("noise before") << QByteArray("\x00\x55zz", 4) + Poll(1) << Chunks{Poll(1)};
    QTest::newRow("address bytes in the noise") << "77/1" + Poll(0) << Chunks{Poll(0)};
    QTest::newRow("cut-off request before a poll") << Addr(1) + SOH + 'U' + Poll(0) << Chunks{Poll(0)};
    QTest::newRow("a start without ETX is noise") << Addr(0) + SOH + QByteArray(300, 'A') + Poll(0) << Chunks{Poll(0)};
    QTest::newRow("the longest request") << longest + Poll(0) << Chunks{longest, Poll(0)};
    QTest::newRow("one byte longer is noise") << Data(0, 'P', QByteArray(251, 'A')) + Poll(0) << Chunks{Poll(0)};
    // Both once cut differently fed whole and byte by byte, or lost the poll.
    QTest::newRow("runaway start before the closing frame")
        << QByteArray("\x00\x31\x01", 3) + QByteArray(300, '\x41') + QByteArray::fromHex("2F30015803313F0300")
        << Chunks{closing, Poll(0)};
    QTest::newRow("cut-off request before the closing frame") << QByteArray::fromHex("00320155" "2F30015803313F0300")
                                                              << Chunks{closing, Poll(0)};
}

void TstSimulator::parser()
{
    QFETCH(QByteArray, stream);
    QFETCH(Chunks, requests);
    // Whole, byte by byte, and in a few random chunkings: the same requests every time.
    QList<Chunks> chunkings{{stream}, {}};
    for (char c : stream)
        chunkings[1] << QByteArray(1, c);
    QRandomGenerator random(710);
    for (int k = 0; k < 3; ++k) {
        Chunks chunks;
        for (qsizetype at = 0; at < stream.size();) {
            const qsizetype n = random.bounded(1, 9);
            chunks << stream.mid(at, n);
            at += n;
        }
        chunkings << chunks;
    }
    for (const Chunks &chunks : chunkings) {
        RequestParser parser;
        Chunks out;
        for (const QByteArray &chunk : chunks)
            out << parser.feed(chunk);
        QCOMPARE(out, requests);
        QCOMPARE(parser.pendingBytes(), 0);
    }
}

void TstSimulator::parserBufferStaysBoundedUnderNoise()
{
    RequestParser parser;
    // Noise that keeps looking like the start of a request.
    const QByteArray noise = Addr(0) + SOH + "PPPPPPPPPPPPP";
    for (int i = 0; i < 1000; ++i) {
        QVERIFY(parser.feed(noise).isEmpty());
        QVERIFY(parser.pendingBytes() < RequestParser::MaxRequestBytes);
    }
    QCOMPARE(parser.feed(Poll(0)), Chunks{Poll(0)}); // back in step with the first real request
}

void TstSimulator::lineOpenCloseAndPurge()
{
    VirtualScheduler clock;
    BenchSimulator simulator(clock);
    SimLine line(clock, simulator);
    int chunks = 0, empties = 0;
    connect(&line, &SimLine::chunkReceived, &line, [&] { ++chunks; });
    connect(&line, &SimLine::transmitEmpty, &line, [&] { ++empties; });

    QVERIFY(!line.write(Short(0, 'U')));
    QVERIFY(!line.open("/dev/ttyS0"));
    QVERIFY(!line.isOpen());
    QVERIFY(line.errorString().contains("/dev/ttyS0"));
    QVERIFY(line.open(SimulatorPortName));

    // Purged before it reached the bench: no reply, but the buffer did run empty.
    QVERIFY(line.write(Short(0, 'U')));
    line.purge();
    clock.advance(100);
    QCOMPARE(chunks, 0);
    QCOMPARE(empties, 1);

    // Closed while the reply is on its way: it is not delivered, not even after reopening.
    QVERIFY(line.write(Short(0, 'U')));
    clock.advance(6);
    line.close();
    QVERIFY(line.open(SimulatorPortName));
    clock.advance(100);
    QCOMPARE(chunks, 0);

    line.setRts(true);
    QVERIFY(line.write(Short(0, 'U')));
    clock.advance(100);
    QCOMPARE(chunks, 1);
    QCOMPARE(empties, 3);
}

QTEST_GUILESS_MAIN(TstSimulator)
#include "tst_simulator.moc"
