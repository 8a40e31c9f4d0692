#pragma once

#include "link/SerialPortDriver.h"

#include <QSerialPort>

// The meter's serial port: 9600 baud, no parity, 8 data bits, 1 stop bit, no flow control.
// Every readyRead hands all waiting bytes on as one chunk. A port that goes away (USB
// unplug: ResourceError; the far side of a pseudo-terminal closing: a stream of
// ReadErrors) is closed at once and reported once, so it cannot spin. QSerialPort opens the
// line for exclusive use (a lock file in /run/lock and TIOCEXCL), so a port that another
// program holds fails to open, with a message that says so.
class SerialPort : public SerialPortDriver
{
    Q_OBJECT

public:
    explicit SerialPort(QObject* parent = nullptr);

    bool Open(const QString& device, QString* error) override;
    void Close() override;
    bool IsOpen() const override;
    bool Write(const QByteArray& bytes) override;

private:
    void OnReadyRead();
    void OnError(QSerialPort::SerialPortError error);

    QSerialPort port_;
};
