// The test run window: where a run of the chosen test happens. The main window opens it in
// one of its four modes after the set-up; it prepares the point list (TTestBuf), the map
// between stands and grid rows, the two result grids and the measurement buffer, and it is
// the run context the stand reply parsing writes into. The run engine (countdown, points,
// special tests, manual entry) builds on this window.
#pragma once

#include "bench/link/StandReply.h"
#include "bench/link/TStend.h"
#include "bench/run/SourcePanels.h"

#include <QList>
#include <QWidget>
#include <array>
#include <functional>
#include <vector>

class QAction;
class QCheckBox;
class QComboBox;
class QGroupBox;
class QLabel;
class QLineEdit;
class QMenu;
class QPushButton;
class QTableView;
class QToolButton;
class Prompts;
class Scheduler;
class SchedulerTimer;

namespace bench {

class TDM;
class TFMain;
class TKorColorStringGrid;

class TFTest : public QWidget, public StandReplyContext
{
    Q_OBJECT
public:
    TFTest(TFMain &main, TDM &dm, Prompts &prompts, Scheduler &scheduler, QWidget *parent = nullptr);
    ~TFTest() override;

    // Mode set-ups, called by the main window after MapStands.
    void SetupVerification();
    void SetupAdjustment();
    void SetupManual();
    void SetupSourceControl();

    // Point list and buffers.
    void MapStands();
    void FillTestBuf();
    void LayoutTestGrid();
    void LayoutViewGrid();
    void ResetAllResults();
    void ResetPointResults();
    void ClearTestGrid();
    void ClearViewGrid();

    /// The source panels of this window, kept current by the main window.
    SourcePanels sourcePanels() const;

    // Source programming of the current point, re-issued by the main window after an
    // overload recovery, and the current switched off when the source's resource runs out.
    bool RunPoint();
    void StartManualMeasurement();
    void ApplySourceControl();
    void CurrentOff();
    /// BView "Режим посмотра результатов": GridTest shown while it is up, GridView while down.
    void BViewClick();

    // StandReplyContext
    bool hasPoints() const override;
    CurrentPoint currentPoint() const override;
    bool measuring() const override;
    int standRow(int stand) const override;
    void setPointHasData(int point) override;
    void setTestCell(int col, int row, const QString &text, std::optional<QColor> colour = {}) override;
    void setViewCell(int col, int row, const QString &text, std::optional<QColor> colour = {}) override;
    double toleranceMin() const override;
    double toleranceMax() const override;
    void setRemaining(int seconds) override;
    bool executeNext() override;
    void StopAtEnd() override;

    // Window state read and written by the main window.
    std::array<int, MaxStands + 1> StandRow{}; ///< GridTest row of stand n; 0 when absent
    std::array<int, MaxStands + 1> RowStand{}; ///< stand shown in GridTest row r
    std::vector<quint8> PointHasData;          ///< by PNumPoint1; 1 = the point produced data
    int Remaining = 0;  ///< seconds left in the point
    int PointTotal = 0; ///< preset of Remaining
    bool PollEnabled = false;
    int ScreenWidth;    ///< px; the grids are laid out for it (the screen's work area)

    // Error points and warm-up.
    /// Queues the frames of the current error point; false when the point asks no readings
    /// and is skipped without a frame.
    bool RunErrorPoint();
    /// Queues the frames of the warm-up row.
    bool RunWarmUp();
    int MeasurePeriod = 0; ///< s, one measurement period of the point
    int PulsePeriod = 0;   ///< s between two meter pulses at the point's load

    // Run control: start and continue, points, navigation, countdown, stop.
    void AGoExecute();
    void AStopExecute();
    void ANextExecute();
    void APriorExecute();
    void ASelectExecute();
    void TTimeTimer();
    void GlobalTimeTimer();
    int TotalSeconds = 0; ///< s since the run was started

    // Special tests: sensitivity, creep, counting device.
    bool RunSensitivity();
    bool RunCreepOrCounter();
    /// "Далее": the point starts, and the typed register readings become the start readings.
    void BOKClick();
    void CurrentOffKeepVoltage();
    /// Judges the special point's meters once late replies have had a second to come in,
    /// then runs `then` (the rest of the point's end).
    void EvaluateSpecialTest(std::function<void()> then = {});
    /// Every cell of a present meter "0" on white, for the register readings.
    void ZeroTestGrid();

    SchedulerTimer *TTime;      ///< the point's countdown, 1000 ms
    SchedulerTimer *GlobalTime; ///< elapsed time of the run, 1000 ms

    TKorColorStringGrid *GridTest; ///< one row per present stand, one column per position
    TKorColorStringGrid *GridView; ///< one row per point, one column per meter of all stands
    QLabel *PVoltage, *PPower, *PTok, *PFreg, *PKm, *PLimitcurrent, *PStend;
    QLabel *LEnergy;     ///< delivered energy, Wh
    QWidget *PTimeLimit; ///< "Ресурс непрерывной работы  "
    QLabel *LTimeLimit;  ///< remaining resource, "100 %"
    QAction *AGo, *AStop, *ANext, *APrior, *ASelect;

    // The other controls by their component names.
    QWidget *Panel2;     ///< top bar
    QWidget *PBase;      ///< AGo, AStop, "Выход"
    QWidget *PNavigator; ///< APrior, ASelect, ANext
    QWidget *PNumber;    ///< "Номера поверяемых счетчиков"
    QWidget *PReport;    ///< ADateinBase, BReport
    QWidget *PView;      ///< BView
    QWidget *POK;        ///< BOK "Далее", hidden
    QWidget *Panel7;     ///< PTimeLimit, PTime
    QWidget *PTime;      ///< LTime, LTimeDec
    QLabel *LTime;       ///< elapsed time of the run
    QLabel *LTimeDec;    ///< time left in the point
    QWidget *PTable;     ///< GridTest and GridView
    QGroupBox *GBParam;  ///< "Задаваемые параметры": PMistake or PHand
    QWidget *PMistake;   ///< the point list and the current point's set values
    QTableView *DBGrid;  ///< the point list over ADOTestBuf, read-only
    QWidget *PParam;
    QLineEdit *DBVoltM, *DBTokM, *DBAngleM; ///< PU, PI, PAngle of the current point
    QWidget *PHand;      ///< manual entry (manual check, source control)
    QWidget *Panel3;     ///< status bar
    QLabel *PSource;     ///< "Источник включен"
    QToolButton *BView, *BReport, *BNumber, *BExit;
    QPushButton *BOK;
    QAction *ASbrosCH, *ASbrosStend, *ADateinBase;
    QMenu *PMSbros, *PMFit;
    QAction *NFit, *NNotFit;

    // Manual entry
    /// FormShow's part: the default THand record when there is none, then U and I from
    /// their percentages.
    void HandFormShow();
    void ZeroEmptyManualFields();
    /// AHandPost: writes the THand record when it is being edited.
    void AHandPost();
    void DBperVoltageChange();
    void DBVoltageChange();
    void DBPerTokChange();
    void DBTokChange();
    void DBkmChange();
    void DBAngleChange();
    void DBVoltageExit();
    QLineEdit *DBVoltage, *DBperVoltage, *DBTok, *DBPerTok, *DBAngle;
    QLineEdit *DBTimeM, *DBTimeS, *DBDop, *DBDopMin, *DBFreg;
    QComboBox *DBKm, *DBLC;
    QCheckBox *DBCheckBoxEh2; ///< "Инверсия "
    QGroupBox *GBTime, *GBMistake;
    void buildManualEntry();
    void showHandField(QLineEdit *edit, double value);
    void colourHandCurrent();
    void programManualSource(int priority, bool u, bool i, bool f, bool angle);
    int manualAngle() const;

protected:
    void closeEvent(QCloseEvent *event) override;

private:
    void buildActions();
    void buildLayout();
    void bindPointList();
    void layoutPointList();
    void followPointListRow(int row);
    void showCurrentPoint();
    void setupCommon(const QString &caption);
    /// Verification and adjustment: the point list, the result grids and the buffer.
    void setupAutomatic(const QString &caption, bool navigator, bool numbers);
    void showPanels(bool time, bool view, bool navigator, bool number, bool report);
    void showBottomPanel(QWidget *panel);
    QString rebuildTestBuf();
    int presentStands() const;
    bool warmUpTicked() const;
    void resetPoint(int point);
    static void clearGrid(TKorColorStringGrid &grid);
    void connectRunControl();
    void judgeSpecialPoint(const CurrentPoint &point);
    /// The point's load and period to every present stand (Priority 150 - N).
    void queueStandSetups(const QString &powerFactor, const QString &timeText);
    /// The end of a special point's countdown, by mode and kind.
    void endSpecialPoint(int kind);
    /// Moves the point list by `step` rows and starts that point; back again when it cannot start.
    void movePoint(int step);
    bool isLastPoint() const;
    /// "Выбор точки", and "Предыдущая"/"Следующая точка" where there is such a point.
    void enableNavigation();
    void showCountdown();

    /// The manual entry's event watchers: they call into the window, so they go first when
    /// it is destroyed (its fields lose the focus while Qt takes them down).
    QList<QObject *> m_handWatches;
    TFMain &m_main;
    TDM &m_dm;
    Prompts &m_prompts;
    Scheduler &m_scheduler;
};

} // namespace bench
