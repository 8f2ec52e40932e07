// The test run window: its controls by component name, the four mode set-ups, the close,
// and the run context the stand reply parsing writes into. The point list and the result
// buffers are in PointList.cpp and ResultGrids.cpp, the manual entry panel in ManualEntry.cpp.
// What runs a point (AGo, the countdown, RunPoint, navigation) builds on this window and is
// not here yet.
#include "bench/run/TFTest.h"

#include "bench/data/TDM.h"
#include "bench/run/KorColorStringGrid.h"
#include "bench/shell/TFMain.h"
#include "common/Prompts.h"
#include "common/Scheduler.h"

#include <QAction>
#include <QCloseEvent>
#include <QFormLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QHash>
#include <QHeaderView>
#include <QIdentityProxyModel>
#include <QItemSelectionModel>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>
#include <QScreen>
#include <QStyle>
#include <QTableView>
#include <QToolButton>
#include <QVBoxLayout>

namespace bench {

namespace {

constexpr int ParamHeight = 223; ///< GBParam
constexpr int TopBarHeight = 52; ///< Panel2
constexpr int GridTestRowHeight = 45;

/// The point list's columns in the order and with the titles the operator knows.
const QList<std::pair<const char *, const char *>> PointListColumns{
    {"PNumPoint1", "№"},          {"PPersentU", "%U"},          {"PPersentI", "%I"},
    {"PInverseTok", "Инв. тока"}, {"PKM", "KM"},                {"PLC", "LC"},
    {"PTimeMEnergy", "Время, мин"}, {"PTimeSEnergy", "Время, сек"}, {"PMeasureMax", "%, max"},
    {"PMeasureMin", "%, min"},    {"PCountMeasure", "Кол. Изм."}, {"PStopPoint", "Параметры"},
    {"PMode", "Режим"}};

/// The point list as the grid shows it: read-only, coded values as their texts,
/// and the "%I" cell light red when the point's current exceeds the meter type's Imax.
class PointListView final : public QIdentityProxyModel
{
public:
    PointListView(TDM &dm, QObject *parent) : QIdentityProxyModel(parent), m_dm(dm)
    {
        // Before any view hears of the new columns.
        connect(this, &QAbstractItemModel::modelReset, this, &PointListView::nameColumns);
    }

    QVariant data(const QModelIndex &index, int role) const override
    {
        const QString field = fieldName(index.column());
        if (role == Qt::DisplayRole) {
            const QVariant v = QIdentityProxyModel::data(index, Qt::EditRole);
            if (field == QLatin1String("PMode"))
                return codeText(v, {"п", "ч", "с", "с/у(1)", "с/у(2)", "прог"});
            if (field == QLatin1String("PStopPoint"))
                return codeText(v, {"Без останова", "С остановом", "Останов с выкл"});
            if (field == QLatin1String("PLC"))
                return codeText(v, {"*", "L", "C"});
        }
        if (field == QLatin1String("PPersentI") && (role == Qt::BackgroundRole || role == Qt::ForegroundRole)) {
            if (role == Qt::ForegroundRole)
                return QColor(Qt::black);
            const double current = m_dm.ADOTestBuf->value(index.row(), QStringLiteral("PI")).toDouble();
            const double imax = m_dm.ADOTipStend1->currentValue(QStringLiteral("PImax")).toDouble();
            return current > imax ? CellLightRed : CellWhite;
        }
        return QIdentityProxyModel::data(index, role);
    }

    Qt::ItemFlags flags(const QModelIndex &index) const override
    {
        return QIdentityProxyModel::flags(index) & ~(Qt::ItemIsEditable | Qt::ItemIsUserCheckable);
    }

    bool setData(const QModelIndex &, const QVariant &, int) override { return false; }

    QVariant headerData(int section, Qt::Orientation orientation, int role) const override
    {
        if (orientation == Qt::Horizontal && role == Qt::DisplayRole) {
            const QString field = fieldName(section);
            for (const auto &[name, title] : PointListColumns)
                if (field == QLatin1String(name))
                    return QString::fromUtf8(title);
        }
        return QIdentityProxyModel::headerData(section, orientation, role);
    }

private:
    void nameColumns()
    {
        m_names.clear();
        for (const auto &[name, title] : PointListColumns)
            if (const int c = m_dm.ADOTestBuf->column(QString::fromLatin1(name)); c >= 0)
                m_names.insert(c, QString::fromLatin1(name));
    }

    QString fieldName(int column) const { return m_names.value(column); }

    static QVariant codeText(const QVariant &code, std::initializer_list<const char *> texts)
    {
        if (code.isNull())
            return {};
        const int c = code.toInt();
        if (c >= 0 && c < int(texts.size()))
            return QString::fromUtf8(*(texts.begin() + c));
        return QString::number(c);
    }

    TDM &m_dm;
    QHash<int, QString> m_names; ///< the shown columns' field names by column
};

QWidget *panel(QWidget *parent, const QString &name)
{
    auto *w = new QFrame(parent);
    w->setObjectName(name);
    w->setAutoFillBackground(true);
    return w;
}

QToolButton *glyphButton(QWidget *parent, const QString &name, QAction *a, QStyle::StandardPixmap glyph)
{
    auto *b = new QToolButton(parent);
    b->setObjectName(name);
    if (a) {
        a->setIcon(parent->style()->standardIcon(glyph));
        b->setDefaultAction(a);
    } else {
        b->setIcon(parent->style()->standardIcon(glyph));
    }
    b->setFixedSize(50, 50);
    b->setIconSize(QSize(32, 32));
    return b;
}

QLineEdit *readOnlyEdit(QWidget *parent, const QString &name)
{
    auto *e = new QLineEdit(parent);
    e->setObjectName(name);
    e->setReadOnly(true);
    e->setMaximumWidth(110);
    return e;
}

} // namespace

TFTest::TFTest(TFMain &main, TDM &dm, Prompts &prompts, Scheduler &scheduler, QWidget *parent)
    : QWidget(parent, Qt::Window), ScreenWidth(1024), TTime(scheduler.createTimer(this)),
      GlobalTime(scheduler.createTimer(this)), GridTest(nullptr), GridView(nullptr), m_main(main), m_dm(dm),
      m_prompts(prompts), m_scheduler(scheduler)
{
    setObjectName(QStringLiteral("TFTest"));
    // A single border and only the system menu; the window fills the screen's work area.
    setWindowFlags(Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                   Qt::WindowCloseButtonHint);
    if (const QScreen *s = screen()) {
        ScreenWidth = s->availableGeometry().width();
        setGeometry(s->availableGeometry());
    } else {
        resize(809, 585);
    }
    TTime->setInterval(1000);
    GlobalTime->setInterval(1000);

    buildActions();
    buildLayout();
    bindPointList();
    connectRunControl();
}

TFTest::~TFTest()
{
    qDeleteAll(m_handWatches);
}

void TFTest::buildActions()
{
    auto action = [this](const char *name, const char *caption, bool enabled) {
        auto *a = new QAction(QString::fromUtf8(caption), this);
        a->setObjectName(QString::fromLatin1(name));
        a->setToolTip(QString::fromUtf8(caption));
        a->setEnabled(enabled);
        return a;
    };
    // Start states; the navigation follows the mode set-up (all disable it).
    // Their handlers come with the run engine.
    AGo = action("AGo", "Начать/Продолжить тест", true);
    AStop = action("AStop", "Закончить тест", false);
    ANext = action("ANext", "Следующая точка", false);
    APrior = action("APrior", "Предыдущая точка", false);
    ASelect = action("ASelect", "Выбор точки", false);
    ASbrosCH = action("ASbrosCH", "Сброс показаний счетчика", true);
    ASbrosStend = action("ASbrosStend", "Сброс показаний всех счетчиков", true);
    ADateinBase = action("ADateinBase", "Сохранить результаты поверки в базу данных", true);

    PMSbros = new QMenu(this);
    PMSbros->setObjectName(QStringLiteral("PMSbros"));
    PMSbros->addAction(ASbrosCH);
    PMSbros->addAction(ASbrosStend);
    PMFit = new QMenu(this);
    PMFit->setObjectName(QStringLiteral("PMFit"));
    NFit = PMFit->addAction(QStringLiteral("Годен"));
    NFit->setObjectName(QStringLiteral("NFit"));
    NNotFit = PMFit->addAction(QStringLiteral("Не годен"));
    NNotFit->setObjectName(QStringLiteral("NNotFit"));
}

void TFTest::buildLayout()
{
    // ---- Top bar ----
    Panel2 = panel(this, QStringLiteral("Panel2"));
    Panel2->setFixedHeight(TopBarHeight);
    auto *top = new QHBoxLayout(Panel2);
    top->setContentsMargins(0, 1, 0, 1);
    top->setSpacing(2);

    PBase = panel(Panel2, QStringLiteral("PBase"));
    auto *base = new QHBoxLayout(PBase);
    base->setContentsMargins(0, 0, 0, 0);
    base->addWidget(glyphButton(PBase, QStringLiteral("TBAGo"), AGo, QStyle::SP_MediaPlay));
    base->addWidget(glyphButton(PBase, QStringLiteral("TBAStop"), AStop, QStyle::SP_MediaStop));
    BExit = glyphButton(PBase, QStringLiteral("abcToolbarButton2"), nullptr, QStyle::SP_DialogCloseButton);
    BExit->setToolTip(QStringLiteral("Выход"));
    connect(BExit, &QToolButton::clicked, this, &QWidget::close);
    base->addWidget(BExit);

    PNavigator = panel(Panel2, QStringLiteral("PNavigator"));
    auto *nav = new QHBoxLayout(PNavigator);
    nav->setContentsMargins(0, 0, 0, 0);
    nav->addWidget(glyphButton(PNavigator, QStringLiteral("TBAPrior"), APrior, QStyle::SP_ArrowLeft));
    nav->addWidget(glyphButton(PNavigator, QStringLiteral("TBASelect"), ASelect, QStyle::SP_FileDialogListView));
    nav->addWidget(glyphButton(PNavigator, QStringLiteral("TBANext"), ANext, QStyle::SP_ArrowRight));

    PNumber = panel(Panel2, QStringLiteral("PNumber"));
    BNumber = glyphButton(PNumber, QStringLiteral("abcToolbarButton7"), nullptr, QStyle::SP_FileDialogContentsView);
    BNumber->setToolTip(QStringLiteral("Номера поверяемых счетчиков"));
    (new QHBoxLayout(PNumber))->addWidget(BNumber);
    PNumber->layout()->setContentsMargins(0, 0, 0, 0);

    PReport = panel(Panel2, QStringLiteral("PReport"));
    auto *report = new QHBoxLayout(PReport);
    report->setContentsMargins(0, 0, 0, 0);
    report->addWidget(glyphButton(PReport, QStringLiteral("TBADateinBase"), ADateinBase, QStyle::SP_DialogSaveButton));
    BReport = glyphButton(PReport, QStringLiteral("BReport"), nullptr, QStyle::SP_FileIcon);
    BReport->setToolTip(QStringLiteral("Групповой протокол в MSExcel"));
    report->addWidget(BReport);

    PView = panel(Panel2, QStringLiteral("PView"));
    BView = glyphButton(PView, QStringLiteral("BView"), nullptr, QStyle::SP_FileDialogDetailedView);
    BView->setToolTip(QStringLiteral("Режим посмотра результатов"));
    BView->setCheckable(true);
    connect(BView, &QToolButton::clicked, this, &TFTest::BViewClick);
    (new QHBoxLayout(PView))->addWidget(BView);
    PView->layout()->setContentsMargins(0, 0, 0, 0);

    POK = panel(Panel2, QStringLiteral("POK"));
    BOK = new QPushButton(QStringLiteral("Далее"), POK);
    BOK->setObjectName(QStringLiteral("BOK"));
    (new QHBoxLayout(POK))->addWidget(BOK);
    POK->hide();

    Panel7 = panel(Panel2, QStringLiteral("Panel7"));
    auto *right = new QHBoxLayout(Panel7);
    right->setContentsMargins(0, 0, 0, 0);
    PTimeLimit = panel(Panel7, QStringLiteral("PTimeLimit"));
    auto *limit = new QHBoxLayout(PTimeLimit);
    auto *limitTitle = new QLabel(QStringLiteral("Ресурс непрерывной работы  "), PTimeLimit);
    limitTitle->setObjectName(QStringLiteral("PTimeLimitCaption"));
    LTimeLimit = new QLabel(QStringLiteral("100 %"), PTimeLimit);
    LTimeLimit->setObjectName(QStringLiteral("LTimeLimit"));
    QFont bold = LTimeLimit->font();
    bold.setBold(true);
    LTimeLimit->setFont(bold);
    LTimeLimit->setStyleSheet(QStringLiteral("color: maroon;"));
    limit->addWidget(limitTitle);
    limit->addWidget(LTimeLimit);
    PTime = panel(Panel7, QStringLiteral("PTime"));
    auto *time = new QHBoxLayout(PTime);
    LTime = new QLabel(QStringLiteral("0:00 "), PTime);
    LTime->setObjectName(QStringLiteral("LTime"));
    LTime->setToolTip(QStringLiteral("Общее время теста"));
    LTimeDec = new QLabel(QStringLiteral("0:00"), PTime);
    LTimeDec->setObjectName(QStringLiteral("LTimeDec"));
    LTimeDec->setToolTip(QStringLiteral("Время теста"));
    LTimeDec->setStyleSheet(QStringLiteral("color: green;"));
    QFont timeFont = LTime->font();
    timeFont.setPixelSize(20);
    timeFont.setBold(true);
    LTime->setFont(timeFont);
    LTimeDec->setFont(timeFont);
    time->addWidget(LTime);
    time->addWidget(LTimeDec);
    right->addWidget(PTimeLimit);
    right->addWidget(PTime);

    for (QWidget *w : {PBase, PNavigator, PNumber, PReport, PView, POK})
        top->addWidget(w);
    top->addStretch(1);
    top->addWidget(Panel7);

    // ---- The two result grids, one shown ----
    PTable = panel(this, QStringLiteral("PTable"));
    auto *table = new QVBoxLayout(PTable);
    table->setContentsMargins(0, 0, 0, 0);
    GridTest = new TKorColorStringGrid(PTable);
    GridTest->setObjectName(QStringLiteral("GridTest"));
    GridTest->setDefaultRowHeight(GridTestRowHeight);
    GridView = new TKorColorStringGrid(PTable);
    GridView->setObjectName(QStringLiteral("GridView"));
    for (TKorColorStringGrid *g : {GridTest, GridView}) {
        setStandardHeaderSets(*g);
        table->addWidget(g);
    }
    GridView->hide();

    // ---- Set values ----
    GBParam = new QGroupBox(QStringLiteral("Задаваемые параметры"), this);
    GBParam->setObjectName(QStringLiteral("GBParam"));
    GBParam->setFixedHeight(ParamHeight);
    auto *param = new QVBoxLayout(GBParam);
    param->setContentsMargins(2, 2, 2, 2);

    PMistake = panel(GBParam, QStringLiteral("PMistake"));
    auto *mistake = new QHBoxLayout(PMistake);
    mistake->setContentsMargins(0, 0, 0, 0);
    DBGrid = new QTableView(PMistake);
    DBGrid->setObjectName(QStringLiteral("DBGrid"));
    DBGrid->setEditTriggers(QAbstractItemView::NoEditTriggers);
    DBGrid->setSelectionBehavior(QAbstractItemView::SelectRows);
    DBGrid->setSelectionMode(QAbstractItemView::SingleSelection);
    DBGrid->verticalHeader()->hide();
    DBGrid->horizontalHeader()->setHighlightSections(false);
    mistake->addWidget(DBGrid, 1);

    PParam = panel(PMistake, QStringLiteral("PParam"));
    auto *values = new QFormLayout(PParam);
    DBVoltM = readOnlyEdit(PParam, QStringLiteral("DBVoltM"));
    DBTokM = readOnlyEdit(PParam, QStringLiteral("DBTokM"));
    DBAngleM = readOnlyEdit(PParam, QStringLiteral("DBAngleM"));
    values->addRow(QStringLiteral("Заданное напряжение"), DBVoltM);
    values->addRow(QStringLiteral("Заданный ток"), DBTokM);
    values->addRow(QStringLiteral("Заданный угол"), DBAngleM);
    auto *energy = new QGroupBox(QStringLiteral("Выданная энергия"), PParam);
    energy->setObjectName(QStringLiteral("GBEnergy"));
    auto *energyRow = new QHBoxLayout(energy);
    energyRow->addWidget(new QLabel(QStringLiteral("E, Вт*ч"), energy));
    LEnergy = new QLabel(energy);
    LEnergy->setObjectName(QStringLiteral("LEnergy"));
    energyRow->addWidget(LEnergy, 1);
    values->addRow(energy);
    mistake->addWidget(PParam);

    PHand = panel(GBParam, QStringLiteral("PHand"));
    PHand->hide();
    buildManualEntry();
    param->addWidget(PMistake);
    param->addWidget(PHand);

    // ---- Status bar: mirrors of the main window's source panels ----
    Panel3 = panel(this, QStringLiteral("Panel3"));
    auto *status = new QHBoxLayout(Panel3);
    status->setContentsMargins(0, 0, 0, 0);
    status->setSpacing(2);
    PSource = makeStatusPanel(Panel3, QStringLiteral("PSource"), QStringLiteral("Источник включен"));
    const SourcePanels source = makeSourcePanels(Panel3);
    PVoltage = source.PVoltage;
    PPower = source.PPower;
    PTok = source.PTok;
    PFreg = source.PFreg;
    PKm = source.PKm;
    PLimitcurrent = source.PLimitcurrent;
    PStend = makeStendCaption(Panel3);
    for (QLabel *p : {PSource, PVoltage, PPower, PTok, PFreg, PKm, PLimitcurrent})
        status->addWidget(p);
    status->addWidget(PStend, 1);

    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    layout->addWidget(Panel2);
    layout->addWidget(PTable, 1);
    layout->addWidget(GBParam);
    layout->addWidget(Panel3);
}

// ---- The point list grid and the current point -----------------------------------------------

void TFTest::bindPointList()
{
    auto *view = new PointListView(m_dm, this);
    view->setSourceModel(m_dm.ADOTestBuf);
    DBGrid->setModel(view);
    // The header forgets hidden and moved columns on every re-read: lay them out again.
    connect(view, &QAbstractItemModel::modelReset, this, &TFTest::layoutPointList);
    connect(view, &QAbstractItemModel::dataChanged, this, &TFTest::showCurrentPoint);
    connect(DBGrid->selectionModel(), &QItemSelectionModel::currentRowChanged, this,
            [this](const QModelIndex &current) {
                if (current.isValid() && current.row() != m_dm.ADOTestBuf->currentRow())
                    m_dm.ADOTestBuf->setCurrentRow(current.row());
            });
    connect(m_dm.ADOTestBuf, &TableDataSet::currentRowChanged, this, &TFTest::followPointListRow);
    layoutPointList();
}

void TFTest::layoutPointList()
{
    QHeaderView *header = DBGrid->horizontalHeader();
    const TableDataSet *buf = m_dm.ADOTestBuf;
    const int columns = DBGrid->model()->columnCount();
    if (columns == 0)
        return;
    QList<int> shown;
    for (const auto &[name, title] : PointListColumns)
        shown << buf->column(QString::fromLatin1(name));
    for (int c = 0; c < columns; ++c)
        DBGrid->setColumnHidden(c, !shown.contains(c));
    for (int i = 0; i < shown.size(); ++i)
        if (shown[i] >= 0)
            header->moveSection(header->visualIndex(shown[i]), i);
    for (int c : shown)
        if (c >= 0)
            DBGrid->resizeColumnToContents(c);
    followPointListRow(buf->currentRow());
}

void TFTest::followPointListRow(int row)
{
    const QAbstractItemModel *view = DBGrid->model();
    if (row >= 0 && row < view->rowCount() && DBGrid->currentIndex().row() != row) {
        const int column = m_dm.ADOTestBuf->column(QStringLiteral("PNumPoint1"));
        DBGrid->setCurrentIndex(view->index(row, std::max(column, 0)));
    }
    showCurrentPoint();
}

void TFTest::showCurrentPoint()
{
    const TableDataSet *buf = m_dm.ADOTestBuf;
    auto text = [buf](const char *field, int decimals) {
        const QVariant v = buf->currentValue(QString::fromLatin1(field));
        return v.isNull() ? QString() : QString::number(v.toDouble(), 'f', decimals);
    };
    DBVoltM->setText(text("PU", 1));
    DBTokM->setText(text("PI", 3));
    DBAngleM->setText(text("PAngle", 0));
}

// ---- Mode set-ups ----------------------------------------------------------------------------

void TFTest::setupCommon(const QString &caption)
{
    GBParam->setFixedHeight(ParamHeight);
    ASelect->setEnabled(false);
    APrior->setEnabled(false);
    ANext->setEnabled(false);
    setWindowTitle(caption);
}

void TFTest::showPanels(bool time, bool view, bool navigator, bool number, bool report)
{
    PTime->setVisible(time);
    PTable->setVisible(time);
    PView->setVisible(view);
    PNavigator->setVisible(navigator);
    PNumber->setVisible(number);
    PReport->setVisible(report);
}

void TFTest::showBottomPanel(QWidget *shown)
{
    PMistake->setVisible(shown == PMistake);
    PHand->setVisible(shown == PHand);
}

// The steps that need the run engine (timers, action states beyond the start states) come
// with it.
void TFTest::SetupVerification()
{
    // PNumber stands right after PBase, where the hidden navigator would be.
    setupAutomatic(QStringLiteral("Поверка"), false, true);
}

void TFTest::SetupAdjustment()
{
    setupAutomatic(QStringLiteral("Регулировка"), true, false);
}

void TFTest::setupAutomatic(const QString &caption, bool navigator, bool numbers)
{
    setupCommon(caption);
    showPanels(true, true, navigator, numbers, true);
    BView->setEnabled(true);
    BView->setChecked(false);
    BReport->setEnabled(false);
    ADateinBase->setEnabled(false);
    POK->hide();
    showBottomPanel(PMistake);
    GridTest->show();
    GridView->hide();
    FillTestBuf();
    m_main.Results.assign(std::size_t(m_dm.ADOTestBuf->rowCount()) + 1, PointResults{});
    ResetAllResults();
}

void TFTest::SetupManual()
{
    setupCommon(QStringLiteral("Ручная проверка"));
    showPanels(true, false, false, false, false);
    showBottomPanel(PHand);
    GBTime->show();
    GBMistake->show();
    GridTest->show();
    GridView->hide();
    // The point list and the size of Results are kept.
    ResetAllResults();
}

void TFTest::SetupSourceControl()
{
    setupCommon(QStringLiteral("Управление источником"));
    showPanels(false, false, false, false, false);
    showBottomPanel(PHand);
    GBTime->hide();
    GBMistake->hide();
}

void TFTest::BViewClick()
{
    const bool down = BView->isChecked();
    GridTest->setVisible(!down);
    GridView->setVisible(down);
    GBParam->setFixedHeight(down ? 0 : ParamHeight);
    (down ? GridView : GridTest)->setFocus();
}

SourcePanels TFTest::sourcePanels() const
{
    return {PVoltage, PPower, PTok, PFreg, PKm, PLimitcurrent};
}

// ---- The run context of the stand reply parsing ---------------------------------------------

bool TFTest::hasPoints() const
{
    return m_dm.ADOTestBuf->isOpen() && m_dm.ADOTestBuf->rowCount() > 0;
}

CurrentPoint TFTest::currentPoint() const
{
    const TableDataSet *buf = m_dm.ADOTestBuf;
    if (buf->currentRow() < 0)
        return {};
    CurrentPoint p;
    p.number = buf->currentValue(QStringLiteral("PNumPoint1")).toInt();
    p.kind = buf->currentValue(QStringLiteral("PMode")).toInt();
    p.measureMin = buf->currentValue(QStringLiteral("PMeasureMin")).toDouble();
    p.measureMax = buf->currentValue(QStringLiteral("PMeasureMax")).toDouble();
    p.countMeasure = buf->currentValue(QStringLiteral("PCountMeasure")).toInt();
    return p;
}

bool TFTest::measuring() const { return TTime->isActive(); }

int TFTest::standRow(int stand) const
{
    return stand >= 1 && stand <= MaxStands ? StandRow[std::size_t(stand)] : 0;
}

void TFTest::setPointHasData(int point)
{
    if (point >= 0 && std::size_t(point) < PointHasData.size())
        PointHasData[std::size_t(point)] = 1;
}

namespace {
void writeCell(TKorColorStringGrid &grid, int col, int row, const QString &text, std::optional<QColor> colour)
{
    if (col < 0 || row < 0 || col >= grid.ColCount() || row >= grid.RowCount())
        return; // a cell the layout does not have
    TKorCellProperties &cell = grid.CellProps(col, row);
    cell.setCellText(text);
    if (colour)
        cell.setColor(*colour);
}
} // namespace

void TFTest::setTestCell(int col, int row, const QString &text, std::optional<QColor> colour)
{
    writeCell(*GridTest, col, row, text, colour);
}

void TFTest::setViewCell(int col, int row, const QString &text, std::optional<QColor> colour)
{
    writeCell(*GridView, col, row, text, colour);
}

// The tolerance of manual check as typed in the manual entry panel.
double TFTest::toleranceMin() const { return DBDopMin->text().toDouble(); }
double TFTest::toleranceMax() const { return DBDop->text().toDouble(); }

void TFTest::setRemaining(int seconds) { Remaining = seconds; }


// ---- Closing ---------------------------------------------------------------------------------

void TFTest::closeEvent(QCloseEvent *event)
{
    // FormClose: the run stops and the source is switched off.
    LTime->setText(QStringLiteral("0:00"));
    TTime->stop();
    GlobalTime->stop();
    // AHandPost: the manual entry record is posted.
    if (const QString e = m_dm.ADOHand->post(); !e.isEmpty())
        qWarning("manual entry record not saved: %s", qPrintable(e));
    AStopExecute();
    m_main.Mode = 0;
    GBParam->setFixedHeight(ParamHeight);
    QWidget::closeEvent(event);
}

} // namespace bench
