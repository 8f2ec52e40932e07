// The controller's main window: its layout by component names, the registry configuration it
// restores and keeps, the stand configuration dialog, the port choice and the close.
#include "bench/data/TDM.h"
#include "bench/data/TFdataReport.h"
#include "bench/link/FrameLink.h"
#include "bench/shell/ControllerStart.h"
#include "bench/shell/MainDialogs.h"
#include "bench/shell/TFMain.h"
#include "common/ProtocolSettings.h"
#include "common/RegistryIni.h"
#include "tests/fixtures/ControllerData.h"
#include "tests/fixtures/ControllerWindow.h"
#include "tests/fixtures/FakeSerialLine.h"
#include "tests/fixtures/Fixtures.h"
#include "tests/fixtures/ScriptedPrompts.h"
#include "tests/fixtures/VirtualScheduler.h"

#include <QAction>
#include <QButtonGroup>
#include <QCheckBox>
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QComboBox>
#include <QListWidget>
#include <QSqlQuery>
#include <QMenu>
#include <QSpinBox>
#include <QTest>
#include <QToolButton>

using namespace bench;

namespace {
const QString Stend = QStringLiteral("SoftWare\\TK710 v2.0\\confStend");
const QString Sens = QStringLiteral("SoftWare\\TK710 v2.0\\confSens");

/// A main window on fake lines, virtual time, scripted prompts, a temporary registry and a
/// fresh demo database.
struct Window : fixtures::ControllerWindow
{
    explicit Window(std::initializer_list<std::pair<QString, QString>> stored = {})
        : ControllerWindow(QStringLiteral("tfmain"))
    {
        for (const auto &[name, value] : stored)
            reg.registry().writeString(name == "Sens" ? Sens : Stend, name, value);
    }
    QString stored(const QString &name) { return reg.registry().readString(name == "Sens" ? Sens : Stend, name, "<none>"); }
    QStringList standLines() const
    {
        QStringList out;
        for (int i = 0; i < main->CBStend->count(); ++i)
            out << main->CBStend->item(i)->text() + (main->CBStend->item(i)->checkState() == Qt::Checked ? " [x]" : " [ ]");
        return out;
    }
};
} // namespace

class TstTFMain : public QObject
{
    Q_OBJECT
private slots:
    void layoutByComponentNames();
    void registryAtStartUp_data();
    void registryAtStartUp();
    void standCheckMarksAreWrittenAtOnce();
    void configDialogOkAndCancel();
    void portThatDoesNotOpenIsReportedAfterThreeTries();
    void vanishedPortIsReportedOnceAndReopensFromTheMenu();
    void databaseProgramIsStartedFromTheWorkingDirectory();
    void closeStoresTheConfigurationAndSendsTheClosingFrame();
    void consoleButtonDownKeepsTheCloseSilent();
    void protocolDataFormLoadsAndStores();
    void rememberedFilterTypeAndTest();
    void readOnlyRegistryIsReportedAtCloseAndLeftAlone();
};

void TstTFMain::layoutByComponentNames()
{
    Window w;
    TFMain &m = w.open();
    QCOMPARE(m.windowTitle(), QString("Сталверт TK710 v2.51"));
    struct Expected { QAction *action; const char *caption; const char *hint; };
    for (const Expected &e : {Expected{m.AHand, "Ручной режим", "Режим ручной проверки"},
                              Expected{m.AAutoRegul, "Режим регулировки", "Режим автоматической регулировки"},
                              Expected{m.AAutoMistake, "Автоматический режим", "Режим автоматической поверки"},
                              Expected{m.AReply, "Опросить стенды", "Опросить стенды"},
                              Expected{m.AStopButton, "Выключить источник", "Выключить источник"}}) {
        QCOMPARE(e.action->text(), QString(e.caption));
        QCOMPARE(e.action->toolTip(), QString(e.hint));
    }
    QCOMPARE(m.ARefr->shortcut(), QKeySequence(Qt::Key_F5));
    QCOMPARE(m.TBPult->toolTip(), QString("Работа с пультом"));
    QCOMPARE(m.M_File->title(), QString("Действия"));
    QCOMPARE(m.MProverka->title(), QString("&Проверка"));
    QCOMPARE(m.MPort->title(), QString("Поледовательный порт"));
    // At start: no reply yet, no stands found.
    QVERIFY(!m.PMenu->isEnabled());
    QVERIFY(!m.M_File->isEnabled());
    QVERIFY(!m.MProverka->isEnabled());
    QVERIFY(!m.AHand->isEnabled() && !m.AAutoRegul->isEnabled() && !m.AAutoMistake->isEnabled());
    QVERIFY(m.PTable->isHidden() && m.LTable->isHidden());
    QCOMPARE(m.LTable->text(), QString("Конфигурация стендов"));
    for (auto [panel, caption] : {std::pair{m.PVoltage, "U = "}, {m.PPower, "P = "}, {m.PTok, "I = "},
                                  {m.PFreg, "F = "}, {m.PKm, "Коэф. мощ. = "}, {m.PLimitcurrent, "Предел по току: "}})
        QCOMPARE(panel->text(), QString(caption));
    QCOMPARE(w.standLines(), (QStringList{"Стенд 1 [x]", "Стенд 2 [x]", "Стенд 3 [x]"}));
    QVERIFY(m.Mcom1->isChecked());
    for (const char *name : {"DBLTest", "DBTipF", "DBUnom", "DBInom", "DBStend", "CBProgon", "DBTimeMProg", "PProgon"})
        QVERIFY2(m.findChild<QWidget *>(name), name);
    QVERIFY(!m.DBTimeMProg->isEnabled()); // warm-up off: its edits are off too
    m.CBProgon->setChecked(true);
    QVERIFY(m.DBTimeMProg->isEnabled());
}

void TstTFMain::registryAtStartUp_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("value");
    QTest::addColumn<QString>("openedPort");
    QTest::addColumn<QString>("storedComNo");
    QTest::newRow("nothing stored") << "" << "" << "/dev/ttyS0" << "1";
    QTest::newRow("ComNo 2") << "ComNo" << "2" << "/dev/ttyS1" << "2";
    QTest::newRow("ComNo 7 keeps Com 1") << "ComNo" << "7" << "/dev/ttyS0" << "1";
    QTest::newRow("ComNo abc keeps Com 1") << "ComNo" << "abc" << "/dev/ttyS0" << "1";
    QTest::newRow("the simulator") << "ComPort" << "Имитатор установки" << "Имитатор установки" << "2";
    QTest::newRow("a port no longer there") << "ComPort" << "/dev/ttyUSB7" << "/dev/ttyS0" << "1";
}

void TstTFMain::registryAtStartUp()
{
    QFETCH(QString, name);
    QFETCH(QString, value);
    QFETCH(QString, openedPort);
    QFETCH(QString, storedComNo);
    Window w;
    if (!name.isEmpty())
        w.reg.registry().writeString(Stend, name, value);
    TFMain &m = w.open();
    QCOMPARE(w.lines.events().first(), "open " + openedPort);
    QVERIFY(w.prompts.shown().isEmpty());
    m.FormClose();
    QCOMPARE(w.stored("ComNo"), storedComNo);
    QCOMPARE(w.stored("ComPort"), storedComNo == "2" && name == "ComPort" ? value : QString("<none>"));
}

void TstTFMain::standCheckMarksAreWrittenAtOnce()
{
    Window w{{"countStend", "4"}, {"countCH", "abc"}, {"useST2", "0"}, {"Sens", "1"}, {"ConnectTip", "1"}};
    TFMain &m = w.open();
    QCOMPARE(w.standLines(), (QStringList{"Стенд 1 [x]", "Стенд 2 [ ]", "Стенд 3 [x]", "Стенд 4 [x]"}));
    QCOMPARE(m.sfConfigStend->SECountCh->value(), 6);
    QCOMPARE(m.sfConfigStend->connectTip(), 1);
    QCOMPARE(m.sfParam->sens(), 1);

    m.CBStend->item(0)->setCheckState(Qt::Unchecked);
    QCOMPARE(w.stored("useST1"), QString("0"));
    QCOMPARE(w.stored("useST2"), QString("0"));
    QCOMPARE(w.stored("useST4"), QString("1"));
}

void TstTFMain::configDialogOkAndCancel()
{
    Window w;
    TFMain &m = w.open();
    m.CBStend->item(1)->setCheckState(Qt::Unchecked);
    m.PTable->show();

    // OK without changing the numbers: the values are written, the list stays as it is.
    w.prompts.onDialog([](QDialog &d) {
        static_cast<SFConfigStend &>(d).setConnectTip(1);
        return true;
    });
    m.cfgStendClick();
    QCOMPARE(w.stored("countStend"), QString("3"));
    QCOMPARE(w.stored("ConnectTip"), QString("1"));
    QCOMPARE(w.standLines(), (QStringList{"Стенд 1 [x]", "Стенд 2 [ ]", "Стенд 3 [x]"}));
    QVERIFY(m.PTable->isVisible() || !m.PTable->isHidden());

    // OK with another number of stands: the list is rebuilt, all ticked, the grid hidden.
    w.prompts.onDialog([](QDialog &d) {
        static_cast<SFConfigStend &>(d).SECountStend->setValue(5);
        return true;
    });
    m.cfgStendClick();
    QCOMPARE(w.stored("countStend"), QString("5"));
    QCOMPARE(w.standLines().size(), 5);
    QVERIFY(!w.standLines().join(' ').contains("[ ]"));
    QVERIFY(m.PTable->isHidden());

    // Cancel after changing the numbers: the stored numbers come back into the dialog.
    w.prompts.onDialog([](QDialog &d) {
        auto &c = static_cast<SFConfigStend &>(d);
        c.SECountStend->setValue(9);
        c.SECountCh->setValue(50);
        c.setConnectTip(0);
        return false;
    });
    m.cfgStendClick();
    QCOMPARE(m.sfConfigStend->SECountStend->value(), 5);
    QCOMPARE(m.sfConfigStend->SECountCh->value(), 6);
    QCOMPARE(m.sfConfigStend->connectTip(), 1);
    QCOMPARE(w.stored("countStend"), QString("5"));
    QCOMPARE(w.standLines().size(), 5);
}

void TstTFMain::portThatDoesNotOpenIsReportedAfterThreeTries()
{
    Window w;
    w.lines.setOpenError("No such file or directory");
    TFMain &m = w.open();
    QCOMPARE(w.lines.events().filter("open ").size(), 3);
    QCOMPARE(w.prompts.texts(), QStringList{"COM порт не доступен. Выберите другой порт"});
    QVERIFY(!m.Com1->IsOpen());

    // The operator picks the other port.
    w.lines.setOpenError(QString());
    w.lines.clearEvents();
    m.MCom2->trigger();
    QVERIFY(m.MCom2->isChecked());
    QCOMPARE(w.lines.events().first(), QString("open /dev/ttyS1"));
    QVERIFY(m.Com1->IsOpen());
    QCOMPARE(w.prompts.shown().size(), 1);
}

void TstTFMain::vanishedPortIsReportedOnceAndReopensFromTheMenu()
{
    Window w;
    TFMain &m = w.open({"/dev/ttyUSB0"});
    QAction *usb = m.findChild<QAction *>("MPort_/dev/ttyUSB0");
    QVERIFY(usb);
    usb->trigger();
    QVERIFY(m.Com1->IsOpen());
    QCOMPARE(m.Com1->portName(), QString("/dev/ttyUSB0"));

    w.lines.line()->vanish();
    QVERIFY(!m.Com1->IsOpen());
    QCOMPARE(w.prompts.shown().size(), 1);
    QVERIFY(w.prompts.lastText().contains("/dev/ttyUSB0"));
    m.frameLink->SendFrame("1?\x03"); // nothing crashes on a closed port
    QCOMPARE(w.prompts.shown().size(), 1);

    usb->trigger(); // plugged in again
    QVERIFY(m.Com1->IsOpen());
}

void TstTFMain::databaseProgramIsStartedFromTheWorkingDirectory()
{
    fixtures::WorkDir dir(/*withDatabase=*/false);
    fixtures::UseWorkDir use(dir);
    Window w;
    TFMain &m = w.open();
    QCOMPARE(m.StartDir, dir.path());

    m.ABase->trigger();
    QCOMPARE(w.prompts.texts(), QStringList{"Не найден файл " + QDir::toNativeSeparators(dir.filePath("BaseTK710"))});
    QCOMPARE(w.prompts.shown().first().icon, Prompts::Icon::Error);

    // A stand-in program that leaves a mark in the folder it was started in.
    QFile program(dir.filePath("BaseTK710"));
    QVERIFY(program.open(QIODevice::WriteOnly));
    program.write("#!/bin/sh\ntouch started\n");
    program.close();
    program.setPermissions(program.permissions() | QFile::ExeOwner);
    m.ABase->trigger();
    QTRY_VERIFY_WITH_TIMEOUT(QFile::exists(dir.filePath("started")), 10000);
    QCOMPARE(w.prompts.shown().size(), 1);
}

void TstTFMain::closeStoresTheConfigurationAndSendsTheClosingFrame()
{
    Window w;
    TFMain &m = w.open();
    m.sfParam->setSens(1);
    m.CBStend->item(2)->setCheckState(Qt::Unchecked);
    w.lines.clearEvents();
    m.close();
    QCOMPARE(w.stored("Sens"), QString("1"));
    QCOMPARE(w.stored("ComNo"), QString("1"));
    QCOMPARE(w.stored("useST3"), QString("0"));
    QCOMPARE(w.lines.events().filter("write"), (QStringList{"write 2F", "write 30 01 58 03"}));
    QVERIFY(m.frameLink->closing());
    // Late bytes after the close are ignored.
    w.lines.line()->receive(QByteArray("/1\x06\x03\x00", 5));
    QVERIFY(m.frameLink->assembler().rxIdle());
}

void TstTFMain::consoleButtonDownKeepsTheCloseSilent()
{
    Window w;
    TFMain &m = w.open();
    m.TBPult->setChecked(true);
    m.close();
    QVERIFY(w.lines.line()->written().isEmpty());
    QCOMPARE(w.stored("ComNo"), QString("1")); // the close sequence still runs
}

void TstTFMain::protocolDataFormLoadsAndStores()
{
    Window w;
    TFMain &m = w.open();
    TFdataReport form(w.reg.registry(), &m);
    m.setDataReport(&form);
    QCOMPARE(form.ENumProt->text(), QString("0"));
    QCOMPARE(form.Eot->text(), QString("0"));
    QVERIFY(!form.CBAuto->isChecked());
    QVERIFY(form.EPPover->text().isEmpty());

    w.reg.registry().writeString(ProtocolSettings::Key, "enumProt", "12"); // the other program stored
    QString shownNumber;
    w.prompts.onDialog([&shownNumber](QDialog &d) {
        auto &f = static_cast<TFdataReport &>(d);
        shownNumber = f.ENumProt->text();
        QTest::keyClicks(f.ENumProt, "3x");
        f.EPPover->setText("ЦСМ");
        f.CBAuto->setChecked(true);
        return true;
    });
    m.N5Click();
    QCOMPARE(shownNumber, QString("12")); // loaded again when shown
    const auto key = ProtocolSettings::Key;
    QCOMPARE(w.reg.registry().readString(key, "enumProt", ""), QString("123"));
    QCOMPARE(w.reg.registry().readString(key, "PPover", ""), QString("ЦСМ"));
    QCOMPARE(w.reg.registry().readString(key, "eautoInc", ""), QString("1"));

    form.ENumProt->clear();
    form.RaiseProtocolNumber();
    QCOMPARE(form.ENumProt->text(), QString("1"));
    QCOMPARE(w.reg.registry().readString(key, "enumProt", ""), QString("1"));
}

void TstTFMain::rememberedFilterTypeAndTest()
{
    Window w;
    // The demo's 220 V 10(40) A class 2 type and its test.
    int type = 0, test = 0;
    {
        QSqlQuery q(QSqlDatabase::database(w.connection));
        QVERIFY(q.exec("SELECT PIndex FROM TTip WHERE PUnom = 220") && q.next());
        type = q.value(0).toInt();
        QVERIFY(q.exec("SELECT PIndex FROM TTest WHERE PNameTable = 'Класс 2'") && q.next());
        test = q.value(0).toInt();
    }
    w.reg.registry().writeInteger(Stend, "tipf", type);
    w.reg.registry().writeInteger(Stend, "test", test);

    TFMain &m = w.open();
    QCOMPARE(m.DBTipF->currentText(), w.dm->ADOTipF->value(m.DBTipF->currentIndex(), "PTip").toString());
    QCOMPARE(m.DBUnom->text(), QString("220.0"));
    QCOMPARE(m.DBInom->text(), QString("10.0"));
    QCOMPARE(m.DBImax->text(), QString("40.0"));
    QCOMPARE(w.dm->ADOTipStend1->rowCount(), 1);
    QCOMPARE(m.DBLTest->currentText(), QString("Класс 2"));

    // Choosing another filter type narrows the stands' types and is remembered at once.
    const int other = w.dm->ADOTipF->find("PUnom", 230.0);
    m.DBTipF->setCurrentIndex(other);
    m.DBTipFCloseUp(other);
    QCOMPARE(m.DBUnom->text(), QString("230.0"));
    QCOMPARE(w.dm->ADOTipStend1->rowCount(), 2);
    QCOMPARE(w.stored("tipf"), w.dm->ADOTipF->value(other, "PIndex").toString());
}

void TstTFMain::readOnlyRegistryIsReportedAtCloseAndLeftAlone()
{
    Window w{{"ComNo", "2"}};
    TFMain &m = w.open();
    const QByteArray before = fixtures::fileBytes(w.reg.path());
    QVERIFY(QFile::setPermissions(w.reg.path(), QFile::ReadOwner));
    m.Mcom1->trigger();
    m.close();
    QCOMPARE(w.prompts.shown().size(), 1);
    QVERIFY(w.prompts.lastText().startsWith("Настройки программы не сохранены: "));
    QVERIFY(w.prompts.lastText().contains(w.reg.path()));
    QCOMPARE(fixtures::fileBytes(w.reg.path()), before);
    QVERIFY(!w.lines.line()->written().isEmpty()); // the closing frame still went out
    QFile::setPermissions(w.reg.path(), QFile::ReadOwner | QFile::WriteOwner);
}

QTEST_MAIN(TstTFMain)
#include "tst_tfmain.moc"
