#include "common/LastFolder.h"

#include <QFileInfo>
#include <QSettings>

namespace {
const QString kKey = QStringLiteral("FileDialogs/lastFolder");
}

QString LastFolder::Folder() const
{
    const QString folder = settings_.value(kKey).toString();
    return !folder.isEmpty() && QFileInfo(folder).isDir() ? folder : QString();
}

void LastFolder::Remember(const QString& chosenFile)
{
    if (chosenFile.isEmpty())
        return;
    settings_.setValue(kKey, QFileInfo(chosenFile).absolutePath());
}
