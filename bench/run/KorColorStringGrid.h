// The controller's colour string grid: text cells with fixed header rows and columns, in
// which every cell has its own background and font colour and the header cells are drawn
// from three property sets of their own. The result grids of the run window and
// the serial numbers grid are instances of it.
//
// Fixed rows and columns are the first rows and columns of the grid itself (not Qt's header
// views, which stay hidden), so cell (0, 0) is the top left corner and column and row counts
// include the header cells, as a string grid counts them. They stay in place when the grid
// scrolls. Every argument pair is (col, row), the string grid's order.
#pragma once

#include <QColor>
#include <QFont>
#include <QPair>
#include <QTableWidget>
#include <map>
#include <memory>
#include <utility>

class QMenu;

namespace bench {

class TKorColorStringGrid;

/// The colours and font one cell (or one kind of header cell) is drawn with.
class TKorCellProperties
{
public:
    /// A set of `owner`; `col`, `row` name its cell (-1 for the three header sets).
    explicit TKorCellProperties(TKorColorStringGrid *owner, int col = -1, int row = -1);
    TKorCellProperties(const TKorCellProperties &) = delete;
    TKorCellProperties &operator=(const TKorCellProperties &) = delete;

    /// Copies Color and Font (the font's colour with it) from `other`; repaints on a change.
    void Assign(const TKorCellProperties &other);

    /// Background colour. Setting a different value repaints the owner grid.
    QColor Color() const { return m_color; }
    void setColor(const QColor &color);
    /// Font; setting it copies the given font and repaints the owner grid.
    QFont Font() const { return m_font; }
    void setFont(const QFont &font);
    /// The font's colour (a part of the font, as the platform's font objects carry it).
    QColor FontColor() const { return m_fontColor; }
    void setFontColor(const QColor &color);

    /// The grid's text of this set's cell. Writing a text that differs stores it and
    /// repaints the cell at once; writing the same text does nothing.
    QString CellText() const;
    void setCellText(const QString &text);

    int col() const { return m_col; }
    int row() const { return m_row; }

private:
    friend class TKorColorStringGrid;
    void changed();

    TKorColorStringGrid *m_owner;
    int m_col, m_row;
    QColor m_color;
    QFont m_font;
    QColor m_fontColor;
};

class TKorColorStringGrid : public QTableWidget
{
    Q_OBJECT
public:
    explicit TKorColorStringGrid(QWidget *parent = nullptr);
    ~TKorColorStringGrid() override;

    /// The cell's property set, made on first use with the grid's Color and font.
    TKorCellProperties &CellProps(int col, int row);
    /// The cell's own set, or nullptr while it has none (never coloured).
    const TKorCellProperties *existingCellProps(int col, int row) const;

    // The three header property sets; written by assignment (the given set is copied).
    TKorCellProperties &FixedRowParam() { return m_fixedRowParam; }
    TKorCellProperties &FixedColParam() { return m_fixedColParam; }
    TKorCellProperties &TopLeftCorner() { return m_topLeftCorner; }
    void setFixedRowParam(const TKorCellProperties &p) { m_fixedRowParam.Assign(p); }
    void setFixedColParam(const TKorCellProperties &p) { m_fixedColParam.Assign(p); }
    void setTopLeftCorner(const TKorCellProperties &p) { m_topLeftCorner.Assign(p); }

    // String grid members.
    int ColCount() const { return columnCount(); }
    void setColCount(int n) { setColumnCount(n); }
    int RowCount() const { return rowCount(); }
    int FixedCols() const { return m_fixedCols; }
    void setFixedCols(int n);
    int FixedRows() const { return m_fixedRows; }
    void setFixedRows(int n);
    /// Colour of the cells (white); cells that were never coloured are drawn with it.
    QColor Color() const { return m_color; }
    void setColor(const QColor &color);
    /// Colour the three header sets start with (the button face).
    QColor FixedColor() const { return m_fixedColor; }
    int DefaultColWidth() const;
    void setDefaultColWidth(int px);
    int DefaultRowHeight() const;
    void setDefaultRowHeight(int px);
    /// goEditing: cells other than the fixed ones can be typed into.
    void setEditing(bool on);
    bool editing() const { return m_editing; }
    /// The pop-up menu opened by a right click (after the click has selected the cell).
    void setPopupMenu(QMenu *menu) { m_popup = menu; }
    QMenu *popupMenu() const { return m_popup; }

    /// Text of a cell; empty outside the grid.
    QString Cells(int col, int row) const;
    /// A fixed (header) cell: in the first FixedCols columns or the first FixedRows rows.
    bool isFixedCell(int col, int row) const;
    /// Step 1 of DrawCell: the set a cell is drawn from. For a cell that was never coloured
    /// nullptr: it is drawn with the grid's Color and font.
    const TKorCellProperties *drawPropsFor(int col, int row) const;
    /// What DrawCell paints a cell with (step 2).
    struct CellLook
    {
        QColor brush;
        QFont font;
        QColor fontColor;
    };
    CellLook cellLook(int col, int row) const;

    /// The cell under a point of the viewport (fixed cells where they stay); -1, -1 when none.
    QPair<int, int> MouseToCell(const QPoint &viewportPos) const;

    /// How many times the grid asked for a repaint because a cell's text or a property
    /// set changed.
    int repaintRequests() const { return m_repaintRequests; }

    QModelIndex indexAt(const QPoint &point) const override;
    QRect visualRect(const QModelIndex &index) const override;
    void scrollTo(const QModelIndex &index, ScrollHint hint = EnsureVisible) override;

signals:
    /// A cell's text or a property set changed and the grid repaints; (-1, -1) for the
    /// whole grid (a header set).
    void repaintRequested(int col, int row);
    /// MouseDown, after the grid has handled the press: the cell under the pointer and the
    /// button actually pressed.
    void cellMouseDown(int col, int row, Qt::MouseButton button);

protected:
    /// Draws one cell (DrawCell).
    void DrawCell(QPainter &painter, int col, int row, const QRect &rect) const;

    void mousePressEvent(QMouseEvent *event) override;
    void mouseMoveEvent(QMouseEvent *event) override;
    void mouseDoubleClickEvent(QMouseEvent *event) override;
    void contextMenuEvent(QContextMenuEvent *event) override;
    void paintEvent(QPaintEvent *event) override;
    void scrollContentsBy(int dx, int dy) override;
    QModelIndex moveCursor(CursorAction cursorAction, Qt::KeyboardModifiers modifiers) override;
    bool edit(const QModelIndex &index, EditTrigger trigger, QEvent *event) override;

private:
    friend class TKorCellProperties;
    friend class KorCellDelegate;
    using Key = std::pair<int, int>; ///< (col, row)

    void storeText(int col, int row, const QString &text);
    void requestRepaint(int col, int row);
    QRect frozenRect(int col, int row) const;
    int frozenWidth() const;
    int frozenHeight() const;
    void drawFrozenCells(QPainter &painter, const QRegion &region) const;
    void shiftProps(bool rows, int first, int count);
    void dropPropsOutside();

    TKorCellProperties m_fixedRowParam, m_fixedColParam, m_topLeftCorner;
    std::map<Key, std::unique_ptr<TKorCellProperties>> m_cells;
    QColor m_color{255, 255, 255};
    QColor m_fixedColor;
    int m_fixedCols = 1;
    int m_fixedRows = 1;
    bool m_editing = false;
    QMenu *m_popup = nullptr;
    int m_repaintRequests = 0;
};

/// The header sets every grid of this system uses: button face background and a 16 px
/// "MS Sans Serif" font, black text for the row headers and the corner, window text for the
/// column headers.
void setStandardHeaderSets(TKorColorStringGrid &grid);

} // namespace bench
