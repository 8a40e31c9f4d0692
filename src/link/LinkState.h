#pragma once

#include <QObject>
#include <QString>
#include <atomic>

// Tells the UI thread that some link state has changed, so that the menus and the toolbar
// follow at once without polling. Changes made in a row, on any thread, arrive as one
// queued Changed() on the thread of the application object.
class LinkStateChanges : public QObject
{
    Q_OBJECT

public:
    static LinkStateChanges* Instance();
    // Thread-safe; does nothing before the application object exists.
    void Post();

Q_SIGNALS:
    void Changed();

private:
    LinkStateChanges() = default;
    std::atomic<bool> pending_{false};
};

// One process-wide value shared by the UI thread and the reception thread: read and written
// whole (an atomic), and every change of its value is posted to LinkStateChanges.
template <typename T> class LinkStateValue
{
public:
    constexpr LinkStateValue(T initial) : value_(initial) {}
    LinkStateValue(const LinkStateValue&) = delete;
    LinkStateValue& operator=(const LinkStateValue&) = delete;

    T load() const { return value_.load(); }
    operator T() const { return value_.load(); }

    T operator=(T value)
    {
        if (value_.exchange(value) != value)
            LinkStateChanges::Instance()->Post();
        return value;
    }
    T operator++()
    {
        const T value = ++value_;
        LinkStateChanges::Instance()->Post();
        return value;
    }
    T operator--()
    {
        const T value = --value_;
        LinkStateChanges::Instance()->Post();
        return value;
    }

private:
    std::atomic<T> value_;
};

// Process-wide link state. Nothing needs two of these values to change together.
inline LinkStateValue<int> linkConnected{0};        // the meter answered the handshake
inline LinkStateValue<int> connectPending{0};       // a connect attempt is under way
inline LinkStateValue<int> downloadBusy{0};         // a record download is running
inline LinkStateValue<qint16> storedRecordCount{0}; // records in the meter, as last reported
inline LinkStateValue<int> uploadGroupCounter{0};   // threshold groups acknowledged in an upload

// Device path of the meter's port; written and read on the UI thread only.
inline QString portName;

// Back to the state at start-up (tests, and a fresh program).
void ResetLinkState();
