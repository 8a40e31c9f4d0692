#include "data/CsvExport.h"

#include "common/FileDialogs.h"
#include "common/Prompter.h"
#include "data/DataTexts.h"
#include "data/RecordTable.h"

#include <QDir>
#include <QFileInfo>
#include <QSaveFile>
#include <algorithm>

namespace {

void AppendLine(QString& content, const QStringList& fields)
{
    for (const QString& field : fields) {
        content += CsvField(field);
        content += QLatin1Char(',');
    }
    content += QLatin1String("\r\n");
}

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

QString CsvField(const QString& text)
{
    static const QString special = QStringLiteral(",\"\r\n");
    const bool needsQuotes =
        std::any_of(text.cbegin(), text.cend(), [](QChar c) { return special.contains(c); });
    if (!needsQuotes)
        return text;
    QString quoted = text;
    quoted.replace(QLatin1Char('"'), QLatin1String("\"\""));
    return QLatin1Char('"') + quoted + QLatin1Char('"');
}

QByteArray BuildCsv(const RecordTable& table)
{
    QString content;
    QStringList fields;
    for (int c = 0; c < table.ColumnCount(); ++c)
        fields << table.HeaderText(c);
    AppendLine(content, fields);
    for (int r = 0; r < table.RowCount(); ++r) {
        fields.clear();
        for (int c = 0; c < table.ColumnCount(); ++c)
            fields << table.CellText(r, c);
        AppendLine(content, fields);
    }
    return content.toUtf8();
}

QString CsvExportPath(const QString& chosen)
{
    if (chosen.endsWith(QLatin1String(".csv"), Qt::CaseSensitive))
        return chosen;
    return chosen + QLatin1String(".csv");
}

CsvWriteResult WriteCsvFile(const QString& path, const QByteArray& content)
{
    if (!CanOpenForWriting(path))
        return CsvWriteResult::CannotOpen;
    QSaveFile file(path);
    // Unbuffered, so a short write shows in write()'s count: a buffered flush that writes
    // only part of the data is not reported as an error.
    if (!file.open(QIODevice::WriteOnly | QIODevice::Unbuffered))
        return CsvWriteResult::CannotOpen;
    if (file.write(content) != content.size()) {
        file.cancelWriting();
        return CsvWriteResult::WriteFailed;
    }
    return file.commit() ? CsvWriteResult::Written : CsvWriteResult::WriteFailed;
}

void ExportRecordTable(const RecordTable& table, Prompter& prompter, FileDialogs& dialogs,
                       QWidget* owner, QString& exportPath)
{
    const QString chosen = dialogs.SaveFileName(owner, csvFilter);
    if (chosen.isEmpty())
        return;
    exportPath = CsvExportPath(chosen);
    // The dialog has asked about replacing the name it returned, but not about the name
    // with ".csv" appended.
    if (exportPath != chosen && QFileInfo::exists(exportPath) &&
        !prompter.Confirm(owner, exportPath + QLatin1Char(' ') + DataText::ReplaceQuestion))
        return;

    switch (WriteCsvFile(exportPath, BuildCsv(table))) {
    case CsvWriteResult::Written:
        prompter.Notify(owner, DataText::ExportSucceeded, Prompter::Icon::Information);
        break;
    case CsvWriteResult::CannotOpen:
        prompter.Notify(owner, DataText::FileInUse, Prompter::Icon::Information);
        break;
    case CsvWriteResult::WriteFailed:
        prompter.Notify(owner, DataText::WriteFailed + QDir::toNativeSeparators(exportPath),
                        Prompter::Icon::Warning);
        break;
    }
}
