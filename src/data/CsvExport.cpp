#include "data/CsvExport.h"

#include "data/ExportFile.h"
#include "data/RecordTable.h"

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

void ExportRecordTable(const RecordTable& table, Prompter& prompter, FileDialogs& dialogs,
                       QWidget* owner, QString& exportPath)
{
    ExportTableAs(
        table, prompter, dialogs, owner, exportPath, csvFilter, QStringLiteral(".csv"),
        [](const RecordTable& rows) { return std::optional<QByteArray>(BuildCsv(rows)); });
}
