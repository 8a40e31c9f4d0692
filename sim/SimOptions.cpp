#include "sim/SimOptions.h"

#include <QCommandLineParser>
#include <optional>
#include <type_traits>

namespace {

std::optional<qint64> Integer(const QString& text, qint64 low, qint64 high)
{
    bool ok = false;
    const qint64 value = text.toLongLong(&ok);
    if (!ok || value < low || value > high)
        return std::nullopt;
    return value;
}

} // namespace

SimCommandLine ParseSimCommandLine(const QStringList& arguments)
{
    QCommandLineParser parser;
    parser.setApplicationDescription(
        QStringLiteral("Virtual QX390D power meter on a pseudo-terminal. Prints the device "
                       "path as the first line, then serves until SIGINT or SIGTERM."));
    const QCommandLineOption helpOption = parser.addHelpOption();
    const QCommandLineOption records(QStringLiteral("records"),
                                     QStringLiteral("Stored records, 0 to 150 (default 12)."),
                                     QStringLiteral("N"));
    const QCommandLineOption seed(QStringLiteral("seed"),
                                  QStringLiteral("Seed of the records and faults (default 1)."),
                                  QStringLiteral("S"));
    const QCommandLineOption pace(QStringLiteral("pace"),
                                  QStringLiteral("Send answers at 9600-baud timing."));
    const QCommandLineOption chunk(QStringLiteral("chunk"),
                                   QStringLiteral("Write answers in pieces of at most N bytes."),
                                   QStringLiteral("N"));
    const QCommandLineOption noise(QStringLiteral("noise"),
                                   QStringLiteral("Send N random bytes before every answer."),
                                   QStringLiteral("N"));
    const QCommandLineOption drop(QStringLiteral("drop"),
                                  QStringLiteral("Lose an answer with probability P (0 to 1)."),
                                  QStringLiteral("P"));
    const QCommandLineOption silent(QStringLiteral("silent"),
                                    QStringLiteral("Never answer the connect handshake."));
    const QCommandLineOption unplug(QStringLiteral("unplug-after"),
                                    QStringLiteral("Close the line when frame N arrives."),
                                    QStringLiteral("N"));
    const QCommandLineOption log(QStringLiteral("log"),
                                 QStringLiteral("Write every received frame to FILE, in hex."),
                                 QStringLiteral("FILE"));
    const QCommandLineOption timing(
        QStringLiteral("timing"),
        QStringLiteral("Write to FILE when each frame arrived and each answer was through the "
                       "line (monotonic clock, ns)."),
        QStringLiteral("FILE"));
    const QCommandLineOption late(QStringLiteral("late-answer"),
                                  QStringLiteral("Answer frame N late (see --late-ms)."),
                                  QStringLiteral("N"));
    const QCommandLineOption lateMs(
        QStringLiteral("late-ms"),
        QStringLiteral("How late the answer of --late-answer leaves, in ms (default 5000)."),
        QStringLiteral("MS"));
    parser.addOptions(
        {records, seed, pace, chunk, noise, drop, silent, unplug, log, timing, late, lateMs});

    SimCommandLine result;
    if (!parser.parse(arguments)) {
        result.message = parser.errorText();
        return result;
    }
    if (parser.isSet(helpOption)) {
        result.outcome = SimCommandLine::Help;
        result.message = parser.helpText();
        return result;
    }
    if (!parser.positionalArguments().isEmpty()) {
        result.message = QStringLiteral("Unexpected argument '%1'.")
                             .arg(parser.positionalArguments().constFirst());
        return result;
    }

    SimOptions& o = result.options;
    // Reads one integer option into target; false (with the message set) when it is bad.
    const auto readInteger = [&](const QCommandLineOption& option, qint64 low, qint64 high,
                                 auto& target) {
        if (!parser.isSet(option))
            return true;
        const auto value = Integer(parser.value(option), low, high);
        if (!value) {
            result.message = QStringLiteral("--%1 needs a whole number from %2 to %3.")
                                 .arg(option.names().constFirst())
                                 .arg(low)
                                 .arg(high);
            return false;
        }
        target = static_cast<std::remove_reference_t<decltype(target)>>(*value);
        return true;
    };
    if (!readInteger(records, 0, VirtualMeter::kMaxRecords, o.meter.records) ||
        !readInteger(seed, 0, 0xFFFFFFFFLL, o.meter.seed) ||
        !readInteger(chunk, 1, 4096, o.chunk) || !readInteger(noise, 0, 4096, o.noise) ||
        !readInteger(unplug, 1, 0x7FFFFFFF, o.unplugAfter) ||
        !readInteger(late, 1, 0x7FFFFFFF, o.lateAnswer) ||
        !readInteger(lateMs, 0, 3600000, o.lateMs))
        return result;
    if (parser.isSet(drop)) {
        bool ok = false;
        o.drop = parser.value(drop).toDouble(&ok);
        if (!ok || !(o.drop >= 0.0 && o.drop <= 1.0)) {
            result.message = QStringLiteral("--drop needs a probability from 0 to 1.");
            return result;
        }
    }
    if (parser.isSet(log)) {
        o.logFile = parser.value(log);
        if (o.logFile.isEmpty()) {
            result.message = QStringLiteral("--log needs a file name.");
            return result;
        }
    }
    if (parser.isSet(timing)) {
        o.timingFile = parser.value(timing);
        if (o.timingFile.isEmpty()) {
            result.message = QStringLiteral("--timing needs a file name.");
            return result;
        }
    }
    o.pace = parser.isSet(pace);
    o.meter.silent = parser.isSet(silent);
    result.outcome = SimCommandLine::Run;
    return result;
}
