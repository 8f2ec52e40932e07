// A stand's result reply booked into the measurement buffer and the two result grids, in
// every mode and point kind, and the early ends of a point.
#include "bench/link/StandReply.h"
#include "common/UTools.h"

#include <QMap>
#include <QTest>

using namespace bench;

namespace {

struct Cell
{
    QString text;
    std::optional<QColor> colour;
};

/// A run window that records what is written into its grids.
struct FakeRun final : StandReplyContext
{
    bool points = true;
    CurrentPoint point{1, 0, -1, 1, 3};
    bool timer = true;
    std::array<int, MaxStands + 1> rows{0, 1, 0, 2};
    double dopMin = -0.5, dop = 0.5;
    bool nextExecutes = true;

    QMap<QPair<int, int>, Cell> test, view;
    Cell t(int col, int row) const { return test.value({col, row}); }
    Cell v(int col, int row) const { return view.value({col, row}); }
    QList<int> hasData;
    int remaining = 0;
    int nextCalls = 0, stopCalls = 0;

    bool hasPoints() const override { return points; }
    CurrentPoint currentPoint() const override { return point; }
    bool measuring() const override { return timer; }
    int standRow(int stand) const override { return rows[std::size_t(stand)]; }
    void setPointHasData(int p) override { hasData << p; }
    void setTestCell(int col, int row, const QString &text, std::optional<QColor> colour) override
    {
        test[{col, row}] = {text, colour};
    }
    void setViewCell(int col, int row, const QString &text, std::optional<QColor> colour) override
    {
        view[{col, row}] = {text, colour};
    }
    double toleranceMin() const override { return dopMin; }
    double toleranceMax() const override { return dop; }
    void setRemaining(int seconds) override { remaining = seconds; }
    bool executeNext() override
    {
        ++nextCalls;
        return nextExecutes;
    }
    void StopAtEnd() override { ++stopCalls; }
};

/// Stands 1 and 3 present with positions 1..`positions` selected; 4 positions a stand.
struct Bench
{
    StandArray stands;
    ResultsBuffer results = ResultsBuffer(3);
    FakeRun run;
    int mode = 2;
    int countCH = 4;
    int sens = 0;

    explicit Bench(int positions = 4)
    {
        for (int n : {1, 3}) {
            stands[std::size_t(n)].Present = true;
            for (int p = 1; p <= positions; ++p)
                stands[std::size_t(n)].Channel[std::size_t(p)] = true;
        }
    }
    void reply(int stand, const QByteArray &field)
    {
        const QByteArray bytes = QByteArray("/") + char('1' + stand) + UTools::STX + field + UTools::ETX + '\0';
        ParseStandReply(stand, bytes, StandReplyInput{mode, 3, countCH, sens, stands, results}, run);
    }
    StandResults &of(int stand, int point = 1) { return results[std::size_t(point)][std::size_t(stand)]; }
};

} // namespace

class TstStandReply : public QObject
{
    Q_OBJECT
private slots:
    void errorReadingsAndStatistics();
    void readingsBeyondTheCountAreShownNotAdded();
    void positionsFoundByTheirOwnGroup();
    void whatIsNotBooked_data();
    void whatIsNotBooked();
    void sensitivity_data();
    void sensitivity();
    void creepShowsOnTheSecondPulse();
    void registerAdvancesByWholeDivisions();
    void manualCheckAgainstTheTolerance();
    void verificationPointEndsWhenEnoughReadings_data();
    void verificationPointEndsWhenEnoughReadings();
};

void TstStandReply::errorReadingsAndStatistics()
{
    Bench b;
    b.reply(3, "1(0.2)2(1.5)");
    b.reply(3, "1(0.4)");
    b.reply(3, "1(-0.3)");
    const StandResults &r = b.of(3);
    QCOMPARE(r.Count[1], 3.0);
    QCOMPARE(r.Last[1], -0.3);
    QVERIFY(qAbs(r.Mean[1] - 0.1) < 1e-12);
    // Population deviation of 0.2, 0.4, -0.3.
    QVERIFY(qAbs(r.Deviation[1] - std::sqrt((0.01 + 0.09 + 0.16) / 3)) < 1e-12);
    QCOMPARE(r.Count[2], 1.0);
    QCOMPARE(b.of(1).Count[1], 0.0); // stand 1 had nothing

    // Stand 3 is in grid row 2; its meters start after stand 1's four in the overview.
    QCOMPARE(b.run.t(1, 2).text, QString("-0.3"));
    QCOMPARE(b.run.t(1, 2).colour, std::optional<QColor>(CellWhite));
    QCOMPARE(b.run.t(2, 2).colour, std::optional<QColor>(CellLightRed)); // 1.5 > 1
    QCOMPARE(b.run.v(6, 1).text, QString("1.5"));
    QCOMPARE(b.run.v(6, 1).colour, std::optional<QColor>(CellLightRed));
    QCOMPARE(b.run.hasData, (QList<int>{1, 1, 1, 1}));
}

void TstStandReply::readingsBeyondTheCountAreShownNotAdded()
{
    Bench b; // PCountMeasure 3
    for (const char *v : {"0.1", "0.2", "0.3", "0.9"})
        b.reply(1, QByteArray("1(") + v + ")");
    QCOMPARE(b.of(1).Count[1], 3.0);
    QCOMPARE(b.of(1).Last[1], 0.3);
    QCOMPARE(b.run.t(1, 1).text, QString("0.9"));

    // Adjustment keeps adding as long as the point runs, timer or not.
    Bench a;
    a.mode = 1;
    a.run.timer = false;
    for (int i = 0; i < 5; ++i)
        a.reply(1, "1(0.1)");
    QCOMPARE(a.of(1).Count[1], 5.0);
}

void TstStandReply::positionsFoundByTheirOwnGroup()
{
    Bench b(12);
    b.countCH = 12;
    b.reply(1, "1(0.01)2(0.02)3(0.03)4(0.04)5(0.05)6(0.06)7(0.07)8(0.08)9(0.09)10(0.1)11(0.11)12(0.12)");
    QCOMPARE(b.run.t(10, 1).text, QString("0.1"));
    QCOMPARE(b.run.t(11, 1).text, QString("0.11"));
    QCOMPARE(b.run.t(12, 1).text, QString("0.12"));
    QCOMPARE(b.of(1).Last[12], 0.12);

    // Position 1 is missing: "11(" must not be read as position 1's group.
    Bench c(12);
    c.countCH = 12;
    c.reply(1, "11(0.5)21(0.7)");
    QVERIFY(!c.run.test.contains(qMakePair(1, 1)));
    QCOMPARE(c.of(1).Count[1], 0.0);
    QCOMPARE(c.run.t(11, 1).text, QString("0.5"));
}

void TstStandReply::whatIsNotBooked_data()
{
    QTest::addColumn<int>("mode");
    QTest::addColumn<bool>("timer");
    QTest::addColumn<bool>("points");
    QTest::addColumn<int>("stand");
    QTest::addColumn<QByteArray>("field");

    QTest::newRow("verification with the timer stopped") << 2 << false << true << 1 << QByteArray("1(0.1)");
    QTest::newRow("adjustment without points") << 1 << true << false << 1 << QByteArray("1(0.1)");
    QTest::newRow("no measurement marker") << 2 << true << true << 1 << QByteArray("1(-201)");
    QTest::newRow("below the marker") << 1 << true << true << 1 << QByteArray("1(-250)");
    QTest::newRow("position without a meter") << 2 << true << true << 1 << QByteArray("5(0.1)");
    QTest::newRow("absent stand") << 2 << true << true << 2 << QByteArray("1(0.1)");
    QTest::newRow("no run window mode") << 0 << true << true << 1 << QByteArray("1(0.1)");
    QTest::newRow("source control") << 4 << true << true << 1 << QByteArray("1(0.1)");
}

void TstStandReply::whatIsNotBooked()
{
    QFETCH(int, mode);
    QFETCH(bool, timer);
    QFETCH(bool, points);
    QFETCH(int, stand);
    QFETCH(QByteArray, field);
    Bench b(4);
    b.countCH = 5;
    b.mode = mode;
    b.run.timer = timer;
    b.run.points = points;
    b.reply(stand, field);
    QVERIFY(b.run.test.isEmpty());
    QVERIFY(b.run.view.isEmpty());
    QCOMPARE(b.of(1).Count[1], 0.0);
    QCOMPARE(b.of(1).Last[1], NoValue);
}

void TstStandReply::sensitivity_data()
{
    QTest::addColumn<int>("threshold");
    QTest::addColumn<QString>("firstTest"); // stand 1's cells after its first pulse
    QTest::addColumn<QString>("firstView");
    QTest::addColumn<QString>("secondTest"); // and after its second
    QTest::addColumn<QString>("secondView");

    QTest::newRow("indicator") << 0 << "Есть" << "_ _ _" << "Есть" << "_ _ _";
    QTest::newRow("error registration") << 1 << "_ _ _" << "_ _ _" << "7" << "7";
}

void TstStandReply::sensitivity()
{
    QFETCH(int, threshold);
    QFETCH(QString, firstTest);
    QFETCH(QString, firstView);
    QFETCH(QString, secondTest);
    QFETCH(QString, secondView);
    Bench b(1);
    b.sens = threshold;
    b.run.point = {1, 1, 0, 0, 0};

    b.reply(1, "1(7)");
    QCOMPARE(b.run.t(1, 1).text, firstTest);
    QCOMPARE(b.run.v(1, 1).text, firstView);
    b.reply(3, "1(5)");
    // Every meter has pulsed once: enough for the indicator, not for error registration.
    QCOMPARE(b.run.remaining, threshold == 0 ? 1 : 0);

    b.run.remaining = 0;
    b.reply(1, "1(7)");
    QCOMPARE(b.run.t(1, 1).text, secondTest);
    QCOMPARE(b.run.v(1, 1).text, secondView);
    QCOMPARE(b.run.remaining, threshold == 0 ? 1 : 0); // stand 3 has only one pulse yet
    b.reply(3, "1(5)");
    QCOMPARE(b.run.remaining, 1);
}

void TstStandReply::creepShowsOnTheSecondPulse()
{
    Bench b(1);
    b.run.point = {2, 2, 0, 0, 0};
    b.reply(1, "1(1)");
    QCOMPARE(b.run.t(1, 1).text, QString("_ _ _"));
    QCOMPARE(b.run.v(1, 2).text, QString("_ _ _"));
    b.reply(1, "1(2)");
    QCOMPARE(b.run.t(1, 1).text, QString("Есть"));
    QCOMPARE(b.run.t(1, 1).colour, std::optional<QColor>(CellLightRed));
    QCOMPARE(b.run.v(1, 2).colour, std::optional<QColor>(CellLightRed));
    QCOMPARE(b.of(1, 2).Count[1], 2.0);
}

void TstStandReply::registerAdvancesByWholeDivisions()
{
    Bench b(2);
    b.run.point = {1, 3, 0, 0, 0};
    TStend &s = b.stands[1];
    s.CenaDel = 0.1;      // kWh a division
    s.ReductRate = 1000;  // pulses a kWh: 100 pulses a division
    b.of(1).Last[1] = 1234.5; // the start reading entered by the operator
    b.of(1).Last[2] = 10;
    b.reply(1, "1(250)2(99.6)");
    QCOMPARE(b.of(1).Count[1], 250.0);
    QCOMPARE(b.run.t(1, 1).text, UTools::FloatToWire(1234.5 + 0.2));
    QCOMPARE(b.run.v(1, 1).text, UTools::FloatToWire(1234.5 + 0.2));
    QCOMPARE(b.run.t(2, 1).text, UTools::FloatToWire(10 + 0.1)); // 99.6 pulses count as 100

    // A type without a division value advances nothing instead of dividing by zero.
    s.CenaDel = 0;
    b.reply(1, "1(250)");
    QCOMPARE(b.run.t(1, 1).text, UTools::FloatToWire(1234.5));
}

void TstStandReply::manualCheckAgainstTheTolerance()
{
    Bench b;
    b.mode = 3;
    b.run.timer = false;
    b.reply(1, "1(0.5)2(-0.6)3(-201)");
    QCOMPARE(b.run.t(1, 1).colour, std::optional<QColor>(CellWhite));
    QCOMPARE(b.run.t(2, 1).text, QString("-0.6"));
    QCOMPARE(b.run.t(2, 1).colour, std::optional<QColor>(CellLightRed));
    QVERIFY(!b.run.test.contains(qMakePair(3, 1)));
    QVERIFY(b.run.view.isEmpty());
    QCOMPARE(b.of(1).Count[1], 0.0);
}

void TstStandReply::verificationPointEndsWhenEnoughReadings_data()
{
    QTest::addColumn<int>("countMeasure");
    QTest::addColumn<bool>("nextExecutes");
    QTest::addColumn<QList<QByteArray>>("stand1");
    QTest::addColumn<QList<QByteArray>>("stand3");
    QTest::addColumn<int>("nextCalls");
    QTest::addColumn<int>("stopCalls");

    // Two readings asked: the average count over meters that have any reaches 2.
    QTest::newRow("average reaches the count")
        << 2 << true << QList<QByteArray>{"1(0.1)2(0.1)", "1(0.1)2(0.1)"}
        << QList<QByteArray>{"1(0.1)2(0.1)", "1(0.1)2(0.1)"} << 1 << 0;
    QTest::newRow("average short of the count")
        << 3 << true << QList<QByteArray>{"1(0.1)2(0.1)", "1(0.1)2(0.1)"} << QList<QByteArray>{} << 0 << 0;
    QTest::newRow("last point stops the test")
        << 2 << false << QList<QByteArray>{"1(0.1)2(0.1)", "1(0.1)2(0.1)"} << QList<QByteArray>{} << 1 << 1;
    // One reading asked: only when no meter is left without one.
    QTest::newRow("single reading, a meter still empty")
        << 1 << true << QList<QByteArray>{"1(0.1)2(0.1)"} << QList<QByteArray>{"1(0.1)"} << 0 << 0;
    QTest::newRow("single reading, all in")
        << 1 << true << QList<QByteArray>{"1(0.1)2(0.1)"} << QList<QByteArray>{"1(0.1)2(0.1)"} << 1 << 0;
}

void TstStandReply::verificationPointEndsWhenEnoughReadings()
{
    QFETCH(int, countMeasure);
    QFETCH(bool, nextExecutes);
    QFETCH(QList<QByteArray>, stand1);
    QFETCH(QList<QByteArray>, stand3);
    QFETCH(int, nextCalls);
    QFETCH(int, stopCalls);
    Bench b(2);
    b.run.point.countMeasure = countMeasure;
    b.run.nextExecutes = nextExecutes;
    for (const QByteArray &field : stand1)
        b.reply(1, field);
    b.run.nextCalls = 0; // count only the reply that completes the point
    b.run.stopCalls = 0;
    for (const QByteArray &field : stand3)
        b.reply(3, field);
    if (stand3.isEmpty())
        b.reply(3, "9(0)"); // a reply with nothing for the meters still decides
    QCOMPARE(b.run.nextCalls, nextCalls);
    QCOMPARE(b.run.stopCalls, stopCalls);
}

QTEST_GUILESS_MAIN(TstStandReply)
#include "tst_standreply.moc"
