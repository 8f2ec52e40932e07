// Controls of the test set-up: a list choice that shows two columns of its dataset, an edit
// that tells when the operator leaves it, the stand grid with its stand number column kept in
// view, and the in-cell choice of a stand's meter type.
#pragma once

#include <QComboBox>
#include <QLineEdit>
#include <QStyledItemDelegate>
#include <QTableView>

namespace bench {

class QueryDataSet;
class TableDataSet;

/// A choice from a dataset by its key column (the model column): the drop-down is a table of
/// the key's text and one more column, and the closed field shows both texts, so two rows of
/// one name are told apart.
class LookupCombo : public QComboBox
{
    Q_OBJECT
public:
    explicit LookupCombo(QWidget *parent = nullptr);

    /// The second column shown beside the model column, the widths of both in the list (px)
    /// and of the whole drop-down.
    void setSecondColumn(int column, int firstWidth, int secondWidth, int dropDownWidth);
    /// Backspace and Delete do nothing, so the choice cannot be cleared from the keyboard.
    void setKeepsChoice(bool keeps) { m_keepsChoice = keeps; }
    /// Both texts of the current row, as the closed field shows them.
    QString shownText() const;
    void showPopup() override;

protected:
    void paintEvent(QPaintEvent *event) override;
    void keyPressEvent(QKeyEvent *event) override;

private:
    QTableView *m_list;
    int m_second = -1;
    int m_firstWidth = 150, m_secondWidth = 150, m_dropDownWidth = 300;
    bool m_keepsChoice = false;
};

/// A one-line edit that signals when the operator leaves it: focus gone or Enter.
class FieldEdit : public QLineEdit
{
    Q_OBJECT
public:
    using QLineEdit::QLineEdit;

signals:
    void left();

protected:
    void focusOutEvent(QFocusEvent *event) override;
    void keyPressEvent(QKeyEvent *event) override;
};

/// A grid whose first visible column stays in view while the others scroll sideways: a second
/// view over the same model and selection shows that column on top of the grid's left edge.
class FrozenColumnTable : public QTableView
{
    Q_OBJECT
public:
    explicit FrozenColumnTable(QWidget *parent = nullptr);
    void setModel(QAbstractItemModel *model) override;
    QTableView *frozenView() const { return m_frozen; }

protected:
    void resizeEvent(QResizeEvent *event) override;
    void updateGeometries() override;

private:
    void followColumns();
    void placeFrozen();

    QTableView *m_frozen;
};

/// The stand grid's "Тип счетчика" cell: a choice among the types of the filtered list by
/// name and variant; the choice fits its PIndex on the stand.
class StandTypeDelegate : public QStyledItemDelegate
{
    Q_OBJECT
public:
    StandTypeDelegate(QueryDataSet &types, TableDataSet &stands, QObject *parent = nullptr);

    QWidget *createEditor(QWidget *parent, const QStyleOptionViewItem &option, const QModelIndex &index) const override;
    void setEditorData(QWidget *editor, const QModelIndex &index) const override;
    void setModelData(QWidget *editor, QAbstractItemModel *model, const QModelIndex &index) const override;

private:
    QueryDataSet &m_types;
    TableDataSet &m_stands;
};

} // namespace bench
