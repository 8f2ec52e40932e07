#include "bench/run/KorColorStringGrid.h"

#include "common/UTools.h"

#include <QContextMenuEvent>
#include <QHeaderView>
#include <QMenu>
#include <QMouseEvent>
#include <QPainter>
#include <QScrollBar>
#include <QStyle>
#include <QStyledItemDelegate>

namespace bench {

namespace {

int roundToInt(double x)
{
    return int(UTools::RoundHalfEven(x, 0));
}

} // namespace

// ---- TKorCellProperties --------------------------------------------------------------------

TKorCellProperties::TKorCellProperties(TKorColorStringGrid *owner, int col, int row)
    : m_owner(owner), m_col(col), m_row(row)
{
}

void TKorCellProperties::Assign(const TKorCellProperties &other)
{
    if (&other == this)
        return;
    m_color = other.m_color;
    m_font = other.m_font;
    m_fontColor = other.m_fontColor;
    changed();
}

void TKorCellProperties::setColor(const QColor &color)
{
    if (color == m_color)
        return;
    m_color = color;
    changed();
}

void TKorCellProperties::setFont(const QFont &font)
{
    m_font = font;
    changed();
}

void TKorCellProperties::setFontColor(const QColor &color)
{
    if (color == m_fontColor)
        return;
    m_fontColor = color;
    changed();
}

QString TKorCellProperties::CellText() const
{
    return m_col < 0 ? QString() : m_owner->Cells(m_col, m_row);
}

void TKorCellProperties::setCellText(const QString &text)
{
    if (m_col < 0 || m_row < 0 || m_col >= m_owner->columnCount() || m_row >= m_owner->rowCount())
        return; // no cell of the grid: nothing to store or show
    if (text == CellText())
        return;
    m_owner->storeText(m_col, m_row, text);
    m_owner->requestRepaint(m_col, m_row);
}

void TKorCellProperties::changed()
{
    m_owner->requestRepaint(m_col, m_row);
}

// ---- The cell painter ----------------------------------------------------------------------

class KorCellDelegate : public QStyledItemDelegate
{
public:
    explicit KorCellDelegate(TKorColorStringGrid *grid) : QStyledItemDelegate(grid), m_grid(grid) {}

    void paint(QPainter *painter, const QStyleOptionViewItem &option, const QModelIndex &index) const override
    {
        m_grid->DrawCell(*painter, index.column(), index.row(), option.rect);
        // The selection shows as the focus frame only: a cell keeps its own colour.
        if (option.state & QStyle::State_HasFocus) {
            QStyleOptionFocusRect focus;
            focus.QStyleOption::operator=(option);
            focus.backgroundColor = m_grid->cellLook(index.column(), index.row()).brush;
            m_grid->style()->drawPrimitive(QStyle::PE_FrameFocusRect, &focus, painter, m_grid);
        }
    }

private:
    TKorColorStringGrid *m_grid;
};

// ---- TKorColorStringGrid -------------------------------------------------------------------

TKorColorStringGrid::TKorColorStringGrid(QWidget *parent)
    : QTableWidget(parent), m_fixedRowParam(this), m_fixedColParam(this), m_topLeftCorner(this)
{
    m_fixedColor = palette().color(QPalette::Button);
    for (TKorCellProperties *set : {&m_fixedRowParam, &m_fixedColParam, &m_topLeftCorner}) {
        set->m_color = m_fixedColor;
        set->m_font = font();
        set->m_fontColor = palette().color(QPalette::WindowText);
    }
    QPalette p = palette();
    p.setColor(QPalette::Base, m_color);
    setPalette(p);

    // The header cells are cells of the grid; Qt's own headers only keep the sizes.
    horizontalHeader()->hide();
    verticalHeader()->hide();
    horizontalHeader()->setMinimumSectionSize(1);
    verticalHeader()->setMinimumSectionSize(1);
    horizontalHeader()->setDefaultSectionSize(64);
    verticalHeader()->setDefaultSectionSize(24);
    setItemDelegate(new KorCellDelegate(this));
    setSelectionMode(QAbstractItemView::SingleSelection);
    setSelectionBehavior(QAbstractItemView::SelectItems);
    setEditTriggers(QAbstractItemView::NoEditTriggers);
    setHorizontalScrollMode(QAbstractItemView::ScrollPerPixel);
    setVerticalScrollMode(QAbstractItemView::ScrollPerPixel);
    setWordWrap(false);
    setCornerButtonEnabled(false);

    // A cell's property set goes with its cell when rows or columns come and go.
    QAbstractItemModel *m = model();
    connect(m, &QAbstractItemModel::rowsInserted, this,
            [this](const QModelIndex &, int first, int last) { shiftProps(true, first, last - first + 1); });
    connect(m, &QAbstractItemModel::rowsRemoved, this,
            [this](const QModelIndex &, int first, int last) { shiftProps(true, first, -(last - first + 1)); });
    connect(m, &QAbstractItemModel::columnsInserted, this,
            [this](const QModelIndex &, int first, int last) { shiftProps(false, first, last - first + 1); });
    connect(m, &QAbstractItemModel::columnsRemoved, this,
            [this](const QModelIndex &, int first, int last) { shiftProps(false, first, -(last - first + 1)); });

    setColumnCount(5);
    setRowCount(5);
}

TKorColorStringGrid::~TKorColorStringGrid() = default;

TKorCellProperties &TKorColorStringGrid::CellProps(int col, int row)
{
    auto &slot = m_cells[Key{col, row}];
    if (!slot) {
        slot = std::make_unique<TKorCellProperties>(this, col, row);
        slot->m_color = m_color;
        slot->m_font = font();
        slot->m_fontColor = palette().color(QPalette::Text);
    }
    return *slot;
}

const TKorCellProperties *TKorColorStringGrid::existingCellProps(int col, int row) const
{
    const auto it = m_cells.find(Key{col, row});
    return it == m_cells.end() ? nullptr : it->second.get();
}

void TKorColorStringGrid::shiftProps(bool rows, int first, int count)
{
    std::map<Key, std::unique_ptr<TKorCellProperties>> moved;
    for (auto &[key, set] : m_cells) {
        int v = rows ? key.second : key.first;
        if (count < 0 && v >= first && v < first - count)
            continue; // its cell is gone
        if (v >= first)
            v += count;
        const Key to = rows ? Key{key.first, v} : Key{v, key.second};
        set->m_col = to.first;
        set->m_row = to.second;
        moved.emplace(to, std::move(set));
    }
    m_cells.swap(moved);
}

void TKorColorStringGrid::setFixedCols(int n)
{
    m_fixedCols = std::max(0, n);
    viewport()->update();
}

void TKorColorStringGrid::setFixedRows(int n)
{
    m_fixedRows = std::max(0, n);
    viewport()->update();
}

void TKorColorStringGrid::setColor(const QColor &color)
{
    m_color = color;
    QPalette p = palette();
    p.setColor(QPalette::Base, color);
    setPalette(p);
    viewport()->update();
}

int TKorColorStringGrid::DefaultColWidth() const
{
    return horizontalHeader()->defaultSectionSize();
}

void TKorColorStringGrid::setDefaultColWidth(int px)
{
    horizontalHeader()->setDefaultSectionSize(px);
}

int TKorColorStringGrid::DefaultRowHeight() const
{
    return verticalHeader()->defaultSectionSize();
}

void TKorColorStringGrid::setDefaultRowHeight(int px)
{
    verticalHeader()->setDefaultSectionSize(px);
}

void TKorColorStringGrid::setEditing(bool on)
{
    m_editing = on;
    setEditTriggers(on ? QAbstractItemView::DoubleClicked | QAbstractItemView::EditKeyPressed |
                             QAbstractItemView::AnyKeyPressed
                       : QAbstractItemView::NoEditTriggers);
}

QString TKorColorStringGrid::Cells(int col, int row) const
{
    const QTableWidgetItem *it = item(row, col);
    return it ? it->text() : QString();
}

void TKorColorStringGrid::storeText(int col, int row, const QString &text)
{
    QTableWidgetItem *it = item(row, col);
    if (!it) {
        it = new QTableWidgetItem;
        setItem(row, col, it);
    }
    it->setText(text);
}

void TKorColorStringGrid::requestRepaint(int col, int row)
{
    ++m_repaintRequests;
    emit repaintRequested(col, row);
    if (col < 0 || row < 0)
        viewport()->update();
    else if (col < columnCount() && row < rowCount())
        viewport()->update(visualRect(model()->index(row, col)));
}

bool TKorColorStringGrid::isFixedCell(int col, int row) const
{
    return col < m_fixedCols || row < m_fixedRows;
}

const TKorCellProperties *TKorColorStringGrid::drawPropsFor(int col, int row) const
{
    if (isFixedCell(col, row)) {
        if (col >= m_fixedCols)
            return &m_fixedColParam;
        if (row >= m_fixedRows)
            return &m_fixedRowParam;
        return &m_topLeftCorner;
    }
    return existingCellProps(col, row);
}

TKorColorStringGrid::CellLook TKorColorStringGrid::cellLook(int col, int row) const
{
    const TKorCellProperties *set = drawPropsFor(col, row);
    if (isFixedCell(col, row))
        return {set->m_color, set->m_font, set->m_fontColor};
    // Other cells keep the grid's font and take only its colour from the set.
    if (set)
        return {set->m_color, font(), set->m_fontColor};
    return {m_color, font(), palette().color(QPalette::Text)};
}

void TKorColorStringGrid::DrawCell(QPainter &painter, int col, int row, const QRect &rect) const
{
    const CellLook look = cellLook(col, row);
    painter.save();
    painter.setClipRect(rect, Qt::IntersectClip);
    painter.fillRect(rect, look.brush);
    const QString text = Cells(col, row);
    if (!text.isEmpty()) {
        painter.setFont(look.font);
        painter.setPen(look.fontColor);
        const QFontMetrics fm(look.font);
        // Centred on the cell; right and bottom are the first pixels outside.
        const int right = rect.left() + rect.width();
        const int bottom = rect.top() + rect.height();
        const int x = roundToInt((rect.left() + right) / 2.0) - roundToInt(fm.horizontalAdvance(text) / 2.0);
        const int y = roundToInt((rect.top() + bottom) / 2.0) - roundToInt(fm.height() / 2.0);
        painter.drawText(x, y + fm.ascent(), text);
    }
    painter.restore();
}

QPair<int, int> TKorColorStringGrid::MouseToCell(const QPoint &viewportPos) const
{
    const QModelIndex i = indexAt(viewportPos);
    return i.isValid() ? QPair<int, int>{i.column(), i.row()} : QPair<int, int>{-1, -1};
}

// ---- Fixed cells stay in place -------------------------------------------------------------

int TKorColorStringGrid::frozenWidth() const
{
    int w = 0;
    for (int c = 0; c < m_fixedCols && c < columnCount(); ++c)
        if (!isColumnHidden(c))
            w += columnWidth(c);
    return w;
}

int TKorColorStringGrid::frozenHeight() const
{
    int h = 0;
    for (int r = 0; r < m_fixedRows && r < rowCount(); ++r)
        if (!isRowHidden(r))
            h += rowHeight(r);
    return h;
}

QModelIndex TKorColorStringGrid::indexAt(const QPoint &point) const
{
    int col = -1, row = -1;
    if (point.x() < frozenWidth()) {
        col = columnAt(point.x() - horizontalOffset());
        if (col >= m_fixedCols)
            col = -1;
    }
    if (col < 0)
        col = columnAt(point.x());
    if (point.y() < frozenHeight()) {
        row = rowAt(point.y() - verticalOffset());
        if (row >= m_fixedRows)
            row = -1;
    }
    if (row < 0)
        row = rowAt(point.y());
    if (col < 0 || row < 0)
        return {};
    return model()->index(row, col);
}

QRect TKorColorStringGrid::visualRect(const QModelIndex &index) const
{
    QRect r = QTableWidget::visualRect(index);
    if (!index.isValid())
        return r;
    r.translate(index.column() < m_fixedCols ? horizontalOffset() : 0, index.row() < m_fixedRows ? verticalOffset() : 0);
    return r;
}

void TKorColorStringGrid::scrollTo(const QModelIndex &index, ScrollHint hint)
{
    QTableWidget::scrollTo(index, hint);
    if (!index.isValid())
        return;
    // A cell scrolled under the fixed cells is brought out beside them.
    const QRect r = visualRect(index);
    const int fw = frozenWidth(), fh = frozenHeight();
    if (index.column() >= m_fixedCols && r.left() < fw)
        horizontalScrollBar()->setValue(horizontalScrollBar()->value() - (fw - r.left()));
    if (index.row() >= m_fixedRows && r.top() < fh)
        verticalScrollBar()->setValue(verticalScrollBar()->value() - (fh - r.top()));
}

void TKorColorStringGrid::scrollContentsBy(int dx, int dy)
{
    QTableWidget::scrollContentsBy(dx, dy);
    if (m_fixedCols > 0 || m_fixedRows > 0)
        viewport()->update(); // the moved pixels carried the fixed cells along
}

void TKorColorStringGrid::paintEvent(QPaintEvent *event)
{
    QTableWidget::paintEvent(event);
    if (horizontalOffset() == 0 && verticalOffset() == 0)
        return; // every cell already stands where it belongs
    QPainter painter(viewport());
    painter.setClipRegion(event->region());
    drawFrozenCells(painter, event->region());
}

void TKorColorStringGrid::drawFrozenCells(QPainter &painter, const QRegion &region) const
{
    const int fw = frozenWidth(), fh = frozenHeight();
    const QRect vp = viewport()->rect();
    QStyleOptionViewItem option;
    initViewItemOption(&option);
    const QColor gridColor =
        QColor::fromRgba(static_cast<QRgb>(style()->styleHint(QStyle::SH_Table_GridLineColor, &option, this)));

    auto drawOne = [&](int c, int r, const QRect &area) {
        if (isColumnHidden(c) || isRowHidden(r))
            return;
        const int x = columnViewportPosition(c) + (c < m_fixedCols ? horizontalOffset() : 0);
        const int y = rowViewportPosition(r) + (r < m_fixedRows ? verticalOffset() : 0);
        const QRect section(x, y, columnWidth(c), rowHeight(r));
        const QRect clip = section.intersected(area);
        if (clip.isEmpty() || !region.intersects(clip))
            return;
        painter.save();
        painter.setClipRect(clip, Qt::IntersectClip);
        DrawCell(painter, c, r, showGrid() ? section.adjusted(0, 0, -1, -1) : section);
        if (showGrid()) {
            painter.setPen(gridColor);
            painter.drawLine(section.right(), section.top(), section.right(), section.bottom());
            painter.drawLine(section.left(), section.bottom(), section.right(), section.bottom());
        }
        painter.restore();
    };

    if (horizontalOffset() != 0)
        for (int r = m_fixedRows; r < rowCount(); ++r)
            for (int c = 0; c < m_fixedCols && c < columnCount(); ++c)
                drawOne(c, r, QRect(0, fh, fw, vp.height() - fh));
    if (verticalOffset() != 0)
        for (int r = 0; r < m_fixedRows && r < rowCount(); ++r)
            for (int c = m_fixedCols; c < columnCount(); ++c)
                drawOne(c, r, QRect(fw, 0, vp.width() - fw, fh));
    for (int r = 0; r < m_fixedRows && r < rowCount(); ++r)
        for (int c = 0; c < m_fixedCols && c < columnCount(); ++c)
            drawOne(c, r, QRect(0, 0, fw, fh));
}

// ---- Mouse and keys ------------------------------------------------------------------------

void TKorColorStringGrid::mousePressEvent(QMouseEvent *event)
{
    const QPair<int, int> cell = MouseToCell(event->position().toPoint());
    const Qt::MouseButton pressed = event->button();
    if (cell.first < 0 || isFixedCell(cell.first, cell.second)) {
        // A header cell or the empty area is never selected; the grid takes the focus.
        setFocus(Qt::MouseFocusReason);
        event->accept();
    } else if (pressed != Qt::LeftButton) {
        // Every button selects like the left one, so a right click chooses its cell before
        // the pop-up menu opens.
        QMouseEvent left(event->type(), event->position(), event->scenePosition(), event->globalPosition(),
                         Qt::LeftButton, Qt::LeftButton, event->modifiers(), event->pointingDevice());
        QTableWidget::mousePressEvent(&left);
        event->setAccepted(left.isAccepted());
    } else {
        QTableWidget::mousePressEvent(event);
    }
    emit cellMouseDown(cell.first, cell.second, pressed);
}

void TKorColorStringGrid::mouseMoveEvent(QMouseEvent *event)
{
    const QPair<int, int> cell = MouseToCell(event->position().toPoint());
    if (event->buttons() != Qt::NoButton && (cell.first < 0 || isFixedCell(cell.first, cell.second))) {
        event->accept(); // dragging over the headers does not move the selection onto them
        return;
    }
    QTableWidget::mouseMoveEvent(event);
}

void TKorColorStringGrid::mouseDoubleClickEvent(QMouseEvent *event)
{
    const QPair<int, int> cell = MouseToCell(event->position().toPoint());
    if (cell.first < 0 || isFixedCell(cell.first, cell.second)) {
        event->accept();
        return;
    }
    QTableWidget::mouseDoubleClickEvent(event);
}

void TKorColorStringGrid::contextMenuEvent(QContextMenuEvent *event)
{
    if (!m_popup) {
        QTableWidget::contextMenuEvent(event);
        return;
    }
    m_popup->popup(event->globalPos());
    event->accept();
}

QModelIndex TKorColorStringGrid::moveCursor(CursorAction cursorAction, Qt::KeyboardModifiers modifiers)
{
    const QModelIndex to = QTableWidget::moveCursor(cursorAction, modifiers);
    if (!to.isValid())
        return to;
    // The cursor stays off the header cells.
    const int col = std::max(to.column(), m_fixedCols);
    const int row = std::max(to.row(), m_fixedRows);
    if (col >= columnCount() || row >= rowCount())
        return currentIndex();
    return model()->index(row, col);
}

bool TKorColorStringGrid::edit(const QModelIndex &index, EditTrigger trigger, QEvent *event)
{
    if (index.isValid() && isFixedCell(index.column(), index.row()))
        return false;
    return QTableWidget::edit(index, trigger, event);
}

void setStandardHeaderSets(TKorColorStringGrid &grid)
{
    QFont font(QStringLiteral("MS Sans Serif"));
    font.setPixelSize(16);
    const QColor face = grid.palette().color(QPalette::Button);
    for (TKorCellProperties *set : {&grid.FixedRowParam(), &grid.FixedColParam(), &grid.TopLeftCorner()}) {
        set->setColor(face);
        set->setFont(font);
    }
    grid.FixedRowParam().setFontColor(Qt::black);
    grid.TopLeftCorner().setFontColor(Qt::black);
    grid.FixedColParam().setFontColor(grid.palette().color(QPalette::WindowText));
}

} // namespace bench
