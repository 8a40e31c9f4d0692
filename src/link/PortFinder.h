#pragma once

#include <QString>
#include <QStringList>

// Finds the meter's port among the serial devices the kernel has registered, in order of
// preference: the first and second port of the USB CDC-ACM driver, then the first and
// second port of the Silicon Labs CP210x driver, each driver's ports in device-number
// order. Other drivers are never chosen.
class PortFinder
{
public:
    enum class Result { Found, NoDevice, ClassUnreadable };

    explicit PortFinder(QString sysfsRoot = QStringLiteral("/sys"))
        : sysfsRoot_(std::move(sysfsRoot))
    {
    }

    // On Found, `device` is the device path (/dev/ttyACM0, ...).
    Result Find(QString* device) const;
    // Every port the search would take, best first: at most two per driver. Found when
    // `devices` holds at least one.
    Result Candidates(QStringList* devices) const;

private:
    QString sysfsRoot_;
};
