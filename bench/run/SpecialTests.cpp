// The special points of a test: sensitivity (the meters must start at a small current),
// creep (they must not run without current) and the counting device (the register must
// advance by the energy given, from start readings the operator types). Also the two frames
// that take the current off the meters, and the judgement at the end of a special point.
#include "bench/run/TFTest.h"

#include "bench/data/TDM.h"
#include "bench/link/Frames.h"
#include "bench/link/TransEngine.h"
#include "bench/run/KorColorStringGrid.h"
#include "bench/run/PointPlan.h"
#include "bench/shell/TFMain.h"
#include "common/Prompts.h"
#include "common/Scheduler.h"
#include "common/UTools.h"

#include <QAction>
#include <QGroupBox>
#include <QLineEdit>
#include <QPushButton>
#include <QToolButton>

#include <cmath>

namespace bench {

namespace {

constexpr int SensitivityKind = 1;
constexpr int CreepKind = 2;
constexpr int RegisterTariff2 = 4;
constexpr int EvaluationGraceMs = 1000; ///< late replies are still taken in

const QString Present = QStringLiteral("Есть");
const QString Absent = QStringLiteral("Нет");

} // namespace

bool TFTest::RunSensitivity()
{
    TransEngine &engine = *m_main.engine;
    const TableDataSet &points = *m_dm.ADOTestBuf;
    PollEnabled = true;
    GridTest->setPopupMenu(nullptr);
    MeasurePeriod = PointTotal = points.currentValue(QStringLiteral("PTimeM")).toInt() * 60 +
                                 points.currentValue(QStringLiteral("PTimeS")).toInt();
    const QString timeText = QString::number(MeasurePeriod);
    const frames::SourceProgram program = plan::ChangedGroups(
        {m_main.SetU, m_main.SetI, m_main.SetF, m_main.SetAngle},
        {points.currentValue(QStringLiteral("PU")).toDouble(), DBVoltM->text(),
         points.currentValue(QStringLiteral("PI")).toDouble(), DBTokM->text(), 0});
    queueStandSetups(QStringLiteral("1"), timeText);
    if (plan::HasGroups(program))
        engine.AddTrans({trSourceProgram, frames::sourceProgram(program), frames::SourceAddress, 130});
    engine.AddTrans({trTestStep, {}, 0, 101});
    engine.Frame.MeterCountText = "sens"; // the stands get the sensitivity variant of the meter setup
    engine.AddTrans({trSourceSettled, {}, 0, 99});
    return true;
}

bool TFTest::RunCreepOrCounter()
{
    TransEngine &engine = *m_main.engine;
    const TableDataSet &points = *m_dm.ADOTestBuf;
    const QueryDataSet &test = *m_dm.ADOTest1;
    const int kind = points.currentValue(QStringLiteral("PMode")).toInt();
    const bool creep = kind == CreepKind;
    const char *energyField = kind == RegisterTariff2 ? "PCountEnergy1" : "PCountEnergy";
    const bool byEnergy = !creep && test.currentValue(QString::fromLatin1(kind == RegisterTariff2 ? "PEnergyCB1" : "PEnergyCB")).toBool();
    const double volts = points.currentValue(QStringLiteral("PU")).toDouble();
    const double amps = points.currentValue(QStringLiteral("PI")).toDouble();
    PollEnabled = true;

    if (!creep && POK->isHidden()) {
        // The register readings are typed before the meters get any energy.
        if (byEnergy)
            CurrentOffKeepVoltage();
        else
            CurrentOff();
        APrior->setEnabled(false);
        ANext->setEnabled(false);
        ASelect->setEnabled(false);
        BView->setChecked(false);
        GridTest->show();
        GridView->hide();
        GridTest->setFocus();
        BView->setEnabled(false);
        ResetPointResults();
        POK->show();
        GridTest->setEditTriggers(QAbstractItemView::AllEditTriggers);
        ZeroTestGrid();
        AStop->setEnabled(true);
        m_prompts.plain(QString(), QStringLiteral("Введите значения счетных устройств и нажмите кнопку \"Далее\"."));
        return true;
    }
    if (!creep) {
        GridTest->setEditTriggers(QAbstractItemView::NoEditTriggers);
        BView->setEnabled(true);
        POK->hide();
    }
    if (m_main.Mode == 1 && byEnergy) {
        // The dose has to be delivered whole: no moving away meanwhile.
        ASelect->setEnabled(false);
        APrior->setEnabled(false);
        ANext->setEnabled(false);
    }
    GridTest->setPopupMenu(nullptr);
    const char letter = creep ? 'R' : 'S';

    QString timeText = QStringLiteral("0");
    MeasurePeriod = PointTotal = points.currentValue(QStringLiteral("PTimeM")).toInt() * 60 +
                                 points.currentValue(QStringLiteral("PTimeS")).toInt();
    if (!byEnergy)
        timeText = QString::number(MeasurePeriod);

    // The source frame: the dose first when there is one, then the changed groups (the
    // current always: it was taken off for the readings), then the J switch.
    QByteArray groups;
    if (byEnergy) {
        const double wattHours = test.currentValue(QString::fromLatin1(energyField)).toDouble() * 1000;
        groups += frames::sourceGroup('Z', UTools::FloatToWire(wattHours));
        // The time the source needs for the dose at unit power factor, and a margin; a row
        // without voltage or current keeps its own time.
        if (volts * amps > 0)
            PointTotal = int(UTools::RoundHalfEven(wattHours * 3600 / (volts * amps), 0)) + 40;
    }
    const bool angleChanged = m_main.SetAngle != 0;
    m_main.SetAngle = 0;
    m_main.SetI = amps;
    if (m_main.SetU != volts) {
        m_main.SetU = volts;
        groups += frames::sourceGroup('1', DBVoltM->text());
    }
    groups += frames::sourceGroup('2', DBTokM->text());
    if (m_main.SetF != 50) {
        m_main.SetF = 50;
        groups += frames::sourceGroup('5', QStringLiteral("50"));
    }
    if (angleChanged)
        groups += frames::sourceGroup('4', QStringLiteral("0"));
    if (kind == RegisterTariff2) {
        groups += frames::sourceGroup('J', QStringLiteral("1"));
        m_main.JOn = true;
    } else if (m_main.JOn) {
        groups += frames::sourceGroup('J', QStringLiteral("0"));
        m_main.JOn = false;
    }

    queueStandSetups(QStringLiteral("1"), timeText);
    for (int n = 1; n <= m_main.countStend() && n <= MaxStands; ++n) {
        const TStend &s = m_main.Stands[std::size_t(n)];
        if (s.Present)
            engine.AddTrans({trMeterSetup,
                             frames::meterSetup(n, letter, QStringLiteral("0"), UTools::FloatToWire(s.PulsesPerKWh()),
                                                QStringLiteral("0")),
                             frames::standAddress(n), 130 - n});
    }
    engine.AddTrans({trSourceProgram, frames::dataRequest(frames::SourceAddress, 'P', groups), frames::SourceAddress, 110});
    if (creep)
        engine.AddTrans({trTestStep, {}, 0, 111});
    engine.AddTrans({trPollCycle, {}, 0, 30});
    return true;
}

void TFTest::BOKClick()
{
    RunPoint();
    const int point = currentPoint().number;
    if (point < 0 || std::size_t(point) >= m_main.Results.size())
        return;
    for (int n = 1; n <= m_main.countStend() && n <= MaxStands; ++n) {
        const int row = StandRow[std::size_t(n)];
        if (!m_main.Stands[std::size_t(n)].Present || row <= 0)
            continue;
        for (int p = 1; p <= m_main.countCH() && p <= MaxPositions; ++p)
            m_main.Results[std::size_t(point)][std::size_t(n)].Last[std::size_t(p)] =
                UTools::WireToFloat(GridTest->CellProps(p, row).CellText());
    }
}

void TFTest::ZeroTestGrid()
{
    for (int n = 1; n <= m_main.countStend() && n <= MaxStands; ++n) {
        const int row = StandRow[std::size_t(n)];
        const TStend &s = m_main.Stands[std::size_t(n)];
        if (!s.Present || row <= 0)
            continue;
        for (int p = 1; p <= m_main.countCH() && p <= MaxPositions; ++p)
            if (s.Channel[std::size_t(p)])
                setTestCell(p, row, QStringLiteral("0"), CellWhite);
    }
}

void TFTest::CurrentOff()
{
    m_main.SetI = 0;
    frames::SourceProgram program;
    program.i = QStringLiteral("0");
    m_main.engine->AddTrans({trSourceProgram, frames::sourceProgram(program), frames::SourceAddress, 200});
}

void TFTest::CurrentOffKeepVoltage()
{
    m_main.SetI = 0;
    const QByteArray groups = frames::sourceGroup('5', QStringLiteral("50")) + frames::sourceGroup('1', DBVoltM->text()) +
                              frames::sourceGroup('2', QStringLiteral("0")) + frames::sourceGroup('4', QStringLiteral("0"));
    m_main.engine->AddTrans({trSourceProgram, frames::dataRequest(frames::SourceAddress, 'P', groups), frames::SourceAddress, 200});
}

void TFTest::EvaluateSpecialTest(std::function<void()> then)
{
    const CurrentPoint point = currentPoint();
    m_scheduler.post(EvaluationGraceMs, [this, point, then = std::move(then)] {
        judgeSpecialPoint(point);
        if (then)
            then();
    }, this);
}

void TFTest::judgeSpecialPoint(const CurrentPoint &point)
{
    {
        if (point.number < 0 || std::size_t(point.number) >= m_main.Results.size())
            return;
        const PointResults &results = m_main.Results[std::size_t(point.number)];
        for (int n = 1; n <= m_main.countStend() && n <= MaxStands; ++n) {
            const TStend &s = m_main.Stands[std::size_t(n)];
            const int row = StandRow[std::size_t(n)];
            if (!s.Present || row <= 0)
                continue;
            for (int p = 1; p <= m_main.countCH() && p <= MaxPositions; ++p) {
                if (!s.Channel[std::size_t(p)])
                    continue;
                const double count = results[std::size_t(n)].Count[std::size_t(p)];
                bool fit;
                if (point.kind == SensitivityKind)
                    fit = count > m_main.sensThreshold();
                else if (point.kind == CreepKind)
                    fit = count <= 1;
                else
                    continue; // the register's verdict is the operator's
                const bool registered = point.kind == SensitivityKind ? fit : !fit;
                const QString text = registered ? Present : Absent;
                const QColor colour = fit ? CellWhite : CellLightRed;
                setTestCell(p, row, text, colour);
                setViewCell((row - 1) * m_main.countCH() + p, point.number, text, colour);
            }
        }
    }
}

} // namespace bench
