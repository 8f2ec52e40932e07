// The controller's main window: tool panel, stand list, test set-up, source status bar,
// menus, the port and its frame link, and the registry configuration it restores and keeps.
#pragma once

#include "bench/link/LinkHost.h"
#include "bench/link/Results.h"
#include "bench/link/SourceState.h"
#include "bench/link/TAsynCom.h"
#include "bench/link/TStend.h"

#include <QMainWindow>
#include <QStringList>

class QAction;
class QActionGroup;
class QCheckBox;
class QComboBox;
class QLabel;
class QLineEdit;
class QListWidget;
class QListWidgetItem;
class QMenu;
class QTableView;
class QToolButton;
class Prompts;
class RegistryIni;
class Scheduler;
class SchedulerTimer;

namespace bench {

class FrameLink;
class SFAbout;
class SFConfigStend;
class SFParam;
class TDM;
class TFdataReport;
class TFTest;
class TransEngine;

/// What the main window is given by whoever starts it.
struct MainDeps
{
    Scheduler &scheduler;
    Prompts &prompts;
    RegistryIni &registry;
    TDM &dm;
    TAsynCom::LineFactory lineFactory;
    QStringList detectedPorts; ///< serial ports of this machine besides the two COM ports
};

class TFMain : public QMainWindow, public LinkHost
{
    Q_OBJECT
public:
    explicit TFMain(MainDeps deps, QWidget *parent = nullptr);
    ~TFMain() override;

    void setDataReport(TFdataReport *form) { m_dataReport = form; }

    // Handlers, named as the operator's commands are.
    void OpenPort();
    void Mcom1Click();
    void MCom2Click();
    void choosePort(QAction *item);
    void cfgStendClick();
    void FillStandList();
    void CBStendClickCheck();
    void StandsReset();
    void ShowChannelColumns();
    void N4Click();
    void N5Click();
    void N8Click();
    void ABaseExecute();
    void M_ExitClick();
    void FormClose();
    void AReplyExecute();
    void StandsFound();
    void TAddSendParamSourceTimer();
    void DBTipFCloseUp(int row);
    void DBLTestCloseUp(int row);

    // What the transaction engine asks of the main window.
    bool consoleDown() const override;
    int countStend() const override;
    StandArray &stands() override { return Stands; }
    char sourceRange() const override { return Source.Range; }
    int mode() const override { return Mode; }
    void standAnswered(int stand) override;
    void standSilent(int stand) override;
    void probeDone(bool standFound) override;
    void probeAbandoned() override;
    void setLinkMenusEnabled(bool enabled) override;
    void parseSourceReply(const QByteArray &reply) override;
    void parseStandReply(int stand, const QByteArray &reply) override;
    void sourceOffAcknowledged() override;
    void forgetSetPoints() override;
    bool pollEnabled() const override;
    void meterSetupSent() override;
    void testStep() override;

    // Source control panel.
    /// The readings of the last accepted source reply on the panels of both windows, then
    /// the meter frames of a settled source and the overload reaction.
    void ShowSourceState();
    void AStopButtonExecute();
    void ASourceExecute();
    void TTimeLimitTimer();
    static constexpr int ContactHolderLimit = 2160; ///< resource units, "Контактодержатель"
    static constexpr int WiresLimit = 4320;         ///< resource units, "Проводники"
    int CleanReads = 0;     ///< clean readings in a row since the last overload
    int OverloadRetry = 0;  ///< 0 none, 2 recovering from a voltage, 3 from a current overload
    int OverloadKind = 0;   ///< 0 none, 1 voltage, 2 current, 3 protection device: shown after the switch-off
    int ResourceCounter = 0; ///< continuous-operation load, grows with the current
    bool TestDone = false;  ///< the verification reached its last point
    SchedulerTimer *TTimeLimit; ///< continuous-operation resource, 1000 ms

    // Verification set-up
    void CBProgonMouseUp();
    void DBTimeMProgExit();
    void NormalizeWarmUp();
    void DBPerIProgChange();
    void ASelectAllExecute();
    void ADeSelectExecute();
    void DSTableStendPostExecute();
    /// Copies the type and positions of every present stand into Stands[]; false (with the
    /// operator told) when a stand of the grid has no type.
    bool LoadStandTypes();
    void AHandExecute();
    void AAutoRegulExecute();
    void AAutoMistakeExecute();
    void ARefrExecute();

    // Window state other parts use.
    int Mode = 0;               ///< 0 none, 1 adjustment, 2 verification, 3 manual, 4 source control
    QString StartDir;           ///< working directory at start-up
    bool ResourceExhausted = false;
    StandArray Stands;
    double SetU = -1, SetI = -1, SetF = -1; ///< last programmed into the source; -1 none
    int SetAngle = -1;
    int OverloadCount = 0;
    int ExtraReads = 0;        ///< source replies still to be ignored after an overload
    bool JOn = false;          ///< the second register test's switch was sent
    SourceState Source;        ///< the source's last readings
    ResultsBuffer Results;     ///< the run's measurement buffer (sized by the run window)
    bool CurrentTooHigh = false; ///< a point of the list asks more current than the type's Imax
    /// Positions per stand ("countCH") and the sensitivity threshold (RGsens: 0 or 1).
    int countCH() const;
    int sensThreshold() const;

    TFTest *runWindow; ///< the test run window, made with the main window

    TransEngine *engine;
    SchedulerTimer *TAddSendParamSource; ///< periodic source reading, 3000 ms

    TAsynCom *Com1;
    FrameLink *frameLink;
    SFConfigStend *sfConfigStend;
    SFParam *sfParam;
    SFAbout *sfAbout;

    // Controls by their component names.
    QWidget *PMenu;
    QToolButton *TBPult;
    QMenu *M_File, *MProverka, *MPort;
    QAction *AHand, *AAutoRegul, *AAutoMistake, *ASource, *AReply, *AStopButton, *ABase, *ARefr;
    QAction *ASelectAll, *ADeSelect, *DSTableStendPost;
    QAction *Mcom1, *MCom2, *MSimulator;
    QActionGroup *portGroup;
    QListWidget *CBStend;
    QLabel *PVoltage, *PPower, *PTok, *PFreg, *PKm, *PLimitcurrent, *PStend;
    QWidget *PProgon;
    QCheckBox *CBProgon;
    QLineEdit *DBTimeMProg, *DBTimeSProg, *DBperUProg, *DBPerIProg;
    QComboBox *DBLTest, *DBTipF;
    QLineEdit *DBUnom, *DBInom, *DBImax;
    QWidget *PTable;
    QLabel *LTable;
    QTableView *DBStend;

protected:
    void closeEvent(QCloseEvent *event) override;

private:
    void buildActions();
    void buildMenus();
    void buildLayout();
    void FormCreate();
    void restorePortChoice();
    bool storePortChoice();
    bool storeStandChecks(); ///< "useST<n>" of every stand line; false when not stored
    void enableWarmUpEdits();
    void bindDataSets();
    void layoutStandGrid();
    void showFilterRatings();
    void setStandLine(int stand, const QString &suffix);
    void portLost(const QString &reason);
    void overloadReaction();
    /// "Закончить тест" of a running test, else "Выключить источник".
    void stopForOverload();
    /// The energy-limited register points end once the source has delivered their dose.
    void endRegisterPointByEnergy();
    bool m_resourceBoxShown = false;
    QString chosenPortName() const;

    // Verification set-up
    void bindSetup();
    void showWarmUp();        ///< the warm-up record into its controls
    bool postWarmUp();        ///< what the operator typed into the record; false when refused
    void markStandPositions(bool ticked);
    void openRunWindow(int mode);

    MainDeps m_deps;
    TFdataReport *m_dataReport = nullptr;
    bool m_formClosed = false;
};

} // namespace bench
