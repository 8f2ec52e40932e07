#include "bench/data/DataSets.h"

#include "common/Database.h"
#include "common/UTools.h"

#include <QSqlError>
#include <QSqlField>
#include <QSqlIndex>
#include <QSqlQuery>
#include <QSqlRecord>

namespace bench {

namespace {

// Keys come back from SQLite as 64-bit integers while callers pass ints or doubles: compare
// by value. NULL matches nothing, as an empty key refers to no row.
bool sameValue(const QVariant &a, const QVariant &b)
{
    if (a.isNull() || b.isNull())
        return false;
    return QVariant::compare(a, b) == QPartialOrdering::Equivalent;
}

int findRow(const QAbstractItemModel &model, int column, const QVariant &key)
{
    if (column < 0)
        return -1;
    for (int row = 0; row < model.rowCount(); ++row)
        if (sameValue(model.data(model.index(row, column), Qt::EditRole), key))
            return row;
    return -1;
}

} // namespace

QString fieldText(const QVariant &value)
{
    if (value.isNull())
        return {};
    switch (value.metaType().id()) {
    case QMetaType::Double:
    case QMetaType::Float:
        return UTools::FloatToWire(value.toDouble());
    case QMetaType::Int:
    case QMetaType::LongLong:
    case QMetaType::Short:
    case QMetaType::UInt:
    case QMetaType::ULongLong:
    case QMetaType::UShort:
        return QString::number(value.toLongLong());
    case QMetaType::Bool:
        return value.toBool() ? QStringLiteral("True") : QStringLiteral("False");
    default:
        return value.toString();
    }
}

// ---- QueryDataSet ----------------------------------------------------------------------

QueryDataSet::QueryDataSet(const QSqlDatabase &db, QObject *parent) : QSqlQueryModel(parent), m_db(db)
{
}

QString QueryDataSet::open(const QString &statement, const QVariantList &values)
{
    m_statement = statement;
    m_values = values;
    QSqlQuery query(m_db);
    bool ok = query.prepare(statement);
    for (const QVariant &v : values)
        query.addBindValue(v);
    ok = ok && query.exec();
    if (!ok) {
        const QString message = Database::engineMessage(query.lastError());
        close();
        return message;
    }
    m_open = true;
    setQuery(std::move(query));
    while (canFetchMore())
        fetchMore();
    setCurrentRow(0);
    return {};
}

void QueryDataSet::close()
{
    m_open = false;
    clear();
    setCurrentRow(-1);
}

int QueryDataSet::column(const QString &name) const
{
    return record().indexOf(name);
}

QVariant QueryDataSet::value(int row, const QString &name) const
{
    const int c = column(name);
    if (c < 0 || row < 0 || row >= rowCount())
        return {};
    return data(index(row, c), Qt::EditRole);
}

int QueryDataSet::find(const QString &name, const QVariant &key) const
{
    return findRow(*this, column(name), key);
}

void QueryDataSet::setCurrentRow(int row)
{
    m_current = (row >= 0 && row < rowCount()) ? row : -1;
    emit currentRowChanged(m_current);
}

bool QueryDataSet::locate(const QString &name, const QVariant &key)
{
    const int row = find(name, key);
    if (row < 0)
        return false;
    setCurrentRow(row);
    return true;
}

// ---- TableDataSet ----------------------------------------------------------------------

TableDataSet::TableDataSet(const QString &table, const QSqlDatabase &db, QObject *parent)
    : QSqlTableModel(parent, db), m_table(table)
{
    // Row-wise posting: an edit is written when posted or when another row is edited, and
    // the written row is then re-read by its key.
    setEditStrategy(QSqlTableModel::OnRowChange);
}

void TableDataSet::setMaster(TableDataSet *master, const QString &linkField)
{
    m_master = master;
    m_linkField = linkField;
    connect(master, &TableDataSet::currentRowChanged, this, &TableDataSet::followMaster);
    connect(this, &QSqlTableModel::primeInsert, this, [this](int, QSqlRecord &rec) {
        rec.setValue(m_linkField, m_master->currentValue(QStringLiteral("PIndex")));
        rec.setGenerated(m_linkField, true);
    });
}

void TableDataSet::setReadOnlyField(const QString &name)
{
    m_readOnly << name;
}

void TableDataSet::addComputedColumn(const QString &name, Compute compute, Assign assign)
{
    m_computed.append({name, std::move(compute), std::move(assign)});
}

void TableDataSet::refreshComputed()
{
    if (m_open && rowCount() > 0 && !m_computed.isEmpty())
        emit dataChanged(index(0, tableColumns()), index(rowCount() - 1, columnCount() - 1));
}

QString TableDataSet::fail(const QSqlError &error)
{
    m_error = Database::engineMessage(error);
    return m_error;
}

QString TableDataSet::open()
{
    m_error.clear();
    setTable(m_table); // reads the table's fields anew
    if (record().isEmpty()) {
        // Ask the engine itself why, so the operator reads its own words ("no such table").
        QSqlQuery probe(database());
        probe.exec(QStringLiteral("SELECT * FROM %1 LIMIT 0").arg(m_table));
        const QString message = probe.lastError().isValid() ? Database::engineMessage(probe.lastError())
                                                            : QStringLiteral("no such table: %1").arg(m_table);
        close();
        m_error = message;
        return message;
    }
    setFilter(m_condition);
    if (!m_order.isEmpty())
        setSort(fieldIndex(m_order), Qt::AscendingOrder);
    m_open = true; // before select(), so that views see the columns on its reset
    return reselect(-1);
}

QString TableDataSet::reselect(int currentAfter)
{
    QVariant key;
    const QString keyName = primaryKey().isEmpty() ? QString() : primaryKey().fieldName(0);
    if (currentAfter >= 0 && !keyName.isEmpty())
        key = value(currentAfter, keyName);
    if (!select()) {
        const QString message = fail(lastError());
        close();
        m_error = message;
        return message;
    }
    while (canFetchMore())
        fetchMore();
    const int row = key.isNull() ? -1 : find(keyName, key);
    setCurrentRow(row >= 0 ? row : 0);
    return {};
}

void TableDataSet::close()
{
    m_open = false;
    m_error.clear();
    clear();
    setCurrentRow(-1);
}

QString TableDataSet::refresh()
{
    if (!m_open)
        return open();
    if (QString message = post(); !message.isEmpty())
        return message;
    return reselect(m_current);
}

QString TableDataSet::sortBy(const QString &field)
{
    if (QString message = post(); !message.isEmpty())
        return message;
    m_order = field;
    if (!m_open)
        return open();
    setSort(fieldIndex(field), Qt::AscendingOrder);
    return reselect(-1);
}

int TableDataSet::column(const QString &name) const
{
    if (!m_open)
        return -1;
    if (const int c = fieldIndex(name); c >= 0)
        return c;
    for (int i = 0; i < m_computed.size(); ++i)
        if (m_computed[i].name.compare(name, Qt::CaseInsensitive) == 0)
            return tableColumns() + i;
    return -1;
}

QVariant TableDataSet::value(int row, const QString &name) const
{
    const int c = column(name);
    if (c < 0 || row < 0 || row >= rowCount())
        return {};
    return data(index(row, c), Qt::EditRole);
}

bool TableDataSet::setValue(int row, const QString &name, const QVariant &value)
{
    m_error.clear();
    const int c = column(name);
    if (c < 0 || row < 0 || row >= rowCount()) {
        m_error = QStringLiteral("no such field or row: %1, %2").arg(name).arg(row);
        return false;
    }
    if (setData(index(row, c), value, Qt::EditRole))
        return true;
    if (m_error.isEmpty())
        m_error = QStringLiteral("field cannot be changed: %1").arg(name);
    return false;
}

QString TableDataSet::post()
{
    m_error.clear();
    if (!m_open || !isDirty())
        return {};
    if (submitAll())
        return {};
    return fail(lastError());
}

void TableDataSet::cancel()
{
    revertAll();
}

QString TableDataSet::append(const FieldValues &fields, int *row)
{
    if (!m_open || m_updateOnly) {
        m_error = QStringLiteral("rows cannot be appended to %1").arg(m_table);
        return m_error;
    }
    if (QString message = post(); !message.isEmpty())
        return message;
    const int r = rowCount();
    if (!insertRows(r, 1))
        return fail(lastError());
    for (const auto &[name, value] : fields) {
        const int c = fieldIndex(name);
        if (c < 0 || !QSqlTableModel::setData(index(r, c), value, Qt::EditRole)) {
            revertRow(r);
            m_error = QStringLiteral("no such field: %1").arg(name);
            return m_error;
        }
    }
    if (!submitAll()) {
        const QString message = fail(lastError());
        revertRow(r); // no half-made row stays in the list
        return message;
    }
    setCurrentRow(r);
    if (row)
        *row = r;
    return {};
}

void TableDataSet::setCurrentRow(int row)
{
    m_current = (row >= 0 && row < rowCount()) ? row : -1;
    emit currentRowChanged(m_current);
}

bool TableDataSet::locate(const QString &name, const QVariant &key)
{
    const int row = find(name, key);
    if (row < 0)
        return false;
    setCurrentRow(row);
    return true;
}

int TableDataSet::find(const QString &name, const QVariant &key) const
{
    return findRow(*this, column(name), key);
}

void TableDataSet::followMaster()
{
    if (!m_master->isOpen()) {
        if (m_open)
            close();
        return;
    }
    if (!post().isEmpty())
        return; // keeps its rows and the error rather than dropping an unsaved edit
    // The key is an integer the database assigned, not text from anyone.
    const QVariant key = m_master->currentValue(QStringLiteral("PIndex"));
    m_condition = key.isNull() ? QStringLiteral("1 = 0") : QStringLiteral("%1 = %2").arg(m_linkField).arg(key.toLongLong());
    open();
}

const TableDataSet::Computed *TableDataSet::computed(int column) const
{
    const int i = column - tableColumns();
    return (m_open && i >= 0 && i < m_computed.size()) ? &m_computed[i] : nullptr;
}

bool TableDataSet::isBoolean(int column) const
{
    return column >= 0 && column < tableColumns() && record().field(column).metaType().id() == QMetaType::Bool;
}

int TableDataSet::columnCount(const QModelIndex &parent) const
{
    if (parent.isValid() || !m_open)
        return 0;
    return tableColumns() + int(m_computed.size());
}

QVariant TableDataSet::data(const QModelIndex &index, int role) const
{
    if (!index.isValid())
        return {};
    if (const Computed *k = computed(index.column()))
        return (role == Qt::DisplayRole || role == Qt::EditRole) ? k->compute(index.row()) : QVariant();
    if (isBoolean(index.column())) {
        const QVariant v = QSqlTableModel::data(index, Qt::EditRole);
        switch (role) {
        case Qt::CheckStateRole:
            return v.toBool() ? Qt::Checked : Qt::Unchecked;
        case Qt::EditRole:
            return v.isNull() ? QVariant() : QVariant(v.toBool());
        case Qt::DisplayRole:
            return {}; // the check box alone
        default:
            break;
        }
    }
    return QSqlTableModel::data(index, role);
}

bool TableDataSet::setData(const QModelIndex &index, const QVariant &value, int role)
{
    if (!index.isValid())
        return false;
    if (const Computed *k = computed(index.column()))
        return role == Qt::EditRole && k->assign && k->assign(index.row(), value);
    QVariant stored = value;
    if (isBoolean(index.column())) {
        if (role == Qt::CheckStateRole)
            stored = value.toInt() == Qt::Checked;
        else if (role == Qt::EditRole)
            stored = value.isNull() ? QVariant() : QVariant(value.toBool());
        else
            return false;
    } else if (role != Qt::EditRole) {
        return false;
    }
    if (!(flags(index) & Qt::ItemIsEditable))
        return false;
    // Editing another row posts the pending one first, as moving off a row does.
    bool otherRowPending = isDirty();
    for (int c = 0; otherRowPending && c < tableColumns(); ++c)
        otherRowPending = !isDirty(this->index(index.row(), c));
    if (otherRowPending && !post().isEmpty())
        return false;
    if (!QSqlTableModel::setData(index, stored, Qt::EditRole))
        return false;
    if (!m_computed.isEmpty()) // lookups follow their key at once
        emit dataChanged(this->index(index.row(), tableColumns()), this->index(index.row(), columnCount() - 1));
    return true;
}

Qt::ItemFlags TableDataSet::flags(const QModelIndex &index) const
{
    if (!index.isValid())
        return Qt::NoItemFlags;
    Qt::ItemFlags f = Qt::ItemIsSelectable | Qt::ItemIsEnabled | Qt::ItemNeverHasChildren;
    if (const Computed *k = computed(index.column()))
        return k->assign ? f | Qt::ItemIsEditable : f;
    if (index.column() >= tableColumns() || m_readOnly.contains(record().fieldName(index.column()), Qt::CaseInsensitive))
        return f;
    f |= Qt::ItemIsEditable;
    if (isBoolean(index.column()))
        f |= Qt::ItemIsUserCheckable;
    return f;
}

QVariant TableDataSet::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (orientation == Qt::Horizontal && section >= 0 && section < columnCount()) {
        if (role != Qt::DisplayRole)
            return section < tableColumns() ? QSqlTableModel::headerData(section, orientation, role) : QVariant();
        const QString name = section < tableColumns() ? record().fieldName(section)
                                                      : m_computed[section - tableColumns()].name;
        return m_titles.value(name, name);
    }
    return QSqlTableModel::headerData(section, orientation, role);
}

bool TableDataSet::insertRows(int row, int count, const QModelIndex &parent)
{
    return !m_updateOnly && QSqlTableModel::insertRows(row, count, parent);
}

bool TableDataSet::removeRows(int row, int count, const QModelIndex &parent)
{
    return !m_updateOnly && QSqlTableModel::removeRows(row, count, parent);
}

} // namespace bench
