#pragma once

#include <QByteArray>
#include <QCoreApplication>
#include <QString>

class FileDialogs;
class Prompter;
class QWidget;
struct TableTexts;

// Filter of the save dialog (two blanks after "Csv").
inline QString csvFilter()
{
    return QCoreApplication::translate("Export", "Csv  (*.csv)");
}

// A cell text as a CSV field: unchanged unless it holds a comma, a double quote, CR or LF;
// then it is put in double quotes with inner quotes doubled, so a spreadsheet reads it
// back as one cell.
QString CsvField(const QString& text);
// The same rule for a UTF-8 text, written at `out`, which has room for CsvFieldRoom of its
// size; where the field ends. A listing of a million rows writes its lines so, without a
// call per field to grow them.
char* WriteCsvField(char* out, QByteArrayView text);
constexpr qsizetype CsvFieldRoom(qsizetype size)
{
    return 2 * size + 2;
}

// The whole file: the header line, then one line per row; every field is followed by a
// comma and every line ends in CR LF. UTF-8 without a byte-order mark.
QByteArray BuildCsv(const TableTexts& table);

// The export as the operator sees it (ExportFileAs), to a name ending in ".csv".
// `exportPath` receives the path used. Boxes are owned by `owner`.
void ExportRecordTable(const TableTexts& table, Prompter& prompter, FileDialogs& dialogs,
                       QWidget* owner, QString& exportPath);
