#include "bench/shell/ControllerStart.h"

#include "bench/shell/TFMain.h"
#include "common/Prompts.h"

#include <QApplication>
#include <QLocale>

namespace bench {

ControllerSession::ControllerSession() : m_program(ControllerGuardName, ControllerConnection) {}

ControllerSession::~ControllerSession() = default;

std::unique_ptr<ControllerSession> startController(Prompts &prompts, int *exitCode)
{
    auto session = std::make_unique<ControllerSession>();
    *exitCode = 1;
    if (!session->m_program.enterSingleInstance(prompts, ControllerGuardName))
        return nullptr;
    // Every number the controller prints or parses, frames included, uses '.', whatever
    // the regional settings say.
    QLocale c = QLocale::c();
    c.setNumberOptions(QLocale::OmitGroupSeparator);
    QLocale::setDefault(c);
    QApplication::setApplicationDisplayName(ControllerTitle);

    if (const auto failure = session->m_program.openDatabase()) {
        prompts.message(Prompts::Icon::Error, ControllerTitle, QStringLiteral("You have lost data due to ") + *failure);
        return nullptr;
    }
    session->m_mainWindow = std::make_unique<TFMain>();
    *exitCode = 0;
    return session;
}

} // namespace bench
