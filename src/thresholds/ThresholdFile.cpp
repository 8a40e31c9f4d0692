#include "thresholds/ThresholdFile.h"

#include "common/InputFile.h"
#include "common/NumberText.h"
#include "common/PowerRange.h"
#include "thresholds/ThresholdCells.h"

#include <QCoreApplication>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QLocale>
#include <QSaveFile>
#include <cmath>

namespace {

// Channels in the order ThresholdGroup::limits holds them, three limits each.
const char* const kChannels[] = {"ONT:1310nm", "OLT:1490nm", "OLT:1577nm", "ONT:1270nm"};
// The limits' names, which the page shows translated.
const char* const kLimitNames[] = {QT_TRANSLATE_NOOP("ThresholdsPage", "Over"),
                                   QT_TRANSLATE_NOOP("ThresholdsPage", "Pass"),
                                   QT_TRANSLATE_NOOP("ThresholdsPage", "Fail")};
constexpr int kChannelCount = 4;
constexpr int kLimitsPerChannel = 3;

QString JsonNumber(float value)
{
    // JSON has no infinities or NaNs; a meter that sent one gets a file that says so.
    if (!std::isfinite(value))
        return QStringLiteral("null");
    return ShortestFloatText(value);
}

// A value in JSON's own notation (a text quoted and escaped).
QString CompactJson(const QJsonValue& value)
{
    const QByteArray array = QJsonDocument(QJsonArray{value}).toJson(QJsonDocument::Compact);
    return QString::fromUtf8(array.mid(1, array.size() - 2));
}

// A value as the file wrote it, for messages.
QString ValueText(const QJsonValue& value)
{
    if (value.isDouble())
        return QString::number(value.toDouble(), 'g', QLocale::FloatingPointShortest);
    return CompactJson(value);
}

// The parser's offset stands just past the character it stumbled on.
QString LineAndColumn(const QByteArray& json, int offset)
{
    const int at = qMax(0, offset - 1);
    const QByteArray before = json.left(at);
    const qsizetype line = before.count('\n') + 1;
    const qsizetype column = at - (before.lastIndexOf('\n') + 1) + 1;
    return QCoreApplication::translate("ThresholdFile", "line %1, column %2").arg(line).arg(column);
}

// A message marked with QT_TRANSLATE_NOOP in the context "ThresholdFile".
QString Text(const char* sourceText)
{
    return QCoreApplication::translate("ThresholdFile", sourceText);
}

bool Fail(QString* error, const QString& text)
{
    if (error)
        *error = text;
    return false;
}

// Reads one group's entry into `file`; `entry` counts from 1 for messages.
bool ReadGroup(const QJsonValue& value, int entry, ThresholdFile& file, std::array<bool, 3>& seen,
               QString* error)
{
    if (!value.isObject())
        return Fail(error,
                    Text(QT_TRANSLATE_NOOP("ThresholdFile", "groups entry %1 is not an object"))
                        .arg(entry));
    const QJsonObject object = value.toObject();
    const QJsonValue number = object.value(QStringLiteral("group"));
    if (number.isUndefined())
        return Fail(error,
                    Text(QT_TRANSLATE_NOOP("ThresholdFile", "groups entry %1: group is missing"))
                        .arg(entry));
    const double n = number.toDouble(-1);
    if (!number.isDouble() || n < 1 || n > ThresholdTable::kGroups || n != std::floor(n))
        return Fail(error, Text(QT_TRANSLATE_NOOP("ThresholdFile",
                                                  "groups entry %1: group %2 is not 1, 2 or 3"))
                               .arg(entry)
                               .arg(ValueText(number)));
    const int group = static_cast<int>(n);
    if (seen[static_cast<size_t>(group - 1)])
        return Fail(error,
                    Text(QT_TRANSLATE_NOOP("ThresholdFile", "group %1 appears twice")).arg(group));
    seen[static_cast<size_t>(group - 1)] = true;

    const QJsonValue name = object.value(QStringLiteral("name"));
    if (!name.isUndefined() && !name.isString())
        return Fail(error,
                    Text(QT_TRANSLATE_NOOP("ThresholdFile", "group %1, name: %2 is not a text"))
                        .arg(group)
                        .arg(ValueText(name)));
    file.names[static_cast<size_t>(group - 1)] = name.toString();

    for (int c = 0; c < kChannelCount; ++c) {
        const QString channel = QString::fromLatin1(kChannels[c]);
        const QJsonValue limits = object.value(channel);
        const QString place =
            Text(QT_TRANSLATE_NOOP("ThresholdFile", "group %1, %2")).arg(group).arg(channel);
        if (limits.isUndefined())
            return Fail(error,
                        Text(QT_TRANSLATE_NOOP("ThresholdFile", "%1 is missing")).arg(place));
        if (!limits.isObject())
            return Fail(error,
                        Text(QT_TRANSLATE_NOOP("ThresholdFile", "%1 is not an object")).arg(place));
        for (int l = 0; l < kLimitsPerChannel; ++l) {
            const int index = c * kLimitsPerChannel + l;
            const QJsonValue limit = limits.toObject().value(LimitName(index));
            if (limit.isUndefined())
                return Fail(error, Text(QT_TRANSLATE_NOOP("ThresholdFile", "%1 is missing"))
                                       .arg(LimitPlace(group, index)));
            if (!limit.isDouble())
                return Fail(error,
                            Text(QT_TRANSLATE_NOOP("ThresholdFile", "%1: %2 is not a number"))
                                .arg(LimitPlace(group, index), ValueText(limit)));
            const float single = static_cast<float>(limit.toDouble());
            if (!IsPowerInRange(single))
                return Fail(error,
                            Text(QT_TRANSLATE_NOOP("ThresholdFile", "%1: %2 is outside -65…30"))
                                .arg(LimitPlace(group, index), ValueText(limit)));
            file.table.Group(group).limits[static_cast<size_t>(index)] = single;
        }
    }
    return true;
}

} // namespace

QString ChannelName(int limitIndex)
{
    return QString::fromLatin1(kChannels[limitIndex / kLimitsPerChannel]);
}

QString LimitName(int limitIndex)
{
    return QString::fromLatin1(kLimitNames[limitIndex % kLimitsPerChannel]);
}

QString LimitLabel(int limitIndex)
{
    return QCoreApplication::translate("ThresholdsPage",
                                       kLimitNames[limitIndex % kLimitsPerChannel]);
}

QString LimitPlace(int group, int limitIndex)
{
    return QCoreApplication::translate("ThresholdFile", "group %1, %2, %3")
        .arg(group)
        .arg(ChannelName(limitIndex), LimitName(limitIndex));
}

QString LimitCellText(float limit)
{
    return PlainFloatText(limit);
}

QByteArray ThresholdFileJson(const ThresholdFile& file)
{
    QString text = QStringLiteral("{\n  \"version\": %1,\n  \"groups\": [\n").arg(file.kVersion);
    for (int g = 1; g <= ThresholdTable::kGroups; ++g) {
        const ThresholdGroup& group = file.table.Group(g);
        text += QStringLiteral("    {\n      \"group\": %1,\n      \"name\": %2")
                    .arg(g)
                    .arg(CompactJson(file.names[static_cast<size_t>(g - 1)]));
        for (int c = 0; c < kChannelCount; ++c) {
            text += QStringLiteral(",\n      \"%1\": {").arg(QString::fromLatin1(kChannels[c]));
            for (int l = 0; l < kLimitsPerChannel; ++l) {
                const int index = c * kLimitsPerChannel + l;
                text += QStringLiteral("%1\"%2\": %3")
                            .arg(l == 0 ? QString() : QStringLiteral(", "), LimitName(index),
                                 JsonNumber(group.limits[static_cast<size_t>(index)]));
            }
            text += QLatin1Char('}');
        }
        text += g < ThresholdTable::kGroups ? QStringLiteral("\n    },\n")
                                            : QStringLiteral("\n    }\n");
    }
    text += QStringLiteral("  ]\n}\n");
    return text.toUtf8();
}

std::optional<ThresholdFile> ParseThresholdFile(const QByteArray& json, QString* error)
{
    QJsonParseError parseError;
    const QJsonDocument document = QJsonDocument::fromJson(json, &parseError);
    if (parseError.error != QJsonParseError::NoError) {
        Fail(error, LineAndColumn(json, parseError.offset) + QStringLiteral(": ") +
                        parseError.errorString());
        return std::nullopt;
    }
    if (!document.isObject()) {
        Fail(error,
             QCoreApplication::translate("ThresholdFile", "the file does not hold a JSON object"));
        return std::nullopt;
    }
    const QJsonObject root = document.object();
    const QJsonValue version = root.value(QStringLiteral("version"));
    if (version.isUndefined()) {
        Fail(error, QCoreApplication::translate("ThresholdFile", "version is missing"));
        return std::nullopt;
    }
    if (!version.isDouble() || version.toDouble() != ThresholdFile::kVersion) {
        Fail(error, QCoreApplication::translate("ThresholdFile",
                                                "version %1 is not supported (only version %2 is)")
                        .arg(ValueText(version))
                        .arg(ThresholdFile::kVersion));
        return std::nullopt;
    }
    const QJsonValue groups = root.value(QStringLiteral("groups"));
    if (!groups.isArray()) {
        Fail(error, groups.isUndefined()
                        ? QCoreApplication::translate("ThresholdFile", "groups is missing")
                        : QCoreApplication::translate("ThresholdFile", "groups is not a list"));
        return std::nullopt;
    }

    ThresholdFile file;
    std::array<bool, 3> seen{};
    const QJsonArray entries = groups.toArray();
    for (qsizetype i = 0; i < entries.size(); ++i)
        if (!ReadGroup(entries[i], static_cast<int>(i + 1), file, seen, error))
            return std::nullopt;
    for (int g = 1; g <= ThresholdTable::kGroups; ++g) {
        if (!seen[static_cast<size_t>(g - 1)]) {
            Fail(error, QCoreApplication::translate("ThresholdFile", "group %1 is missing").arg(g));
            return std::nullopt;
        }
    }
    return file;
}

std::optional<ThresholdFile> ReadThresholdFile(const QString& path, QString* error)
{
    QFile in;
    QString why;
    if (!OpenInputFile(path, in, &why)) {
        Fail(error, path + QStringLiteral(": ") + why);
        return std::nullopt;
    }
    // Read with a bound, whatever the file is: a device such as /dev/zero has no size.
    QByteArray json;
    while (json.size() <= kThresholdFileMaxBytes) {
        const QByteArray chunk = in.read(kThresholdFileMaxBytes + 1 - json.size());
        if (chunk.isEmpty())
            break;
        json += chunk;
    }
    if (in.error() != QFileDevice::NoError) {
        Fail(error, path + QStringLiteral(": ") + in.errorString());
        return std::nullopt;
    }
    if (json.size() > kThresholdFileMaxBytes) {
        Fail(error, path + QStringLiteral(": it holds more than %1 MB; a threshold file takes "
                                          "about 1 KB")
                               .arg(kThresholdFileMaxBytes >> 20));
        return std::nullopt;
    }
    QString reason;
    std::optional<ThresholdFile> file = ParseThresholdFile(json, &reason);
    if (!file)
        Fail(error, path + QStringLiteral(": ") + reason);
    return file;
}

bool WriteThresholdFile(const QString& path, const ThresholdFile& file, QString* error)
{
    QSaveFile out(path);
    const QByteArray content = ThresholdFileJson(file);
    if (!out.open(QIODevice::WriteOnly) || out.write(content) != content.size() || !out.commit())
        return Fail(error, path + QStringLiteral(": ") + out.errorString());
    return true;
}
