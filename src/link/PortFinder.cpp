#include "link/PortFinder.h"

#include <QDir>
#include <QFileInfo>
#include <QList>
#include <QRegularExpression>
#include <algorithm>

namespace {

struct Tty
{
    QString name;
    int number;
};

// The ports of one driver, in device-number order.
QList<Tty> PortsOfDriver(const QDir& classDir, const QStringList& names, const QString& driver)
{
    static const QRegularExpression trailingNumber(QStringLiteral("(\\d+)$"));
    QList<Tty> ports;
    for (const QString& name : names) {
        const QFileInfo link(classDir.filePath(name + QStringLiteral("/device/driver")));
        if (!link.exists() || QFileInfo(link.canonicalFilePath()).fileName() != driver)
            continue;
        const QRegularExpressionMatch m = trailingNumber.match(name);
        ports.append({name, m.hasMatch() ? m.captured(1).toInt() : 0});
    }
    std::sort(ports.begin(), ports.end(),
              [](const Tty& a, const Tty& b) { return a.number < b.number; });
    return ports;
}

} // namespace

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
    // The first and second port of each driver, as the meter has always been looked for.
    constexpr qsizetype kPortsPerDriver = 2;
    const QDir classDir(sysfsRoot_ + QStringLiteral("/class/tty"));
    if (!classDir.exists() || !classDir.isReadable())
        return Result::ClassUnreadable;
    const QStringList names = classDir.entryList(QDir::Dirs | QDir::NoDotAndDotDot | QDir::System);
    devices->clear();
    for (const QString& driver : {QStringLiteral("cdc_acm"), QStringLiteral("cp210x")}) {
        const QList<Tty> ports = PortsOfDriver(classDir, names, driver);
        for (qsizetype i = 0; i < ports.size() && i < kPortsPerDriver; ++i)
            devices->append(QStringLiteral("/dev/") + ports[i].name);
    }
    return devices->isEmpty() ? Result::NoDevice : Result::Found;
}
