#include "app/MessageBoxPrompter.h"

#include <QDir>
#include <QFileDialog>
#include <QMessageBox>

namespace {

QMessageBox::Icon ToQt(Prompter::Icon icon)
{
    switch (icon) {
    case Prompter::Icon::Information:
        return QMessageBox::Information;
    case Prompter::Icon::Warning:
        return QMessageBox::Warning;
    case Prompter::Icon::Question:
        return QMessageBox::Question;
    case Prompter::Icon::Critical:
        return QMessageBox::Critical;
    case Prompter::Icon::None:
        break;
    }
    return QMessageBox::NoIcon;
}

} // namespace

Prompter::Button MessageBoxPrompter::Show(QWidget* owner, const QString& caption,
                                          const QString& text, int buttons, Icon icon,
                                          std::optional<Button> defaultButton)
{
    QMessageBox box(ToQt(icon), caption, text, QMessageBox::NoButton, owner);
    if (buttons & Yes)
        box.addButton(QMessageBox::Yes);
    if (buttons & No)
        box.addButton(QMessageBox::No);
    if (buttons & Ok || box.buttons().isEmpty())
        box.addButton(QMessageBox::Ok);
    if (defaultButton)
        box.setDefaultButton(*defaultButton == Yes  ? QMessageBox::Yes
                             : *defaultButton == No ? QMessageBox::No
                                                    : QMessageBox::Ok);
    const int answer = box.exec();
    if (answer == QMessageBox::Yes)
        return Yes;
    if (answer == QMessageBox::No || (buttons & Yes))
        return No;
    return Ok;
}

QString QtFileDialogs::SaveFileName(QWidget* owner, const QString& filter, const QString& name)
{
    const QString folder = lastFolder_.Folder();
    const QString chosen = QFileDialog::getSaveFileName(
        owner, QString(), name.isEmpty() ? folder : QDir(folder).filePath(name), filter);
    lastFolder_.Remember(chosen);
    return chosen;
}

QString QtFileDialogs::OpenFileName(QWidget* owner, const QString& filter)
{
    const QString chosen =
        QFileDialog::getOpenFileName(owner, QString(), lastFolder_.Folder(), filter);
    lastFolder_.Remember(chosen);
    return chosen;
}
