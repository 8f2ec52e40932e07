// Placeholder until the window is built: it compiles and does nothing.
#include "bench/run/TFTest.h"

#include "common/Scheduler.h"

#include <QCloseEvent>
#include <QLabel>

namespace bench {

TFTest::TFTest(TFMain &main, TDM &dm, Prompts &prompts, Scheduler &scheduler, QWidget *parent)
    : QWidget(parent, Qt::Window), ScreenWidth(1024), TTime(scheduler.createTimer(this)),
      GlobalTime(scheduler.createTimer(this)), GridTest(nullptr), GridView(nullptr), m_main(main), m_dm(dm),
      m_prompts(prompts), m_scheduler(scheduler)
{
    setObjectName(QStringLiteral("TFTest"));
    PVoltage = new QLabel(this);
    PPower = new QLabel(this);
    PTok = new QLabel(this);
    PFreg = new QLabel(this);
    PKm = new QLabel(this);
    PLimitcurrent = new QLabel(this);
    PStend = new QLabel(this);
    LEnergy = new QLabel(this);
    PTimeLimit = new QWidget(this);
    LTimeLimit = new QLabel(PTimeLimit);
    AGo = AStop = ANext = APrior = ASelect = nullptr;
}

TFTest::~TFTest() = default;

void TFTest::SetupVerification() {}
void TFTest::SetupAdjustment() {}
void TFTest::SetupManual() {}
void TFTest::SetupSourceControl() {}
void TFTest::MapStands() {}
void TFTest::FillTestBuf() {}
void TFTest::LayoutTestGrid() {}
void TFTest::LayoutViewGrid() {}
void TFTest::ResetAllResults() {}
void TFTest::ResetPointResults() {}
void TFTest::ClearTestGrid() {}
void TFTest::ClearViewGrid() {}

SourcePanels TFTest::sourcePanels() const
{
    return {PVoltage, PPower, PTok, PFreg, PKm, PLimitcurrent};
}

bool TFTest::hasPoints() const { return false; }
CurrentPoint TFTest::currentPoint() const { return {}; }
bool TFTest::measuring() const { return TTime->isActive(); }
int TFTest::standRow(int stand) const { return stand >= 1 && stand <= MaxStands ? StandRow[std::size_t(stand)] : 0; }
void TFTest::setPointHasData(int) {}
void TFTest::setTestCell(int, int, const QString &, std::optional<QColor>) {}
void TFTest::setViewCell(int, int, const QString &, std::optional<QColor>) {}
double TFTest::toleranceMin() const { return 0; }
double TFTest::toleranceMax() const { return 0; }
void TFTest::setRemaining(int seconds) { Remaining = seconds; }
bool TFTest::executeNext() { return false; }
void TFTest::StopAtEnd() {}

void TFTest::closeEvent(QCloseEvent *event)
{
    QWidget::closeEvent(event);
}

} // namespace bench
