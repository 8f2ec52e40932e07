// tk710-bench-sim as the controller meets it: a real program on a pseudo-terminal, opened
// with a plain serial port. Replies are checked byte for byte; the program must survive the
// port being closed and opened again, and end cleanly on SIGTERM.
#include "common/UTools.h"

#include <QDeadlineTimer>
#include <QFile>
#include <QProcess>
#include <QSerialPort>
#include <QTest>

using UTools::ACK;
using UTools::ETX;
using UTools::SOH;
using UTools::STX;

namespace {

const QString kProgram = QStringLiteral(TK710_BIN_DIR "/tk710-bench-sim");

// Reads until a whole reply is in (ETX second to last), or the time is up.
QByteArray ReadReply(QSerialPort &port, int timeoutMs = 3000)
{
    QByteArray reply;
    const QDeadlineTimer deadline(timeoutMs);
    while (!(reply.size() >= 2 && reply.at(reply.size() - 2) == ETX) && !deadline.hasExpired()) {
        if (port.bytesAvailable() > 0 || port.waitForReadyRead(int(deadline.remainingTime())))
            reply += port.readAll();
    }
    return reply;
}

QByteArray Exchange(QSerialPort &port, const QByteArray &request)
{
    port.write(request);
    port.waitForBytesWritten(1000);
    return ReadReply(port);
}

bool OpenPort(QSerialPort &port, const QString &path)
{
    port.setPortName(path);
    if (!port.open(QIODevice::ReadWrite))
        return false;
    port.setBaudRate(19200);
    port.setDataBits(QSerialPort::Data8);
    port.setParity(QSerialPort::NoParity);
    port.setStopBits(QSerialPort::OneStop);
    port.setFlowControl(QSerialPort::NoFlowControl);
    return true;
}

// CPU time a process has used so far, in clock ticks (user + system, from /proc).
qint64 CpuTicks(qint64 pid)
{
    QFile stat(QStringLiteral("/proc/%1/stat").arg(pid));
    if (!stat.open(QIODevice::ReadOnly))
        return -1;
    const QByteArray text = stat.readAll();
    const QList<QByteArray> fields = text.mid(text.lastIndexOf(')') + 2).split(' ');
    return fields.size() > 12 ? fields.at(11).toLongLong() + fields.at(12).toLongLong() : -1;
}

} // namespace

class TstBenchSimPty : public QObject
{
    Q_OBJECT
private slots:
    void servesTheBenchOnAPseudoTerminal();
    void refusesBadOptions_data();
    void refusesBadOptions();
};

void TstBenchSimPty::servesTheBenchOnAPseudoTerminal()
{
    QProcess sim;
    sim.start(kProgram, {QStringLiteral("--stands"), QStringLiteral("2")});
    QVERIFY2(sim.waitForStarted(5000), qPrintable(sim.errorString()));

    QByteArray out;
    const QDeadlineTimer deadline(5000);
    while (!out.contains('\n') && !deadline.hasExpired() && sim.waitForReadyRead(int(deadline.remainingTime())))
        out += sim.readAllStandardOutput();
    QVERIFY2(out.contains('\n'), sim.readAllStandardError().constData());
    const QString path = QString::fromLocal8Bit(out.left(out.indexOf('\n')));
    QVERIFY2(path.startsWith(QStringLiteral("/dev/")), qPrintable(path));

    QSerialPort port;
    QVERIFY2(OpenPort(port, path), qPrintable(port.errorString()));
    const QByteArray ack = QByteArray("/1") + ACK + ETX + '\0';
    QCOMPARE(Exchange(port, QByteArray("1") + SOH + 'U' + ETX + '\0'), ack);

    QByteArray readings = QByteArray("/1") + STX + "1(0)2(0)4(0)5(0):(0)7(5)Z(0)E(16)" + ETX + '\0';
    readings.back() = char(UTools::ReplyChecksum(readings));
    QCOMPARE(Exchange(port, QByteArray("1?") + ETX + '\0'), readings);

    // The controller closes its port and opens it again: the bench is still there, and
    // only the stand asked for is present.
    port.close();
    QVERIFY2(OpenPort(port, path), qPrintable(port.errorString()));
    QCOMPARE(Exchange(port, QByteArray("3") + SOH + 'U' + ETX + '\0'), QByteArray("/3") + ACK + ETX + '\0');
    // Without a scenario it is the demo bench: nothing measured before a meter setup, then
    // its meters report an error value after the first measurement period (1 s here).
    QCOMPARE(Exchange(port, QByteArray("3?") + ETX + '\0'), QByteArray("/3") + ACK + ETX + '\0');
    const auto frame = [](char command, const QByteArray &field) {
        const QByteArray f = QByteArray("3") + SOH + command + STX + field + ETX;
        return f + char(UTools::FrameChecksum(f));
    };
    QCOMPARE(Exchange(port, frame('U', "hX0YiX0YaX220YbX5YdX1YeX1Y")), QByteArray("/3") + ACK + ETX + '\0');
    QCOMPARE(Exchange(port, frame('P', "gX2YfX1600YeX1Y")), QByteArray("/3") + ACK + ETX + '\0');
    QTest::qWait(1100);
    QVERIFY(Exchange(port, QByteArray("3?") + ETX + '\0').startsWith(QByteArray("/3") + STX + "1("));
    port.write(QByteArray("2") + SOH + 'U' + ETX + '\0');
    QVERIFY(ReadReply(port, 300).isEmpty());
    port.close();

    // With nobody on the terminal the program idles; it does not spin on a hung-up master.
    const qint64 before = CpuTicks(sim.processId());
    QTest::qWait(500);
    const qint64 used = CpuTicks(sim.processId()) - before;
    QVERIFY2(before >= 0 && used < 10, qPrintable(QStringLiteral("%1 ticks").arg(used)));

    sim.terminate(); // SIGTERM
    QVERIFY(sim.waitForFinished(5000));
    QCOMPARE(sim.exitStatus(), QProcess::NormalExit);
    QCOMPARE(sim.exitCode(), 0);
}

void TstBenchSimPty::refusesBadOptions_data()
{
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<QString>("complaint");
    QTest::newRow("stand 11") << QStringList{"--stands", "1,11"} << "--stands";
    QTest::newRow("missing scenario") << QStringList{"--scenario", "/nonexistent/bench.json"} << "bench.json";
    QTest::newRow("stray argument") << QStringList{"extra"} << "extra";
}

void TstBenchSimPty::refusesBadOptions()
{
    QFETCH(QStringList, arguments);
    QFETCH(QString, complaint);
    QProcess sim;
    sim.start(kProgram, arguments);
    QVERIFY(sim.waitForFinished(5000));
    QCOMPARE(sim.exitCode(), 2);
    QVERIFY(sim.readAllStandardOutput().isEmpty()); // no terminal offered
    const QString said = QString::fromLocal8Bit(sim.readAllStandardError());
    QVERIFY2(said.contains(complaint), qPrintable(said));
}

QTEST_GUILESS_MAIN(TstBenchSimPty)
#include "tst_benchsim_pty.moc"
