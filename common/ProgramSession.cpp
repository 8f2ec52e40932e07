#include "common/ProgramSession.h"

#include "common/Database.h"

#include <QDir>

ProgramSession::ProgramSession(const QString &guardName, QString connectionName)
    : m_guard(guardName), m_connection(std::move(connectionName))
{
}

ProgramSession::~ProgramSession()
{
    if (m_databaseOpen)
        Database::close(m_connection);
}

bool ProgramSession::enterSingleInstance(Prompts &prompts, const QString &caption)
{
    return ::enterSingleInstance(m_guard, prompts, caption);
}

std::optional<QString> ProgramSession::openDatabase()
{
    auto failure = Database::open(QDir::current().filePath(Database::FileName), m_connection);
    m_databaseOpen = !failure;
    return failure;
}
