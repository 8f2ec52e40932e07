// An error point and the warm-up on the line: the stands get the point's load and period,
// the source only the groups that changed since it was last programmed, then the point's
// grid is cleared and, once the source reads clean, the meters are set up and the countdown
// runs. The timing follows the slowest meter's pulses.
#include "bench/run/TFTest.h"

#include "bench/data/TDM.h"
#include "bench/link/Frames.h"
#include "bench/link/TransEngine.h"
#include "bench/run/KorColorStringGrid.h"
#include "bench/run/PointPlan.h"
#include "bench/shell/TFMain.h"
#include "common/Prompts.h"
#include "common/Scheduler.h"

#include <QAction>
#include <QLineEdit>

namespace bench {

namespace {

/// The point's load as the run window shows it.
plan::Load shownLoad(const TableDataSet &points, const QLineEdit &volts, const QLineEdit &amps, int angle)
{
    return {points.currentValue(QStringLiteral("PU")).toDouble(), volts.text(),
            points.currentValue(QStringLiteral("PI")).toDouble(), amps.text(), angle};
}

} // namespace

void TFTest::queueStandSetups(const QString &powerFactor, const QString &timeText)
{
    for (int n = 1; n <= m_main.countStend() && n <= MaxStands; ++n)
        if (m_main.Stands[std::size_t(n)].Present)
            m_main.engine->AddTrans({trStandSetup,
                                     frames::standSetup(n, DBVoltM->text(), DBTokM->text(), powerFactor, timeText),
                                     frames::standAddress(n), 150 - n});
}

bool TFTest::RunErrorPoint()
{
    TransEngine &engine = *m_main.engine;
    const TableDataSet &points = *m_dm.ADOTestBuf;
    const auto field = [&points](const char *name) { return points.currentValue(QString::fromLatin1(name)); };

    engine.ClearTrans();
    if (m_main.Mode != 2)
        PollEnabled = true;
    const int countMeasure = field("PCountMeasure").toInt();
    if (countMeasure == 0) {
        // Nothing to measure: on to the next point without a frame.
        TTime->stop();
        if (!executeNext())
            StopAtEnd();
        return false;
    }
    GridTest->setPopupMenu(PMSbros);
    MeasurePeriod = field("PTimeM").toInt() * 60 + field("PTimeS").toInt();
    const QString timeText = QString::number(MeasurePeriod);
    const bool inverse = field("PInverseTok").toBool();

    if (m_main.Mode == 2) {
        const int stop = field("PStopPoint").toInt();
        if (stop == 2)
            m_main.AStopButton->trigger();
        if (stop >= 1)
            m_prompts.warning(QStringLiteral("Тест прерван."), plan::StopPointText(inverse, DBTokM->text()));
    }

    const int angle = plan::PointAngle(field("PAngle").toDouble(), inverse);
    const frames::SourceProgram program =
        plan::ChangedGroups({m_main.SetU, m_main.SetI, m_main.SetF, m_main.SetAngle},
                            shownLoad(points, *DBVoltM, *DBTokM, angle));

    const QString powerFactor = plan::PowerFactorText(fieldText(field("PKM")), field("PLC").toInt());
    queueStandSetups(powerFactor, timeText);
    if (plan::HasGroups(program))
        engine.AddTrans({trSourceProgram, frames::sourceProgram(program), frames::SourceAddress, 130});
    engine.Frame.MeterCountText = timeText.toLatin1();

    // Timed by the slowest meter of the present stands, so that no stand is cut short.
    PulsePeriod = plan::PulsePeriod(plan::TimingConstant(m_main.Stands, m_main.countStend()),
                                    field("PI").toDouble(), field("PU").toDouble(), field("PKM").toDouble());
    PointTotal = plan::PointTotal(PulsePeriod, MeasurePeriod, countMeasure);
    PollEnabled = false;

    engine.AddTrans({trTestStep, {}, 0, 101});
    engine.AddTrans({trSourceSettled, {}, 0, 99});
    return true;
}

bool TFTest::RunWarmUp()
{
    TransEngine &engine = *m_main.engine;
    const TableDataSet &points = *m_dm.ADOTestBuf;
    const auto field = [&points](const char *name) { return points.currentValue(QString::fromLatin1(name)); };

    const int countMeasure = field("PCountMeasure").toInt();
    if (countMeasure == 0) {
        TTime->stop();
        if (!executeNext())
            StopAtEnd();
        return true;
    }
    GridTest->setPopupMenu(PMSbros);
    MeasurePeriod = field("PTimeM").toInt() * 60 + field("PTimeS").toInt();
    const QString timeText = QString::number(MeasurePeriod);

    // The warm-up runs at power factor 1, whatever the source held before.
    const frames::SourceProgram program = plan::ChangedGroups(
        {m_main.SetU, m_main.SetI, m_main.SetF, m_main.SetAngle}, shownLoad(points, *DBVoltM, *DBTokM, 0));
    queueStandSetups(QStringLiteral("1"), timeText);
    if (plan::HasGroups(program))
        engine.AddTrans({trSourceProgram, frames::sourceProgram(program), frames::SourceAddress, 130});
    engine.Frame.MeterCountText = timeText.toLatin1();
    engine.AddTrans({trSourceSettled, {}, 0, 99});

    // The warm-up polls after its own period, not after an earlier point's pulses.
    PulsePeriod = 0;
    if (m_main.Mode == 2) {
        PointTotal = countMeasure * MeasurePeriod;
        PollEnabled = false;
    } else {
        PollEnabled = true;
    }
    return true;
}

} // namespace bench
