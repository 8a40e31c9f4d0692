#pragma once

#include <QObject>
#include <QString>
#include <atomic>

// The link's state, owned by the DeviceLink and shared by the UI thread and the reception
// thread: each value is read and written whole (an atomic). The pages and the commands are
// given it; they read it, and only the link's own exchanges write it. Every change of a
// value is signalled, and changes made in a row, on any thread, arrive as one Changed() on
// the thread this object lives on (the UI thread), so the menus and the toolbar follow at
// once without polling. Nothing needs two of the values to change together.
class LinkState : public QObject
{
    Q_OBJECT

public:
    // One shared value; every change of its value is signalled through its owner.
    template <typename T> class Value
    {
    public:
        Value(LinkState& owner, T initial) : owner_(owner), value_(initial) {}
        Value(const Value&) = delete;
        Value& operator=(const Value&) = delete;

        T load() const { return value_.load(); }
        operator T() const { return value_.load(); }

        T operator=(T value)
        {
            if (value_.exchange(value) != value)
                owner_.Post();
            return value;
        }
        T operator--()
        {
            const T value = --value_;
            owner_.Post();
            return value;
        }

    private:
        LinkState& owner_;
        std::atomic<T> value_;
    };

    using QObject::QObject;

    Value<bool> connected{*this, false};      // the meter answered the handshake
    Value<bool> connectPending{*this, false}; // a connect attempt is under way
    Value<bool> downloadBusy{*this, false};   // a record download is running
    // Records in the meter, as last reported: unsigned 16 bits, as the meter sends it.
    Value<quint16> storedRecordCount{*this, 0};
    // Device path of the meter's port; written and read on the UI thread only.
    QString portName;

Q_SIGNALS:
    void Changed();

private:
    // Thread-safe.
    void Post();

    std::atomic<bool> pending_{false};
};
