#pragma once

#include "link/MeterMessages.h"

#include <QByteArray>
#include <QList>
#include <QString>

// One thing the reception thread does about a recognised answer. The dispatcher decides;
// the reception thread carries the actions out, in order.
struct DispatchAction
{
    enum class Kind {
        Post,              // post `message` to the target page with `copy` or `param`
        SendRequest,       // send request `code` for `group` (threshold download follow-up)
        ShowMessage,       // show `text` on the UI thread and wait until it is closed
        ConfirmConnection, // linkConnected = 1, connectPending = 0
    };

    Kind kind;
    int message = 0;
    QByteArray copy;
    int param = 0;
    quint8 code = 0;
    quint8 group = 0;
    QString text;

    bool operator==(const DispatchAction&) const = default;

    static DispatchAction PostCopy(int message, const QByteArray& frame);
    static DispatchAction PostParam(int message, int param);
    static DispatchAction Request(quint8 code, quint8 group);
    static DispatchAction Show(const QString& text);
};

namespace DispatchText {
inline const QString ConnectedSuccess = QStringLiteral("Connected Success!");
inline const QString ThresholdDownloadComplete = QStringLiteral("DownLoad Threshold Complete!");
inline const QString ThresholdUploadComplete = QStringLiteral("UpLoad Threshold Complete!");
} // namespace DispatchText

// The dispatch table: what each recognised answer sets off. Reads storedRecordCount and
// reads and writes uploadGroupCounter (the reception thread is its only user).
QList<DispatchAction> Dispatch(const QByteArray& frame);
