#include "base/shell/BaseStart.h"

#include "base/shell/TFExpert.h"
#include "common/Prompts.h"

#include <QApplication>

namespace base {

BaseSession::BaseSession() : m_program(BaseTitle, BaseConnection) {}

BaseSession::~BaseSession() = default;

std::unique_ptr<BaseSession> startBase(Prompts &prompts, int *exitCode)
{
    auto session = std::make_unique<BaseSession>();
    *exitCode = 1;
    if (!session->m_program.enterSingleInstance(prompts, BaseTitle))
        return nullptr;
    QApplication::setApplicationDisplayName(BaseTitle);
    session->m_mainWindow = std::make_unique<TFExpert>();
    if (const auto failure = session->m_program.openDatabase()) {
        // The database layer's own words, so the user sees which file and why.
        prompts.message(Prompts::Icon::Error, BaseTitle, *failure);
        return nullptr;
    }
    *exitCode = 0;
    return session;
}

} // namespace base
