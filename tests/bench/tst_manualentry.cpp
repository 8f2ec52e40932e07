// The manual entry panel of manual check and source control: the linked fields with their
// clamps as the operator types, the focus rule, empty fields, and the frames the two
// start operations queue on the main window's transaction queue.
#include "bench/data/TDM.h"
#include "bench/link/Frames.h"
#include "bench/link/TransEngine.h"
#include "bench/run/KorColorStringGrid.h"
#include "bench/run/TFTest.h"
#include "tests/fixtures/ControllerWindow.h"

#include <QCheckBox>
#include <QComboBox>
#include <QGroupBox>
#include <QLineEdit>
#include <QSqlQuery>
#include <QTest>

using namespace bench;

namespace {

/// A main window on fake lines with its run window shown and active, so that typed keys
/// reach the focused control; the stands carry the type `tip`.
struct Bench : fixtures::ControllerWindow
{
    explicit Bench(const QString &tip = QStringLiteral("СЭО-101")) : ControllerWindow(QStringLiteral("manualentry"))
    {
        open();
        const int filter = dm->ADOTipF->find(QStringLiteral("PTip"), tip);
        Q_ASSERT(filter >= 0);
        dm->ApplyTypeFilter(filter);
        run().PHand->show();
        run().show();
        run().activateWindow();
        active = QTest::qWaitForWindowActive(&run());
    }
    bool active = false;
    TFTest &run() { return *main->runWindow; }
    QList<TTrans> queue() const { return main->engine->Frame.TransQueue; }

    /// Types `text` into `edit` as the operator does: focus, select all, keys.
    void type(QLineEdit *edit, const QString &text)
    {
        QVERIFY(active);
        edit->setFocus();
        QVERIFY(edit->hasFocus());
        edit->selectAll();
        if (text.isEmpty())
            QTest::keyClick(edit, Qt::Key_Delete);
        else
            QTest::keyClicks(edit, text);
    }
    void typeKm(const QString &text)
    {
        QComboBox *km = run().DBKm;
        km->setFocus();
        km->lineEdit()->selectAll();
        QTest::keyClick(km->lineEdit(), Qt::Key_Delete);
        QTest::keyClicks(km->lineEdit(), text);
    }
    void chooseLc(int index)
    {
        run().DBLC->setFocus();
        run().DBLC->setCurrentIndex(index);
    }
    QVariant stored(const char *field) const { return dm->ADOHand->value(0, QString::fromLatin1(field)); }
};

QByteArray source(const QByteArray &groups) { return frames::dataRequest(frames::SourceAddress, 'P', groups); }

} // namespace

class TstManualEntry : public QObject
{
    Q_OBJECT
private slots:
    void linkedFields_data();
    void linkedFields();
    void powerFactor_data();
    void powerFactor();
    void programmaticValueStartsNoRule();
    void powerFactorNotANumberIsRefused();
    void limitsRefuseTyping();
    void zeroEmptyManualFields();
    void defaultRecord();
    void startManualMeasurement();
    void startRefusesCurrentAboveImax();
    void sourceControlSendsChangedGroups();
    void toleranceFromPanel();
};

// Columns: type of the stands, field typed, text typed, then the four fields after.
void TstManualEntry::linkedFields_data()
{
    QTest::addColumn<QString>("tip");
    QTest::addColumn<QString>("field");
    QTest::addColumn<QString>("typed");
    QTest::addColumn<QString>("voltage");
    QTest::addColumn<QString>("perVoltage");
    QTest::addColumn<QString>("current");
    QTest::addColumn<QString>("perCurrent");
    const QString u220 = QStringLiteral("СЭБ-2"), i5 = QStringLiteral("СЭО-101");
    // СЭБ-2: 220 V, 10 A; СЭО-101: 230 V, 5 A. The demo record starts at 100 % and 100 %.
    QTest::newRow("110 % of 220 V") << u220 << "DBperVoltage" << "110" << "242.0" << "110" << "10.000" << "100.0";
    QTest::newRow("300 V clamped") << u220 << "DBVoltage" << "300" << "264.0" << "120.0" << "10.000" << "100.0";
    QTest::newRow("110 V") << u220 << "DBVoltage" << "110" << "110" << "50.0" << "10.000" << "100.0";
    QTest::newRow("50 % of 5 A") << i5 << "DBPerTok" << "50" << "230.0" << "100.0" << "2.500" << "50";
    QTest::newRow("80 A clamped") << i5 << "DBTok" << "80" << "230.0" << "100.0" << "75.000" << "1500.0";
    QTest::newRow("7.5 A") << i5 << "DBTok" << "7.5" << "230.0" << "100.0" << "7.5" << "150.0";
}

void TstManualEntry::linkedFields()
{
    QFETCH(QString, tip);
    QFETCH(QString, field);
    QFETCH(QString, typed);
    QFETCH(QString, voltage);
    QFETCH(QString, perVoltage);
    QFETCH(QString, current);
    QFETCH(QString, perCurrent);
    Bench b(tip);
    TFTest &t = b.run();
    b.type(t.findChild<QLineEdit *>(field), typed);
    QCOMPARE(t.DBVoltage->text(), voltage);
    QCOMPARE(t.DBperVoltage->text(), perVoltage);
    QCOMPARE(t.DBTok->text(), current);
    QCOMPARE(t.DBPerTok->text(), perCurrent);
    // The record follows the panel.
    QCOMPARE(b.stored("PVoltage").toDouble(), voltage.toDouble());
    QCOMPARE(b.stored("PPerI").toDouble(), perCurrent.toDouble());
}

// Columns: the km typed (empty: none), the character chosen (-1: none), the angle typed
// (empty: none), then km text, character and angle after.
void TstManualEntry::powerFactor_data()
{
    QTest::addColumn<QString>("km");
    QTest::addColumn<int>("lc");
    QTest::addColumn<QString>("angle");
    QTest::addColumn<QString>("kmAfter");
    QTest::addColumn<int>("lcAfter");
    QTest::addColumn<QString>("angleAfter");
    QTest::newRow("0.5 from *") << "0.5" << -1 << "" << "0.5" << 1 << "60";
    QTest::newRow("0.5 then C") << "0.5" << 2 << "" << "0.5" << 2 << "300";
    QTest::newRow("-0.5 C") << "-0.5" << 2 << "" << "-0.5" << 2 << "120";
    QTest::newRow("-0.5 L") << "-0.5" << 1 << "" << "-0.5" << 1 << "240";
    QTest::newRow("0 L") << "0" << -1 << "" << "0" << 1 << "90";
    QTest::newRow("-1") << "-1" << -1 << "" << "-1" << 0 << "180";
    QTest::newRow("km 2 changes nothing") << "2" << -1 << "" << "2" << 0 << "0";
    QTest::newRow("angle 60") << "" << -1 << "60" << "0.50" << 1 << "60";
    QTest::newRow("angle 90") << "" << -1 << "90" << "0.00" << 1 << "90";
    QTest::newRow("angle 120") << "" << -1 << "120" << "-0.50" << 2 << "120";
    QTest::newRow("angle 270") << "" << -1 << "270" << "0.00" << 2 << "270";
    QTest::newRow("angle 180") << "" << -1 << "180" << "-1" << 0 << "180";
    QTest::newRow("angle 0") << "" << -1 << "0" << "1" << 0 << "0";
    // Every key is a change: "3" and "36" set the power factor, "360" then changes nothing.
    QTest::newRow("angle 360 changes nothing") << "" << -1 << "360" << "0.81" << 1 << "360";
}

void TstManualEntry::powerFactor()
{
    QFETCH(QString, km);
    QFETCH(int, lc);
    QFETCH(QString, angle);
    Bench b;
    TFTest &t = b.run();
    // The demo record: km 1, "*", no angle; start from a consistent 0 degrees.
    b.type(t.DBAngle, QStringLiteral("0"));
    if (!km.isEmpty())
        b.typeKm(km);
    if (lc >= 0)
        b.chooseLc(lc);
    if (!angle.isEmpty())
        b.type(t.DBAngle, angle);
    QTEST(t.DBKm->currentText(), "kmAfter");
    QTEST(t.DBLC->currentIndex(), "lcAfter");
    QTEST(t.DBAngle->text(), "angleAfter");
    QTEST(b.stored("PLC").toInt(), "lcAfter");
}

void TstManualEntry::programmaticValueStartsNoRule()
{
    Bench b(QStringLiteral("СЭБ-2"));
    TFTest &t = b.run();
    t.DBFreg->setFocus();
    t.DBperVoltage->setText(QStringLiteral("110"));
    t.DBVoltage->setText(QStringLiteral("300"));
    t.DBTok->setText(QStringLiteral("80"));
    t.DBAngle->setText(QStringLiteral("120"));
    t.DBKm->setEditText(QStringLiteral("0.5"));
    QCOMPARE(t.DBperVoltage->text(), QStringLiteral("110"));
    QCOMPARE(t.DBVoltage->text(), QStringLiteral("300"));
    QCOMPARE(t.DBPerTok->text(), QStringLiteral("100.0"));
    QCOMPARE(t.DBLC->currentIndex(), 0);
    QCOMPARE(t.DBAngle->text(), QStringLiteral("120"));
}

void TstManualEntry::powerFactorNotANumberIsRefused()
{
    Bench b;
    TFTest &t = b.run();
    b.type(t.DBAngle, QStringLiteral("0"));
    b.typeKm(QStringLiteral("0.5x"));
    QCOMPARE(t.DBKm->currentText(), QStringLiteral("0.5"));
    b.typeKm(QStringLiteral("abc"));
    QCOMPARE(t.DBKm->currentText(), QString());
    QCOMPARE(t.DBLC->currentIndex(), 1); // from the 0.5 before
    QCOMPARE(t.DBAngle->text(), QStringLiteral("60"));
}

void TstManualEntry::limitsRefuseTyping()
{
    Bench b;
    TFTest &t = b.run();
    const struct { QLineEdit *edit; const char *typed, *kept; } cases[] = {
        {t.DBperVoltage, "121", "12"}, {t.DBPerTok, "1501", "150"}, {t.DBAngle, "361", "36"},
        {t.DBTimeS, "61", "6"},        {t.DBDop, "100.5", "100."},    {t.DBDopMin, "-101", "-10"},
        {t.DBVoltage, "1.25", "1.2"},  {t.DBTok, "1.2345", "1.234"},  {t.DBFreg, "64", "6"},
    };
    for (const auto &c : cases) {
        b.type(c.edit, QString::fromLatin1(c.typed));
        QVERIFY2(c.edit->text() == QLatin1String(c.kept), c.typed);
    }
    // A frequency below its range cannot be left: the stored value comes back, with a word.
    QCOMPARE(b.stored("PFreq").toDouble(), 50.0);
    t.DBDop->setFocus();
    QCOMPARE(t.DBFreg->text(), QStringLiteral("50.0"));
    QCOMPARE(b.prompts.lastText(), QStringLiteral("Значение должно быть от 47.5 до 63"));
}

void TstManualEntry::zeroEmptyManualFields()
{
    Bench b;
    TFTest &t = b.run();
    const QList<QLineEdit *> fields{t.DBVoltage, t.DBTok, t.DBperVoltage, t.DBPerTok, t.DBAngle, t.DBFreg,
                                    t.DBDop,     t.DBDopMin, t.DBTimeM,   t.DBTimeS};
    for (QLineEdit *f : fields)
        f->clear();
    t.DBKm->setEditText({});
    t.DBTimeS->setText(QStringLiteral("10"));
    // Leaving a field runs it.
    t.DBFreg->setFocus();
    t.DBDop->setFocus();
    for (QLineEdit *f : fields)
        QVERIFY2(f->text() == (f == t.DBTimeS ? "10" : "0"), qPrintable(f->objectName()));
    QCOMPARE(t.DBKm->currentText(), QStringLiteral("0"));
    QCOMPARE(b.stored("PVoltage"), QVariant(0.0));
}

void TstManualEntry::defaultRecord()
{
    Bench b;
    b.run().hide();
    QSqlQuery(b.dm->database()).exec(QStringLiteral("DELETE FROM THand"));
    QVERIFY(b.dm->ADOHand->refresh().isEmpty());
    QCOMPARE(b.dm->ADOHand->rowCount(), 0);
    b.run().show();
    TFTest &t = b.run();
    QCOMPARE(b.dm->ADOHand->rowCount(), 1);
    QCOMPARE(b.stored("PPerU").toDouble(), 100.0);
    QCOMPARE(b.stored("PTimeS").toInt(), 10);
    QVERIFY(b.stored("PDopMin").isNull());
    // U and I from the percentages of the СЭО-101: 230 V, 5 A.
    QCOMPARE(t.DBVoltage->text(), QStringLiteral("230.0"));
    QCOMPARE(t.DBTok->text(), QStringLiteral("5.000"));
    QCOMPARE(t.DBKm->currentText(), QStringLiteral("1"));
    QCOMPARE(t.DBLC->currentText(), QStringLiteral("*"));
    QCOMPARE(t.DBDop->text(), QStringLiteral("1.0"));
    // Source control has no time and no tolerance; manual check shows both.
    t.SetupSourceControl();
    QVERIFY(t.GBTime->isHidden() && t.GBMistake->isHidden());
    t.SetupManual();
    QVERIFY(!t.GBTime->isHidden() && !t.GBMistake->isHidden());
    QCOMPARE(t.DBFreg->text(), QStringLiteral("50.0"));
    QVERIFY(t.DBAngle->text().isEmpty());
}

void TstManualEntry::startManualMeasurement()
{
    Bench b;
    TFTest &t = b.run();
    for (TStend &s : b.main->Stands)
        s.Present = false;
    b.main->Stands[1].Present = b.main->Stands[3].Present = true;
    b.type(t.DBAngle, QStringLiteral("0"));
    b.typeKm(QStringLiteral("0.5"));
    b.chooseLc(2); // 300 degrees, inverted: 120
    t.DBCheckBoxEh2->setChecked(true);
    b.type(t.DBTimeM, QStringLiteral("1"));
    b.type(t.DBTimeS, QStringLiteral("5"));
    b.main->engine->AddTrans({trProbe, {}, 1, 500}); // dropped by the start

    t.StartManualMeasurement();
    const QByteArray stand = "hX0YiX0YaX230.0YbX5.000YdX0.5/CYeX65Y";
    const QList<TTrans> expected{
        {trStandSetup, frames::dataRequest(frames::standAddress(1), 'U', stand), 2, 149},
        {trStandSetup, frames::dataRequest(frames::standAddress(3), 'U', stand), 4, 147},
        {trSourceProgram, source("1(230.0)2(5.000)5(50.0)4(120)"), 1, 130},
        {trSourceSettled, {}, 0, 99},
    };
    QCOMPARE(b.queue(), expected);
    QCOMPARE(b.main->engine->Frame.MeterCountText, QByteArray("65"));
    QCOMPARE(b.main->SetU, 230.0);
    QCOMPARE(b.main->SetI, 5.0);
    QCOMPARE(b.main->SetF, 50.0);
    QCOMPARE(b.main->SetAngle, 120);
    QVERIFY(t.PollEnabled);
    QCOMPARE(t.GridTest->popupMenu(), t.PMSbros);
}

void TstManualEntry::startRefusesCurrentAboveImax()
{
    Bench b; // СЭО-101: Imax 60 A
    TFTest &t = b.run();
    t.DBTok->setText(QStringLiteral("60.001"));
    QCOMPARE(t.DBTok->palette().color(QPalette::Base), CellLightRed);
    t.StartManualMeasurement();
    QVERIFY(b.queue().isEmpty());
    QCOMPARE(b.prompts.lastText(), QStringLiteral("Внимание! Превышение максимального значения тока для счетчика, тест не может быть продолжен."));
    QCOMPARE(b.prompts.shown().last().caption, QStringLiteral("TK710 v2.0"));
    QCOMPARE(b.main->SetI, -1.0);
    b.prompts.clear();
    t.ApplySourceControl();
    QVERIFY(b.queue().isEmpty());
    QCOMPARE(b.prompts.shown().size(), 1);
    // A tired source is not programmed above 20 A, without a word here.
    b.prompts.clear();
    b.main->ResourceExhausted = true;
    t.DBTok->setText(QStringLiteral("20.5"));
    t.ApplySourceControl();
    QVERIFY(b.queue().isEmpty());
    QVERIFY(b.prompts.shown().isEmpty());
}

void TstManualEntry::sourceControlSendsChangedGroups()
{
    Bench b;
    TFTest &t = b.run();
    b.type(t.DBAngle, QStringLiteral("60"));
    t.ApplySourceControl();
    QCOMPARE(b.queue(), (QList<TTrans>{{trSourceProgram, source("1(230.0)2(5.000)5(50.0)4(60)"), 1, 150}}));
    b.main->engine->ClearTrans();
    t.ApplySourceControl();
    QVERIFY(b.queue().isEmpty()); // nothing changed
    b.type(t.DBTok, QStringLiteral("2.5"));
    t.DBCheckBoxEh2->setChecked(true);
    t.ApplySourceControl();
    QCOMPARE(b.queue(), (QList<TTrans>{{trSourceProgram, source("2(2.5)4(240)"), 1, 150}}));
    QCOMPARE(b.main->SetI, 2.5);
    QCOMPARE(b.main->SetAngle, 240);
}

void TstManualEntry::toleranceFromPanel()
{
    Bench b;
    TFTest &t = b.run();
    b.type(t.DBDop, QStringLiteral("1.5"));
    b.type(t.DBDopMin, QStringLiteral("-2"));
    QCOMPARE(t.toleranceMax(), 1.5);
    QCOMPARE(t.toleranceMin(), -2.0);
}

QTEST_MAIN(TstManualEntry)
#include "tst_manualentry.moc"
