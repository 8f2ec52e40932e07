#include "bench/shell/SetupWidgets.h"

#include "bench/data/DataSets.h"

#include <QHeaderView>
#include <QKeyEvent>
#include <QScrollBar>
#include <QStyleOptionComboBox>
#include <QStylePainter>

namespace bench {

// ---- LookupCombo -----------------------------------------------------------------------

LookupCombo::LookupCombo(QWidget *parent) : QComboBox(parent), m_list(new QTableView(this))
{
    m_list->horizontalHeader()->hide();
    m_list->verticalHeader()->hide();
    m_list->setSelectionBehavior(QAbstractItemView::SelectRows);
    m_list->setSelectionMode(QAbstractItemView::SingleSelection);
    m_list->setWordWrap(false);
    m_list->setShowGrid(false);
    setView(m_list);
}

void LookupCombo::setSecondColumn(int column, int firstWidth, int secondWidth, int dropDownWidth)
{
    m_second = column;
    m_firstWidth = firstWidth;
    m_secondWidth = secondWidth;
    m_dropDownWidth = dropDownWidth;
    update();
}

QString LookupCombo::shownText() const
{
    const int row = currentIndex();
    if (row < 0 || !model())
        return {};
    const QString second = model()->index(row, m_second, rootModelIndex()).data().toString();
    return second.isEmpty() ? currentText() : currentText() + QStringLiteral("  ") + second;
}

void LookupCombo::showPopup()
{
    // A reopened dataset resets the list's columns: lay them out each time the list opens.
    if (model()) {
        for (int c = 0; c < model()->columnCount(rootModelIndex()); ++c)
            m_list->setColumnHidden(c, c != modelColumn() && c != m_second);
        m_list->setColumnWidth(modelColumn(), m_firstWidth);
        if (m_second >= 0)
            m_list->setColumnWidth(m_second, m_secondWidth);
    }
    m_list->setMinimumWidth(m_dropDownWidth);
    QComboBox::showPopup();
}

void LookupCombo::paintEvent(QPaintEvent *)
{
    QStylePainter painter(this);
    painter.setPen(palette().color(QPalette::Text));
    QStyleOptionComboBox option;
    initStyleOption(&option);
    option.currentText = shownText();
    painter.drawComplexControl(QStyle::CC_ComboBox, option);
    painter.drawControl(QStyle::CE_ComboBoxLabel, option);
}

void LookupCombo::keyPressEvent(QKeyEvent *event)
{
    if (m_keepsChoice && (event->key() == Qt::Key_Backspace || event->key() == Qt::Key_Delete)) {
        event->accept();
        return;
    }
    QComboBox::keyPressEvent(event);
}

// ---- FieldEdit -------------------------------------------------------------------------

void FieldEdit::focusOutEvent(QFocusEvent *event)
{
    QLineEdit::focusOutEvent(event);
    emit left();
}

void FieldEdit::keyPressEvent(QKeyEvent *event)
{
    QLineEdit::keyPressEvent(event);
    if (event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter)
        emit left();
}

// ---- FrozenColumnTable -----------------------------------------------------------------

FrozenColumnTable::FrozenColumnTable(QWidget *parent) : QTableView(parent), m_frozen(new QTableView(this))
{
    m_frozen->setFocusPolicy(Qt::NoFocus);
    m_frozen->setFrameShape(QFrame::NoFrame);
    m_frozen->verticalHeader()->hide();
    m_frozen->horizontalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    m_frozen->horizontalHeader()->setHighlightSections(false);
    m_frozen->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    m_frozen->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    m_frozen->setEditTriggers(QAbstractItemView::NoEditTriggers);
    viewport()->stackUnder(m_frozen);

    connect(m_frozen->verticalScrollBar(), &QScrollBar::valueChanged, verticalScrollBar(), &QScrollBar::setValue);
    connect(verticalScrollBar(), &QScrollBar::valueChanged, m_frozen->verticalScrollBar(), &QScrollBar::setValue);
    connect(verticalHeader(), &QHeaderView::sectionResized, this,
            [this](int row, int, int size) { m_frozen->setRowHeight(row, size); });
    connect(horizontalHeader(), &QHeaderView::sectionResized, this, [this] { placeFrozen(); });
    connect(horizontalHeader(), &QHeaderView::sectionMoved, this, &FrozenColumnTable::followColumns);
}

void FrozenColumnTable::setModel(QAbstractItemModel *model)
{
    QTableView::setModel(model);
    m_frozen->setModel(model);
    m_frozen->setSelectionModel(selectionModel());
    if (model)
        connect(model, &QAbstractItemModel::modelReset, this, &FrozenColumnTable::followColumns, Qt::UniqueConnection);
    followColumns();
}

// The frozen view shows the column that stands first in the grid, whatever its place in the model.
void FrozenColumnTable::followColumns()
{
    if (!model())
        return;
    const QHeaderView *header = horizontalHeader();
    int first = -1;
    for (int visual = 0; visual < header->count() && first < 0; ++visual)
        if (!header->isSectionHidden(header->logicalIndex(visual)))
            first = header->logicalIndex(visual);
    for (int c = 0; c < model()->columnCount(); ++c)
        m_frozen->setColumnHidden(c, c != first);
    placeFrozen();
}

void FrozenColumnTable::placeFrozen()
{
    int width = 0;
    for (int c = 0; model() && c < model()->columnCount(); ++c)
        if (!m_frozen->isColumnHidden(c)) {
            width = columnWidth(c);
            m_frozen->setColumnWidth(c, width);
        }
    m_frozen->setGeometry(verticalHeader()->width() + frameWidth(), frameWidth(), width,
                          viewport()->height() + horizontalHeader()->height());
}

void FrozenColumnTable::resizeEvent(QResizeEvent *event)
{
    QTableView::resizeEvent(event);
    placeFrozen();
}

void FrozenColumnTable::updateGeometries()
{
    QTableView::updateGeometries();
    placeFrozen();
}

// ---- StandTypeDelegate -----------------------------------------------------------------

StandTypeDelegate::StandTypeDelegate(QueryDataSet &types, TableDataSet &stands, QObject *parent)
    : QStyledItemDelegate(parent), m_types(types), m_stands(stands)
{
}

QWidget *StandTypeDelegate::createEditor(QWidget *parent, const QStyleOptionViewItem &, const QModelIndex &) const
{
    auto *combo = new LookupCombo(parent);
    combo->setObjectName(QStringLiteral("DBStendTip"));
    combo->setAccessibleName(QStringLiteral("Тип счетчика"));
    combo->setModel(&m_types);
    combo->setModelColumn(m_types.column(QStringLiteral("PTip")));
    combo->setSecondColumn(m_types.column(QStringLiteral("PIdentificator")), 140, 120, 280);
    // A choice is fitted at once, as picking from a lookup list does.
    auto *self = const_cast<StandTypeDelegate *>(this);
    connect(combo, &QComboBox::activated, self, [self, combo] {
        emit self->commitData(combo);
        emit self->closeEditor(combo);
    });
    return combo;
}

void StandTypeDelegate::setEditorData(QWidget *editor, const QModelIndex &index) const
{
    auto *combo = static_cast<LookupCombo *>(editor);
    combo->setCurrentIndex(m_types.find(QStringLiteral("PIndex"), m_stands.value(index.row(), QStringLiteral("PPointTip"))));
}

void StandTypeDelegate::setModelData(QWidget *editor, QAbstractItemModel *model, const QModelIndex &index) const
{
    const int row = static_cast<LookupCombo *>(editor)->currentIndex();
    if (row >= 0)
        model->setData(index, m_types.value(row, QStringLiteral("PIndex")), Qt::EditRole);
}

} // namespace bench
