// The main window's test set-up: the warm-up row, the stands' positions and types, the
// three mode actions that hand the set-up to the run window, and the refresh of all data.
#include "bench/shell/TFMain.h"

#include "bench/data/TDM.h"
#include "bench/run/TFTest.h"
#include "common/Prompts.h"
#include "common/UTools.h"

#include <QAction>
#include <QCheckBox>
#include <QComboBox>
#include <QItemSelectionModel>
#include <QLineEdit>
#include <QRegularExpressionValidator>
#include <QTableView>
#include <QToolButton>

namespace bench {

namespace {

const QColor LightRed(255, 215, 215);

/// A warm-up field of THand and its edit. Minutes and seconds are whole numbers.
struct WarmUpField
{
    QLineEdit *TFMain::*edit;
    const char *field;
    double min, max;
    int decimals; ///< shown; 0 for a whole number
};

// In the order empty fields are filled with 0.
const WarmUpField WarmUpFields[] = {
    {&TFMain::DBperUProg, "PPerUProgon", 1, 120, 1},
    {&TFMain::DBPerIProg, "PPerIProgon", 0.0001, 1500, 1},
    {&TFMain::DBTimeMProg, "PTimeMProgon", 0, 300, 0},
    {&TFMain::DBTimeSProg, "PTimeSProgon", 0, 60, 0},
};

QString warmUpText(const QVariant &value, int decimals)
{
    if (value.isNull())
        return {};
    if (decimals == 0)
        return QString::number(value.toLongLong());
    return QString::number(UTools::RoundHalfEven(value.toDouble(), decimals), 'f', decimals);
}

QString positionField(int i)
{
    return QStringLiteral("PCh%1").arg(i);
}

} // namespace

void TFMain::bindSetup()
{
    TDM &dm = m_deps.dm;
    for (const WarmUpField &f : WarmUpFields) {
        // Only digits and one point can be typed: the range is checked when the field is left.
        const QString pattern = f.decimals == 0 ? QStringLiteral("\\d{0,3}") : QStringLiteral("\\d{0,4}(\\.\\d{0,4})?");
        (this->*f.edit)->setValidator(new QRegularExpressionValidator(QRegularExpression(pattern), this->*f.edit));
    }
    connect(dm.ADOHand, &QAbstractItemModel::modelReset, this, &TFMain::showWarmUp);
    // The current type of the stands' list carries the Imax the warm-up current is held against.
    connect(dm.ADOTipStend1, &QueryDataSet::currentRowChanged, this, &TFMain::DBPerIProgChange);
    // The stand the operator is on is the current row of the stand table.
    connect(DBStend->selectionModel(), &QItemSelectionModel::currentRowChanged, this, [this](const QModelIndex &current) {
        if (current.isValid())
            m_deps.dm.ADOTableStend->setCurrentRow(current.row());
    });

    connect(ASelectAll, &QAction::triggered, this, &TFMain::ASelectAllExecute);
    connect(ADeSelect, &QAction::triggered, this, &TFMain::ADeSelectExecute);
    connect(DSTableStendPost, &QAction::triggered, this, &TFMain::DSTableStendPostExecute);
    connect(AHand, &QAction::triggered, this, &TFMain::AHandExecute);
    connect(AAutoRegul, &QAction::triggered, this, &TFMain::AAutoRegulExecute);
    connect(AAutoMistake, &QAction::triggered, this, &TFMain::AAutoMistakeExecute);
    connect(ARefr, &QAction::triggered, this, &TFMain::ARefrExecute);
    showWarmUp();
}

// ---- Warm-up ---------------------------------------------------------------------------

void TFMain::showWarmUp()
{
    const TableDataSet &hand = *m_deps.dm.ADOHand;
    {
        const QSignalBlocker quiet(CBProgon); // showing the record is not the operator's click
        CBProgon->setChecked(hand.currentValue(QStringLiteral("PProgon")).toBool());
    }
    for (const WarmUpField &f : WarmUpFields)
        (this->*f.edit)->setText(warmUpText(hand.currentValue(QString::fromLatin1(f.field)), f.decimals));
    enableWarmUpEdits();
}

bool TFMain::postWarmUp()
{
    TableDataSet &hand = *m_deps.dm.ADOHand;
    const int row = hand.currentRow();
    QString failure;
    for (const WarmUpField &f : WarmUpFields) {
        QLineEdit *edit = this->*f.edit;
        if (!edit->isModified() || !failure.isEmpty())
            continue;
        bool number = false;
        const double value = edit->text().toDouble(&number);
        if (!number || value < f.min || value > f.max)
            failure = QStringLiteral("Значение поля «%1» должно быть в пределах от %2 до %3.")
                          .arg(edit->accessibleName(), QString::number(f.min), QString::number(f.max));
        else if (!hand.setValue(row, QString::fromLatin1(f.field), f.decimals == 0 ? QVariant(qRound(value)) : QVariant(value)))
            failure = hand.errorText();
    }
    if (failure.isEmpty())
        failure = hand.post();
    if (!failure.isEmpty())
        hand.cancel(); // the record keeps what it held; the controls show that again
    showWarmUp();
    if (!failure.isEmpty())
        m_deps.prompts.error(QString(), failure);
    return failure.isEmpty();
}

void TFMain::CBProgonMouseUp()
{
    TableDataSet &hand = *m_deps.dm.ADOHand;
    if (!hand.setValue(hand.currentRow(), QStringLiteral("PProgon"), CBProgon->isChecked()))
        m_deps.prompts.error(QString(), hand.errorText());
    postWarmUp();
    enableWarmUpEdits();
}

void TFMain::DBTimeMProgExit()
{
    NormalizeWarmUp();
    postWarmUp();
}

void TFMain::NormalizeWarmUp()
{
    for (const WarmUpField &f : WarmUpFields) {
        QLineEdit *edit = this->*f.edit;
        if (edit->text().isEmpty()) {
            edit->setText(QStringLiteral("0"));
            edit->setModified(true);
        }
    }
}

void TFMain::DBPerIProgChange()
{
    const TDM &dm = m_deps.dm;
    const double imax = dm.ADOTipStend1->currentValue(QStringLiteral("PImax")).toDouble();
    if (imax == 0)
        return;
    const double inom = dm.ADOTipF->value(DBTipF->currentIndex(), QStringLiteral("PInom")).toDouble();
    const double current = DBPerIProg->text().toDouble() * inom / 100.0;
    QPalette palette = DBPerIProg->palette();
    palette.setColor(QPalette::Base, current > imax ? LightRed : QColor(Qt::white));
    DBPerIProg->setPalette(palette);
}

// ---- Stands ----------------------------------------------------------------------------

void TFMain::ASelectAllExecute()
{
    markStandPositions(true);
}

void TFMain::ADeSelectExecute()
{
    markStandPositions(false);
}

void TFMain::markStandPositions(bool ticked)
{
    TableDataSet &grid = *m_deps.dm.ADOTableStend;
    const int row = grid.currentRow();
    if (row < 0)
        return;
    QString failure;
    for (int i = 1; i <= countCH() && failure.isEmpty(); ++i)
        if (!grid.setValue(row, positionField(i), ticked))
            failure = grid.errorText();
    if (failure.isEmpty())
        failure = grid.post();
    if (!failure.isEmpty()) {
        grid.cancel();
        m_deps.prompts.error(QString(), failure);
    }
}

void TFMain::DSTableStendPostExecute()
{
    if (const QString failure = m_deps.dm.ADOTableStend->post(); !failure.isEmpty())
        m_deps.prompts.error(QString(), failure);
}

bool TFMain::LoadStandTypes()
{
    TableDataSet &grid = *m_deps.dm.ADOTableStend;
    QueryDataSet &types = *m_deps.dm.ADOTipStend1;
    for (int row = 0; row < grid.rowCount(); ++row) {
        grid.setCurrentRow(row);
        if (grid.value(row, QStringLiteral("PNameTip")).toString().isEmpty()) {
            m_deps.prompts.plain(QString(), QStringLiteral("Необходимо выбрать типы счетчиков для всех стендов!"));
            return false;
        }
        const int n = grid.value(row, QStringLiteral("PNumStend")).toInt();
        if (n < 1 || n > MaxStands || !Stands[n].Present)
            continue;
        // A type not in the filtered list leaves the stand's record as it was.
        if (!types.locate(QStringLiteral("PIndex"), grid.value(row, QStringLiteral("PPointTip"))))
            continue;
        TStend &s = Stands[n];
        const auto field = [&types](const char *name) { return types.currentValue(QString::fromLatin1(name)); };
        s.Tip = field("PTip").toString();
        s.TipIndex = field("PIndex").toInt();
        s.Identificator = field("PIdentificator").toString();
        s.Maker = field("PMaker").toString();
        s.ClassT = field("PClassT").toDouble();
        s.Unom = field("PUnom").toDouble();
        s.Inom = field("PInom").toDouble();
        s.ReductRate = field("PReductRate").toDouble();
        s.IdentReductRate = field("PIdentReductRate").toInt();
        s.CenaDel = field("PCenaDel").toDouble();
        s.Imax = field("PImax").toDouble();
        for (int i = 1; i <= countCH() && i <= MaxPositions; ++i)
            s.Channel[std::size_t(i)] = grid.value(row, positionField(i)).toBool();
    }
    return true;
}

// ---- Modes -----------------------------------------------------------------------------

void TFMain::AHandExecute()
{
    openRunWindow(3);
}

void TFMain::AAutoRegulExecute()
{
    openRunWindow(1);
}

void TFMain::AAutoMistakeExecute()
{
    openRunWindow(2);
}

void TFMain::openRunWindow(int mode)
{
    NormalizeWarmUp();
    if (!postWarmUp() || TBPult->isChecked() || !LoadStandTypes())
        return;
    Mode = mode;
    if (const QString failure = m_deps.dm.ADOTableStend->post(); !failure.isEmpty()) {
        Mode = 0;
        m_deps.prompts.error(QString(), failure);
        return;
    }
    runWindow->MapStands();
    switch (mode) {
    case 3: runWindow->SetupManual(); break;
    case 1: runWindow->SetupAdjustment(); break;
    default: runWindow->SetupVerification(); break;
    }
    runWindow->LayoutTestGrid();
    if (mode != 3)
        runWindow->LayoutViewGrid();
    runWindow->show();
}

// ---- Refresh ---------------------------------------------------------------------------

void TFMain::ARefrExecute()
{
    if (Mode != 0)
        return; // the run window works on these datasets
    TDM &dm = m_deps.dm;
    const QVariant test = dm.ADOTest1->value(DBLTest->currentIndex(), QStringLiteral("PIndex"));
    const QVariant filter = dm.ADOTipF->value(DBTipF->currentIndex(), QStringLiteral("PIndex"));
    NormalizeWarmUp();
    if (!postWarmUp())
        return;
    if (const QString failure = dm.Reconnect(); !failure.isEmpty()) {
        m_deps.prompts.error(QString(), failure);
        return;
    }
    // A test or filter type deleted meanwhile leaves its choice empty.
    const int testRow = dm.ADOTest1->find(QStringLiteral("PIndex"), test);
    DBLTest->setCurrentIndex(testRow);
    dm.setCurrentTest(testRow);
    const int filterRow = dm.ADOTipF->find(QStringLiteral("PIndex"), filter);
    DBTipF->setCurrentIndex(filterRow);
    dm.ADOTipF->setCurrentRow(filterRow);
    showFilterRatings();
    showWarmUp();
    DBPerIProgChange();
}

} // namespace bench
