#pragma once

#include <QByteArray>
#include <QString>
#include <functional>
#include <optional>

class FileDialogs;
class Prompter;
class QWidget;
class RecordTable;

// What both exports share: the name written, the replace question, the rules for a file
// that cannot be written, the atomic write and the messages.

// The path written for a chosen name: `extension` (".csv", ".xlsx") is appended unless the
// name already ends in exactly it (case matters).
QString ExportPathFor(const QString& chosen, const QString& extension);

enum class ExportWriteResult {
    Written,
    // Not opened: the file is open in LibreOffice (its lock file lies beside it), the file
    // or its folder cannot be written, or the folder does not exist.
    CannotOpen,
    // Opened but not written in full; any old file of that name is unchanged.
    WriteFailed,
};

// Writes `content` through a temporary file in the same folder that replaces `path` only
// once complete.
ExportWriteResult WriteExportFile(const QString& path, const QByteArray& content);

// The content of an export file made from the table; nothing when it cannot be made.
using ExportBuilder = std::function<std::optional<QByteArray>(const RecordTable&)>;

// The export as the operator sees it: asks for a file with `filter`, confirms replacing a
// file the dialog did not ask about, writes what `build` makes of the table and reports.
// Content that cannot be made is reported like a failed write. `exportPath` receives the
// path used. Boxes are owned by `owner`.
void ExportTableAs(const RecordTable& table, Prompter& prompter, FileDialogs& dialogs,
                   QWidget* owner, QString& exportPath, const QString& filter,
                   const QString& extension, const ExportBuilder& build);
