#include "export/CsvExport.h"

#include "common/ExportFile.h"
#include "export/TableTexts.h"

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
    const bool needsQuotes = std::any_of(text.cbegin(), text.cend(), [](QChar c) {
        return c == u',' || c == u'"' || c == u'\r' || c == u'\n';
    });
    if (!needsQuotes)
        return text;
    QString quoted = text;
    quoted.replace(QLatin1Char('"'), QLatin1String("\"\""));
    return QLatin1Char('"') + quoted + QLatin1Char('"');
}

char* WriteCsvField(char* out, QByteArrayView text)
{
    const bool needsQuotes = std::any_of(text.cbegin(), text.cend(), [](char c) {
        return c == ',' || c == '"' || c == '\r' || c == '\n';
    });
    if (!needsQuotes)
        return std::copy(text.cbegin(), text.cend(), out);
    *out++ = '"';
    for (const char c : text) {
        if (c == '"')
            *out++ = '"';
        *out++ = c;
    }
    *out++ = '"';
    return out;
}

QByteArray BuildCsv(const TableTexts& table)
{
    QString content;
    AppendLine(content, table.headers);
    for (const QStringList& row : table.rows)
        AppendLine(content, row);
    return content.toUtf8();
}

void ExportRecordTable(const TableTexts& table, Prompter& prompter, FileDialogs& dialogs,
                       QWidget* owner, QString& exportPath)
{
    ExportFileAs(prompter, dialogs, owner, exportPath, csvFilter(), {QStringLiteral(".csv")},
                 [&table](const QString&) { return std::optional<QByteArray>(BuildCsv(table)); });
}
