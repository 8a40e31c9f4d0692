#pragma once

#include <QString>

// What the record download tells the operator. Every box has the caption promptCaption.
namespace RecordText {
inline const QString DownloadComplete = QStringLiteral("DownLoad Data Complete!");
inline const QString NoDataToDownload = QStringLiteral("Have no data can be download!");
} // namespace RecordText
