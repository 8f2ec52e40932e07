// Protocol header settings: defaults, text forms in the registry, the key filter of the
// protocol number and both ways of raising it.
#include "common/ProtocolSettings.h"
#include "common/RegistryIni.h"
#include "tests/fixtures/Fixtures.h"

#include <QApplication>
#include <QDialog>
#include <QPushButton>
#include <QSignalSpy>
#include <QVBoxLayout>
#include <QKeyEvent>
#include <QLineEdit>
#include <QTest>

class TstProtocolSettings : public QObject
{
    Q_OBJECT
private slots:
    void freshInstallationGivesTheDefaults();
    void storeWritesTheTextFormsAndLoadReadsThemBack();
    void keyFilterLetsOnlyDigitsAndBackspaceThrough();
    void keyFilterLeavesNavigationAndShortcutsAlone();
    void raiseTolerant_data();
    void raiseTolerant();
    void raiseStrict_data();
    void raiseStrict();
    void raisedNumberIsStoredAlone();
};

void TstProtocolSettings::freshInstallationGivesTheDefaults()
{
    fixtures::TempRegistry reg;
    const ProtocolSettings s = ProtocolSettings::load(reg.registry());
    QCOMPARE(s.autoIncrement, false);
    QCOMPARE(s.protocolNumber, QString("0"));
    QCOMPARE(s.installationNumber, QString("0"));
    QCOMPARE(s.certificateNumber, QString("0"));
    QCOMPARE(s.validFrom, QString("0"));
    QCOMPARE(s.validUntil, QString("0"));
    QCOMPARE(s.verifier, QString());
    QCOMPARE(s.verifiedBy, QString());
}

void TstProtocolSettings::storeWritesTheTextFormsAndLoadReadsThemBack()
{
    fixtures::TempRegistry reg;
    RegistryIni &r = reg.registry();
    ProtocolSettings s;
    s.autoIncrement = true;
    s.protocolNumber = "17";
    s.verifier = "ЦСМ";
    s.verifiedBy = "Иванов И. И.";
    s.installationNumber = "3";
    s.certificateNumber = "12/45";
    s.validFrom = "01.02.2026";
    s.validUntil = "01.02.2027";
    QVERIFY(s.store(r));

    const QString key = "SoftWare\\TK710 v2.0\\confUst";
    QCOMPARE(r.readSection(key), (QStringList{"eautoInc", "enumProt", "PPover", "MakerPov", "enumUst", "enumSv", "eot", "edo"}));
    QCOMPARE(r.readString(key, "eautoInc", "?"), QString("1"));
    QCOMPARE(r.readString(key, "enumSv", "?"), QString("12/45"));
    QCOMPARE(ProtocolSettings::load(r), s);

    // Written as "1"/"0" but read back as a number: any non-zero number means checked.
    QVERIFY(r.writeString(key, "eautoInc", "5"));
    QVERIFY(ProtocolSettings::load(r).autoIncrement);
    QVERIFY(r.writeString(key, "eautoInc", "нет"));
    QVERIFY(!ProtocolSettings::load(r).autoIncrement);
}

void TstProtocolSettings::keyFilterLetsOnlyDigitsAndBackspaceThrough()
{
    QLineEdit edit;
    ProtocolNumberKeyFilter filter;
    edit.installEventFilter(&filter);
    QTest::keyClicks(&edit, "12a-3.,");
    QKeyEvent cyrillic(QEvent::KeyPress, Qt::Key_unknown, Qt::NoModifier, "Б");
    QApplication::sendEvent(&edit, &cyrillic);
    QTest::keyClicks(&edit, "4");
    QCOMPARE(edit.text(), QString("1234"));
    QTest::keyClick(&edit, Qt::Key_Backspace);
    QCOMPARE(edit.text(), QString("123"));
    QTest::keyClick(&edit, Qt::Key_Left);
    QTest::keyClick(&edit, Qt::Key_Delete); // editing keys without a character still work
    QCOMPARE(edit.text(), QString("12"));
}

namespace {
// A key as a real keyboard sends it: with its text (Tab "\t", Enter "\r", Ctrl+A "\x01").
void press(Qt::Key key, const QString &text, Qt::KeyboardModifiers mods = Qt::NoModifier)
{
    QWidget *target = QApplication::focusWidget();
    QVERIFY(target);
    QKeyEvent down(QEvent::KeyPress, key, mods, text);
    QKeyEvent up(QEvent::KeyRelease, key, mods, text);
    QApplication::sendEvent(target, &down);
    QApplication::sendEvent(target, &up);
}
} // namespace

void TstProtocolSettings::keyFilterLeavesNavigationAndShortcutsAlone()
{
    QDialog dialog;
    auto *number = new QLineEdit(&dialog);
    auto *other = new QLineEdit(&dialog);
    auto *ok = new QPushButton("OK", &dialog);
    ok->setDefault(true);
    auto *layout = new QVBoxLayout(&dialog);
    layout->addWidget(number);
    layout->addWidget(other);
    layout->addWidget(ok);
    number->installEventFilter(new ProtocolNumberKeyFilter(number));
    QObject::connect(ok, &QPushButton::clicked, &dialog, &QDialog::accept);
    dialog.show();
    QVERIFY(QTest::qWaitForWindowActive(&dialog));
    number->setFocus();

    press(Qt::Key_A, "a");
    press(Qt::Key_7, "7");
    QCOMPARE(number->text(), QString("7"));
    press(Qt::Key_A, "\x01", Qt::ControlModifier); // select all, then overtype
    press(Qt::Key_5, "5");
    QCOMPARE(number->text(), QString("5"));
    press(Qt::Key_Z, "\x1a", Qt::ControlModifier); // undo
    QCOMPARE(number->text(), QString("7"));
    press(Qt::Key_End, "");
    press(Qt::Key_4, "4");
    press(Qt::Key_Home, "");
    press(Qt::Key_Delete, "\x7f");
    QCOMPARE(number->text(), QString("4"));
    press(Qt::Key_End, "");
    press(Qt::Key_Backspace, "\b");
    QCOMPARE(number->text(), QString());

    press(Qt::Key_Tab, "\t");
    QCOMPARE(QApplication::focusWidget(), other);
    press(Qt::Key_Backtab, "\t", Qt::ShiftModifier);
    QCOMPARE(QApplication::focusWidget(), number);
    press(Qt::Key_Return, "\r");
    QCOMPARE(dialog.result(), int(QDialog::Accepted));
    QVERIFY(!dialog.isVisible());
}

void TstProtocolSettings::raiseTolerant_data()
{
    QTest::addColumn<QString>("number");
    QTest::addColumn<QString>("raised");
    QTest::newRow("plain") << "41" << "42";
    QTest::newRow("empty counts as 0") << "" << "1";
    QTest::newRow("letters count as 0") << "abc" << "1";
    QTest::newRow("zero") << "0" << "1";
    QTest::newRow("leading zeros") << "007" << "8";
    QTest::newRow("fraction") << "1.5" << "2.5";
}

void TstProtocolSettings::raiseTolerant()
{
    QFETCH(QString, number);
    QFETCH(QString, raised);
    QCOMPARE(raiseProtocolNumberTolerant(number), raised);
}

void TstProtocolSettings::raiseStrict_data()
{
    QTest::addColumn<QString>("number");
    QTest::addColumn<QString>("raised"); // empty: refused
    QTest::newRow("plain") << "41" << "42";
    QTest::newRow("leading zeros") << "007" << "8";
    QTest::newRow("empty") << "" << "";
    QTest::newRow("letters") << "12a" << "";
    QTest::newRow("fraction") << "1.5" << "";
    QTest::newRow("largest number cannot grow") << "2147483647" << "";
}

void TstProtocolSettings::raiseStrict()
{
    QFETCH(QString, number);
    QFETCH(QString, raised);
    QString error;
    const auto result = raiseProtocolNumberStrict(number, &error);
    if (raised.isEmpty()) {
        QVERIFY(!result);
        QVERIFY(error.contains(number));
    } else {
        QCOMPARE(result.value_or("?"), raised);
        QVERIFY(error.isEmpty());
    }
}

void TstProtocolSettings::raisedNumberIsStoredAlone()
{
    fixtures::TempRegistry reg;
    QVERIFY(storeProtocolNumber(reg.registry(), "43"));
    const QString key = "SoftWare\\TK710 v2.0\\confUst";
    QCOMPARE(reg.registry().readSection(key), QStringList{"enumProt"});
    QCOMPARE(ProtocolSettings::load(reg.registry()).protocolNumber, QString("43"));
}

QTEST_MAIN(TstProtocolSettings)
#include "tst_protocolsettings.moc"
