#include "ui/messages.h"

#include "task/errors.h"

#include <QApplication>
#include <QFileDialog>
#include <QMessageBox>
#include <exception>

namespace {

TMessages::THook& Hook()
{
    static TMessages::THook hook;
    return hook;
}

TMessages::TSaveFileHook& SaveFileHook()
{
    static TMessages::TSaveFileHook hook;
    return hook;
}

QString Title()
{
    const QString name = QApplication::applicationDisplayName();
    return name.isEmpty() ? QStringLiteral("Pagemint") : name;
}

/** A modal box whose text is shown character for character (a task name holding "<b>" is not
 *  markup); returns the button pressed. */
QMessageBox::StandardButton ShowBox(QWidget* parent, QMessageBox::Icon icon, const QString& text,
                                    QMessageBox::StandardButtons buttons, QMessageBox::StandardButton defaultButton)
{
    QMessageBox box(icon, Title(), text, buttons, parent);
    box.setTextFormat(Qt::PlainText);
    box.setDefaultButton(defaultButton);
    return static_cast<QMessageBox::StandardButton>(box.exec());
}

} // namespace

void TMessages::Information(QWidget* parent, const QString& text)
{
    if (Hook()) {
        Hook()(TKind::Information, text);
        return;
    }
    ShowBox(parent, QMessageBox::Information, text, QMessageBox::Ok, QMessageBox::Ok);
}

bool TMessages::Question(QWidget* parent, const QString& text)
{
    if (Hook())
        return Hook()(TKind::Question, text);
    return ShowBox(parent, QMessageBox::Question, text, QMessageBox::Yes | QMessageBox::No, QMessageBox::No)
           == QMessageBox::Yes;
}

void TMessages::Error(QWidget* parent, const QString& text)
{
    if (Hook()) {
        Hook()(TKind::Error, text);
        return;
    }
    ShowBox(parent, QMessageBox::Critical, text, QMessageBox::Ok, QMessageBox::Ok);
}

bool TMessages::RunCommand(QWidget* parent, const std::function<void()>& command)
{
    try {
        command();
        return true;
    } catch (const EPagemintError& e) {
        Error(parent, e.Message());
    } catch (const std::exception& e) {
        Error(parent, QString::fromUtf8(e.what()));
    }
    return false;
}

QString TMessages::SaveFileName(QWidget* parent, const QString& filter)
{
    if (SaveFileHook())
        return SaveFileHook()(filter);
    return QFileDialog::getSaveFileName(parent, QString(), QString(), filter);
}

void TMessages::SetHook(THook hook)
{
    Hook() = std::move(hook);
}

void TMessages::SetSaveFileHook(TSaveFileHook hook)
{
    SaveFileHook() = std::move(hook);
}
