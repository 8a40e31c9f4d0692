#pragma once

#include <QByteArray>
#include <QString>

class FileDialogs;
class Prompter;
class QWidget;
class RecordTable;

// Filter of the save dialog (two blanks after "Csv").
inline const QString csvFilter = QStringLiteral("Csv  (*.csv)");

// A cell text as a CSV field: unchanged unless it holds a comma, a double quote, CR or LF;
// then it is put in double quotes with inner quotes doubled, so a spreadsheet reads it
// back as one cell.
QString CsvField(const QString& text);

// The whole file: the header line, then one line per row; every field is followed by a
// comma and every line ends in CR LF. UTF-8 without a byte-order mark.
QByteArray BuildCsv(const RecordTable& table);

// The path written for a chosen name: ".csv" is appended unless the name already ends in
// exactly ".csv" (case matters).
QString CsvExportPath(const QString& chosen);

enum class CsvWriteResult {
    Written,
    // Not opened: the file is open in LibreOffice (its lock file lies beside it), the file
    // or its folder cannot be written, or the folder does not exist.
    CannotOpen,
    // Opened but not written in full; any old file of that name is unchanged.
    WriteFailed,
};

// Writes `content` through a temporary file that replaces `path` only once complete.
CsvWriteResult WriteCsvFile(const QString& path, const QByteArray& content);

// The export as the operator sees it: asks for a file, confirms replacing a file the
// dialog did not ask about, writes the table and reports. `exportPath` receives the path
// used. Boxes are owned by `owner`.
void ExportRecordTable(const RecordTable& table, Prompter& prompter, FileDialogs& dialogs,
                       QWidget* owner, QString& exportPath);
