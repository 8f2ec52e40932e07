// The run of an automatic mode: start and continue, one point at a time, the navigation
// between points, the countdown of a point with its end per mode and point kind, the
// elapsed time, and the stop that switches the source off. Manual check and source control
// start from the manual entry instead.
#include "bench/run/TFTest.h"

#include "bench/data/TDM.h"
#include "bench/link/TransEngine.h"
#include "bench/run/KorColorStringGrid.h"
#include "bench/shell/TFMain.h"
#include "common/Prompts.h"
#include "common/Scheduler.h"
#include "common/UTools.h"

#include <QAction>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QToolButton>
#include <QWidget>

#include <algorithm>

namespace bench {

namespace {

constexpr int ErrorKind = 0;
constexpr int WarmUpKind = 5;

const QString CurrentTooHighText =
    QStringLiteral("Внимание! Превышение максимального значения тока для счетчика, тест не может быть продолжен.");

/// m:ss, as the operator reads a time.
QString minutesSeconds(int seconds)
{
    return QStringLiteral("%1:%2").arg(seconds / 60).arg(seconds % 60, 2, 10, QLatin1Char('0'));
}

} // namespace

void TFTest::connectRunControl()
{
    connect(AGo, &QAction::triggered, this, &TFTest::AGoExecute);
    connect(AStop, &QAction::triggered, this, &TFTest::AStopExecute);
    connect(ANext, &QAction::triggered, this, &TFTest::ANextExecute);
    connect(APrior, &QAction::triggered, this, &TFTest::APriorExecute);
    connect(ASelect, &QAction::triggered, this, &TFTest::ASelectExecute);
    connect(TTime, &SchedulerTimer::timeout, this, &TFTest::TTimeTimer);
    connect(GlobalTime, &SchedulerTimer::timeout, this, &TFTest::GlobalTimeTimer);
    connect(BOK, &QPushButton::clicked, this, &TFTest::BOKClick);
}

void TFTest::AGoExecute()
{
    m_main.OverloadCount = 0;
    m_main.CleanReads = 0;
    m_main.OverloadRetry = 0;
    ZeroEmptyManualFields();
    if (const QString e = m_dm.ADOHand->post(); !e.isEmpty())
        m_prompts.error(QString(), e);
    if (m_main.ResourceExhausted && UTools::WireToFloat(DBTok->text()) > 20) {
        m_prompts.plain(QString(), QStringLiteral("Внимание! Ресурс непрерывной работы источика исчерпан."));
        return;
    }
    switch (m_main.Mode) {
    case 4:
        ApplySourceControl();
        GBParam->setEnabled(true);
        AGo->setEnabled(true);
        AStop->setEnabled(true);
        return;
    case 3:
        AGo->setEnabled(true);
        AStop->setEnabled(true);
        GBParam->setEnabled(true);
        GlobalTime->start();
        TotalSeconds = 0;
        StartManualMeasurement();
        return;
    case 1:
        if (!AStop->isEnabled()) { // a new run
            ResetAllResults();
            BReport->setEnabled(false);
            ADateinBase->setEnabled(false);
        }
        if (RunPoint()) {
            GlobalTime->start();
            AGo->setEnabled(false);
            GBParam->setEnabled(false);
            AStop->setEnabled(true);
        }
        return;
    case 2:
        if (m_main.CurrentTooHigh) {
            m_prompts.error(QStringLiteral("TK710 v2.0"), CurrentTooHighText);
            return;
        }
        if (!AStop->isEnabled()) { // a new run, from the first point
            m_dm.ADOTestBuf->setCurrentRow(0);
            ResetAllResults();
            BReport->setEnabled(false);
            ADateinBase->setEnabled(false);
            if (RunPoint()) {
                AGo->setEnabled(false);
                GBParam->setEnabled(false);
                AStop->setEnabled(true);
            }
            GlobalTime->start();
            TotalSeconds = 0;
        } else if (!executeNext()) { // continuing after the register verdicts
            StopAtEnd();
        } else {
            AGo->setEnabled(false);
            GBParam->setEnabled(false);
        }
        return;
    default:
        return;
    }
}

bool TFTest::isLastPoint() const
{
    const TableDataSet &points = *m_dm.ADOTestBuf;
    return points.currentRow() >= points.rowCount() - 1;
}

void TFTest::enableNavigation()
{
    ASelect->setEnabled(true);
    APrior->setEnabled(m_dm.ADOTestBuf->currentValue(QStringLiteral("PNumPoint1")).toInt() >= 2);
    ANext->setEnabled(!isLastPoint());
}

bool TFTest::RunPoint()
{
    m_main.engine->ClearTrans();
    const TableDataSet &points = *m_dm.ADOTestBuf;
    const double amps = points.currentValue(QStringLiteral("PI")).toDouble();
    if (m_main.ResourceExhausted && amps > 20)
        return false;
    if (m_main.Mode == 1 && amps > m_dm.ADOTipStend1->currentValue(QStringLiteral("PImax")).toDouble()) {
        m_prompts.error(QStringLiteral("TK710 v2.0"), CurrentTooHighText);
        return false;
    }
    enableNavigation();
    switch (points.currentValue(QStringLiteral("PMode")).toInt()) {
    case ErrorKind:
        RunErrorPoint();
        return true;
    case WarmUpKind:
        return RunWarmUp();
    case 1:
        return RunSensitivity();
    case 2:
    case 3:
    case 4:
        return RunCreepOrCounter();
    default:
        return true;
    }
}

bool TFTest::executeNext()
{
    if (!ANext->isEnabled())
        return false;
    ANextExecute();
    return true;
}

void TFTest::movePoint(int step)
{
    TTime->stop();
    TableDataSet &points = *m_dm.ADOTestBuf;
    const int from = points.currentRow();
    const int to = from + step;
    if (to < 0 || to >= points.rowCount())
        return;
    points.setCurrentRow(to);
    if (!RunPoint())
        points.setCurrentRow(from);
}

void TFTest::ANextExecute()
{
    movePoint(1);
}

void TFTest::APriorExecute()
{
    movePoint(-1);
}

void TFTest::ASelectExecute()
{
    TTime->stop();
    AGo->setEnabled(true);
    GBParam->setEnabled(true); // the operator clicks another point in the list
    APrior->setEnabled(false);
    ANext->setEnabled(false);
    m_main.engine->ClearTrans();
}

void TFTest::showCountdown()
{
    LTimeDec->setText(minutesSeconds(Remaining));
}

void TFTest::TTimeTimer()
{
    Remaining = std::max(Remaining - 1, 0);
    showCountdown();
    if (Remaining == 0)
        TTime->stop();
    const int mode = m_main.Mode;
    const CurrentPoint point = currentPoint();
    const bool special = point.kind >= 1 && point.kind <= 4;
    if ((mode == 1 || mode == 2) && Remaining == 0 && special && point.number >= 0 &&
        std::size_t(point.number) < PointHasData.size())
        PointHasData[std::size_t(point.number)] = 1;

    // The first, incomplete measurement period of an error point is never polled.
    if (mode == 2 && (point.kind == ErrorKind || point.kind == WarmUpKind)) {
        if (PointTotal - Remaining == std::max(MeasurePeriod, PulsePeriod))
            PollEnabled = true;
    } else {
        PollEnabled = true;
    }

    if (Remaining != 0)
        return;
    if (mode == 2 && (point.kind == ErrorKind || point.kind == WarmUpKind)) {
        m_main.engine->ClearTrans();
        TTime->stop();
        if (!executeNext())
            StopAtEnd();
    } else if ((mode == 1 || mode == 2) && special) {
        endSpecialPoint(point.kind);
    }
}

void TFTest::endSpecialPoint(int kind)
{
    TTime->stop();
    m_main.engine->ClearTrans();
    const bool registerPoint = kind == 3 || kind == 4;
    if (m_main.Mode == 1) {
        if (kind != 2)
            CurrentOff();
        EvaluateSpecialTest([this, kind, registerPoint] {
            if (registerPoint) {
                m_prompts.plain(QString(), QStringLiteral("Тест проверки счетного устройства закончен."));
                enableNavigation();
            } else if (kind == 2) {
                m_prompts.plain(QString(), QStringLiteral("Тест проверки самохода закончен."));
            } else {
                m_prompts.plain(QString(), QStringLiteral("Тест проверки чувствительности закончен."));
            }
        });
        return;
    }
    if (!registerPoint) {
        EvaluateSpecialTest([this] {
            if (!executeNext())
                StopAtEnd();
        });
        return;
    }
    CurrentOff();
    EvaluateSpecialTest([this] {
        GridTest->setPopupMenu(PMFit); // the operator gives each meter its verdict
        AGo->setEnabled(true);
        m_prompts.plain(QString(), QStringLiteral(
            "Заполните результаты прохождения теста по каждому счетчику и нажмите кнопку \"GO\"."));
    });
}

void TFTest::GlobalTimeTimer()
{
    ++TotalSeconds;
    LTime->setText(minutesSeconds(TotalSeconds));
}

void TFTest::AStopExecute()
{
    if (m_main.Mode == 1 || m_main.Mode == 2) {
        ASelect->setEnabled(false);
        ANext->setEnabled(false);
        APrior->setEnabled(false);
        POK->hide();
        BView->setEnabled(true);
        BReport->setEnabled(true);
        ADateinBase->setEnabled(true);
    }
    GlobalTime->stop();
    TTime->stop();
    AGo->setEnabled(true);
    AStop->setEnabled(false);
    GBParam->setEnabled(true);
    GridTest->setPopupMenu(nullptr);
    m_main.OverloadRetry = 0;
    m_main.AStopButton->trigger();
    LTimeDec->setText(QStringLiteral("0:00"));
    LTime->setText(QStringLiteral("0:00"));
    TotalSeconds = 0;
    Remaining = 0;
}

void TFTest::StopAtEnd()
{
    if (m_main.Mode != 2)
        return;
    AStopExecute();
    m_main.TestDone = true;
}

} // namespace bench
