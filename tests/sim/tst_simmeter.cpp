// The meters of the simulated stands, through the bench's request path in virtual time:
// error values per measurement period, sensitivity and creep pulses, the register of a
// counting device from the source's energy, dead positions, and the scenario form.
#include "common/UTools.h"
#include "sim/BenchSimulator.h"
#include "tests/fixtures/VirtualScheduler.h"

#include <QJsonDocument>
#include <QTest>

using namespace sim;
using UTools::ETX;
using UTools::SOH;
using UTools::STX;

namespace {

using Groups = QMap<int, QByteArray>; // position -> value text of one poll

QByteArray Frame(int device, char command, const QByteArray &field)
{
    const QByteArray frame = QByteArray(1, char('1' + device)) + SOH + command + STX + field + ETX;
    return frame + char(UTools::FrameChecksum(frame));
}

// Stand 1 with the meters of `meters` (JSON list) and nothing else on the bench.
struct Bench
{
    VirtualScheduler clock;
    BenchSimulator simulator{clock};
    QByteArray received;

    explicit Bench(const QByteArray &meters)
    {
        QObject::connect(&simulator, &BenchSimulator::transmit, &simulator,
                         [this](const QByteArray &chunk) { received += chunk; });
        const QString complaint =
            simulator.loadScenario(QJsonDocument::fromJson("{\"stands\": [1], \"meters\": " + meters + "}").object());
        if (!complaint.isEmpty())
            qFatal("%s", qPrintable(complaint));
    }

    QByteArray send(const QByteArray &request)
    {
        received.clear();
        simulator.receive(request);
        clock.advance(50);
        return received;
    }
    void setLoad(const QByteArray &amps, const QByteArray &pf, const QByteArray &period, int stand = 1)
    {
        QVERIFY(send(Frame(stand, 'U', "hX0YiX0YaX220YbX" + amps + "YdX" + pf + "YeX" + period + "Y")).contains(UTools::ACK));
    }
    void setMeters(char command, const QByteArray &constant, const QByteArray &count = "0", int stand = 1)
    {
        const QByteArray range = command == 'P' || command == 'Q' ? "2" : "0";
        QVERIFY(send(Frame(stand, command, "gX" + range + "YfX" + constant + "YeX" + count + "Y")).contains(UTools::ACK));
    }
    /// The groups of the stand's poll reply at `atMs` after now; empty for an acknowledgement.
    Groups pollAt(qint64 atMs, int stand = 1)
    {
        clock.advance(atMs);
        const QByteArray reply = send(QByteArray(1, char('1' + stand)) + '?' + ETX + '\0');
        Groups groups;
        const qsizetype stx = reply.indexOf(STX);
        if (stx < 0)
            return groups;
        const QByteArray field = reply.mid(stx + 1, reply.indexOf(ETX) - stx - 1);
        for (qsizetype pos = 0; pos < field.size();) {
            const qsizetype open = field.indexOf('(', pos);
            const qsizetype close = field.indexOf(')', open);
            groups.insert(field.mid(pos, open - pos).toInt(), field.mid(open + 1, close - open - 1));
            pos = close + 1;
        }
        return groups;
    }
};

} // namespace

class TstSimMeter : public QObject
{
    Q_OBJECT
private slots:
    void errorValueOncePerPeriod_data();
    void errorValueOncePerPeriod();
    void noiseIsRepeatableAndBounded();
    void sensitivityPulsesFromTheStartingCurrent_data();
    void sensitivityPulsesFromTheStartingCurrent();
    void onlyACreepingMeterCreeps();
    void registerCountsTheEnergyGiven();
    void demoMetersFailInFourWays();
    void scenarioForm();
    void scenarioComplaints_data();
    void scenarioComplaints();
};

void TstSimMeter::errorValueOncePerPeriod_data()
{
    QTest::addColumn<QByteArray>("amps");
    QTest::addColumn<QByteArray>("pf");
    QTest::addColumn<QByteArray>("error"); // of the meter at position 2
    QTest::newRow("full load") << QByteArray("5") << QByteArray("1") << QByteArray("0.2");
    QTest::newRow("half the low-current limit") << QByteArray("0.25") << QByteArray("1") << QByteArray("1.7");
    QTest::newRow("0.5/C") << QByteArray("5") << QByteArray("0.5/C") << QByteArray("0.4");
    QTest::newRow("-0.5 as its magnitude") << QByteArray("5") << QByteArray("-0.5") << QByteArray("0.4");
    QTest::newRow("0.5L, comma in the current") << QByteArray("5,0") << QByteArray("0.5L") << QByteArray("0.4");
}

void TstSimMeter::errorValueOncePerPeriod()
{
    QFETCH(QByteArray, amps);
    QFETCH(QByteArray, pf);
    QFETCH(QByteArray, error);
    Bench b(R"([{"stand": 1, "position": 1, "error": -0.15},
                {"stand": 1, "position": 2, "error": 0.2, "lowCurrentError": 3, "lowCurrentBelow": 0.5, "pfError": 0.4},
                {"stand": 1, "position": 3, "error": 0.1, "dead": true}])");
    b.setLoad(amps, pf, "10");
    QCOMPARE(b.pollAt(0), Groups{}); // no meter setup yet
    b.setMeters('P', "1600", "10");
    QCOMPARE(b.pollAt(9'800), Groups{}); // the first period is not over
    const Groups values{{1, "-0.15"}, {2, error}};
    QCOMPARE(b.pollAt(200), values);
    QCOMPARE(b.pollAt(4'000), Groups{}); // one value a period
    QCOMPARE(b.pollAt(6'000), values);
    QCOMPARE(b.pollAt(25'000), values); // two periods missed: still one value
}

void TstSimMeter::noiseIsRepeatableAndBounded()
{
    const QByteArray meters = R"([{"stand": 1, "position": 1, "error": 0.5, "noise": 0.05},
                                  {"stand": 1, "position": 2, "error": 0.5, "noise": 0.05}])";
    QList<Groups> runs[2];
    for (QList<Groups> &run : runs) {
        Bench b(meters);
        b.setLoad("5", "1", "5");
        b.setMeters('P', "1000", "5");
        for (int k = 0; k < 8; ++k)
            run << b.pollAt(5'000);
    }
    QCOMPARE(runs[0], runs[1]);
    QSet<QByteArray> seen;
    for (const Groups &g : runs[0]) {
        QCOMPARE(g.size(), 2);
        for (const QByteArray &v : g) {
            QVERIFY2(std::abs(v.toDouble() - 0.5) <= 0.05 + 1e-9, v.constData());
            seen << v;
        }
    }
    QVERIFY(seen.size() > 2); // the values wander, and the two meters do not wander alike
}

void TstSimMeter::sensitivityPulsesFromTheStartingCurrent_data()
{
    QTest::addColumn<QByteArray>("amps");
    QTest::addColumn<bool>("starts"); // the meter starts at 0.02 A
    QTest::newRow("at the starting current") << QByteArray("0.02") << true;
    QTest::newRow("above it") << QByteArray("0.04") << true;
    QTest::newRow("below it") << QByteArray("0.019") << false;
    QTest::newRow("no current") << QByteArray("0") << false;
}

void TstSimMeter::sensitivityPulsesFromTheStartingCurrent()
{
    QFETCH(QByteArray, amps);
    QFETCH(bool, starts);
    Bench b(R"([{"stand": 1, "position": 5, "startCurrent": 0.02}])");
    b.setLoad(amps, "1", "600");
    b.setMeters('Q', "1600");
    // 3600000 / (1600 imp/kWh * 220 V * I) seconds a pulse: 511.4 s at 0.02 A.
    const double periodMs = 3'600'000'000.0 / (1600 * 220 * amps.toDouble());
    const qint64 first = starts ? qint64(std::ceil(periodMs)) : 0;
    if (!starts) {
        QCOMPARE(b.pollAt(1'200'000), Groups{});
        return;
    }
    QCOMPARE(b.pollAt(first - 60), Groups{});
    QCOMPARE(b.pollAt(10), (Groups{{5, "1"}}));
    QCOMPARE(b.pollAt(10), Groups{});
    QCOMPARE(b.pollAt(qint64(periodMs)), (Groups{{5, "2"}}));
}

void TstSimMeter::onlyACreepingMeterCreeps()
{
    Bench b(R"([{"stand": 1, "position": 1, "creep": true}, {"stand": 1, "position": 2},
                {"stand": 1, "position": 3, "creep": true, "dead": true}])");
    b.setLoad("0", "1", "600");
    b.setMeters('R', "1600");
    QCOMPARE(b.pollAt(SimMeter::CreepPulseMs - 100), Groups{});
    QCOMPARE(b.pollAt(100), (Groups{{1, "1"}}));
    QCOMPARE(b.pollAt(SimMeter::CreepPulseMs), (Groups{{1, "2"}}));
    // Clearing the position starts its count afresh.
    QVERIFY(b.send(QByteArray("2") + SOH + "W1" + ETX + '\0').contains(UTools::ACK));
    QCOMPARE(b.pollAt(SimMeter::CreepPulseMs - 100), Groups{});
    QCOMPARE(b.pollAt(100), (Groups{{1, "1"}}));
}

void TstSimMeter::registerCountsTheEnergyGiven()
{
    Bench b(R"([{"stand": 1, "position": 1}, {"stand": 1, "position": 2, "startCurrent": 10},
                {"stand": 1, "position": 3, "dead": true}])");
    // A source still running from an earlier point: what it gave before the setup does not count.
    QVERIFY(b.send(Frame(0, 'P', "1(220)2(5)5(50)4(0)")).contains(UTools::ACK));
    b.clock.advance(600'000);
    b.setLoad("5", "1", "0");
    b.setMeters('S', "1600");
    QCOMPARE(b.pollAt(1'800'000), (Groups{{1, "880"}})); // 550 Wh * 1.6 pulses/Wh
    // Programmed afresh with a 100 Wh dose: the register goes on from where it was, up to the dose.
    QVERIFY(b.send(Frame(0, 'P', "1(220)2(5)5(50)4(0)Z(100)")).contains(UTools::ACK));
    QCOMPARE(b.pollAt(180'000), (Groups{{1, "968"}})); // 55 Wh more
    QCOMPARE(b.pollAt(1'000'000), (Groups{{1, "1040"}}));
    QCOMPARE(b.pollAt(1'000'000), Groups{});
    // Switched off: what was given stays on the register.
    QVERIFY(b.send(QByteArray("1") + SOH + "D" + ETX + '\0').contains(UTools::ACK));
    QCOMPARE(b.pollAt(1'000), Groups{});
    QVERIFY(b.send(Frame(0, 'P', "1(220)2(5)5(50)4(0)")).contains(UTools::ACK));
    QCOMPARE(b.pollAt(36'000), (Groups{{1, "1057"}})); // 11 Wh more: 17.6 pulses
}

// Each stand at 0.25 A, then sensitivity at 0.02 A, then creep: the demo's failures show
// where they should and nowhere else.
void TstSimMeter::demoMetersFailInFourWays()
{
    Bench b("[]");
    b.simulator.applyScenario(Scenario::demo());
    QMap<QPair<int, int>, QByteArray> errors, sensitivity, creep;
    for (int n = 1; n <= 3; ++n) {
        b.setLoad("0.25", "1", "10", n);
        b.setMeters('P', "1600", "10", n);
    }
    b.clock.advance(10'000);
    for (int n = 1; n <= 3; ++n) {
        const Groups g = b.pollAt(0, n);
        for (auto it = g.cbegin(); it != g.cend(); ++it)
            errors.insert({n, it.key()}, it.value());
    }
    for (int n = 1; n <= 3; ++n) {
        b.setLoad("0.02", "1", "600", n);
        b.setMeters('Q', "1600", "0", n);
    }
    b.clock.advance(600'000);
    for (int n = 1; n <= 3; ++n) {
        const Groups g = b.pollAt(0, n);
        for (auto it = g.cbegin(); it != g.cend(); ++it)
            sensitivity.insert({n, it.key()}, it.value());
    }
    for (int n = 1; n <= 3; ++n) {
        b.setLoad("0", "1", "600", n);
        b.setMeters('R', "1600", "0", n);
    }
    b.clock.advance(60'000);
    for (int n = 1; n <= 3; ++n) {
        const Groups g = b.pollAt(0, n);
        for (auto it = g.cbegin(); it != g.cend(); ++it)
            creep.insert({n, it.key()}, it.value());
    }

    QCOMPARE(errors.size(), 17); // all but the dead position
    QVERIFY(!errors.contains({3, 3}));
    for (auto it = errors.cbegin(); it != errors.cend(); ++it) {
        const bool overLimit = std::abs(it.value().toDouble()) > 1.0;
        QVERIFY2(overLimit == (it.key() == QPair<int, int>{1, 4}), it.value().constData());
    }
    QCOMPARE(sensitivity.size(), 16); // neither the dead one nor the one that does not start
    QVERIFY(!sensitivity.contains({2, 5}) && !sensitivity.contains({3, 3}));
    QCOMPARE(creep.keys(), (QList<QPair<int, int>>{{2, 2}}));
    QVERIFY(creep.value({2, 2}).toInt() >= 2); // enough pulses to fail
}

void TstSimMeter::scenarioForm()
{
    Bench b(R"([{"stand": 1, "position": 3, "error": 0.1, "lowCurrentError": 0.0, "noise": 0.02,
                 "startCurrent": 0.02, "creep": false, "dead": false},
                {"stand": 1, "position": 4, "value": "0.12", "error": 2}])");
    const SimStand &stand = b.simulator.stand(1);
    QCOMPARE(stand.meters().size(), 1);
    const MeterModel m = stand.meters().value(3).model();
    QCOMPARE(m.error, 0.1);
    QCOMPARE(m.noise, 0.02);
    QCOMPARE(m.startCurrent, 0.02);
    QCOMPARE(m.lowCurrentBelow, MeterModel{}.lowCurrentBelow);
    QCOMPARE(stand.values(), (Groups{{4, "0.12"}})); // the fixed value overrides the model
    QCOMPARE(b.pollAt(0), (Groups{{4, "0.12"}}));
}

void TstSimMeter::scenarioComplaints_data()
{
    QTest::addColumn<QByteArray>("meter");
    QTest::addColumn<QString>("complaint");
    QTest::newRow("error a text") << QByteArray(R"("error": "0.1")") << "\"error\" must be the error in %";
    QTest::newRow("error 101") << QByteArray(R"("error": 101)") << "\"error\"";
    QTest::newRow("negative noise") << QByteArray(R"("noise": -0.1)") << "\"noise\"";
    QTest::newRow("start current 121 A") << QByteArray(R"("startCurrent": 121)") << "\"startCurrent\"";
    QTest::newRow("low-current limit 0") << QByteArray(R"("lowCurrentBelow": 0)") << "\"lowCurrentBelow\"";
    QTest::newRow("creep 1") << QByteArray(R"("creep": 1)") << "\"creep\" must be true or false";
    QTest::newRow("dead a text") << QByteArray(R"("dead": "yes")") << "\"dead\"";
    QTest::newRow("unknown key") << QByteArray(R"("drift": 1)") << "unknown key \"drift\"";
}

void TstSimMeter::scenarioComplaints()
{
    QFETCH(QByteArray, meter);
    QFETCH(QString, complaint);
    Bench b(R"([{"stand": 1, "position": 7, "error": 0.3}])");
    const QByteArray json = R"({"stands": [2], "meters": [{"stand": 2, "position": 1}, {"stand": 2, "position": 2, )"
                            + meter + "}]}";
    const QString said = b.simulator.loadScenario(QJsonDocument::fromJson(json).object());
    QVERIFY2(said.startsWith("meter 2: ") && said.contains(complaint), qPrintable(said));
    QCOMPARE(b.simulator.presentStands(), QList<int>{1});
    QCOMPARE(b.simulator.stand(1).meters().keys(), QList<int>{7});
    QVERIFY(b.simulator.stand(2).meters().isEmpty());
}

QTEST_GUILESS_MAIN(TstSimMeter)
#include "tst_simmeter.moc"
