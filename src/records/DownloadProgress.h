#pragma once

#include <QObject>
#include <QString>

// How far a record download has come: "Record n of m" from the first row on screen until
// the download ends. The end is read from the link state's downloadBusy returning to
// false, which every way of
// ending brings about (completion message closed, an answer without data, unplug,
// disconnect, an answer that does not come in time), so none needs to report itself here.
// Lives on the UI thread.
class LinkState;

class DownloadProgress : public QObject
{
    Q_OBJECT

public:
    explicit DownloadProgress(const LinkState& state, QObject* parent = nullptr);

    // Record `number` (1-based) of the `count` in the meter is now on screen.
    void RecordShown(int number, int count);

    bool Active() const { return count_ > 0; }
    int Number() const { return number_; }
    int Count() const { return count_; }
    // "Record n of m".
    QString Text() const;

Q_SIGNALS:
    // Active, Number or Count have changed.
    void Changed();

private:
    void OnLinkStateChanged();

    const LinkState& state_;
    int number_ = 0;
    int count_ = 0;
};
