// Making a new TK710DB.db: the one place where the schema is created. The programs never
// create a missing database; only the init command (tk710-db) calls this.
#pragma once

#include <QList>
#include <QString>
#include <QStringList>
#include <QVariant>

#include <utility>

class QSqlDatabase;

namespace DatabaseInit {

/// Makes a new database file: the schema, ten TableStend rows (stands 1..10, not probed, no
/// positions chosen, PPointTip 0 or, with demo, the first demo type), one THand row with the
/// manual-mode defaults and, with demo, the demo meter types and tests.
/// Refuses a path that exists. The file is built under a temporary name in the same folder
/// and renamed into place when complete, so a failure leaves nothing at `path`.
/// Returns an empty string on success, else a message for the operator of the tool.
QString createDatabase(const QString &path, bool demo);

/// The statements of the schema script, in order, without comments and without the ';'.
QStringList schemaStatements();

/// The tables of the schema, in the order the script creates them.
QStringList tableNames();

/// Column name and value of a row to insert.
using Fields = QList<std::pair<QString, QVariant>>;

/// Inserts one row into `table` (a name from the schema) with every value bound; an invalid
/// QVariant stores NULL. Gives the new row's id through `rowId`. Empty string on success,
/// else the driver's message naming the table. Used by the init and the demo data.
QString insertRow(QSqlDatabase &db, const QString &table, const Fields &fields,
                  qint64 *rowId = nullptr);

} // namespace DatabaseInit
