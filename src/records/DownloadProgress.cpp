#include "records/DownloadProgress.h"

#include "link/LinkState.h"

DownloadProgress::DownloadProgress(const LinkState& state, QObject* parent)
    : QObject(parent), state_(state)
{
    connect(&state, &LinkState::Changed, this, &DownloadProgress::OnLinkStateChanged);
}

void DownloadProgress::RecordShown(int number, int count)
{
    number_ = number;
    count_ = count;
    Q_EMIT Changed();
}

QString DownloadProgress::Text() const
{
    return tr("Record %1 of %2").arg(number_).arg(count_);
}

void DownloadProgress::OnLinkStateChanged()
{
    if (!Active() || state_.downloadBusy)
        return;
    number_ = 0;
    count_ = 0;
    Q_EMIT Changed();
}
