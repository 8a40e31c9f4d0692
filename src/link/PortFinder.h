#pragma once

#include <QList>
#include <QString>
#include <QStringList>
#include <functional>
#include <optional>

// One serial port as the system lists it.
struct PortRecord
{
    QString device; // /dev/ttyACM0, ...
    QString driver; // the kernel driver behind it: cdc_acm, cp210x, ...; empty when none
    std::optional<quint16> vendor;
    std::optional<quint16> product;
    QString serial; // the USB serial number; empty when the device reports none
    QString byId;   // the /dev/serial/by-id/... link to the device; empty when there is none
};

// The system's serial ports (the toolkit's list), each with its kernel driver, read from
// `sysfsRoot`/class/tty/NAME/device/driver, and the link in `byIdDir` that points to it.
// Nothing when the tty class cannot be read.
std::optional<QList<PortRecord>>
SystemPorts(const QString& sysfsRoot = QStringLiteral("/sys"),
            const QString& byIdDir = QStringLiteral("/dev/serial/by-id"));

// The serial number of the last meter that answered a connect, kept in the program's
// settings; empty when none is known. Both programs read and write the same entry.
QString RememberedMeterSerial();
void RememberMeterSerial(const QString& serial);

// Finds the meter's port among the serial ports, in order of preference: the first and
// second port of the USB CDC-ACM driver, then the first and second port of the Silicon
// Labs CP210x driver, each driver's ports in device-number order. Other drivers are never
// chosen. A port of these drivers that carries the remembered meter's serial number comes
// before all of them, so another USB serial device is not taken for the meter.
class PortFinder
{
public:
    enum class Result { Found, NoDevice, ClassUnreadable };
    // The ports to choose from; nothing when they cannot be listed.
    using Lister = std::function<std::optional<QList<PortRecord>>()>;

    explicit PortFinder(
        Lister lister = [] { return SystemPorts(); },
        QString rememberedSerial = RememberedMeterSerial());

    // On Found, `device` is the device path (/dev/ttyACM0, ...).
    Result Find(QString* device) const;
    // Every port the search would take, best first: at most two per driver, besides the
    // remembered meter's. Found when `devices` holds at least one.
    Result Candidates(QStringList* devices) const;
    // The same, with what the system reports of each port.
    Result CandidatePorts(QList<PortRecord>* ports) const;

private:
    Lister lister_;
    QString rememberedSerial_;
};
