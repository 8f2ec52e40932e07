// The main window's side of the bench link: the probe of "Опросить стенды", the stand list
// and grid it updates, the periodic source reading, and what the engine asks of the window.
#include "bench/shell/TFMain.h"

#include "bench/data/TDM.h"
#include "bench/link/StandReply.h"
#include "bench/link/TransEngine.h"
#include "bench/run/TFTest.h"
#include "bench/shell/MainConfig.h"
#include "bench/shell/MainDialogs.h"
#include "common/Prompts.h"
#include "common/RegistryIni.h"

#include <QAction>
#include <QComboBox>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMenu>
#include <QSpinBox>
#include <QTableView>
#include <QToolButton>

namespace bench {

void TFMain::bindDataSets()
{
    TDM &dm = m_deps.dm;
    DBTipF->setModel(dm.ADOTipF);
    DBTipF->setModelColumn(dm.ADOTipF->column(QStringLiteral("PTip")));
    DBLTest->setModel(dm.ADOTest1);
    DBLTest->setModelColumn(dm.ADOTest1->column(QStringLiteral("PNameTable")));
    connect(DBTipF, &QComboBox::activated, this, &TFMain::DBTipFCloseUp);
    connect(DBLTest, &QComboBox::activated, this, &TFMain::DBLTestCloseUp);

    DBStend->setModel(dm.ADOTableStend);
    // Reopening the stand table (a probe, a new filter) resets the view's columns.
    connect(dm.ADOTableStend, &QAbstractItemModel::modelReset, this, &TFMain::layoutStandGrid);
    layoutStandGrid();
}

void TFMain::layoutStandGrid()
{
    const TableDataSet *grid = m_deps.dm.ADOTableStend;
    for (const char *hidden : {"PPointTip", "PChecked"})
        DBStend->setColumnHidden(grid->column(QString::fromLatin1(hidden)), true);
    // The looked-up type columns stand right after the stand number, as the operator reads them.
    QHeaderView *header = DBStend->horizontalHeader();
    int place = header->visualIndex(grid->column(QStringLiteral("PNumStend"))) + 1;
    for (const char *lookup : {"PNameTip", "PNameIdent", "PReduct"})
        header->moveSection(header->visualIndex(grid->column(QString::fromLatin1(lookup))), place++);
    DBStend->setColumnWidth(grid->column(QStringLiteral("PNumStend")), 80);
    DBStend->setColumnWidth(grid->column(QStringLiteral("PNameTip")), 150);
    DBStend->setColumnWidth(grid->column(QStringLiteral("PNameIdent")), 170);
    for (int i = 1; i <= MaxPositions; ++i)
        DBStend->setColumnWidth(grid->column(QStringLiteral("PCh%1").arg(i)), 44);
    ShowChannelColumns();
}

void TFMain::showFilterRatings()
{
    const QueryDataSet *types = m_deps.dm.ADOTipF;
    const int row = DBTipF->currentIndex();
    const auto rating = [&](const char *field) {
        return row < 0 ? QString() : QString::number(types->value(row, QString::fromLatin1(field)).toDouble(), 'f', 1);
    };
    DBUnom->setText(rating("PUnom"));
    DBInom->setText(rating("PInom"));
    DBImax->setText(rating("PImax"));
}

void TFMain::DBTipFCloseUp(int row)
{
    if (const QString failure = m_deps.dm.ApplyTypeFilter(row); !failure.isEmpty())
        m_deps.prompts.error(QString(), failure);
    showFilterRatings();
    m_deps.registry.writeInteger(config::StendKey, config::TipF,
                                 m_deps.dm.ADOTipF->value(row, QStringLiteral("PIndex")).toInt());
}

void TFMain::DBLTestCloseUp(int row)
{
    m_deps.dm.setCurrentTest(row);
    m_deps.registry.writeInteger(config::StendKey, config::Test,
                                 m_deps.dm.ADOTest1->value(row, QStringLiteral("PIndex")).toInt());
}

void TFMain::AReplyExecute()
{
    if (consoleDown())
        return;
    QList<int> ticked;
    for (int n = 1; n <= countStend() && n <= CBStend->count(); ++n)
        if (CBStend->item(n - 1)->checkState() == Qt::Checked)
            ticked << n;
    engine->AReplyExecute(ticked);
    StandsReset();
    setEnabled(false); // the whole window waits for the probe cycle
    PStend->setText(QStringLiteral("Идет опрос стендов !"));
}

void TFMain::setStandLine(int stand, const QString &suffix)
{
    if (QListWidgetItem *item = CBStend->item(stand - 1)) {
        const QSignalBlocker quiet(CBStend); // a caption is not a tick
        item->setText(QStringLiteral("Стенд %1").arg(stand) + suffix);
    }
}

void TFMain::standAnswered(int stand)
{
    setStandLine(stand, QStringLiteral(" - есть"));
}

void TFMain::standSilent(int stand)
{
    setStandLine(stand, QStringLiteral(" - нет"));
}

void TFMain::probeDone(bool standFound)
{
    if (standFound)
        StandsFound();
    setEnabled(true);
    PStend->clear();
}

void TFMain::probeAbandoned()
{
    setEnabled(true);
    PStend->clear();
}

void TFMain::StandsFound()
{
    QList<int> present;
    for (int n = 1; n <= CBStend->count() && n <= MaxStands; ++n)
        if (Stands[n].Present)
            present << n;
    // Without the stands in the table there is nothing to set up: the modes stay off.
    if (const QString failure = m_deps.dm.markPresentStands(present); !failure.isEmpty()) {
        m_deps.prompts.error(QString(), failure);
        return;
    }
    ShowChannelColumns();
    MProverka->setEnabled(true);
    for (QAction *a : {AHand, AAutoRegul, AAutoMistake})
        a->setEnabled(true);
    PTable->show();
    LTable->show();
}

void TFMain::TAddSendParamSourceTimer()
{
    // Only between exchanges, with no link error on screen and the console button up.
    if (engine->TDog->isActive() || engine->ErrorShown || consoleDown())
        return;
    const TTrans read{trSourceRead, {}, 1, 100};
    if (ExtraReads == 4) {
        ExtraReads = 3;
        for (int i = 0; i < 3; ++i)
            engine->AddTrans(read);
    }
    engine->AddTrans(read);
}

bool TFMain::consoleDown() const
{
    return TBPult->isChecked();
}

int TFMain::countStend() const
{
    return sfConfigStend->SECountStend->value();
}

int TFMain::countCH() const
{
    return sfConfigStend->SECountCh->value();
}

int TFMain::sensThreshold() const
{
    return sfParam->sens();
}

void TFMain::setLinkMenusEnabled(bool enabled)
{
    PMenu->setEnabled(enabled);
    M_File->setEnabled(enabled);
}

void TFMain::parseStandReply(int stand, const QByteArray &reply)
{
    ParseStandReply(stand, reply, StandReplyInput{Mode, countStend(), countCH(), sensThreshold(), Stands, Results},
                    *runWindow);
}

bool TFMain::pollEnabled() const
{
    return runWindow->PollEnabled;
}

void TFMain::meterSetupSent()
{
    runWindow->Remaining = runWindow->PointTotal;
    runWindow->TTime->start();
}

void TFMain::testStep()
{
    runWindow->ClearTestGrid();
    runWindow->ResetPointResults();
}

void TFMain::forgetSetPoints()
{
    SetI = SetU = SetF = -1.0;
    SetAngle = -1;
    JOn = false;
}

} // namespace bench
