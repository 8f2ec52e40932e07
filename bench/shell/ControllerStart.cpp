#include "bench/shell/ControllerStart.h"

#include "bench/shell/TFMain.h"
#include "common/Database.h"
#include "common/Prompts.h"

#include <QApplication>
#include <QDir>
#include <QLocale>

namespace bench {

ControllerSession::ControllerSession() : m_guard(ControllerGuardName) {}

ControllerSession::~ControllerSession()
{
    m_mainWindow.reset();
    if (m_databaseOpen)
        Database::close(ControllerConnection);
}

std::unique_ptr<ControllerSession> startController(Prompts &prompts, int *exitCode)
{
    auto session = std::make_unique<ControllerSession>();
    if (!enterSingleInstance(session->m_guard, prompts, ControllerGuardName)) {
        *exitCode = 1;
        return nullptr;
    }
    // Every number the controller prints or parses, frames included, uses '.', whatever
    // the regional settings say.
    QLocale c = QLocale::c();
    c.setNumberOptions(QLocale::OmitGroupSeparator);
    QLocale::setDefault(c);
    QApplication::setApplicationDisplayName(ControllerTitle);

    if (const auto failure = Database::open(QDir::current().filePath(Database::FileName), ControllerConnection)) {
        prompts.message(Prompts::Icon::Error, ControllerTitle, QStringLiteral("You have lost data due to ") + *failure);
        *exitCode = 1;
        return nullptr;
    }
    session->m_databaseOpen = true;
    session->m_mainWindow = std::make_unique<TFMain>();
    *exitCode = 0;
    return session;
}

} // namespace bench
