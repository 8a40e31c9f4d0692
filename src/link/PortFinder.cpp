#include "link/PortFinder.h"

#include "common/Prompter.h"

#include <QDir>
#include <QFileInfo>
#include <QRegularExpression>
#include <QSerialPortInfo>
#include <QSettings>
#include <algorithm>

namespace {

const QString kSerialKey = QStringLiteral("Meter/LastSerial");

int TrailingNumber(const QString& device)
{
    static const QRegularExpression trailingNumber(QStringLiteral("(\\d+)$"));
    const QRegularExpressionMatch m = trailingNumber.match(device);
    return m.hasMatch() ? m.captured(1).toInt() : 0;
}

// The ports of one driver, in device-number order.
QList<PortRecord> PortsOfDriver(const QList<PortRecord>& ports, const QString& driver)
{
    QList<PortRecord> found;
    for (const PortRecord& port : ports)
        if (port.driver == driver)
            found.append(port);
    std::stable_sort(found.begin(), found.end(), [](const PortRecord& a, const PortRecord& b) {
        return TrailingNumber(a.device) < TrailingNumber(b.device);
    });
    return found;
}

} // namespace

std::optional<QList<PortRecord>> SystemPorts(const QString& sysfsRoot, const QString& byIdDir)
{
    const QDir classDir(sysfsRoot + QStringLiteral("/class/tty"));
    if (!classDir.exists() || !classDir.isReadable())
        return std::nullopt;
    // The by-id links, by the device they point to.
    QList<std::pair<QString, QString>> byId;
    const QDir idDir(byIdDir);
    for (const QFileInfo& link :
         idDir.entryInfoList(QDir::AllEntries | QDir::System | QDir::NoDotAndDotDot))
        byId.append({link.canonicalFilePath(), link.absoluteFilePath()});
    QList<PortRecord> ports;
    for (const QSerialPortInfo& info : QSerialPortInfo::availablePorts()) {
        PortRecord port;
        port.device = info.systemLocation();
        const QFileInfo driver(
            classDir.filePath(info.portName() + QStringLiteral("/device/driver")));
        if (driver.exists())
            port.driver = QFileInfo(driver.canonicalFilePath()).fileName();
        if (info.hasVendorIdentifier())
            port.vendor = info.vendorIdentifier();
        if (info.hasProductIdentifier())
            port.product = info.productIdentifier();
        port.serial = info.serialNumber().trimmed();
        const QString target = QFileInfo(port.device).canonicalFilePath();
        for (const auto& [device, name] : std::as_const(byId))
            if (!target.isEmpty() && device == target)
                port.byId = name;
        ports.append(port);
    }
    return ports;
}

QString RememberedMeterSerial()
{
    return QSettings(applicationName, applicationName).value(kSerialKey).toString();
}

void RememberMeterSerial(const QString& serial)
{
    if (serial.isEmpty() || serial == RememberedMeterSerial())
        return;
    QSettings(applicationName, applicationName).setValue(kSerialKey, serial);
}

PortFinder::PortFinder(Lister lister, QString rememberedSerial)
    : lister_(std::move(lister)), rememberedSerial_(std::move(rememberedSerial))
{
}

PortFinder::Result PortFinder::Find(QString* device) const
{
    QStringList devices;
    const Result result = Candidates(&devices);
    if (result == Result::Found)
        *device = devices.constFirst();
    return result;
}

PortFinder::Result PortFinder::Candidates(QStringList* devices) const
{
    QList<PortRecord> ports;
    const Result result = CandidatePorts(&ports);
    devices->clear();
    for (const PortRecord& port : std::as_const(ports))
        devices->append(port.device);
    return result;
}

PortFinder::Result PortFinder::CandidatePorts(QList<PortRecord>* ports) const
{
    // The first and second port of each driver, as the meter has always been looked for.
    constexpr qsizetype kPortsPerDriver = 2;
    const std::optional<QList<PortRecord>> all = lister_();
    if (!all)
        return Result::ClassUnreadable;
    ports->clear();
    QList<PortRecord> remembered;
    for (const QString& driver : {QStringLiteral("cdc_acm"), QStringLiteral("cp210x")}) {
        const QList<PortRecord> ofDriver = PortsOfDriver(*all, driver);
        for (qsizetype i = 0; i < ofDriver.size(); ++i) {
            if (!rememberedSerial_.isEmpty() && ofDriver[i].serial == rememberedSerial_)
                remembered.append(ofDriver[i]);
            else if (i < kPortsPerDriver)
                ports->append(ofDriver[i]);
        }
    }
    remembered.append(*ports);
    *ports = remembered;
    return ports->isEmpty() ? Result::NoDevice : Result::Found;
}
