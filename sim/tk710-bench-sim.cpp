// tk710-bench-sim: the simulated bench on a pseudo-terminal. It prints the path of the
// terminal's slave side as the first line of its output; the controller (or anything
// else that speaks the bench protocol) opens that path as its serial port. SIGINT or
// SIGTERM end it cleanly.
#include "common/Scheduler.h"
#include "sim/BenchSimulator.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QSocketNotifier>

#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <functional>
#include <memory>
#include <optional>
#include <termios.h>
#include <unistd.h>

namespace {

// Self-pipe: the signal handler only writes a byte; the event loop does the rest.
int g_signalPipe[2] = {-1, -1};

void OnStopSignal(int)
{
    const int saved = errno;
    const char b = 1;
    [[maybe_unused]] const ssize_t n = ::write(g_signalPipe[1], &b, 1);
    errno = saved;
}

QString SystemError(const char *what)
{
    return QStringLiteral("%1: %2").arg(QLatin1String(what), QString::fromLocal8Bit(std::strerror(errno)));
}

bool SetNonBlocking(int fd)
{
    const int flags = ::fcntl(fd, F_GETFL);
    return flags >= 0 && ::fcntl(fd, F_SETFL, flags | O_NONBLOCK) == 0 && ::fcntl(fd, F_SETFD, FD_CLOEXEC) == 0;
}

// The master side of a pseudo-terminal, read and written from the event loop.
class PtyPort
{
public:
    std::function<void(const QByteArray &)> onReceived;

    ~PtyPort()
    {
        m_readNotifier.reset();
        m_writeNotifier.reset();
        if (m_slave >= 0)
            ::close(m_slave);
        if (m_master >= 0)
            ::close(m_master);
    }

    /// Empty when the terminal is ready, else what went wrong.
    QString open()
    {
        m_master = ::posix_openpt(O_RDWR | O_NOCTTY);
        if (m_master < 0)
            return SystemError("posix_openpt");
        if (::grantpt(m_master) != 0)
            return SystemError("grantpt");
        if (::unlockpt(m_master) != 0)
            return SystemError("unlockpt");
        const char *name = ::ptsname(m_master);
        if (!name)
            return SystemError("ptsname");
        m_slavePath = QString::fromLocal8Bit(name);

        // Raw on both sides: no echo, no line editing, no translation of CR or of 0x03.
        termios tio{};
        if (::tcgetattr(m_master, &tio) != 0)
            return SystemError("tcgetattr");
        ::cfmakeraw(&tio);
        ::cfsetispeed(&tio, B19200);
        ::cfsetospeed(&tio, B19200);
        if (::tcsetattr(m_master, TCSANOW, &tio) != 0)
            return SystemError("tcsetattr");

        // Our own hold on the slave: without it the master reads EIO whenever the
        // controller has its side closed (before it opens it, and after it leaves).
        m_slave = ::open(name, O_RDWR | O_NOCTTY | O_CLOEXEC);
        if (m_slave < 0)
            return SystemError("open slave");
        if (!SetNonBlocking(m_master))
            return SystemError("fcntl");

        m_readNotifier = std::make_unique<QSocketNotifier>(m_master, QSocketNotifier::Read);
        QObject::connect(m_readNotifier.get(), &QSocketNotifier::activated, [this] { readAll(); });
        m_writeNotifier = std::make_unique<QSocketNotifier>(m_master, QSocketNotifier::Write);
        m_writeNotifier->setEnabled(false);
        QObject::connect(m_writeNotifier.get(), &QSocketNotifier::activated, [this] { flush(); });
        return {};
    }

    QString slavePath() const { return m_slavePath; }

    void write(const QByteArray &bytes)
    {
        // Nobody reads the terminal: drop rather than grow without end.
        if (m_pending.size() + bytes.size() > kMaxPending) {
            std::fprintf(stderr, "tk710-bench-sim: nobody reads the terminal, reply dropped\n");
            return;
        }
        m_pending += bytes;
        flush();
    }

private:
    static constexpr qsizetype kMaxPending = 64 * 1024;

    void readAll()
    {
        char buf[4096];
        for (;;) {
            const ssize_t n = ::read(m_master, buf, sizeof buf);
            if (n > 0) {
                if (onReceived)
                    onReceived(QByteArray(buf, qsizetype(n)));
                continue;
            }
            if (n < 0 && errno == EINTR)
                continue;
            return; // EAGAIN: all read
        }
    }

    void flush()
    {
        while (!m_pending.isEmpty()) {
            const ssize_t n = ::write(m_master, m_pending.constData(), size_t(m_pending.size()));
            if (n > 0) {
                m_pending.remove(0, qsizetype(n));
            } else if (n < 0 && errno == EINTR) {
                continue;
            } else if (n < 0 && (errno == EAGAIN || errno == EWOULDBLOCK)) {
                break;
            } else {
                std::fprintf(stderr, "tk710-bench-sim: %s\n", qPrintable(SystemError("write")));
                m_pending.clear();
            }
        }
        m_writeNotifier->setEnabled(!m_pending.isEmpty());
    }

    int m_master = -1;
    int m_slave = -1;
    QString m_slavePath;
    QByteArray m_pending;
    std::unique_ptr<QSocketNotifier> m_readNotifier;
    std::unique_ptr<QSocketNotifier> m_writeNotifier;
};

// "1,2,3" -> {1, 2, 3}; an empty text means no stands. nullopt when a number is not 1..10.
std::optional<QList<int>> ParseStands(const QString &text)
{
    QList<int> stands;
    for (const QString &part : text.split(',', Qt::SkipEmptyParts)) {
        bool ok = false;
        const int n = part.trimmed().toInt(&ok);
        if (!ok || n < 1 || n > sim::BenchSimulator::StandCount)
            return std::nullopt;
        stands << n;
    }
    return stands;
}

int Fail(const QString &message)
{
    std::fprintf(stderr, "tk710-bench-sim: %s\n", qPrintable(message));
    return 2;
}

} // namespace

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("tk710-bench-sim"));

    QCommandLineParser options;
    options.setApplicationDescription(QStringLiteral(
        "The simulated bench (power source and test stands) on a pseudo-terminal.\n"
        "Prints the terminal's path as the first line, then serves requests there until\n"
        "SIGINT or SIGTERM."));
    options.addHelpOption();
    const QCommandLineOption standsOption(QStringLiteral("stands"),
                                          QStringLiteral("Present stands, e.g. 1,2,3 (default: the scenario's, else 1,2,3)."),
                                          QStringLiteral("list"));
    const QCommandLineOption scenarioOption(QStringLiteral("scenario"),
                                            QStringLiteral("Scenario file: present stands, faults, source status faults, the meters."),
                                            QStringLiteral("file.json"));
    const QCommandLineOption traceOption(QStringLiteral("trace"),
                                         QStringLiteral("Print every byte received (<-) and sent (->) on stderr, in hex."));
    options.addOption(standsOption);
    options.addOption(scenarioOption);
    options.addOption(traceOption);
    options.process(app);
    if (!options.positionalArguments().isEmpty())
        return Fail(QStringLiteral("unexpected argument %1 (see --help)").arg(options.positionalArguments().first()));

    const std::unique_ptr<Scheduler> scheduler = makeQtScheduler();
    sim::BenchSimulator bench(*scheduler);
    if (options.isSet(scenarioOption)) {
        if (const QString complaint = bench.loadScenarioFile(options.value(scenarioOption)); !complaint.isEmpty())
            return Fail(complaint);
    } else {
        bench.applyScenario(sim::Scenario::demo());
    }
    if (options.isSet(standsOption)) {
        const auto stands = ParseStands(options.value(standsOption));
        if (!stands)
            return Fail(QStringLiteral("--stands wants stand numbers 1..10 separated by commas"));
        bench.setPresentStands(*stands);
    }

    if (::pipe(g_signalPipe) != 0 || !SetNonBlocking(g_signalPipe[0]) || !SetNonBlocking(g_signalPipe[1]))
        return Fail(SystemError("pipe"));
    QSocketNotifier stopNotifier(g_signalPipe[0], QSocketNotifier::Read);
    QObject::connect(&stopNotifier, &QSocketNotifier::activated, &app, &QCoreApplication::quit);
    struct sigaction action{};
    action.sa_handler = OnStopSignal;
    sigemptyset(&action.sa_mask);
    ::sigaction(SIGINT, &action, nullptr);
    ::sigaction(SIGTERM, &action, nullptr);

    PtyPort pty;
    if (const QString error = pty.open(); !error.isEmpty())
        return Fail(error);
    // A service engineer watching the line sees the bytes as they came, chunk by chunk.
    const bool trace = options.isSet(traceOption);
    const auto show = [trace](const char *direction, const QByteArray &bytes) {
        if (trace) {
            std::fprintf(stderr, "%s %s\n", direction, bytes.toHex(' ').toUpper().constData());
            std::fflush(stderr);
        }
    };
    pty.onReceived = [&bench, show](const QByteArray &bytes) {
        show("<-", bytes);
        bench.receive(bytes);
    };
    QObject::connect(&bench, &sim::BenchSimulator::transmit, [&pty, show](const QByteArray &chunk) {
        show("->", chunk);
        pty.write(chunk);
    });

    std::printf("%s\n", qPrintable(pty.slavePath()));
    std::fflush(stdout);
    QStringList present;
    for (int n : bench.presentStands())
        present << QString::number(n);
    std::fprintf(stderr, "tk710-bench-sim: source and stands [%s] at %s\n", qPrintable(present.join(',')),
                 qPrintable(pty.slavePath()));

    const int rc = app.exec();
    ::close(g_signalPipe[0]);
    ::close(g_signalPipe[1]);
    return rc;
}
