// Making a new TK710DB.db: schema, the controller's initial rows, optional demo data.
//
// The file is built under a temporary name next to the target and only renamed into place
// once it is complete and closed, so the programs never find a half-made database under the
// real name, whatever happens to the init command.
#include "common/DatabaseInit.h"

#include "common/DemoData.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QUuid>

#include <utility>

// The schema script lives in the library's resources; a static library needs them registered
// explicitly (outside any namespace).
static void registerCommonResources()
{
    Q_INIT_RESOURCE(common);
}

namespace DatabaseInit {

namespace {

constexpr int kStandCount = 10;
constexpr int kPositionCount = 100;

// Splits a script into statements: a statement ends with ';' at the end of a line, and "--"
// starts a comment to the end of the line. The schema has no string literals, so a "--" is
// always a comment.
QStringList splitScript(const QString &script)
{
    QStringList statements;
    QString current;
    const QStringList lines = script.split(QLatin1Char('\n'));
    for (const QString &rawLine : lines) {
        QString line = rawLine;
        const qsizetype comment = line.indexOf(QLatin1String("--"));
        if (comment >= 0)
            line.truncate(comment);
        line = line.trimmed();
        if (line.isEmpty())
            continue;
        if (!current.isEmpty())
            current += QLatin1Char('\n');
        current += line;
        if (current.endsWith(QLatin1Char(';'))) {
            current.chop(1);
            statements << current.trimmed();
            current.clear();
        }
    }
    if (!current.trimmed().isEmpty())
        statements << current.trimmed();
    return statements;
}

QString exec(QSqlDatabase &db, const QString &sql)
{
    QSqlQuery query(db);
    if (query.exec(sql))
        return {};
    return QStringLiteral("Database statement failed (%1): %2")
        .arg(sql.section(QLatin1Char('\n'), 0, 0), query.lastError().text());
}

QString insertStands(QSqlDatabase &db, qint64 pointTip)
{
    for (int stand = 1; stand <= kStandCount; ++stand) {
        Fields fields{{QStringLiteral("PNumStend"), stand},
                      {QStringLiteral("PPointTip"), pointTip},
                      {QStringLiteral("PChecked"), false}};
        for (int position = 1; position <= kPositionCount; ++position)
            fields.append({QStringLiteral("PCh%1").arg(position), false});
        if (QString error = insertRow(db, QStringLiteral("TableStend"), fields); !error.isEmpty())
            return error;
    }
    return {};
}

// The manual-mode defaults the controller would otherwise append on first use; voltage,
// current, angle and lower limit stay empty until the operator types them.
QString insertHand(QSqlDatabase &db)
{
    const QVariant empty;
    return insertRow(db, QStringLiteral("THand"),
                     {{QStringLiteral("PVoltage"), empty},
                      {QStringLiteral("PTok"), empty},
                      {QStringLiteral("PPerU"), 100.0},
                      {QStringLiteral("PPerI"), 100.0},
                      {QStringLiteral("PKM"), 1.0},
                      {QStringLiteral("PLC"), 0},
                      {QStringLiteral("PAngle"), empty},
                      {QStringLiteral("PTimeM"), 0},
                      {QStringLiteral("PTimeS"), 10},
                      {QStringLiteral("PDop"), 1.0},
                      {QStringLiteral("PDopMin"), empty},
                      {QStringLiteral("PFreq"), 50.0},
                      {QStringLiteral("PInversionTok"), false},
                      {QStringLiteral("PPerUProgon"), 100.0},
                      {QStringLiteral("PPerIProgon"), 100.0},
                      {QStringLiteral("PTimeMProgon"), 10},
                      {QStringLiteral("PTimeSProgon"), 0},
                      {QStringLiteral("PProgon"), false}});
}

QString fillInOneTransaction(QSqlDatabase &db, const QStringList &statements, bool demo)
{
    QString error;
    for (const QString &statement : statements) {
        error = exec(db, statement);
        if (!error.isEmpty())
            return error;
    }
    qint64 pointTip = 0;
    if (demo) {
        error = DemoData::insertDemoData(db, pointTip);
        if (!error.isEmpty())
            return error;
    }
    error = insertStands(db, pointTip);
    if (error.isEmpty())
        error = insertHand(db);
    return error;
}

// Builds the whole database in `file`, in the default rollback-journal mode, and switches it
// to WAL as the last step. WAL mode is recorded in the file itself; closing the only
// connection checkpoints and removes the -wal and -shm companions.
QString buildFile(const QString &file, const QStringList &statements, bool demo)
{
    const QString connection =
        QStringLiteral("tk710-db-init-") + QUuid::createUuid().toString(QUuid::WithoutBraces);
    QString error;
    {
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), connection);
        db.setDatabaseName(file);
        if (!db.open()) {
            error = QStringLiteral("Cannot create database file %1: %2")
                        .arg(QDir::toNativeSeparators(file), db.lastError().text());
        } else {
            error = exec(db, QStringLiteral("BEGIN IMMEDIATE"));
            if (error.isEmpty()) {
                error = fillInOneTransaction(db, statements, demo);
                if (error.isEmpty())
                    error = exec(db, QStringLiteral("COMMIT"));
                if (!error.isEmpty())
                    exec(db, QStringLiteral("ROLLBACK"));
            }
            if (error.isEmpty()) {
                QSqlQuery mode(db);
                if (!mode.exec(QStringLiteral("PRAGMA journal_mode=WAL")) || !mode.next()
                    || mode.value(0).toString().compare(QLatin1String("wal"), Qt::CaseInsensitive) != 0)
                    error = QStringLiteral("Cannot switch the database to WAL journal mode: %1")
                                .arg(mode.lastError().text());
            }
            if (error.isEmpty())
                error = exec(db, QStringLiteral("PRAGMA wal_checkpoint(TRUNCATE)"));
            db.close();
        }
    }
    QSqlDatabase::removeDatabase(connection);
    return error;
}

const QStringList &companionSuffixes()
{
    static const QStringList suffixes{QStringLiteral("-journal"), QStringLiteral("-wal"),
                                      QStringLiteral("-shm")};
    return suffixes;
}

// Removes the temporary database and its companions unless the file made it into place.
class TemporaryDatabase
{
public:
    explicit TemporaryDatabase(QString file) : m_file(std::move(file)) {}
    ~TemporaryDatabase()
    {
        if (m_keep)
            return;
        QFile::remove(m_file);
        for (const QString &suffix : companionSuffixes())
            QFile::remove(m_file + suffix);
    }
    TemporaryDatabase(const TemporaryDatabase &) = delete;
    TemporaryDatabase &operator=(const TemporaryDatabase &) = delete;

    const QString &file() const { return m_file; }
    void keep() { m_keep = true; }

private:
    QString m_file;
    bool m_keep = false;
};

} // namespace

QString insertRow(QSqlDatabase &db, const QString &table, const Fields &fields, qint64 *rowId)
{
    QStringList columns;
    QStringList marks;
    for (const auto &field : fields) {
        columns << field.first;
        marks << QStringLiteral("?");
    }
    QSqlQuery query(db);
    if (!query.prepare(QStringLiteral("INSERT INTO %1 (%2) VALUES (%3)")
                           .arg(table, columns.join(QLatin1String(", ")), marks.join(QLatin1String(", ")))))
        return QStringLiteral("Cannot insert into %1: %2").arg(table, query.lastError().text());
    for (const auto &field : fields)
        query.addBindValue(field.second);
    if (!query.exec())
        return QStringLiteral("Cannot insert into %1: %2").arg(table, query.lastError().text());
    if (rowId)
        *rowId = query.lastInsertId().toLongLong();
    return {};
}

QStringList schemaStatements()
{
    registerCommonResources();
    QFile file(QStringLiteral(":/common/schema.sql"));
    if (!file.open(QIODevice::ReadOnly | QIODevice::Text))
        return {};
    return splitScript(QString::fromUtf8(file.readAll()));
}

QStringList tableNames()
{
    static const QRegularExpression createTable(QStringLiteral("^CREATE\\s+TABLE\\s+(\\w+)"),
                                                QRegularExpression::CaseInsensitiveOption);
    QStringList names;
    const QStringList statements = schemaStatements();
    for (const QString &statement : statements) {
        const QRegularExpressionMatch match = createTable.match(statement);
        if (match.hasMatch())
            names << match.captured(1);
    }
    return names;
}

QString createDatabase(const QString &path, bool demo)
{
    if (path.isEmpty())
        return QStringLiteral("No database file given");
    const QFileInfo target(path);
    const QString nativePath = QDir::toNativeSeparators(path);
    if (target.exists() || target.isSymLink())
        return QStringLiteral("Database file already exists: %1").arg(nativePath);
    const QDir folder = target.absoluteDir();
    if (!folder.exists())
        return QStringLiteral("Folder does not exist: %1").arg(QDir::toNativeSeparators(folder.path()));

    const QStringList statements = schemaStatements();
    if (statements.isEmpty())
        return QStringLiteral("The schema script is missing from this program");

    // Same folder, so the final rename stays on one file system; a fresh name per attempt.
    const QString temporaryName = folder.filePath(QStringLiteral(".%1.%2.init").arg(
        target.fileName(), QUuid::createUuid().toString(QUuid::WithoutBraces)));
    if (QFileInfo::exists(temporaryName))
        return QStringLiteral("Temporary file already exists: %1").arg(QDir::toNativeSeparators(temporaryName));
    TemporaryDatabase temporary(temporaryName);

    if (QString error = buildFile(temporary.file(), statements, demo); !error.isEmpty())
        return error;
    for (const QString &suffix : companionSuffixes()) {
        if (QFileInfo::exists(temporary.file() + suffix))
            return QStringLiteral("The new database was not closed cleanly (%1 left behind)")
                .arg(QDir::toNativeSeparators(temporary.file() + suffix));
    }

    // QFile::rename never replaces an existing file, so a file that appeared meanwhile is kept.
    QFile built(temporary.file());
    if (!built.rename(target.absoluteFilePath())) {
        if (QFileInfo::exists(path) || QFileInfo(path).isSymLink())
            return QStringLiteral("Database file already exists: %1").arg(nativePath);
        return QStringLiteral("Cannot move the new database to %1: %2").arg(nativePath, built.errorString());
    }
    temporary.keep();
    return {};
}

} // namespace DatabaseInit
