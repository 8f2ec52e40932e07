// The main window's controls, actions and menus, by their component names.
#include "bench/shell/TFMain.h"

#include "bench/run/SourcePanels.h"

#include "bench/data/TDM.h"
#include "bench/shell/SetupWidgets.h"
#include "sim/SimLine.h"

#include <QAction>
#include <QActionGroup>
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QFormLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMenu>
#include <QMenuBar>
#include <QPushButton>
#include <QStatusBar>
#include <QStyle>
#include <QTableView>
#include <QToolButton>
#include <QVBoxLayout>

#include <tuple>

namespace bench {

namespace {

QAction *action(QObject *parent, const QString &name, const QString &category, const QString &caption,
                const QString &hint = QString())
{
    auto *a = new QAction(caption, parent);
    a->setObjectName(name);
    a->setProperty("category", category);
    // Hints show as tool tips: the status bar belongs to the source panels.
    if (!hint.isEmpty())
        a->setToolTip(hint);
    return a;
}

QLineEdit *lineEdit(QWidget *parent, const QString &name, bool readOnly = false)
{
    auto *e = new QLineEdit(parent);
    e->setObjectName(name);
    e->setReadOnly(readOnly);
    e->setMaximumWidth(90);
    return e;
}

/// The caption of `control`, which carries it as its accessible name too.
QLabel *captionFor(QWidget *parent, const QString &caption, QWidget *control)
{
    auto *label = new QLabel(caption, parent);
    label->setBuddy(control);
    control->setAccessibleName(caption);
    return label;
}

QToolButton *glyphButton(QWidget *parent, QAction *a, QStyle::StandardPixmap glyph)
{
    a->setIcon(parent->style()->standardIcon(glyph));
    auto *b = new QToolButton(parent);
    b->setObjectName(QStringLiteral("TB") + a->objectName());
    b->setDefaultAction(a);
    b->setFixedSize(50, 50);
    b->setIconSize(QSize(32, 32));
    return b;
}

} // namespace

void TFMain::buildActions()
{
    AHand = action(this, QStringLiteral("AHand"), QStringLiteral("MenuPov"), QStringLiteral("Ручной режим"),
                   QStringLiteral("Режим ручной проверки"));
    AAutoRegul = action(this, QStringLiteral("AAutoRegul"), QStringLiteral("MenuPov"), QStringLiteral("Режим регулировки"),
                        QStringLiteral("Режим автоматической регулировки"));
    AAutoMistake = action(this, QStringLiteral("AAutoMistake"), QStringLiteral("MenuPov"),
                          QStringLiteral("Автоматический режим"), QStringLiteral("Режим автоматической поверки"));
    ASource = action(this, QStringLiteral("ASource"), QStringLiteral("MenuPov"), QStringLiteral("Управление источником"),
                     QStringLiteral("Управление источником"));
    AReply = action(this, QStringLiteral("AReply"), QStringLiteral("MenuAct"), QStringLiteral("Опросить стенды"),
                    QStringLiteral("Опросить стенды"));
    AStopButton = action(this, QStringLiteral("AStopButton"), QStringLiteral("MenuAct"), QStringLiteral("Выключить источник"),
                         QStringLiteral("Выключить источник"));
    ABase = action(this, QStringLiteral("ABase"), QStringLiteral("MenuAct"), QStringLiteral("База данных"));
    ARefr = action(this, QStringLiteral("ARefr"), QStringLiteral("Key"), QStringLiteral("Обновить данные"));
    ARefr->setShortcut(QKeySequence(Qt::Key_F5));
    ASelectAll = action(this, QStringLiteral("ASelectAll"), QStringLiteral("MenuStend"), QStringLiteral("Выделить все счетчики"));
    ADeSelect = action(this, QStringLiteral("ADeSelect"), QStringLiteral("MenuStend"), QStringLiteral("Снять выделение"));
    DSTableStendPost = action(this, QStringLiteral("DSTableStendPost"), QStringLiteral("Dataset"),
                              QStringLiteral("Зафиксировать изменения"));

    connect(ABase, &QAction::triggered, this, &TFMain::ABaseExecute);
}

void TFMain::buildMenus()
{
    QMenuBar *bar = menuBar();
    M_File = bar->addMenu(QStringLiteral("Действия"));
    M_File->setObjectName(QStringLiteral("M_File"));
    M_File->addAction(AReply);
    M_File->addAction(AStopButton);
    M_File->addSeparator();
    QAction *exit = M_File->addAction(QStringLiteral("Выход"));
    exit->setObjectName(QStringLiteral("M_Exit"));
    connect(exit, &QAction::triggered, this, &TFMain::M_ExitClick);

    MProverka = bar->addMenu(QStringLiteral("&Проверка"));
    MProverka->setObjectName(QStringLiteral("MProverka"));
    MProverka->addAction(AHand);
    MProverka->addAction(AAutoRegul);
    MProverka->addAction(AAutoMistake);

    QMenu *dataMenu = bar->addMenu(QStringLiteral("Данные"));
    dataMenu->setObjectName(QStringLiteral("MData"));
    dataMenu->addAction(ABase);
    dataMenu->addAction(ARefr);

    QMenu *service = bar->addMenu(QStringLiteral("&Сервис"));
    service->setObjectName(QStringLiteral("MService"));
    MPort = service->addMenu(QStringLiteral("Поледовательный порт"));
    MPort->setObjectName(QStringLiteral("MPort"));
    portGroup = new QActionGroup(this);
    portGroup->setExclusive(true);
    auto addPort = [this](const QString &name, const QString &caption, const QString &portName) {
        QAction *a = MPort->addAction(caption);
        a->setObjectName(name);
        a->setCheckable(true);
        a->setData(portName);
        portGroup->addAction(a);
        return a;
    };
    Mcom1 = addPort(QStringLiteral("Mcom1"), QStringLiteral("Com 1"), comPortName(1));
    MCom2 = addPort(QStringLiteral("MCom2"), QStringLiteral("Com 2"), comPortName(2));
    Mcom1->setChecked(true); // as designed
    for (const QString &port : std::as_const(m_deps.detectedPorts))
        addPort(QStringLiteral("MPort_") + port, port, port);
    MPort->addSeparator();
    MSimulator = addPort(QStringLiteral("MSimulator"), sim::SimulatorPortName, sim::SimulatorPortName);
    connect(Mcom1, &QAction::triggered, this, &TFMain::Mcom1Click);
    connect(MCom2, &QAction::triggered, this, &TFMain::MCom2Click);
    for (QAction *a : portGroup->actions())
        if (a != Mcom1 && a != MCom2)
            connect(a, &QAction::triggered, this, [this, a] { choosePort(a); });

    QAction *protocolData = service->addAction(QStringLiteral("Данные для протокола"));
    protocolData->setObjectName(QStringLiteral("N5"));
    connect(protocolData, &QAction::triggered, this, &TFMain::N5Click);
    QAction *config = service->addAction(QStringLiteral("Конфигурация стендов"));
    config->setObjectName(QStringLiteral("cfgStend"));
    connect(config, &QAction::triggered, this, &TFMain::cfgStendClick);
    QAction *params = service->addAction(QStringLiteral("Параметры"));
    params->setObjectName(QStringLiteral("N8"));
    connect(params, &QAction::triggered, this, &TFMain::N8Click);

    QAction *about = bar->addAction(QStringLiteral("О программе"));
    about->setObjectName(QStringLiteral("N4"));
    connect(about, &QAction::triggered, this, &TFMain::N4Click);
}

void TFMain::buildLayout()
{
    auto *central = new QWidget(this);
    setCentralWidget(central);

    PMenu = new QWidget(central);
    PMenu->setObjectName(QStringLiteral("PMenu"));
    auto *tools = new QHBoxLayout(PMenu);
    tools->setContentsMargins(4, 4, 4, 4);
    tools->addWidget(glyphButton(PMenu, AReply, QStyle::SP_BrowserReload));
    tools->addWidget(glyphButton(PMenu, ASource, QStyle::SP_MediaVolume));
    tools->addWidget(glyphButton(PMenu, AHand, QStyle::SP_FileDialogDetailedView));
    tools->addWidget(glyphButton(PMenu, AAutoRegul, QStyle::SP_BrowserStop));
    tools->addWidget(glyphButton(PMenu, AAutoMistake, QStyle::SP_MediaPlay));
    tools->addWidget(glyphButton(PMenu, AStopButton, QStyle::SP_MediaStop));
    TBPult = new QToolButton(PMenu);
    TBPult->setObjectName(QStringLiteral("TBPult"));
    TBPult->setCheckable(true);
    TBPult->setToolTip(QStringLiteral("Работа с пультом"));
    TBPult->setIcon(style()->standardIcon(QStyle::SP_ComputerIcon));
    TBPult->setFixedSize(50, 50);
    TBPult->setIconSize(QSize(32, 32));
    tools->addWidget(TBPult);
    tools->addStretch();

    auto *standsBox = new QGroupBox(QStringLiteral("Поверочные стенды"), central);
    standsBox->setObjectName(QStringLiteral("GBStend"));
    CBStend = new QListWidget(standsBox);
    CBStend->setObjectName(QStringLiteral("CBStend"));
    QFont standFont = CBStend->font();
    standFont.setPixelSize(16);
    standFont.setUnderline(true);
    CBStend->setFont(standFont);
    CBStend->setMinimumWidth(170);
    (new QVBoxLayout(standsBox))->addWidget(CBStend);

    auto *setup = new QGroupBox(QStringLiteral("Конфигурация теста"), central);
    setup->setObjectName(QStringLiteral("GBTest"));

    PProgon = new QWidget(setup);
    PProgon->setObjectName(QStringLiteral("PProgon"));
    CBProgon = new QCheckBox(QStringLiteral("Тест прогрева"), PProgon);
    CBProgon->setObjectName(QStringLiteral("CBProgon"));
    auto *warm = new QHBoxLayout(PProgon);
    warm->setContentsMargins(0, 0, 0, 0);
    warm->addWidget(CBProgon);
    warm->addSpacing(12);
    for (auto [edit, name, caption] :
         {std::tuple{&DBTimeMProg, "DBTimeMProg", "Т, мин."}, {&DBTimeSProg, "DBTimeSProg", "Т, сек."},
          {&DBperUProg, "DBperUProg", "% U"}, {&DBPerIProg, "DBPerIProg", "% I"}}) {
        auto *field = new FieldEdit(PProgon);
        field->setObjectName(QString::fromLatin1(name));
        field->setMaximumWidth(90);
        // Leaving a warm-up field stores it.
        connect(field, &FieldEdit::left, this, &TFMain::DBTimeMProgExit);
        *edit = field;
        warm->addWidget(captionFor(PProgon, QString::fromUtf8(caption), field));
        warm->addWidget(field);
    }
    warm->addStretch();
    connect(CBProgon, &QCheckBox::toggled, this, &TFMain::enableWarmUpEdits);
    connect(CBProgon, &QCheckBox::clicked, this, &TFMain::CBProgonMouseUp);
    connect(DBPerIProg, &QLineEdit::textChanged, this, &TFMain::DBPerIProgChange);

    // Both lists show their name and a second column, so two rows of one name are told apart.
    const TDM &dm = m_deps.dm;
    auto *tests = new LookupCombo(setup);
    tests->setObjectName(QStringLiteral("DBLTest"));
    tests->setMinimumWidth(300);
    tests->setSecondColumn(dm.ADOTest1->column(QStringLiteral("PDescription")), 150, 150, 300);
    DBLTest = tests;
    auto *filter = new LookupCombo(setup);
    filter->setObjectName(QStringLiteral("DBTipF"));
    filter->setMinimumWidth(300);
    filter->setSecondColumn(dm.ADOTipF->column(QStringLiteral("PIdentificator")), 150, 150, 300);
    filter->setKeepsChoice(true);
    DBTipF = filter;
    DBUnom = lineEdit(setup, QStringLiteral("DBUnom"), true);
    DBInom = lineEdit(setup, QStringLiteral("DBInom"), true);
    DBImax = lineEdit(setup, QStringLiteral("DBImax"), true);
    auto *ratings = new QHBoxLayout;
    for (auto [label, edit] : {std::pair{QStringLiteral("Unom, В"), DBUnom}, {QStringLiteral("Inom, А"), DBInom},
                               {QStringLiteral("Imax, А"), DBImax}}) {
        ratings->addWidget(captionFor(setup, label, edit));
        ratings->addWidget(edit);
    }
    ratings->addStretch();
    auto *choice = new QFormLayout;
    choice->addRow(captionFor(setup, QStringLiteral("Проводимый тест"), DBLTest), DBLTest);
    choice->addRow(captionFor(setup, QStringLiteral("Фильтр"), DBTipF), DBTipF);
    choice->addRow(QString(), ratings);

    PTable = new QWidget(setup);
    PTable->setObjectName(QStringLiteral("PTable"));
    LTable = new QLabel(QStringLiteral("Конфигурация стендов"), setup);
    LTable->setObjectName(QStringLiteral("LTable"));
    auto *grid = new FrozenColumnTable(PTable);
    grid->setObjectName(QStringLiteral("DBStend"));
    grid->setAccessibleName(LTable->text());
    grid->frozenView()->setObjectName(QStringLiteral("DBStendFrozen"));
    grid->horizontalHeader()->setHighlightSections(false);
    grid->verticalHeader()->hide();
    grid->setItemDelegateForColumn(dm.ADOTableStend->column(QStringLiteral("PNameTip")),
                                   new StandTypeDelegate(*dm.ADOTipStend1, *dm.ADOTableStend, grid));
    DBStend = grid;
    auto *gridButtons = new QHBoxLayout;
    for (QAction *a : {ASelectAll, ADeSelect, DSTableStendPost}) {
        auto *b = new QPushButton(a->text(), PTable);
        b->setObjectName(QStringLiteral("B") + a->objectName());
        connect(b, &QPushButton::clicked, a, &QAction::trigger);
        gridButtons->addWidget(b);
    }
    gridButtons->addStretch();
    auto *tableLayout = new QVBoxLayout(PTable);
    tableLayout->setContentsMargins(0, 0, 0, 0);
    tableLayout->addWidget(DBStend);
    tableLayout->addLayout(gridButtons);
    PTable->hide();
    LTable->hide();

    auto *setupLayout = new QVBoxLayout(setup);
    setupLayout->addWidget(PProgon);
    setupLayout->addLayout(choice);
    setupLayout->addWidget(LTable);
    setupLayout->addWidget(PTable, 1);
    setupLayout->addStretch(0);

    auto *middle = new QHBoxLayout;
    middle->addWidget(standsBox);
    middle->addWidget(setup, 1);
    auto *layout = new QVBoxLayout(central);
    layout->addWidget(PMenu);
    layout->addLayout(middle, 1);

    const SourcePanels source = makeSourcePanels(this);
    PVoltage = source.PVoltage;
    PPower = source.PPower;
    PTok = source.PTok;
    PFreg = source.PFreg;
    PKm = source.PKm;
    PLimitcurrent = source.PLimitcurrent;
    PStend = makeStendCaption(this);
    for (QLabel *p : {PVoltage, PPower, PTok, PFreg, PKm, PLimitcurrent})
        statusBar()->addWidget(p);
    statusBar()->addWidget(PStend, 1);
}

} // namespace bench
