// The test set-up of the main window: the remembered test and filter type, the two-column
// lists, the stand grid (positions, types, frozen stand number), the warm-up row, the mode
// actions that hand over to the run window, and the refresh of all data.
#include "bench/data/TDM.h"
#include "bench/run/TFTest.h"
#include "bench/shell/MainDialogs.h"
#include "bench/shell/SetupWidgets.h"
#include "bench/shell/TFMain.h"
#include "common/RegistryIni.h"
#include "tests/fixtures/ControllerData.h"
#include "tests/fixtures/ControllerWindow.h"
#include "tests/fixtures/FakeSerialLine.h"
#include "tests/fixtures/Fixtures.h"
#include "tests/fixtures/ScriptedPrompts.h"
#include "tests/fixtures/VirtualScheduler.h"

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QFocusEvent>
#include <QHeaderView>
#include <QLineEdit>
#include <QPushButton>
#include <QSignalSpy>
#include <QSpinBox>
#include <QSqlError>
#include <QSqlQuery>
#include <QTableView>
#include <QTest>
#include <QToolButton>

using namespace bench;

namespace {
const QString Stend = QStringLiteral("SoftWare\\TK710 v2.0\\confStend");
const QString NoStands = QStringLiteral("Необходимо выбрать типы счетчиков для всех стендов!");

/// A main window over a fresh demo database (stands fitted with "СЭО-101" "01", no position
/// ticked), virtual time, scripted prompts and a temporary registry.
struct Bench : fixtures::ControllerWindow
{
    Bench() : ControllerWindow(QStringLiteral("mainsetup")) {}

    void remember(const QString &name, const QVariant &value) { reg.registry().writeString(Stend, name, value.toString()); }
    TFMain &open()
    {
        Q_ASSERT(ready());
        dm->DataModuleCreate(); // a start reads what the test put into the database
        return ControllerWindow::open();
    }
    /// What a probe that found `stands` leaves behind.
    void found(std::initializer_list<int> stands)
    {
        for (int n : stands)
            main->Stands[std::size_t(n)].Present = true;
        main->StandsFound();
    }
    QSqlQuery exec(const QString &statement)
    {
        QSqlQuery q(QSqlDatabase::database(connection));
        if (!q.exec(statement))
            qWarning("%s: %s", qPrintable(statement), qPrintable(q.lastError().text()));
        q.next();
        return q;
    }
    QVariant sql(const QString &statement) { return exec(statement).value(0); }
    QVariant tip(const QString &name, const QString &ident)
    {
        return sql(QStringLiteral("SELECT PIndex FROM TTip WHERE PTip = '%1' AND PIdentificator = '%2'").arg(name, ident));
    }
    QVariant test(const QString &name) { return sql(QStringLiteral("SELECT PIndex FROM TTest WHERE PNameTable = '%1'").arg(name)); }
    QString ticks(int stand, int upTo = 8)
    {
        QString out;
        for (int i = 1; i <= upTo; ++i)
            out += sql(QStringLiteral("SELECT PCh%1 FROM TableStend WHERE PNumStend = %2").arg(i).arg(stand)).toBool() ? '1' : '0';
        return out;
    }
    QPushButton *button(const char *name) { return main->findChild<QPushButton *>(name); }
    int gridRow(int stand) { return dm->ADOTableStend->find("PNumStend", stand); }
};

void leave(QWidget *edit)
{
    QFocusEvent out(QEvent::FocusOut, Qt::TabFocusReason);
    QApplication::sendEvent(edit, &out);
}

void retype(QLineEdit *edit, const QString &text)
{
    edit->selectAll();
    QTest::keyClick(edit, Qt::Key_Backspace);
    QTest::keyClicks(edit, text);
}

QList<int> visibleColumns(const QTableView &view)
{
    QList<int> out;
    for (int c = 0; c < view.model()->columnCount(); ++c)
        if (!view.isColumnHidden(c))
            out << c;
    return out;
}
} // namespace

class TstMainSetup : public QObject
{
    Q_OBJECT
private slots:
    void missingRememberedChoiceLeavesTheFirstRow_data();
    void missingRememberedChoiceLeavesTheFirstRow();
    void listsShowBothColumnsAndTheGridItsStandNumber();
    void showChannelColumnsFollowsCountCH();
    void selectAllAndDeselectTouchTheCurrentStandOnly();
    void postKeepsPositionTicksAcrossARestart();
    void modeActionsCheckTheTypesAndHandOver();
    void warmUpCurrentAboveImaxIsLightRed_data();
    void warmUpCurrentAboveImaxIsLightRed();
    void leavingAWarmUpFieldStoresIt_data();
    void leavingAWarmUpFieldStoresIt();
    void refreshRereadsTheDatabase_data();
    void refreshRereadsTheDatabase();
};

void TstMainSetup::missingRememberedChoiceLeavesTheFirstRow_data()
{
    QTest::addColumn<bool>("storeTypeAndTest");
    QTest::addColumn<QString>("deleteFirst");
    QTest::newRow("fresh start") << false << "";
    QTest::newRow("remembered type deleted") << true << "DELETE FROM TTip WHERE PUnom = 230";
    QTest::newRow("remembered test deleted") << true << "DELETE FROM TTest WHERE PNameTable = 'Класс 2'";
}

void TstMainSetup::missingRememberedChoiceLeavesTheFirstRow()
{
    QFETCH(bool, storeTypeAndTest);
    QFETCH(QString, deleteFirst);
    Bench b;
    if (storeTypeAndTest) {
        b.remember("tipf", b.tip("СЭО-101", "02"));
        b.remember("test", b.test("Класс 2"));
    }
    if (!deleteFirst.isEmpty())
        b.exec(deleteFirst);
    TFMain &m = b.open();
    const bool typeGone = deleteFirst.contains("TTip");
    const bool testGone = deleteFirst.contains("TTest") || !storeTypeAndTest;
    // By PTip the first type is "СЭБ-2" (220 V, 10 A); the first test is "Класс 1".
    const QString type = typeGone || !storeTypeAndTest ? "СЭБ-2" : "СЭО-101";
    QCOMPARE(m.DBTipF->currentIndex(), typeGone || !storeTypeAndTest ? 0 : 2);
    QCOMPARE(m.DBTipF->currentText(), type);
    QCOMPARE(b.dm->ADOTipF->currentRow(), m.DBTipF->currentIndex());
    QCOMPARE(m.DBUnom->text(), QString(type == "СЭБ-2" ? "220.0" : "230.0"));
    QCOMPARE(b.dm->ADOTipStend1->rowCount(), type == "СЭБ-2" ? 1 : 2);
    QCOMPARE(m.DBLTest->currentText(), QString(testGone ? "Класс 1" : "Класс 2"));
    QCOMPARE(b.dm->currentTest(), m.DBLTest->currentIndex());
    QVERIFY(b.prompts.shown().isEmpty());
}

void TstMainSetup::listsShowBothColumnsAndTheGridItsStandNumber()
{
    Bench b;
    b.remember("tipf", b.tip("СЭО-101", "02"));
    TFMain &m = b.open();
    auto *filter = qobject_cast<LookupCombo *>(m.DBTipF);
    auto *tests = qobject_cast<LookupCombo *>(m.DBLTest);
    QVERIFY(filter && tests);
    QCOMPARE(filter->shownText(), QString("СЭО-101  02"));
    QCOMPARE(tests->shownText(), "Класс 1  " + b.sql("SELECT PDescription FROM TTest WHERE PNameTable = 'Класс 1'").toString());
    QCOMPARE(m.DBTipF->accessibleName(), QString("Фильтр"));
    QCOMPARE(m.DBPerIProg->accessibleName(), QString("% I"));

    // The drop-down is a table of name and variant; a click on the variant picks its row.
    filter->showPopup();
    auto *list = qobject_cast<QTableView *>(filter->view());
    QVERIFY(list);
    const QueryDataSet &types = *b.dm->ADOTipF;
    QCOMPARE(visibleColumns(*list), (QList<int>{types.column("PTip"), types.column("PIdentificator")}));
    const int first = types.find("PIndex", b.tip("СЭО-101", "01"));
    QSignalSpy activated(filter, &QComboBox::activated);
    const QRect cell = list->visualRect(list->model()->index(first, types.column("PIdentificator")));
    QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, cell.center());
    QCOMPARE(activated.size(), 1);
    QCOMPARE(filter->currentIndex(), first);
    QCOMPARE(filter->currentText(), QString("СЭО-101"));
    QCOMPARE(filter->shownText(), QString("СЭО-101  01"));

    // The stand grid keeps its stand number column in view.
    b.found({1, 2});
    auto *frozen = m.findChild<QTableView *>("DBStendFrozen");
    QVERIFY(frozen);
    const int numStend = b.dm->ADOTableStend->column("PNumStend");
    QCOMPARE(visibleColumns(*frozen), QList<int>{numStend});
    QCOMPARE(frozen->columnWidth(numStend), m.DBStend->columnWidth(numStend));
    QCOMPARE(frozen->selectionModel(), m.DBStend->selectionModel());
}

void TstMainSetup::showChannelColumnsFollowsCountCH()
{
    Bench b;
    TFMain &m = b.open();
    b.found({1});
    const TableDataSet &grid = *b.dm->ADOTableStend;
    const auto shown = [&] {
        QList<int> out;
        for (int i = 1; i <= MaxPositions; ++i)
            if (!m.DBStend->isColumnHidden(grid.column(QStringLiteral("PCh%1").arg(i))))
                out << i;
        return out;
    };
    QCOMPARE(shown(), (QList<int>{1, 2, 3, 4, 5, 6}));
    const QList<int> others = visibleColumns(*m.DBStend);

    b.prompts.onDialog([](QDialog &d) {
        static_cast<SFConfigStend &>(d).SECountCh->setValue(8);
        return true;
    });
    m.cfgStendClick();
    QCOMPARE(shown(), (QList<int>{1, 2, 3, 4, 5, 6, 7, 8}));
    QCOMPARE(m.DBStend->model()->headerData(grid.column("PCh8"), Qt::Horizontal).toString(), QString("№8"));
    QList<int> expected = others;
    expected << grid.column("PCh7") << grid.column("PCh8");
    std::sort(expected.begin(), expected.end());
    QCOMPARE(visibleColumns(*m.DBStend), expected);
}

void TstMainSetup::selectAllAndDeselectTouchTheCurrentStandOnly()
{
    Bench b;
    b.exec("UPDATE TableStend SET PCh2 = TRUE WHERE PNumStend = 1");
    TFMain &m = b.open();
    b.found({1, 2, 3});
    m.DBStend->setCurrentIndex(m.DBStend->model()->index(b.gridRow(2), b.dm->ADOTableStend->column("PNameTip")));

    b.button("BASelectAll")->click();
    QCOMPARE(b.ticks(2), QString("11111100")); // countCH 6
    QCOMPARE(b.ticks(1), QString("01000000"));
    QCOMPARE(b.ticks(3), QString("00000000"));

    b.exec("UPDATE TableStend SET PCh8 = TRUE WHERE PNumStend = 2");
    b.button("BADeSelect")->click();
    QCOMPARE(b.ticks(2), QString("00000001"));
    QCOMPARE(b.ticks(1), QString("01000000"));
    QVERIFY(b.prompts.shown().isEmpty());
}

void TstMainSetup::postKeepsPositionTicksAcrossARestart()
{
    Bench b;
    TFMain &m = b.open();
    b.found({1, 2});
    QAbstractItemModel *grid = m.DBStend->model();
    const int ch3 = b.dm->ADOTableStend->column("PCh3");
    QVERIFY(grid->setData(grid->index(b.gridRow(2), ch3), Qt::Checked, Qt::CheckStateRole)); // the operator's click
    QCOMPARE(b.ticks(2), QString("00000000")); // still an edit of the grid

    b.button("BDSTableStendPost")->click();
    QCOMPARE(b.ticks(2), QString("00100000"));

    // The next start reads it from the database.
    b.main.reset();
    const QString restart = QStringLiteral("mainsetup_restart");
    QVERIFY(!Database::open(b.dir.databasePath(), restart).has_value());
    {
        TDM again(restart);
        QCOMPARE(again.DataModuleCreate(), QString());
        const int row = again.ADOTableStend->find("PNumStend", 2);
        QVERIFY(again.ADOTableStend->value(row, "PCh3").toBool());
        QVERIFY(!again.ADOTableStend->value(row, "PCh2").toBool());
        again.DataModuleDestroy();
    }
    Database::close(restart);
}

void TstMainSetup::modeActionsCheckTheTypesAndHandOver()
{
    Bench b;
    b.remember("tipf", b.tip("СЭО-101", "01"));
    TFMain &m = b.open();
    b.found({1, 3});
    const TableDataSet &grid = *b.dm->ADOTableStend;
    QCOMPARE(grid.value(b.gridRow(1), "PNameTip").toString(), QString("СЭО-101"));

    // Another filter type of other ratings: the stands' types are no longer in its list.
    const int other = b.dm->ADOTipF->find("PIndex", b.tip("СЭБ-2", "01"));
    m.DBTipF->setCurrentIndex(other);
    m.DBTipFCloseUp(other);
    QVERIFY(grid.value(b.gridRow(1), "PNameTip").toString().isEmpty());
    for (QAction *mode : {m.AHand, m.AAutoRegul, m.AAutoMistake}) {
        mode->trigger();
        QCOMPARE(b.prompts.lastText(), NoStands);
        QCOMPARE(m.Mode, 0);
        QVERIFY(!m.runWindow->isVisible());
    }
    QCOMPARE(b.prompts.shown().size(), 3);

    // Types chosen again through the grid's type cell, positions ticked by hand.
    for (int stand : {1, 3}) {
        const QModelIndex cell = m.DBStend->model()->index(b.gridRow(stand), grid.column("PNameTip"));
        m.DBStend->setCurrentIndex(cell);
        m.DBStend->edit(cell);
        auto *editor = qobject_cast<LookupCombo *>(m.DBStend->indexWidget(cell));
        QVERIFY(editor);
        QCOMPARE(editor->currentIndex(), -1);
        QTest::keyClick(editor, Qt::Key_Down);
    }
    QCOMPARE(grid.value(b.gridRow(3), "PNameTip").toString(), QString("СЭБ-2"));
    QAbstractItemModel *model = m.DBStend->model();
    model->setData(model->index(b.gridRow(3), grid.column("PCh2")), Qt::Checked, Qt::CheckStateRole);
    model->setData(model->index(b.gridRow(3), grid.column("PCh6")), Qt::Checked, Qt::CheckStateRole);

    // The console button down: nothing happens.
    m.TBPult->setChecked(true);
    m.AAutoMistake->trigger();
    QCOMPARE(m.Mode, 0);
    QVERIFY(!m.runWindow->isVisible());
    m.TBPult->setChecked(false);

    b.prompts.clear();
    m.AAutoMistake->trigger();
    QVERIFY(b.prompts.shown().isEmpty());
    QCOMPARE(m.Mode, 2);
    QVERIFY(m.runWindow->isVisible());
    const TStend &s = m.Stands[3];
    QCOMPARE(s.Tip, QString("СЭБ-2"));
    QCOMPARE(s.TipIndex, b.tip("СЭБ-2", "01").toInt());
    QCOMPARE(s.Identificator, QString("01"));
    QCOMPARE(s.Maker, QString("Учебный приборный завод"));
    QCOMPARE(s.ClassT, 2.0);
    QCOMPARE(s.Unom, 220.0);
    QCOMPARE(s.Inom, 10.0);
    QCOMPARE(s.Imax, 40.0);
    QCOMPARE(s.ReductRate, 1600.0);
    QCOMPARE(s.IdentReductRate, 1);
    QCOMPARE(s.CenaDel, 0.1);
    QList<bool> channels;
    for (int i = 1; i <= 7; ++i)
        channels << s.Channel[std::size_t(i)];
    QCOMPARE(channels, (QList<bool>{false, true, false, false, false, true, false}));
    QCOMPARE(m.Stands[1].Tip, QString("СЭБ-2"));
    QVERIFY(m.Stands[2].Tip.isEmpty()); // not present
    // The grid's last edit reached the database before the run window opened.
    QCOMPARE(b.ticks(3), QString("01000100"));
    QCOMPARE(b.sql("SELECT PPointTip FROM TableStend WHERE PNumStend = 3"), b.tip("СЭБ-2", "01"));
}

void TstMainSetup::warmUpCurrentAboveImaxIsLightRed_data()
{
    QTest::addColumn<QString>("percent");
    QTest::addColumn<QColor>("colour");
    QTest::newRow("120 % of 5 A against 5 A") << "120" << QColor(255, 215, 215);
    QTest::newRow("100 % is Imax itself") << "100" << QColor(Qt::white);
    QTest::newRow("100.1 %") << "100.1" << QColor(255, 215, 215);
}

void TstMainSetup::warmUpCurrentAboveImaxIsLightRed()
{
    QFETCH(QString, percent);
    QFETCH(QColor, colour);
    Bench b;
    b.exec("INSERT INTO TTip (PTip, PIdentificator, PUnom, PInom, PImax) VALUES ('СО-5', '01', 127, 5, 5)");
    b.remember("tipf", b.tip("СО-5", "01"));
    TFMain &m = b.open();
    m.CBProgon->click();
    QVERIFY(m.DBPerIProg->isEnabled());
    retype(m.DBPerIProg, "50");
    QCOMPARE(m.DBPerIProg->palette().color(QPalette::Base), QColor(Qt::white));
    retype(m.DBPerIProg, percent);
    QCOMPARE(m.DBPerIProg->palette().color(QPalette::Base), colour);
}

void TstMainSetup::leavingAWarmUpFieldStoresIt_data()
{
    QTest::addColumn<QString>("edit");
    QTest::addColumn<QString>("field");
    QTest::addColumn<QString>("typed");
    QTest::addColumn<QVariant>("stored");
    QTest::addColumn<QString>("shown");
    QTest::addColumn<QString>("message");
    // Stored before: 30 s, 7 min, 90 % U, 80 % I.
    QTest::newRow("Т, сек. empty stores 0") << "DBTimeSProg" << "PTimeSProgon" << "" << QVariant(0) << "0" << "";
    QTest::newRow("Т, сек. 60") << "DBTimeSProg" << "PTimeSProgon" << "60" << QVariant(60) << "60" << "";
    QTest::newRow("Т, сек. 61 refused") << "DBTimeSProg" << "PTimeSProgon" << "61" << QVariant(30) << "30"
                                        << "Значение поля «Т, сек.» должно быть в пределах от 0 до 60.";
    QTest::newRow("Т, мин. 300") << "DBTimeMProg" << "PTimeMProgon" << "300" << QVariant(300) << "300" << "";
    QTest::newRow("% U empty refused") << "DBperUProg" << "PPerUProgon" << "" << QVariant(90.0) << "90.0"
                                       << "Значение поля «% U» должно быть в пределах от 1 до 120.";
    QTest::newRow("% U 112.25 shown to one decimal, tie to even") << "DBperUProg" << "PPerUProgon" << "112.25" << QVariant(112.25)
                                                     << "112.2" << "";
    QTest::newRow("% I 0.0001") << "DBPerIProg" << "PPerIProgon" << "0.0001" << QVariant(0.0001) << "0.0" << "";
    QTest::newRow("% I 1500.1 refused") << "DBPerIProg" << "PPerIProgon" << "1500.1" << QVariant(80.0) << "80.0"
                                        << "Значение поля «% I» должно быть в пределах от 0.0001 до 1500.";
}

void TstMainSetup::leavingAWarmUpFieldStoresIt()
{
    QFETCH(QString, edit);
    QFETCH(QString, field);
    QFETCH(QString, typed);
    QFETCH(QVariant, stored);
    QFETCH(QString, shown);
    QFETCH(QString, message);
    Bench b;
    b.exec("UPDATE THand SET PTimeSProgon = 30, PTimeMProgon = 7, PPerUProgon = 90, PPerIProgon = 80");
    TFMain &m = b.open();
    QVERIFY(!m.CBProgon->isChecked());
    m.CBProgon->click(); // ticking the warm-up stores it and opens its fields
    QCOMPARE(b.sql("SELECT PProgon FROM THand").toBool(), true);
    auto *e = m.findChild<QLineEdit *>(edit);
    QVERIFY(e && e->isEnabled());
    QCOMPARE(m.DBTimeSProg->text(), QString("30"));

    retype(e, typed);
    leave(e);
    QCOMPARE(b.sql("SELECT " + field + " FROM THand").toDouble(), stored.toDouble());
    QCOMPARE(e->text(), shown);
    QCOMPARE(b.prompts.texts(), message.isEmpty() ? QStringList() : QStringList{message});
}

void TstMainSetup::refreshRereadsTheDatabase_data()
{
    QTest::addColumn<QString>("meanwhile");
    QTest::addColumn<int>("mode");
    QTest::addColumn<QString>("filterShown");
    QTest::addColumn<QString>("testShown");
    QTest::addColumn<int>("standTypes");
    const QString add = "INSERT INTO TTip (PTip, PIdentificator, PUnom, PInom, PImax) VALUES ('СЭО-101', '03', 230, 5, 60)";
    QTest::newRow("a type added") << add << 0 << "СЭО-101  01" << "Класс 1" << 3;
    QTest::newRow("the filter type deleted") << "DELETE FROM TTip WHERE PIdentificator = '01' AND PUnom = 230" << 0 << ""
                                            << "Класс 1" << 1;
    QTest::newRow("the test deleted") << "DELETE FROM TTest WHERE PNameTable = 'Класс 1'" << 0 << "СЭО-101  01" << "" << 2;
    QTest::newRow("a run window open") << add << 2 << "СЭО-101  01" << "Класс 1" << 2;
}

void TstMainSetup::refreshRereadsTheDatabase()
{
    QFETCH(QString, meanwhile);
    QFETCH(int, mode);
    QFETCH(QString, filterShown);
    QFETCH(QString, testShown);
    QFETCH(int, standTypes);
    Bench b;
    b.remember("tipf", b.tip("СЭО-101", "01"));
    b.remember("test", b.test("Класс 1"));
    TFMain &m = b.open();
    b.found({1});
    const int typesBefore = b.dm->ADOTipF->rowCount();

    // Another program changes the database through its own connection.
    const QString other = QStringLiteral("mainsetup_other");
    QVERIFY(!Database::open(b.dir.databasePath(), other).has_value());
    QVERIFY(QSqlQuery(QSqlDatabase::database(other)).exec(meanwhile));
    Database::close(other);

    m.Mode = mode;
    m.ARefr->trigger();
    QVERIFY(b.prompts.shown().isEmpty());
    QCOMPARE(qobject_cast<LookupCombo *>(m.DBTipF)->shownText(), filterShown);
    QCOMPARE(m.DBLTest->currentText(), testShown);
    QCOMPARE(b.dm->ADOTipStend1->rowCount(), standTypes);
    if (meanwhile.startsWith("INSERT"))
        QCOMPARE(b.dm->ADOTipF->rowCount(), typesBefore + (mode == 0 ? 1 : 0));
    // Every dataset that was open is open again, the stands in their order.
    QVERIFY(b.dm->ADOTableStend->isOpen() && b.dm->ADOHand->isOpen() && b.dm->ADOTest1->isOpen());
    QCOMPARE(b.dm->ADOTableStend->value(0, "PNumStend").toInt(), 1);
    QCOMPARE(m.DBTimeMProg->text(), QString("10"));
}

QTEST_MAIN(TstMainSetup)
#include "tst_mainsetup.moc"
