// The datasets of the controller's data module: Qt SQL models addressed by field name, each
// with a current row (the record the windows work on, the first one after opening).
// QueryDataSet is a read-only list over one statement with bound values; TableDataSet is an
// editable table whose posted rows are re-read from the database at once, so that stored
// values and assigned keys show without a reopen, with computed columns after the table's
// own and an optional master whose current row it follows.
#pragma once

#include <QList>
#include <QMap>
#include <QSqlQueryModel>
#include <QSqlRecord>
#include <QSqlTableModel>
#include <QString>
#include <QVariant>

#include <functional>
#include <utility>

namespace bench {

/// Column name and value of a row to append.
using FieldValues = QList<std::pair<QString, QVariant>>;

/// A read-only list over one SELECT statement, fetched in full (reference lists are short).
class QueryDataSet : public QSqlQueryModel
{
    Q_OBJECT
public:
    explicit QueryDataSet(const QSqlDatabase &db, QObject *parent = nullptr);

    /// Runs `statement` with `values` bound in order. Empty string on success, else the
    /// engine's message; the list is empty and closed then.
    QString open(const QString &statement, const QVariantList &values = {});
    /// Runs the statement of the last open() again.
    QString reopen() { return open(m_statement, m_values); }
    void close();
    bool isOpen() const { return m_open; }

    int column(const QString &name) const; ///< -1 for an unknown field
    QVariant value(int row, const QString &name) const;
    /// First row whose field `name` equals `key`, -1 when none (a null key matches nothing).
    int find(const QString &name, const QVariant &key) const;

    int currentRow() const { return m_current; }
    void setCurrentRow(int row); ///< -1 or out of range: no current row
    /// Makes the first row with `name` = `key` current; false (current row kept) when none.
    bool locate(const QString &name, const QVariant &key);
    QVariant currentValue(const QString &name) const { return value(m_current, name); }

signals:
    void currentRowChanged(int row);

private:
    QSqlDatabase m_db;
    QString m_statement;
    QVariantList m_values;
    bool m_open = false;
    int m_current = -1;
};

/// An editable table. A pending edit is posted on its own (post()), or when another row is
/// edited; every posted row is re-read by its key. Boolean fields carry check states.
class TableDataSet : public QSqlTableModel
{
    Q_OBJECT
public:
    using Compute = std::function<QVariant(int row)>;
    using Assign = std::function<bool(int row, const QVariant &value)>;

    TableDataSet(const QString &table, const QSqlDatabase &db, QObject *parent = nullptr);

    // What open() selects. `condition` is SQL of our own, never a user's value.
    void setCondition(const QString &condition) { m_condition = condition; }
    void setOrder(const QString &field) { m_order = field; }
    /// The rows of this table whose `linkField` equals the PIndex of `master`'s current row;
    /// an appended row gets that key. Follows the master's current row and its closing.
    void setMaster(TableDataSet *master, const QString &linkField);
    /// Rows can be edited but neither appended nor removed.
    void setUpdateOnly(bool updateOnly) { m_updateOnly = updateOnly; }
    void setReadOnlyField(const QString &name);
    void setTitle(const QString &name, const QString &title) { m_titles.insert(name, title); }
    /// A column after the table's own, computed from the row whenever it is read. With
    /// `assign`, setting it is allowed and does what `assign` says.
    void addComputedColumn(const QString &name, Compute compute, Assign assign = {});
    /// The inputs of the computed columns changed: tell the views.
    void refreshComputed();

    /// (Re)reads the table with the condition and order set. Empty string or the engine's
    /// message; the dataset is closed then.
    QString open();
    void close();
    bool isOpen() const { return m_open; }
    /// Posts a pending edit, then re-reads, keeping the current row by its key.
    QString refresh();
    /// Posts a pending edit, then re-reads in the order of `field`; the first row is current.
    QString sortBy(const QString &field);

    int column(const QString &name) const; ///< table or computed column, -1 for unknown
    QVariant value(int row, const QString &name) const;
    /// Edits one field; a pending edit of another row is posted first. False with
    /// errorText() when that post fails or the field cannot be set.
    bool setValue(int row, const QString &name, const QVariant &value);
    /// Writes the pending edit, if any. Empty string or the engine's message; a failed edit
    /// stays pending (cancel() drops it) and the database is unchanged.
    QString post();
    void cancel();
    /// Appends a row with `fields` (and the master's key), posts it and makes it current;
    /// `row` gets its index. On failure nothing is written and no row is left behind.
    QString append(const FieldValues &fields, int *row = nullptr);
    QString errorText() const { return m_error; }

    int currentRow() const { return m_current; }
    void setCurrentRow(int row);
    bool locate(const QString &name, const QVariant &key);
    int find(const QString &name, const QVariant &key) const;
    QVariant currentValue(const QString &name) const { return value(m_current, name); }

    int columnCount(const QModelIndex &parent = QModelIndex()) const override;
    QVariant data(const QModelIndex &index, int role = Qt::DisplayRole) const override;
    bool setData(const QModelIndex &index, const QVariant &value, int role = Qt::EditRole) override;
    Qt::ItemFlags flags(const QModelIndex &index) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role = Qt::DisplayRole) const override;
    bool insertRows(int row, int count, const QModelIndex &parent = QModelIndex()) override;
    bool removeRows(int row, int count, const QModelIndex &parent = QModelIndex()) override;

signals:
    void currentRowChanged(int row);

private:
    struct Computed
    {
        QString name;
        Compute compute;
        Assign assign;
    };

    int tableColumns() const { return record().count(); }
    const Computed *computed(int column) const;
    bool isBoolean(int column) const;
    QString fail(const QSqlError &error);
    void followMaster();
    QString reselect(int currentAfter);

    QString m_table, m_condition, m_order;
    TableDataSet *m_master = nullptr;
    QString m_linkField;
    bool m_updateOnly = false;
    bool m_open = false;
    int m_current = -1;
    QStringList m_readOnly;
    QMap<QString, QString> m_titles;
    QList<Computed> m_computed;
    QString m_error;
};

/// Text of a field as a dataset shows it: empty for NULL, numbers with '.'.
QString fieldText(const QVariant &value);

} // namespace bench
