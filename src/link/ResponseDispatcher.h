#pragma once

#include "link/MeterMessage.h"

#include <QByteArray>
#include <QList>
#include <QString>

class LinkState;

// One thing the reception thread does about a recognised answer. The dispatcher decides;
// the reception thread carries the actions out, in order.
struct DispatchAction
{
    enum class Kind {
        Post,              // hand `message` to the target page
        SendRequest,       // send request `code` for `group` (threshold download follow-up)
        ShowMessage,       // show `text` on the UI thread and wait until it is closed
        ConfirmConnection, // the link is connected, no connect attempt is pending any more
    };

    Kind kind;
    MeterMessage message{};
    quint8 code = 0;
    quint8 group = 0;
    QString text;

    bool operator==(const DispatchAction&) const = default;

    static DispatchAction PostCopy(MeterMessage::Kind kind, const QByteArray& frame);
    static DispatchAction PostParam(MeterMessage::Kind kind, int param);
    static DispatchAction Request(quint8 code, quint8 group);
    static DispatchAction Show(const QString& text);
};

namespace DispatchText {
inline const QString ConnectedSuccess = QStringLiteral("Connected Success!");
inline const QString ThresholdDownloadComplete = QStringLiteral("DownLoad Threshold Complete!");
inline const QString ThresholdUploadComplete = QStringLiteral("UpLoad Threshold Complete!");
} // namespace DispatchText

// The dispatch table: what each recognised answer sets off. One lives with each reception
// thread and is used only there. It reads the stored record count of the link's state and
// counts the groups the meter has acknowledged during an upload.
class ResponseDispatcher
{
public:
    explicit ResponseDispatcher(const LinkState& state) : state_(state) {}

    QList<DispatchAction> Dispatch(const QByteArray& frame);

    // An upload begins: the meter acknowledges its groups from the first on, whatever an
    // upload that broke off had counted.
    void StartUpload() { uploadGroupCounter_ = 0; }
    // Groups whose part 3 the meter has acknowledged in the upload under way (0 to 2).
    int UploadGroupCounter() const { return uploadGroupCounter_; }

private:
    const LinkState& state_;
    int uploadGroupCounter_ = 0;
};
