#pragma once

#include <QString>
#include <optional>

// What the system reports of the USB device behind a serial port; empty where it reports
// nothing (a pseudo-terminal, an adapter without a serial number).
struct PortIdentity
{
    QString serial;
    std::optional<quint16> vendor;
    std::optional<quint16> product;

    bool IsKnown() const { return !serial.isEmpty() || vendor || product; }
};
// Looks the port up among the system's serial ports by its device path (a symbolic link
// such as /dev/serial/by-id/... is followed).
PortIdentity PortIdentityOf(const QString& devicePath);
