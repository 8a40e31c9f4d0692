#pragma once

#include <QString>

// What the data page tells the operator. Every box has the caption promptCaption.
namespace DataText {
inline const QString DownloadComplete = QStringLiteral("DownLoad Data Complete!");
inline const QString ExportSucceeded =
    QStringLiteral("Data has already been successfully exported.");
inline const QString NoDataToDownload = QStringLiteral("Have no data can be download!");
// Follows the file's full path and a blank.
inline const QString ReplaceQuestion = QStringLiteral("already exist.\r\nIs to replace it?");
inline const QString FileInUse =
    QStringLiteral("The file can\u2019t be saved.\r\nBecause it is being opened by other "
                   "program.\r\nPlease be sure to close this file firstly!");
// Followed by the file's full path.
inline const QString WriteFailed =
    QStringLiteral("The data could not be written completely; the file has been left as it "
                   "was.\r\n");
// The import: the file's first cell is not a known header; the import got past the header
// (the trailing blank is part of the text).
inline const QString ImportBadHeader = QStringLiteral("An error occurred downloading data!");
inline const QString ImportSucceeded =
    QStringLiteral("Data already successful export to Management software! ");
// Followed by the file's full path, CR LF and the reason.
inline const QString ImportUnreadable =
    QStringLiteral("The file cannot be read as a table; the table has been left as it was.\r\n");
} // namespace DataText
