#include "app/HelpFile.h"

#include <QDir>
#include <QFileInfo>

QString HelpFilePath(const QString& programDir)
{
    const QDir dir(programDir);
    const QString beside = dir.filePath(helpFileName);
    if (QFileInfo::exists(beside))
        return beside;
    // The relative place comes from the install rules, so a different data directory
    // chosen at configuration is followed.
    const QString installed = QDir::cleanPath(
        dir.filePath(QStringLiteral(QX390D_HELP_DIR_FROM_PROGRAM "/") + helpFileName));
    return QFileInfo::exists(installed) ? installed : beside;
}
