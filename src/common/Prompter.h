#pragma once

#include <QCoreApplication>
#include <QString>
#include <optional>

class QWidget;

// Caption used by every message box of the program, in the desktop's language.
inline QString promptCaption()
{
    return QCoreApplication::translate("MessageBox", "PON Prompt Message");
}
inline QString disconnectNotice()
{
    return QCoreApplication::translate(
        "MessageBox", "Ther serial port has been disconnected unexpectedly.Please reconnect.");
}
// Caption of the boxes the toolkit itself would show (a field that holds no number, ...);
// also the name of the settings folder, so never translated.
inline const QString applicationName = QStringLiteral("QX390D");

// Every message box goes through here, so tests can read what the operator would see and
// answer it.
class Prompter
{
public:
    enum Button { Ok = 0x1, Yes = 0x2, No = 0x4 };
    enum class Icon { None, Information, Warning, Question, Critical };

    virtual ~Prompter() = default;

    // Shows a modal box and returns the button that closed it (No for a Yes/No box that
    // was closed otherwise, Ok for an OK box). `defaultButton` is the one Enter presses;
    // without it the toolkit chooses (Yes in a Yes/No box).
    virtual Button Show(QWidget* owner, const QString& caption, const QString& text,
                        int buttons = Ok, Icon icon = Icon::None,
                        std::optional<Button> defaultButton = std::nullopt) = 0;

    // The program's own notice: caption promptCaption(), OK button.
    void Notify(QWidget* owner, const QString& text, Icon icon = Icon::None)
    {
        Show(owner, promptCaption(), text, Ok, icon);
    }
    // A Yes/No question with caption promptCaption(); true only for Yes.
    bool Confirm(QWidget* owner, const QString& text, Icon icon = Icon::None)
    {
        return Show(owner, promptCaption(), text, Yes | No, icon) == Yes;
    }
    // The same for a command that destroys data: No is the default button, so a stray
    // Enter keeps the data.
    bool ConfirmDestructive(QWidget* owner, const QString& text, Icon icon = Icon::None)
    {
        return Show(owner, promptCaption(), text, Yes | No, icon, No) == Yes;
    }
};
