#include "cli/CliPorts.h"

#include <QFileInfo>

namespace {

QString Hex4(quint16 id)
{
    return QStringLiteral("%1").arg(id, 4, 16, QLatin1Char('0'));
}

QString OrDash(const QString& text)
{
    return text.isEmpty() ? QStringLiteral("-") : text;
}

} // namespace

PortRecord DescribePort(const QString& device)
{
    const QString wanted = QFileInfo(device).canonicalFilePath();
    if (const std::optional<QList<PortRecord>> ports = SystemPorts(); ports && !wanted.isEmpty())
        for (const PortRecord& port : *ports)
            if (QFileInfo(port.device).canonicalFilePath() == wanted)
                return port;
    PortRecord port;
    port.device = device;
    return port;
}

QString PortLine(const PortRecord& port)
{
    const QString ids = port.vendor && port.product
                            ? Hex4(*port.vendor) + QLatin1Char(':') + Hex4(*port.product)
                            : QString();
    return QStringList{port.device, OrDash(port.byId), OrDash(ids), OrDash(port.serial)}.join(
        QLatin1Char('\t'));
}

QString UdevRule(const PortRecord& port)
{
    if (!port.vendor || !port.product)
        return {};
    QString match = QStringLiteral("SUBSYSTEM==\"tty\", ATTRS{idVendor}==\"%1\", "
                                   "ATTRS{idProduct}==\"%2\"")
                        .arg(Hex4(*port.vendor), Hex4(*port.product));
    // udev compares the serial as text; a quote in it would end the match early.
    if (!port.serial.isEmpty() && !port.serial.contains(QLatin1Char('"')))
        match += QStringLiteral(", ATTRS{serial}==\"%1\"").arg(port.serial);
    return QStringLiteral("# The QX390D power meter (%1): the logged-in user may open it, "
                          "ModemManager leaves it alone.\n"
                          "%2, MODE=\"0660\", TAG+=\"uaccess\", ENV{ID_MM_DEVICE_IGNORE}=\"1\", "
                          "SYMLINK+=\"qx390d\"\n")
        .arg(OrDash(port.byId), match);
}
