#pragma once

#include "link/MeterMessage.h"

#include <QByteArray>
#include <QCoreApplication>
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

// The boxes the meter's answers open, in the desktop's language. The command-line tool tells
// them apart by their texts, which stay the same under one language.
namespace DispatchText {
inline QString ConnectedSuccess()
{
    return QCoreApplication::translate("MeterAnswers", "Connected Success!");
}
inline QString ThresholdDownloadComplete()
{
    return QCoreApplication::translate("MeterAnswers", "DownLoad Threshold Complete!");
}
inline QString ThresholdUploadComplete()
{
    return QCoreApplication::translate("MeterAnswers", "UpLoad Threshold Complete!");
}
} // namespace DispatchText

// The dispatch table: what each recognised answer sets off. One lives with each reception
// thread and is used only there. It reads the stored record count of the link's state.
class ResponseDispatcher
{
public:
    explicit ResponseDispatcher(const LinkState& state) : state_(state) {}

    // `uploadGroup` is the group of the upload frame an upload's acknowledgment answers
    // (the link knows it from the frame it sent); other answers do not use it.
    QList<DispatchAction> Dispatch(const QByteArray& frame, quint8 uploadGroup);

private:
    const LinkState& state_;
};
