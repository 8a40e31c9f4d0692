#include "link/PortIdentity.h"

#include <QFileInfo>
#include <QSerialPortInfo>

PortIdentity PortIdentityOf(const QString& devicePath)
{
    PortIdentity identity;
    const QString wanted = QFileInfo(devicePath).canonicalFilePath();
    if (wanted.isEmpty())
        return identity;
    const QList<QSerialPortInfo> ports = QSerialPortInfo::availablePorts();
    for (const QSerialPortInfo& port : ports) {
        if (QFileInfo(port.systemLocation()).canonicalFilePath() != wanted)
            continue;
        identity.serial = port.serialNumber().trimmed();
        if (port.hasVendorIdentifier())
            identity.vendor = port.vendorIdentifier();
        if (port.hasProductIdentifier())
            identity.product = port.productIdentifier();
        break;
    }
    return identity;
}
