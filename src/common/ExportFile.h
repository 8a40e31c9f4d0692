#pragma once

#include <QByteArray>
#include <QCoreApplication>
#include <QString>
#include <QStringList>
#include <functional>
#include <optional>

class FileDialogs;
class Prompter;
class QWidget;

// What every file the program saves for the operator shares (the exports, the chart's
// image, the report): the name written, the replace question, the rules for a file that
// cannot be written, the atomic write and the messages.

// What a save tells the operator. Every box has the caption promptCaption().
namespace ExportText {
inline QString Succeeded()
{
    return QCoreApplication::translate("Export", "Data has already been successfully exported.");
}
// Follows the file's full path and a blank.
inline QString ReplaceQuestion()
{
    return QCoreApplication::translate("Export", "already exist.\r\nIs to replace it?");
}
inline QString FileInUse()
{
    return QCoreApplication::translate("Export",
                                       "The file can\u2019t be saved.\r\nBecause it is being "
                                       "opened by other program.\r\nPlease be sure to close this "
                                       "file firstly!");
}
// Followed by the file's full path.
inline QString WriteFailed()
{
    return QCoreApplication::translate("Export", "The data could not be written completely; the "
                                                 "file has been left as it was.\r\n");
}
} // namespace ExportText

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

// The content of a file for the path it is written to (whose extension may choose its
// format); nothing when it cannot be made.
using FileContentBuilder = std::function<std::optional<QByteArray>(const QString& path)>;

// The file an export is written to: asks for one with `filter`; a name that ends in none of
// `extensions` (case matters) gets the first appended, and replacing a file of that name is
// confirmed, as the dialog did not ask about it. False when the operator declines;
// `exportPath` receives the path named (also when replacing it was declined). The dialog
// offers `suggestedName` when it is not empty.
bool ChooseExportPath(Prompter& prompter, FileDialogs& dialogs, QWidget* owner, QString& exportPath,
                      const QString& filter, const QStringList& extensions,
                      const QString& suggestedName = QString());
// Writes `content` to `path` (nothing: it could not be made) with the rules of
// WriteExportFile, and tells the operator how it went.
void WriteExportAndTell(Prompter& prompter, QWidget* owner, const QString& path,
                        const std::optional<QByteArray>& content);

// Any export as the operator sees it: asks for a file with `filter`; a name that ends in
// none of `extensions` (case matters) gets the first appended, and replacing a file of that
// name is confirmed, as the dialog did not ask about it; writes what `build` makes, with
// the rules and messages of WriteExportFile. `exportPath` receives the path used. Boxes are
// owned by `owner`.
void ExportFileAs(Prompter& prompter, FileDialogs& dialogs, QWidget* owner, QString& exportPath,
                  const QString& filter, const QStringList& extensions,
                  const FileContentBuilder& build);
