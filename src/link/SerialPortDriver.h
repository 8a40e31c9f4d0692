#pragma once

#include <QByteArray>
#include <QObject>
#include <QString>

// What the link needs of a serial port: open at 9600 8N1 (with nothing left over from an
// earlier use), close, write a block, and a receive event on the UI thread carrying every
// waiting byte.
// SerialPort drives a real port; tests use a stub.
class SerialPortDriver : public QObject
{
    Q_OBJECT

public:
    using QObject::QObject;

    // Opens and configures the port; on failure returns false and gives the port's own
    // error text.
    virtual bool Open(const QString& device, QString* error) = 0;
    virtual void Close() = 0;
    virtual bool IsOpen() const = 0;
    // Queues the bytes for sending; false when the port refused them.
    virtual bool Write(const QByteArray& bytes) = 0;

Q_SIGNALS:
    // All bytes that were waiting, as one chunk, in arrival order.
    void Received(const QByteArray& chunk);
    // The port went away (unplugged, or the other side closed).
    void Lost();
};
