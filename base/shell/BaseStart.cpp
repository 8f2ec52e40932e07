#include "base/shell/BaseStart.h"

#include "base/shell/TFExpert.h"
#include "common/Database.h"
#include "common/Prompts.h"

#include <QApplication>
#include <QDir>

namespace base {

BaseSession::BaseSession() : m_guard(BaseTitle) {}

BaseSession::~BaseSession()
{
    m_mainWindow.reset();
    if (m_databaseOpen)
        Database::close(BaseConnection);
}

std::unique_ptr<BaseSession> startBase(Prompts &prompts, int *exitCode)
{
    auto session = std::make_unique<BaseSession>();
    if (!enterSingleInstance(session->m_guard, prompts, BaseTitle)) {
        *exitCode = 1;
        return nullptr;
    }
    QApplication::setApplicationDisplayName(BaseTitle);
    session->m_mainWindow = std::make_unique<TFExpert>();
    if (const auto failure = Database::open(QDir::current().filePath(Database::FileName), BaseConnection)) {
        // The database layer's own words, so the user sees which file and why.
        prompts.message(Prompts::Icon::Error, BaseTitle, *failure);
        *exitCode = 1;
        return nullptr;
    }
    session->m_databaseOpen = true;
    *exitCode = 0;
    return session;
}

} // namespace base
