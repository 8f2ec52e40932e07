// The same probe through the real serial stack: the main window on QSerialPort, talking to
// the tk710-bench-sim program on its pseudo-terminal, in real time.
#include "bench/data/TDM.h"
#include "bench/link/QtSerialLine.h"
#include "bench/shell/TFMain.h"
#include "common/RegistryIni.h"
#include "common/Scheduler.h"
#include "tests/fixtures/ControllerData.h"
#include "tests/fixtures/Fixtures.h"
#include "tests/fixtures/ScriptedPrompts.h"

#include <QAction>
#include <QListWidget>
#include <QMenu>
#include <QProcess>
#include <QTest>

using namespace bench;

class TstMainProbeSerial : public QObject
{
    Q_OBJECT
private slots:
    void probeThroughThePseudoTerminal();
};

void TstMainProbeSerial::probeThroughThePseudoTerminal()
{
    QProcess sim;
    sim.start(QStringLiteral(TK710_BIN_DIR "/tk710-bench-sim"), {"--stands", "2"});
    QVERIFY(sim.waitForStarted(5000) && sim.waitForReadyRead(5000));
    const QString path = QString::fromLocal8Bit(sim.readLine()).trimmed();

    fixtures::ControllerData data(QStringLiteral("probeserial"));
    QVERIFY(data.opened);
    QCOMPARE(data.dmFailure, QString());
    TDM *dm = data.dm.get();
    fixtures::TempRegistry reg;
    reg.registry().writeString("SoftWare\\TK710 v2.0\\confStend", "ComPort", path);
    const auto scheduler = makeQtScheduler();
    ScriptedPrompts prompts;
    {
        TFMain main(MainDeps{*scheduler, prompts, reg.registry(), *dm,
                             [](const QString &) { return std::make_unique<QtSerialLine>(); }, {path}});
        QVERIFY(main.Com1->IsOpen());
        QCOMPARE(main.Com1->portName(), path);
        QTRY_VERIFY_WITH_TIMEOUT(main.M_File->isEnabled(), 6000); // the first source reading
        main.AReply->trigger();
        QTRY_VERIFY_WITH_TIMEOUT(main.isEnabled(), 15000);
        QCOMPARE(main.CBStend->item(0)->text(), QString("Стенд 1 - нет"));
        QCOMPARE(main.CBStend->item(1)->text(), QString("Стенд 2 - есть"));
        QCOMPARE(main.CBStend->item(2)->text(), QString("Стенд 3 - нет"));
        QVERIFY(main.AHand->isEnabled());
        QCOMPARE(dm->ADOTableStend->rowCount(), 1);
        QVERIFY(prompts.shown().isEmpty());
        main.close(); // the closing frame goes out on the real line
    }
    sim.terminate();
    QVERIFY(sim.waitForFinished(5000));
    QCOMPARE(sim.exitCode(), 0);
}

QTEST_MAIN(TstMainProbeSerial)
#include "tst_mainprobeserial.moc"
