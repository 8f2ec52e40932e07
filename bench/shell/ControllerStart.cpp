#include "bench/shell/ControllerStart.h"

#include "bench/data/TDM.h"
#include "bench/data/TFdataReport.h"
#include "bench/link/QtSerialLine.h"
#include "bench/shell/MainConfig.h"
#include "bench/shell/TFMain.h"
#include "common/Prompts.h"
#include "common/RegistryIni.h"
#include "common/Scheduler.h"
#include "sim/BenchSimulator.h"
#include "sim/Scenario.h"
#include "sim/SimLine.h"

#include <QApplication>
#include <QDir>
#include <QFileInfo>
#include <QLocale>
#include <QSerialPortInfo>

namespace bench {

ControllerSession::ControllerSession() : m_program(ControllerGuardName, ControllerConnection) {}

ControllerSession::~ControllerSession()
{
    // The protocol form and the main window first: they use the registry, the line and
    // the datasets; the data module closes its datasets before the connection goes.
    m_dataReport.reset();
    m_mainWindow.reset();
    if (m_dm)
        m_dm->DataModuleDestroy();
}

namespace {

/// Serial ports of this machine other than the two COM ports the menu always offers, and the
/// remembered port when it exists without being listed (a pseudo-terminal of the bench
/// simulator program, an adapter under an unusual name).
QStringList furtherPorts(const RegistryIni &registry)
{
    QStringList ports;
    for (const QSerialPortInfo &info : QSerialPortInfo::availablePorts()) {
        const QString name = info.systemLocation();
        if (name != comPortName(1) && name != comPortName(2))
            ports << name;
    }
    const QString remembered = registry.readString(config::StendKey, config::ComPort, QString());
    if (!remembered.isEmpty() && remembered != sim::SimulatorPortName && !ports.contains(remembered) &&
        remembered != comPortName(1) && remembered != comPortName(2) && QFileInfo::exists(remembered))
        ports << remembered;
    return ports;
}

/// A scenario file in the working folder sets up the built-in simulator (present stands,
/// faults) for training; without one it is the demo bench.
void loadSimulatorScenario(sim::BenchSimulator &simulator, Prompts &prompts)
{
    const QString path = QDir::current().filePath(QStringLiteral("bench-sim.json"));
    if (!QFileInfo::exists(path)) {
        simulator.applyScenario(sim::Scenario::demo()); // the demo bench, with a few meter values
        return;
    }
    if (const QString complaint = simulator.loadScenarioFile(path); !complaint.isEmpty())
        prompts.warning(ControllerTitle, QStringLiteral("Сценарий имитатора не загружен: ") + complaint);
}

} // namespace

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

    const auto lostData = [&prompts](const QString &failure) {
        prompts.message(Prompts::Icon::Error, ControllerTitle, QStringLiteral("You have lost data due to ") + failure);
    };
    if (const auto failure = session->m_program.openDatabase()) {
        lostData(*failure);
        return nullptr;
    }
    session->m_dm = std::make_unique<TDM>(ControllerConnection);
    if (const QString failure = session->m_dm->DataModuleCreate(); !failure.isEmpty()) {
        lostData(failure);
        return nullptr;
    }

    session->m_scheduler = makeQtScheduler();
    session->m_registry = RegistryIni::open();
    session->m_simulator = std::make_unique<sim::BenchSimulator>(*session->m_scheduler);
    loadSimulatorScenario(*session->m_simulator, prompts);
    Scheduler &scheduler = *session->m_scheduler;
    sim::BenchSimulator &simulator = *session->m_simulator;
    auto lineFactory = [&scheduler, &simulator](const QString &portName) -> std::unique_ptr<SerialLine> {
        if (portName == sim::SimulatorPortName)
            return std::make_unique<sim::SimLine>(scheduler, simulator);
        return std::make_unique<QtSerialLine>();
    };
    session->m_mainWindow = std::make_unique<TFMain>(
        MainDeps{scheduler, prompts, *session->m_registry, *session->m_dm, lineFactory, furtherPorts(*session->m_registry)});
    session->m_dataReport = std::make_unique<TFdataReport>(*session->m_registry, session->m_mainWindow.get());
    session->m_mainWindow->setDataReport(session->m_dataReport.get());
    *exitCode = 0;
    return session;
}

} // namespace bench
