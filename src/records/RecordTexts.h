#pragma once

#include <QCoreApplication>
#include <QString>

// What the record download tells the operator, in the desktop's language. Every box has the
// caption promptCaption(). The command-line tool tells them apart by their texts, which stay
// the same under one language.
namespace RecordText {
inline QString DownloadComplete()
{
    return QCoreApplication::translate("RecordDownload", "DownLoad Data Complete!");
}
inline QString NoDataToDownload()
{
    return QCoreApplication::translate("RecordDownload", "Have no data can be download!");
}
} // namespace RecordText
