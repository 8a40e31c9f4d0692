#include "archive/data/ArchiveTypes.h"

#include "common/ProgramFacts.h"

#include <QFileInfo>
#include <QSysInfo>

namespace {

struct EndingName
{
    DownloadEnding ending;
    const char* name;
};
constexpr EndingName kEndingNames[] = {
    {DownloadEnding::Completed, "completed"},       {DownloadEnding::NoData, "no data"},
    {DownloadEnding::Unplugged, "unplugged"},       {DownloadEnding::Stalled, "stalled"},
    {DownloadEnding::Disconnected, "disconnected"}, {DownloadEnding::Imported, "imported"},
};

DownloadFacts Common()
{
    DownloadFacts facts;
    facts.when = QDateTime::currentDateTimeUtc();
    facts.host = QSysInfo::machineHostName();
    facts.login = LoginName();
    facts.uuid = QUuid::createUuid();
    return facts;
}

} // namespace

QString DownloadEndingName(DownloadEnding ending)
{
    for (const EndingName& e : kEndingNames)
        if (e.ending == ending)
            return QString::fromLatin1(e.name);
    return {};
}

std::optional<DownloadEnding> DownloadEndingOf(const QString& name)
{
    for (const EndingName& e : kEndingNames)
        if (name == QLatin1String(e.name))
            return e.ending;
    return std::nullopt;
}

DownloadFacts DownloadFacts::ForMeter(const QString& port, DownloadEnding ending, int expected,
                                      int arrived)
{
    return ForMeter(port, PortIdentityOf(port), ending, expected, arrived);
}

DownloadFacts DownloadFacts::ForMeter(const QString& port, const PortIdentity& identity,
                                      DownloadEnding ending, int expected, int arrived)
{
    DownloadFacts facts = Common();
    facts.port = port;
    facts.identity = identity;
    facts.expected = expected;
    facts.arrived = arrived;
    facts.ending = ending;
    facts.completed = ending == DownloadEnding::Completed;
    return facts;
}

DownloadFacts DownloadFacts::ForImport(const QString& file, int rows)
{
    DownloadFacts facts = Common();
    facts.fromFile = true;
    facts.sourceFile = QFileInfo(file).absoluteFilePath();
    facts.expected = rows;
    facts.arrived = rows;
    facts.completed = true;
    facts.ending = DownloadEnding::Imported;
    return facts;
}

QString ArchiveTimeText(const QDateTime& when)
{
    return (when.isValid() ? when : QDateTime::currentDateTimeUtc())
        .toUTC()
        .toString(Qt::ISODateWithMs);
}
