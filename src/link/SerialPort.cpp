#include "link/SerialPort.h"

#include <QFile>
#include <unistd.h>

SerialPort::SerialPort(QObject* parent) : SerialPortDriver(parent)
{
    connect(&port_, &QSerialPort::readyRead, this, &SerialPort::OnReadyRead);
    connect(&port_, &QSerialPort::errorOccurred, this, &SerialPort::OnError);
}

bool SerialPort::Open(const QString& device, QString* error)
{
    port_.setPortName(device);
    port_.setBaudRate(QSerialPort::Baud9600);
    port_.setDataBits(QSerialPort::Data8);
    port_.setParity(QSerialPort::NoParity);
    port_.setStopBits(QSerialPort::OneStop);
    port_.setFlowControl(QSerialPort::NoFlowControl);
    if (port_.open(QIODevice::ReadWrite)) {
        port_.clear(QSerialPort::AllDirections);
        return true;
    }
    if (!error)
        return false;
    if (port_.error() != QSerialPort::PermissionError) {
        *error = QStringLiteral("%1: %2").arg(device, port_.errorString());
        return false;
    }
    // A port that another program holds (its lock file, or its exclusive use of the line)
    // is reported as a permission error too; the device's own permissions tell them apart.
    if (::euidaccess(QFile::encodeName(device).constData(), R_OK | W_OK) == 0) {
        *error = tr("%1: the port is busy: another program is using it.\nClose that program, "
                    "then connect again.")
                     .arg(device);
        return false;
    }
    *error = tr("%1: %2\nAsk the administrator to add your user to the 'dialout' group, then "
                "log in again.")
                 .arg(device, port_.errorString());
    return false;
}

void SerialPort::Close()
{
    if (!port_.isOpen())
        return;
    // Frames still queued here go out first: the port discards them when it closes.
    port_.flush();
    port_.close();
}

bool SerialPort::IsOpen() const
{
    return port_.isOpen();
}

bool SerialPort::Write(const QByteArray& bytes)
{
    return port_.isOpen() && port_.write(bytes) == bytes.size();
}

void SerialPort::OnReadyRead()
{
    const QByteArray chunk = port_.readAll();
    if (!chunk.isEmpty())
        Q_EMIT Received(chunk);
}

void SerialPort::OnError(QSerialPort::SerialPortError error)
{
    switch (error) {
    case QSerialPort::ResourceError:
    case QSerialPort::ReadError:
    case QSerialPort::WriteError:
        if (!port_.isOpen())
            return;
        port_.close();
        Q_EMIT Lost();
        return;
    default:
        // Open errors are reported by Open; the rest do not end the link.
        return;
    }
}
