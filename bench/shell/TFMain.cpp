#include "bench/shell/TFMain.h"

#include "bench/data/TDM.h"
#include "bench/data/TFdataReport.h"
#include "bench/link/FrameLink.h"
#include "bench/link/Frames.h"
#include "bench/link/TransEngine.h"
#include "bench/run/TFTest.h"
#include "bench/shell/ControllerStart.h"
#include "bench/shell/MainConfig.h"
#include "bench/shell/MainDialogs.h"
#include "common/Prompts.h"
#include "common/RegistryIni.h"
#include "common/Scheduler.h"

#include <QAbstractItemModel>
#include <QAction>
#include <QActionGroup>
#include <QCheckBox>
#include <QCloseEvent>
#include <QComboBox>
#include <QHeaderView>
#include <QDir>
#include <QFileInfo>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMenu>
#include <QProcess>
#include <QSpinBox>
#include <QTableView>
#include <QToolButton>

namespace bench {

namespace {
/// The database program beside the controller in its working directory.
QString baseProgramName()
{
#ifdef Q_OS_WIN
    return QStringLiteral("BaseTK710.exe");
#else
    return QStringLiteral("BaseTK710");
#endif
}

/// The row of a remembered choice. One that is missing (a fresh start, a deleted row) leaves
/// the first row in force, as a failed locate leaves the first record current.
int rememberedRow(const QueryDataSet &list, int key)
{
    const int row = list.find(QStringLiteral("PIndex"), key);
    return row < 0 && list.rowCount() > 0 ? 0 : row;
}
} // namespace

TFMain::TFMain(MainDeps deps, QWidget *parent) : QMainWindow(parent), m_deps(std::move(deps))
{
    setObjectName(QStringLiteral("TFMain"));
    setWindowTitle(ControllerTitle);
    resize(1100, 720);

    Com1 = new TAsynCom(m_deps.scheduler, m_deps.lineFactory, this);
    Com1->setObjectName(QStringLiteral("Com1"));
    Com1->setRTS(true);
    Com1->setBaudRate(19200);
    Com1->setByteSize(8);
    frameLink = new FrameLink(*Com1, this);
    frameLink->setConsoleDown([this] { return TBPult->isChecked(); });
    connect(Com1, &TAsynCom::portLost, this, &TFMain::portLost);
    engine = new TransEngine(m_deps.scheduler, *Com1, *frameLink, *this, m_deps.prompts, this);
    TAddSendParamSource = m_deps.scheduler.createTimer(this);
    TAddSendParamSource->setInterval(3000);
    connect(TAddSendParamSource, &SchedulerTimer::timeout, this, &TFMain::TAddSendParamSourceTimer);
    TTimeLimit = m_deps.scheduler.createTimer(this);
    TTimeLimit->setInterval(1000);
    connect(TTimeLimit, &SchedulerTimer::timeout, this, &TFMain::TTimeLimitTimer);

    sfConfigStend = new SFConfigStend(this);
    sfParam = new SFParam(this);
    sfAbout = new SFAbout(this);
    runWindow = new TFTest(*this, m_deps.dm, m_deps.prompts, m_deps.scheduler, this);

    buildActions();
    buildMenus();
    buildLayout();
    bindDataSets();
    bindSetup();
    connect(AReply, &QAction::triggered, this, &TFMain::AReplyExecute);
    connect(AStopButton, &QAction::triggered, this, &TFMain::AStopButtonExecute);
    connect(ASource, &QAction::triggered, this, &TFMain::ASourceExecute);
    FormCreate();
}

TFMain::~TFMain() = default;

void TFMain::FormCreate()
{
    RegistryIni &r = m_deps.registry;
    ResourceExhausted = false;
    StartDir = QDir::currentPath();
    setLinkMenusEnabled(false); // until the first valid data reply
    ExtraReads = 0;
    TAddSendParamSource->start();
    engine->start();
    Mode = 0;

    sfParam->setSens(r.readInteger(config::SensKey, config::Sens, config::DefaultSens));
    restorePortChoice();
    sfConfigStend->SECountStend->setValue(r.readInteger(config::StendKey, config::CountStend, config::DefaultCountStend));
    sfConfigStend->SECountCh->setValue(r.readInteger(config::StendKey, config::CountCH, config::DefaultCountCH));
    sfConfigStend->setConnectTip(r.readInteger(config::StendKey, config::ConnectTip, config::DefaultConnectTip));
    ShowChannelColumns();

    // The remembered filter type and test, by PIndex.
    const int filterRow = rememberedRow(*m_deps.dm.ADOTipF, r.readInteger(config::StendKey, config::TipF, 0));
    DBTipF->setCurrentIndex(filterRow);
    m_deps.dm.ApplyTypeFilter(filterRow);
    showFilterRatings();
    const int testRow = rememberedRow(*m_deps.dm.ADOTest1, r.readInteger(config::StendKey, config::Test, 0));
    DBLTest->setCurrentIndex(testRow);
    m_deps.dm.setCurrentTest(testRow);

    FillStandList();
    for (int n = 1; n <= CBStend->count(); ++n)
        CBStend->item(n - 1)->setCheckState(r.readBool(config::StendKey, config::useST(n), true) ? Qt::Checked : Qt::Unchecked);
    connect(CBStend, &QListWidget::itemChanged, this, [this] { CBStendClickCheck(); });

    SetI = SetU = SetF = -1.0;
    SetAngle = -1;
    OverloadCount = 0;
    frameLink->setClosing(false);
    enableWarmUpEdits();
    OpenPort();
    TTimeLimit->start();
}

void TFMain::restorePortChoice()
{
    const RegistryIni &r = m_deps.registry;
    switch (r.readInteger(config::StendKey, config::ComNo, config::DefaultComNo)) {
    case 1: Mcom1->setChecked(true); break;
    case 2: MCom2->setChecked(true); break;
    default: break; // any other number leaves the menu as designed
    }
    // A port beyond the two COM ports is remembered by name; it counts only while offered.
    const QString other = r.readString(config::StendKey, config::ComPort, QString());
    for (QAction *a : portGroup->actions())
        if (!other.isEmpty() && a != Mcom1 && a != MCom2 && a->data().toString() == other)
            a->setChecked(true);
}

bool TFMain::storePortChoice()
{
    RegistryIni &r = m_deps.registry;
    bool stored = r.writeInteger(config::StendKey, config::ComNo, Mcom1->isChecked() ? 1 : 2);
    QAction *chosen = portGroup->checkedAction();
    if (chosen && chosen != Mcom1 && chosen != MCom2)
        stored = r.writeString(config::StendKey, config::ComPort, chosen->data().toString()) && stored;
    else if (r.valueExists(config::StendKey, config::ComPort))
        stored = r.deleteKey(config::StendKey, config::ComPort) && stored;
    return stored;
}

QString TFMain::chosenPortName() const
{
    QAction *chosen = portGroup->checkedAction();
    return chosen ? chosen->data().toString() : comPortName(1);
}

void TFMain::OpenPort()
{
    Com1->setPortName(chosenPortName());
    Com1->Purge();
    Com1->Open();
    for (int attempt = 0; attempt < 2 && !Com1->IsOpen(); ++attempt)
        Com1->Open();
    if (!Com1->IsOpen())
        m_deps.prompts.information(ControllerTitle, QStringLiteral("COM порт не доступен. Выберите другой порт"));
}

void TFMain::Mcom1Click()
{
    Mcom1->setChecked(true);
    OpenPort();
}

void TFMain::MCom2Click()
{
    MCom2->setChecked(true);
    OpenPort();
}

void TFMain::choosePort(QAction *item)
{
    item->setChecked(true);
    OpenPort();
}

void TFMain::portLost(const QString &reason)
{
    m_deps.prompts.error(ControllerTitle,
                         QStringLiteral("Порт %1 больше не доступен (%2). Подключите его и выберите порт в меню "
                                        "«Сервис» → «Поледовательный порт».")
                             .arg(chosenPortName(), reason));
}

void TFMain::cfgStendClick()
{
    RegistryIni &r = m_deps.registry;
    const int storedStands = r.readInteger(config::StendKey, config::CountStend, config::DefaultCountStend);
    const int storedPositions = r.readInteger(config::StendKey, config::CountCH, config::DefaultCountCH);
    if (m_deps.prompts.execDialog(*sfConfigStend)) {
        const int stands = sfConfigStend->SECountStend->value();
        const int positions = sfConfigStend->SECountCh->value();
        r.writeInteger(config::StendKey, config::CountStend, stands);
        r.writeInteger(config::StendKey, config::CountCH, positions);
        r.writeInteger(config::StendKey, config::ConnectTip, sfConfigStend->connectTip());
        if (stands != storedStands || positions != storedPositions) {
            FillStandList();
            ShowChannelColumns();
        }
    } else {
        sfConfigStend->SECountStend->setValue(storedStands);
        sfConfigStend->SECountCh->setValue(storedPositions);
        sfConfigStend->setConnectTip(r.readInteger(config::StendKey, config::ConnectTip, config::DefaultConnectTip));
    }
}

void TFMain::FillStandList()
{
    const QSignalBlocker quiet(CBStend); // filling is not the operator ticking stands
    CBStend->clear();
    for (int n = 1; n <= sfConfigStend->SECountStend->value(); ++n) {
        auto *item = new QListWidgetItem(QStringLiteral("Стенд %1").arg(n), CBStend);
        item->setFlags(Qt::ItemIsEnabled | Qt::ItemIsUserCheckable);
        item->setCheckState(Qt::Checked);
    }
    StandsReset();
}

void TFMain::StandsReset()
{
    for (TStend &s : Stands)
        s.Present = false;
    for (int n = 1; n <= countStend(); ++n)
        setStandLine(n, QString());
    MProverka->setEnabled(false);
    for (QAction *a : {AHand, AAutoRegul, AAutoMistake})
        a->setEnabled(false);
    PTable->hide();
    LTable->hide();
}

void TFMain::CBStendClickCheck()
{
    storeStandChecks();
}

bool TFMain::storeStandChecks()
{
    QList<QPair<QString, QString>> checks;
    for (int n = 1; n <= CBStend->count(); ++n)
        checks.append({config::useST(n), RegistryIni::boolText(CBStend->item(n - 1)->checkState() == Qt::Checked)});
    return m_deps.registry.writeStrings(config::StendKey, checks);
}

void TFMain::ShowChannelColumns()
{
    // The stand grid's position columns are PCh1..PCh100; only the first countCH show.
    const TableDataSet *model = m_deps.dm.ADOTableStend;
    const int shown = sfConfigStend->SECountCh->value();
    for (int i = 1; i <= MaxPositions; ++i) {
        const int column = model->column(QStringLiteral("PCh%1").arg(i));
        if (column < 0)
            continue;
        const bool hide = i > shown;
        if (DBStend->isColumnHidden(column) != hide)
            DBStend->setColumnHidden(column, hide);
    }
}

void TFMain::enableWarmUpEdits()
{
    for (QLineEdit *e : {DBTimeMProg, DBTimeSProg, DBperUProg, DBPerIProg})
        e->setEnabled(CBProgon->isChecked());
}

void TFMain::N4Click()
{
    m_deps.prompts.execDialog(*sfAbout);
}

void TFMain::N5Click()
{
    if (!m_dataReport)
        return;
    m_dataReport->load();
    m_deps.prompts.execDialog(*m_dataReport);
    m_dataReport->store();
}

void TFMain::N8Click()
{
    m_deps.prompts.execDialog(*sfParam);
}

void TFMain::ABaseExecute()
{
    const QString program = QDir(StartDir).filePath(baseProgramName());
    if (!QFileInfo(program).isFile()) {
        m_deps.prompts.error(ControllerTitle, QStringLiteral("Не найден файл ") + QDir::toNativeSeparators(program));
        return;
    }
    if (!QProcess::startDetached(program, {}, StartDir))
        m_deps.prompts.error(ControllerTitle, QStringLiteral("Не удалось запустить ") + QDir::toNativeSeparators(program));
}

void TFMain::M_ExitClick()
{
    close();
}

void TFMain::closeEvent(QCloseEvent *event)
{
    FormClose();
    QMainWindow::closeEvent(event);
}

void TFMain::FormClose()
{
    if (m_formClosed)
        return;
    m_formClosed = true;
    frameLink->setClosing(true);
    engine->stop(); // the pump and both watchdogs
    TAddSendParamSource->stop();
    RegistryIni &r = m_deps.registry;
    bool stored = r.writeInteger(config::SensKey, config::Sens, sfParam->sens());
    stored = storePortChoice() && stored;
    stored = storeStandChecks() && stored;
    // The operator learns that the next start will not find today's settings.
    if (!stored)
        m_deps.prompts.warning(ControllerTitle, QStringLiteral("Настройки программы не сохранены: ") + r.lastError());
    // Sent directly, not through the queue; the port hands it to the driver when it closes.
    frameLink->SendFrame(frames::closingFrame());
}

} // namespace bench
