#include "app/HelpFile.h"

#include "common/Prompter.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QUrl>

QString HelpFilePath(const QString& programDir, const QString& name)
{
    const QDir dir(programDir);
    const QString beside = dir.filePath(name);
    if (QFileInfo::exists(beside))
        return beside;
    // The relative place comes from the install rules, so a different data directory
    // chosen at configuration is followed.
    const QString installed =
        QDir::cleanPath(dir.filePath(QStringLiteral(QX390D_HELP_DIR_FROM_PROGRAM "/") + name));
    return QFileInfo::exists(installed) ? installed : beside;
}

QString HelpNotOpenedText(const QString& pagePath)
{
    return QCoreApplication::translate("HelpFile",
                                       "The help cannot be opened: no program to show it was "
                                       "found.\nOpen this file with a web browser:\n%1")
        .arg(QDir::toNativeSeparators(pagePath));
}

void OpenHelp(const QString& programDir, HelpOpener& opener, Prompter& prompter, QWidget* owner)
{
    const QString book = HelpFilePath(programDir);
    if (QFileInfo::exists(book) && opener.HasChmViewer() &&
        opener.OpenUrl(QUrl::fromLocalFile(book)))
        return;
    const QString page = HelpFilePath(programDir, helpPageName);
    if (!opener.OpenUrl(QUrl::fromLocalFile(page)))
        prompter.Notify(owner, HelpNotOpenedText(page), Prompter::Icon::Warning);
}
