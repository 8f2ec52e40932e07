#include "common/Database.h"

#include "common/DatabaseInit.h"

#include <QFileInfo>
#include <QSet>
#include <QSqlError>
#include <QSqlQuery>
#include <QUrl>

namespace Database {

QString engineMessage(const QSqlError &error)
{
    QString message = error.databaseText().trimmed();
    if (message.isEmpty())
        message = error.driverText().trimmed();
    if (message.isEmpty())
        message = error.text().trimmed();
    // A failure is never reported as an empty text, which callers read as success.
    return message.isEmpty() ? QStringLiteral("database error") : message;
}

namespace {

const QString DateTimeFormat = QStringLiteral("yyyy-MM-ddTHH:mm:ss.zzz");

} // namespace

QString dateTimeText(const QDateTime &when)
{
    return when.isValid() ? when.toLocalTime().toString(DateTimeFormat) : QString();
}

std::optional<QDateTime> parseDateTimeText(const QString &text)
{
    QDateTime when = QDateTime::fromString(text, DateTimeFormat);
    // fromString also takes texts that only look alike (a one-digit field); the stored form
    // is the one dateTimeText writes.
    if (!when.isValid() || when.toString(DateTimeFormat) != text)
        return std::nullopt;
    return when;
}

namespace {

std::optional<QString> check(QSqlDatabase &db)
{
    QSqlQuery q(db);
    if (!q.exec(QStringLiteral("SELECT name FROM sqlite_master WHERE type = 'table'")))
        return engineMessage(q.lastError()); // "file is not a database" and the like
    QSet<QString> present;
    while (q.next())
        present.insert(q.value(0).toString().toLower());
    for (const QString &table : DatabaseInit::tableNames())
        if (!present.contains(table.toLower()))
            return QStringLiteral("no such table: %1").arg(table);
    // Only a sound file is touched: WAL is already set by the init command, so this
    // changes nothing on disk for a file it made.
    for (const char *pragma : {"PRAGMA foreign_keys = ON", "PRAGMA journal_mode = WAL"})
        if (!q.exec(QString::fromLatin1(pragma)))
            return engineMessage(q.lastError());
    return std::nullopt;
}

} // namespace

std::optional<QString> open(const QString &path, const QString &connectionName)
{
    const QFileInfo info(path);
    if (!info.isFile())
        return QStringLiteral("unable to open database file %1").arg(info.absoluteFilePath());
    std::optional<QString> failure;
    {
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), connectionName);
        // mode=rw: SQLite itself refuses to create the file should it vanish meanwhile.
        db.setDatabaseName(QUrl::fromLocalFile(info.absoluteFilePath()).toString(QUrl::FullyEncoded) +
                           QStringLiteral("?mode=rw"));
        db.setConnectOptions(QStringLiteral("QSQLITE_OPEN_URI;QSQLITE_BUSY_TIMEOUT=5000"));
        if (!db.open())
            failure = engineMessage(db.lastError());
        else
            failure = check(db);
        if (failure)
            db.close();
    }
    if (failure)
        QSqlDatabase::removeDatabase(connectionName);
    return failure;
}

void close(const QString &connectionName)
{
    {
        QSqlDatabase db = QSqlDatabase::database(connectionName, false);
        if (db.isValid())
            db.close();
    }
    QSqlDatabase::removeDatabase(connectionName);
}

} // namespace Database

WriteTransaction::WriteTransaction(QSqlDatabase db) : m_db(std::move(db))
{
    QSqlQuery q(m_db);
    m_active = q.exec(QStringLiteral("BEGIN IMMEDIATE"));
    if (!m_active)
        m_error = Database::engineMessage(q.lastError());
}

WriteTransaction::~WriteTransaction()
{
    if (m_active)
        QSqlQuery(m_db).exec(QStringLiteral("ROLLBACK"));
}

bool WriteTransaction::commit()
{
    if (!m_active)
        return false;
    QSqlQuery q(m_db);
    if (q.exec(QStringLiteral("COMMIT"))) {
        m_active = false;
        return true;
    }
    m_error = Database::engineMessage(q.lastError());
    QSqlQuery(m_db).exec(QStringLiteral("ROLLBACK"));
    m_active = false;
    return false;
}
