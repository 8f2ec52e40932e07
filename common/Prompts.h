// Every message box, question and modal dialog of the programs goes through Prompts, so
// the logic behind them runs the same on screen and in tests (which answer by script).
#pragma once

#include <QString>

class QDialog;
class QWidget;

class Prompts
{
public:
    enum class Icon { Plain, Information, Warning, Error };

    virtual ~Prompts() = default;

    /// A message box with one OK button. `topMost` keeps it above every other window
    /// (used where no main window exists yet). An empty caption shows the program's title.
    virtual void message(Icon icon, const QString &caption, const QString &text, bool topMost = false) = 0;
    /// A Yes/No question; true for Yes.
    virtual bool question(const QString &caption, const QString &text) = 0;
    /// Shows `dialog` modally; true when it was accepted (OK).
    virtual bool execDialog(QDialog &dialog) = 0;

    /// A box with no icon, only the text and OK.
    void plain(const QString &caption, const QString &text) { message(Icon::Plain, caption, text); }
    void error(const QString &caption, const QString &text) { message(Icon::Error, caption, text); }
    void warning(const QString &caption, const QString &text) { message(Icon::Warning, caption, text); }
    void information(const QString &caption, const QString &text) { message(Icon::Information, caption, text); }
};

/// The programs' prompts: QMessageBox and the real dialogs, centred on `parent`.
class WidgetPrompts final : public Prompts
{
public:
    explicit WidgetPrompts(QWidget *parent = nullptr) : m_parent(parent) {}
    void setParentWidget(QWidget *parent) { m_parent = parent; }

    void message(Icon icon, const QString &caption, const QString &text, bool topMost = false) override;
    bool question(const QString &caption, const QString &text) override;
    bool execDialog(QDialog &dialog) override;

private:
    QWidget *m_parent;
};
