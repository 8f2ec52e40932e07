// The controller's real serial path against the real simulator program: frames sent through
// the port component over QSerialPort reach tk710-bench-sim byte-exact on its
// pseudo-terminal, and its replies come back assembled.
#include "bench/link/FrameLink.h"
#include "bench/link/Frames.h"
#include "bench/link/QtSerialLine.h"
#include "bench/link/TAsynCom.h"
#include "common/Scheduler.h"
#include "common/UTools.h"

#include <QProcess>
#include <QSignalSpy>
#include <QTest>

using namespace bench;

class TstBenchSimSerial : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase();
    void cleanupTestCase();
    void framesReachTheSimulatorAndRepliesAreAssembled();

private:
    QProcess m_sim;
    QString m_path;
    QByteArray m_trace;
    QByteArray received(); ///< every byte the simulator says it received so far
};

void TstBenchSimSerial::initTestCase()
{
    m_sim.start(QStringLiteral(TK710_BIN_DIR "/tk710-bench-sim"), {"--stands", "1,3", "--trace"});
    QVERIFY(m_sim.waitForStarted(5000));
    QVERIFY(m_sim.waitForReadyRead(5000));
    m_path = QString::fromLocal8Bit(m_sim.readLine()).trimmed();
    QVERIFY2(m_path.startsWith("/dev/"), qPrintable(m_path));
}

void TstBenchSimSerial::cleanupTestCase()
{
    m_sim.terminate();
    QVERIFY(m_sim.waitForFinished(5000));
    QCOMPARE(m_sim.exitCode(), 0);
}

QByteArray TstBenchSimSerial::received()
{
    m_trace += m_sim.readAllStandardError();
    QByteArray bytes;
    for (const QByteArray &line : m_trace.split('\n'))
        if (line.startsWith("<- "))
            bytes += QByteArray::fromHex(line.mid(3).replace(' ', ""));
    return bytes;
}

void TstBenchSimSerial::framesReachTheSimulatorAndRepliesAreAssembled()
{
    const auto scheduler = makeQtScheduler();
    TAsynCom port(*scheduler, [](const QString &) { return std::make_unique<QtSerialLine>(); });
    port.setRTS(true);
    port.setBaudRate(19200);
    port.setByteSize(8);
    port.setPortName(m_path);
    port.Open();
    QVERIFY2(port.IsOpen(), qPrintable(port.errorString()));
    FrameLink link(port);
    QSignalSpy replies(&link, &FrameLink::replyReceived);

    QByteArray sent;
    const auto exchange = [&](const QByteArray &frame) {
        sent += frame;
        link.SendFrame(frame);
        return replies.wait(3000) ? replies.takeFirst().at(0).toByteArray() : QByteArray();
    };

    const QByteArray ack("\x06\x03\x00", 3);
    QCOMPARE(exchange(frames::probe(frames::SourceAddress)), QByteArray("/1") + ack);
    QCOMPARE(exchange(frames::probe(frames::standAddress(1))), QByteArray("/2") + ack);
    QCOMPARE(exchange(frames::probe(frames::standAddress(3))), QByteArray("/4") + ack);

    const QByteArray status = exchange(frames::sourceRead());
    QVERIFY2(status.startsWith(QByteArray("/1") + UTools::STX), status.toHex(' ').constData());
    QVERIFY(UTools::ReplyChecksumOk(status));
    QVERIFY(status.contains("E("));

    sent += frames::probe(frames::standAddress(2));
    link.SendFrame(frames::probe(frames::standAddress(2))); // stand 2 is not there
    QVERIFY(!replies.wait(500));

    QTRY_COMPARE_WITH_TIMEOUT(received(), sent, 3000);
}

QTEST_GUILESS_MAIN(TstBenchSimSerial)
#include "tst_benchsimserial.moc"
