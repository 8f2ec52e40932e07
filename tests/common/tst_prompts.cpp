// The prompts seam: the scripted prompts record and answer as told; the widget prompts
// show real modal boxes with the given texts.
#include "common/Prompts.h"
#include "tests/fixtures/ScriptedPrompts.h"

#include <QAbstractButton>
#include <QApplication>
#include <QDialog>
#include <QLineEdit>
#include <QMessageBox>
#include <QTest>
#include <QTimer>

class TstPrompts : public QObject
{
    Q_OBJECT
private slots:
    void scriptedPromptsRecordAndAnswer();
    void scriptedDialogCanFillControls();
    void widgetPromptsShowModalBoxes();
};

void TstPrompts::scriptedPromptsRecordAndAnswer()
{
    ScriptedPrompts p;
    p.answerQuestions({false, true});
    p.defaultAnswer = false;
    p.message(Prompts::Icon::Error, "Cap", "first", true);
    QCOMPARE(p.question("Q", "one?"), false);
    QCOMPARE(p.question("Q", "two?"), true);
    QCOMPARE(p.question("Q", "three?"), false);
    QCOMPARE(p.texts(), (QStringList{"first", "one?", "two?", "three?"}));
    QCOMPARE(p.shown().first().kind, ScriptedPrompts::Shown::Message);
    QCOMPARE(p.shown().first().icon, Prompts::Icon::Error);
    QCOMPARE(p.shown().first().caption, QString("Cap"));
    QVERIFY(p.shown().first().topMost);
}

void TstPrompts::scriptedDialogCanFillControls()
{
    ScriptedPrompts p;
    QDialog dialog;
    dialog.setWindowTitle("Конфигурация ");
    auto *edit = new QLineEdit(&dialog);
    edit->setObjectName("E");
    p.onDialog([](QDialog &d) {
        d.findChild<QLineEdit *>("E")->setText("7");
        return false;
    });
    QVERIFY(!p.execDialog(dialog));
    QCOMPARE(edit->text(), QString("7"));
    QCOMPARE(dialog.result(), int(QDialog::Rejected));
    QVERIFY(p.execDialog(dialog)); // nothing scripted: accepted untouched
    QCOMPARE(p.lastText(), QString("Конфигурация "));
}

void TstPrompts::widgetPromptsShowModalBoxes()
{
    WidgetPrompts p;
    QStringList seen;
    bool stayedOnTop = false;
    auto answer = [&](QMessageBox::StandardButton button) {
        QTimer::singleShot(0, this, [&, button] {
            auto *box = qobject_cast<QMessageBox *>(QApplication::activeModalWidget());
            QVERIFY(box);
            seen << box->windowTitle() + "|" + box->text();
            stayedOnTop = box->windowFlags().testFlag(Qt::WindowStaysOnTopHint);
            box->button(button)->click();
        });
    };
    answer(QMessageBox::Ok);
    p.message(Prompts::Icon::Error, "Программа управления установкой TK710", "Запуск второй копии программы недопустим.", true);
    QVERIFY(stayedOnTop);
    answer(QMessageBox::No);
    QCOMPARE(p.question("Вопрос", "Удалить?"), false);
    answer(QMessageBox::Yes);
    QCOMPARE(p.question("Вопрос", "Удалить?"), true);
    QCOMPARE(seen.first(), QString("Программа управления установкой TK710|Запуск второй копии программы недопустим."));
    QCOMPARE(seen.size(), 3);
}

QTEST_MAIN(TstPrompts)
#include "tst_prompts.moc"
