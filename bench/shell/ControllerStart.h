// The controller's entry sequence up to its message loop: guard against a second copy,
// '.' as the decimal separator, the database, then the windows.
#pragma once

#include "common/ProgramSession.h"

#include <QString>
#include <memory>

class Prompts;
class RegistryIni;
class Scheduler;

namespace sim {
class BenchSimulator;
}

namespace bench {

class TDM;
class TFMain;
class TFdataReport;

inline const QString ControllerGuardName = QStringLiteral("Программа управления установкой TK710");
inline const QString ControllerTitle = QStringLiteral("Сталверт TK710 v2.51");
inline const QString ControllerConnection = QStringLiteral("TK710");

/// Everything the running controller owns; the windows go before the database and guard.
class ControllerSession
{
public:
    ControllerSession();
    ~ControllerSession();
    TFMain *mainWindow() const { return m_mainWindow.get(); }
    TFdataReport *dataReport() const { return m_dataReport.get(); }
    sim::BenchSimulator *simulator() const { return m_simulator.get(); }
    TDM *dm() const { return m_dm.get(); }

private:
    friend std::unique_ptr<ControllerSession> startController(Prompts &, int *);
    ProgramSession m_program;
    std::unique_ptr<TDM> m_dm;
    std::unique_ptr<Scheduler> m_scheduler;
    std::unique_ptr<RegistryIni> m_registry;
    std::unique_ptr<sim::BenchSimulator> m_simulator; ///< the built-in bench ("Имитатор установки")
    std::unique_ptr<TFMain> m_mainWindow;
    std::unique_ptr<TFdataReport> m_dataReport;
};

/// Runs the entry sequence in the working directory. Returns the session to run the message
/// loop for, or nullptr with `exitCode` set when the program must end (second copy, no
/// usable database); the reason has been shown through `prompts` then.
std::unique_ptr<ControllerSession> startController(Prompts &prompts, int *exitCode);

} // namespace bench
