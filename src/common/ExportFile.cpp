#include "common/ExportFile.h"

#include "common/FileDialogs.h"
#include "common/Prompter.h"

#include <QDir>
#include <QFileInfo>
#include <QSaveFile>
#include <algorithm>

namespace {

// Read-only means no write permission bit at all, so even a privileged user does not
// replace a file (or fill a folder) the owner has protected.
bool IsWritable(const QFileInfo& info)
{
    constexpr auto anyWrite = QFile::WriteOwner | QFile::WriteGroup | QFile::WriteOther;
    return info.isWritable() && (info.permissions() & anyWrite);
}

// What stops the file from being opened for writing, as far as can be seen beforehand.
// LibreOffice keeps a file it has open marked by ".~lock.<name>#" in the same folder.
bool CanOpenForWriting(const QString& path)
{
    const QFileInfo target(path);
    const QFileInfo folder(target.absolutePath());
    if (!folder.isDir() || !IsWritable(folder))
        return false;
    if (QFileInfo::exists(folder.filePath() + QStringLiteral("/.~lock.") + target.fileName() +
                          QLatin1Char('#')))
        return false;
    return !target.exists() || (target.isFile() && IsWritable(target));
}

} // namespace

QString ExportPathFor(const QString& chosen, const QString& extension)
{
    if (chosen.endsWith(extension, Qt::CaseSensitive))
        return chosen;
    return chosen + extension;
}

ExportWriteResult WriteExportFile(const QString& path, const QByteArray& content)
{
    if (!CanOpenForWriting(path))
        return ExportWriteResult::CannotOpen;
    QSaveFile file(path);
    // Unbuffered, so a short write shows in write()'s count: a buffered flush that writes
    // only part of the data is not reported as an error.
    if (!file.open(QIODevice::WriteOnly | QIODevice::Unbuffered))
        return ExportWriteResult::CannotOpen;
    if (file.write(content) != content.size()) {
        file.cancelWriting();
        return ExportWriteResult::WriteFailed;
    }
    return file.commit() ? ExportWriteResult::Written : ExportWriteResult::WriteFailed;
}

bool ChooseExportPath(Prompter& prompter, FileDialogs& dialogs, QWidget* owner, QString& exportPath,
                      const QString& filter, const QStringList& extensions,
                      const QString& suggestedName)
{
    const QString chosen = dialogs.SaveFileName(owner, filter, suggestedName);
    if (chosen.isEmpty())
        return false;
    const bool hasExtension =
        std::any_of(extensions.begin(), extensions.end(), [&chosen](const QString& extension) {
            return chosen.endsWith(extension, Qt::CaseSensitive);
        });
    exportPath = hasExtension ? chosen : ExportPathFor(chosen, extensions.value(0));
    // The dialog has asked about replacing the name it returned, but not about the name
    // with the extension appended.
    return exportPath == chosen || !QFileInfo::exists(exportPath) ||
           prompter.Confirm(owner, exportPath + QLatin1Char(' ') + ExportText::ReplaceQuestion());
}

void WriteExportAndTell(Prompter& prompter, QWidget* owner, const QString& path,
                        const std::optional<QByteArray>& content)
{
    switch (content ? WriteExportFile(path, *content) : ExportWriteResult::WriteFailed) {
    case ExportWriteResult::Written:
        prompter.Notify(owner, ExportText::Succeeded(), Prompter::Icon::Information);
        break;
    case ExportWriteResult::CannotOpen:
        prompter.Notify(owner, ExportText::FileInUse(), Prompter::Icon::Information);
        break;
    case ExportWriteResult::WriteFailed:
        prompter.Notify(owner, ExportText::WriteFailed() + QDir::toNativeSeparators(path),
                        Prompter::Icon::Warning);
        break;
    }
}

void ExportFileAs(Prompter& prompter, FileDialogs& dialogs, QWidget* owner, QString& exportPath,
                  const QString& filter, const QStringList& extensions,
                  const FileContentBuilder& build)
{
    if (ChooseExportPath(prompter, dialogs, owner, exportPath, filter, extensions))
        WriteExportAndTell(prompter, owner, exportPath, build(exportPath));
}
