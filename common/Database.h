// Opening the shared database file. Both programs open an existing file only: a missing
// file is an error, never a new empty archive. Connections run in WAL mode with a busy
// timeout, cascade deletes on, and write transactions begin IMMEDIATE so two programs
// writing at once wait for each other instead of failing half-way.
#pragma once

#include <QDateTime>
#include <QSqlDatabase>
#include <QString>
#include <optional>

namespace Database {

/// The database file's name in the working directory.
inline const QString FileName = QStringLiteral("TK710DB.db");

/// Opens the existing file `path` as the named connection and checks that every table is
/// there. Returns the engine's message when it cannot (the connection is removed again and
/// nothing on disk is created or changed).
std::optional<QString> open(const QString &path, const QString &connectionName);
/// Closes and removes the named connection.
void close(const QString &connectionName);

/// Message of the last error of a query or connection, as the engine words it; never empty.
QString engineMessage(const QSqlError &error);

/// The stored text of a DATETIME column: local time as "yyyy-MM-ddTHH:mm:ss.zzz"
/// ("2026-12-11T10:00:00.000"). One form for every writer, so that text comparisons in date
/// conditions and the date index order runs by time. An invalid time gives a null text (NULL).
QString dateTimeText(const QDateTime &when);
/// The local time of a stored DATETIME text; nullopt for any other form.
std::optional<QDateTime> parseDateTimeText(const QString &text);

} // namespace Database

/// One write transaction: BEGIN IMMEDIATE at construction, ROLLBACK unless commit() ran.
class WriteTransaction
{
public:
    explicit WriteTransaction(QSqlDatabase db);
    ~WriteTransaction();
    WriteTransaction(const WriteTransaction &) = delete;
    WriteTransaction &operator=(const WriteTransaction &) = delete;

    bool isActive() const { return m_active; }
    /// False (and `error()`) when the commit failed; the transaction is rolled back then.
    bool commit();
    QString error() const { return m_error; }

private:
    QSqlDatabase m_db;
    bool m_active = false;
    QString m_error;
};
