// What an error point asks of the bench: pulse period and countdown, the timing constant of
// several stands, the source angle with inverse current, the stand frame's power factor text,
// the stop-point message, and the source groups that changed.
#include "bench/link/Frames.h"
#include "bench/run/PointPlan.h"

#include <QTest>

using namespace bench;

class TstPointPlan : public QObject
{
    Q_OBJECT
private slots:
    void pulsePeriodAndPointTotal_data();
    void pulsePeriodAndPointTotal();
    void timingConstantIsTheSmallest();
    void angle_data();
    void angle();
    void texts();
    void onlyChangedGroupsAreSent();
};

void TstPointPlan::pulsePeriodAndPointTotal_data()
{
    QTest::addColumn<double>("constant"); // pulses per kWh
    QTest::addColumn<double>("amps");
    QTest::addColumn<double>("volts");
    QTest::addColumn<double>("km");
    QTest::addColumn<int>("measurePeriod"); // s
    QTest::addColumn<int>("countMeasure");
    QTest::addColumn<int>("pulsePeriod");   // s
    QTest::addColumn<int>("pointTotal");    // s

    QTest::newRow("1600 imp/kWh, 220 V, 5 A") << 1600.0 << 5.0 << 220.0 << 1.0 << 10 << 5 << 3 << 56;
    QTest::newRow("the same at 0.25 A") << 1600.0 << 0.25 << 220.0 << 1.0 << 10 << 3 << 41 << 186;
    // A reversed flow pulses as fast as a forward one.
    QTest::newRow("power factor -0.5") << 1600.0 << 5.0 << 220.0 << -0.5 << 10 << 5 << 5 << 59;
    // No pulses at all: the readings' periods and a spare second.
    QTest::newRow("power factor 0") << 1600.0 << 5.0 << 220.0 << 0.0 << 10 << 5 << 0 << 51;
    QTest::newRow("no current") << 1600.0 << 0.0 << 220.0 << 1.0 << 30 << 2 << 0 << 61;
}

void TstPointPlan::pulsePeriodAndPointTotal()
{
    QFETCH(double, constant);
    QFETCH(double, amps);
    QFETCH(double, volts);
    QFETCH(double, km);
    QFETCH(int, measurePeriod);
    QFETCH(int, countMeasure);
    QFETCH(int, pulsePeriod);
    QFETCH(int, pointTotal);
    const int period = plan::PulsePeriod(constant, amps, volts, km);
    QCOMPARE(period, pulsePeriod);
    QCOMPARE(plan::PointTotal(period, measurePeriod, countMeasure), pointTotal);
}

void TstPointPlan::timingConstantIsTheSmallest()
{
    StandArray stands;
    stands[1] = {};
    stands[1].Present = true;
    stands[1].ReductRate = 3200;
    stands[1].IdentReductRate = 1;
    stands[2].Present = true;
    stands[2].ReductRate = 0.000625; // kWh a pulse: 1600 pulses a kWh
    stands[2].IdentReductRate = 2;
    stands[3].Present = false;
    stands[3].ReductRate = 100;
    stands[3].IdentReductRate = 1;
    QCOMPARE(plan::TimingConstant(stands, 3), 1600.0);
    QCOMPARE(plan::TimingConstant(stands, 1), 3200.0);
    stands[1].Present = stands[2].Present = false;
    QCOMPARE(plan::TimingConstant(stands, 3), 0.0);
}

void TstPointPlan::angle_data()
{
    QTest::addColumn<double>("angle");
    QTest::addColumn<bool>("inverse");
    QTest::addColumn<int>("degrees");
    QTest::newRow("0.5 L inverse") << 60.0 << true << 240;
    QTest::newRow("-0.5 L inverse") << 240.0 << true << 60;
    QTest::newRow("-1 inverse is not reduced") << 180.0 << true << 360;
    QTest::newRow("0.8 C rounded") << 323.13 << false << 323;
    QTest::newRow("1 direct") << 0.0 << false << 0;
}

void TstPointPlan::angle()
{
    QFETCH(double, angle);
    QFETCH(bool, inverse);
    QFETCH(int, degrees);
    QCOMPARE(plan::PointAngle(angle, inverse), degrees);
}

void TstPointPlan::texts()
{
    QCOMPARE(plan::PowerFactorText("0.5", 2), QString("0.5/C"));
    QCOMPARE(plan::PowerFactorText("0.5", 1), QString("0.5/L"));
    QCOMPARE(plan::PowerFactorText("1", 0), QString("1"));
    QCOMPARE(plan::StopPointText(false, "5.000"), QString("Внимание! Подготовьте стенды для проверки при прямом токе 5.000А."));
    QCOMPARE(plan::StopPointText(true, "0.250"),
             QString("Внимание! Подготовьте стенды для проверки при инверсном токе 0.250А."));
}

void TstPointPlan::onlyChangedGroupsAreSent()
{
    double u = -1, i = -1, f = -1;
    int angle = -1;
    const plan::Load load{220, "220.0", 5, "5.000", 60};
    const frames::SourceProgram first = plan::ChangedGroups({u, i, f, angle}, load);
    QCOMPARE(frames::sourceProgram(first), frames::sourceProgram({"220.0", "5.000", "50", "60", {}, {}}));
    QVERIFY(u == 220 && i == 5 && f == 50 && angle == 60);

    // The next point at the same load: nothing for the source.
    QVERIFY(!plan::HasGroups(plan::ChangedGroups({u, i, f, angle}, load)));

    // Only the current differs: only its group goes out.
    const frames::SourceProgram lower = plan::ChangedGroups({u, i, f, angle}, {220, "220.0", 0.25, "0.250", 60});
    QCOMPARE(frames::sourceProgram(lower), frames::sourceProgram({{}, "0.250", {}, {}, {}, {}}));
    QCOMPARE(i, 0.25);
}

QTEST_GUILESS_MAIN(TstPointPlan)
#include "tst_pointplan.moc"
