// The database program's entry sequence up to its message loop: guard against a second
// copy, the main window, then the database.
#pragma once

#include "common/ProgramSession.h"

#include <QString>
#include <memory>

class Prompts;

namespace base {

class TFExpert;

inline const QString BaseTitle = QStringLiteral("База данных TK710");
inline const QString BaseConnection = QStringLiteral("BaseTK710");

class BaseSession
{
public:
    BaseSession();
    ~BaseSession();
    TFExpert *mainWindow() const { return m_mainWindow.get(); }

private:
    friend std::unique_ptr<BaseSession> startBase(Prompts &, int *);
    ProgramSession m_program;
    std::unique_ptr<TFExpert> m_mainWindow;
};

/// Runs the entry sequence in the working directory; nullptr with `exitCode` set when the
/// program must end (the reason has been shown through `prompts`).
std::unique_ptr<BaseSession> startBase(Prompts &prompts, int *exitCode);

} // namespace base
