#pragma once

#include "link/SerialPortDriver.h"

#include <QList>

// A port that records what the link writes and lets a test play the meter's side.
class StubPort : public SerialPortDriver
{
    Q_OBJECT

public:
    bool Open(const QString& device, QString* error) override
    {
        ++opens;
        openedDevice = device;
        if (!openError.isEmpty()) {
            *error = openError;
            return false;
        }
        open = true;
        return true;
    }
    void Close() override
    {
        if (open)
            ++closes;
        open = false;
    }
    bool IsOpen() const override { return open; }
    bool Write(const QByteArray& bytes) override
    {
        if (failWrites)
            return false;
        written.append(bytes);
        return true;
    }

    // The meter's side.
    void Deliver(const QByteArray& chunk) { Q_EMIT Received(chunk); }
    void Unplug()
    {
        open = false;
        Q_EMIT Lost();
    }

    bool open = false;
    bool failWrites = false;
    QString openError;
    QString openedDevice;
    QList<QByteArray> written;
    int opens = 0;
    int closes = 0;
};
