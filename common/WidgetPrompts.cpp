#include "common/Prompts.h"

#include <QApplication>
#include <QDialog>
#include <QMessageBox>

namespace {

QString captionOrTitle(const QString &caption)
{
    return caption.isEmpty() ? QApplication::applicationDisplayName() : caption;
}

QMessageBox::Icon boxIcon(Prompts::Icon icon)
{
    switch (icon) {
    case Prompts::Icon::Plain: return QMessageBox::NoIcon;
    case Prompts::Icon::Information: return QMessageBox::Information;
    case Prompts::Icon::Warning: return QMessageBox::Warning;
    case Prompts::Icon::Error: return QMessageBox::Critical;
    }
    return QMessageBox::NoIcon;
}

} // namespace

void WidgetPrompts::message(Icon icon, const QString &caption, const QString &text, bool topMost)
{
    QMessageBox box(boxIcon(icon), captionOrTitle(caption), text, QMessageBox::Ok, m_parent);
    if (topMost)
        box.setWindowFlag(Qt::WindowStaysOnTopHint);
    box.exec();
}

bool WidgetPrompts::question(const QString &caption, const QString &text)
{
    QMessageBox box(QMessageBox::Question, captionOrTitle(caption), text,
                    QMessageBox::Yes | QMessageBox::No, m_parent);
    box.setDefaultButton(QMessageBox::Yes);
    return box.exec() == QMessageBox::Yes;
}

bool WidgetPrompts::execDialog(QDialog &dialog)
{
    return dialog.exec() == QDialog::Accepted;
}
