#include "thresholds/ThresholdPreset.h"

#include "common/NumberText.h"
#include "common/PowerRange.h"
#include "common/Prompter.h"
#include "thresholds/ThresholdFile.h"

#include <QCoreApplication>
#include <QDate>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QRegularExpression>
#include <QSaveFile>
#include <QStandardPaths>
#include <cmath>

namespace {

constexpr int kChannels = 4;
constexpr int kLimitsPerChannel = 3;
// A preset file is a few hundred bytes.
constexpr qint64 kPresetMaxBytes = 64 * 1024;

QString Text(const char* sourceText)
{
    return QCoreApplication::translate("ThresholdPreset", sourceText);
}

bool Fail(QString* error, const QString& text)
{
    if (error)
        *error = text;
    return false;
}

QString Number(float value)
{
    return ShortestFloatText(value);
}

// A JSON text value (quoted and escaped).
QString JsonText(const QString& text)
{
    const QByteArray array =
        QJsonDocument(QJsonArray{QJsonValue(text)}).toJson(QJsonDocument::Compact);
    return QString::fromUtf8(array.mid(1, array.size() - 2));
}

bool ReadChannel(const QJsonObject& object, int channel, ThresholdPreset& preset, QString* error)
{
    const QString name = ChannelName(channel * kLimitsPerChannel);
    const QJsonValue value = object.value(name);
    if (value.isUndefined())
        return true;
    if (!value.isObject())
        return Fail(error,
                    Text(QT_TRANSLATE_NOOP("ThresholdPreset", "%1 is not an object")).arg(name));
    const QJsonObject limits = value.toObject();
    PresetChannel c;
    c.channel = channel;
    std::array<float*, kLimitsPerChannel> targets{&c.over, &c.pass, &c.fail};
    for (int l = 0; l < kLimitsPerChannel; ++l) {
        const QString limit = LimitName(channel * kLimitsPerChannel + l);
        const QJsonValue v = limits.value(limit);
        const float single = static_cast<float>(v.toDouble());
        if (!v.isDouble() || !IsPowerInRange(single))
            return Fail(
                error, Text(QT_TRANSLATE_NOOP("ThresholdPreset", "%1, %2: no number within -65…30"))
                           .arg(name, limit));
        *targets[static_cast<size_t>(l)] = single;
    }
    c.source = limits.value(QStringLiteral("source")).toString();
    if (c.source.trimmed().isEmpty())
        return Fail(
            error,
            Text(QT_TRANSLATE_NOOP("ThresholdPreset", "%1: the source is missing")).arg(name));
    // A standard preset's Pass limits are the rule's: a hand edit that breaks it shows.
    if (preset.margin && std::abs(PresetPass(c.over, c.fail, *preset.margin) - c.pass) > 0.005f)
        return Fail(error, Text(QT_TRANSLATE_NOOP("ThresholdPreset",
                                                  "%1: Pass %2 is not Fail plus the margin %3, "
                                                  "at most Over"))
                               .arg(name, Number(c.pass), Number(*preset.margin)));
    preset.channels.append(c);
    return true;
}

} // namespace

float PresetPass(float over, float fail, float margin)
{
    return std::min(fail + margin, over);
}

std::optional<ThresholdPreset> ParsePreset(const QByteArray& json, const QString& name,
                                           QString* error)
{
    QJsonParseError parseError;
    const QJsonDocument document = QJsonDocument::fromJson(json, &parseError);
    if (parseError.error != QJsonParseError::NoError || !document.isObject()) {
        Fail(error, Text(QT_TRANSLATE_NOOP("ThresholdPreset", "not a JSON object: %1"))
                        .arg(parseError.errorString()));
        return std::nullopt;
    }
    const QJsonObject root = document.object();
    if (root.value(QStringLiteral("version")).toDouble() != 1) {
        Fail(error, Text(QT_TRANSLATE_NOOP("ThresholdPreset", "only version 1 is supported")));
        return std::nullopt;
    }
    ThresholdPreset preset;
    preset.name = name;
    preset.title = root.value(QStringLiteral("title")).toString();
    preset.rule = root.value(QStringLiteral("rule")).toString();
    const QJsonValue margin = root.value(QStringLiteral("margin"));
    if (margin.isDouble())
        preset.margin = static_cast<float>(margin.toDouble());
    for (int c = 0; c < kChannels; ++c)
        if (!ReadChannel(root, c, preset, error))
            return std::nullopt;
    if (preset.channels.isEmpty()) {
        Fail(error, Text(QT_TRANSLATE_NOOP("ThresholdPreset", "it sets no channel")));
        return std::nullopt;
    }
    return preset;
}

std::optional<ThresholdPreset> ReadPreset(const QString& path, QString* error)
{
    QFile in(path);
    if (!in.open(QIODevice::ReadOnly)) {
        Fail(error, path + QStringLiteral(": ") + in.errorString());
        return std::nullopt;
    }
    QString reason;
    std::optional<ThresholdPreset> preset =
        ParsePreset(in.read(kPresetMaxBytes), QFileInfo(path).completeBaseName(), &reason);
    if (!preset) {
        Fail(error, path + QStringLiteral(": ") + reason);
        return std::nullopt;
    }
    preset->path = path;
    return preset;
}

QByteArray PresetJson(const ThresholdPreset& preset)
{
    QString text = QStringLiteral("{\n  \"version\": 1,\n  \"title\": %1,\n  \"rule\": %2")
                       .arg(JsonText(preset.title), JsonText(preset.rule));
    if (preset.margin)
        text += QStringLiteral(",\n  \"margin\": %1").arg(Number(*preset.margin));
    for (const PresetChannel& c : preset.channels) {
        const int first = c.channel * kLimitsPerChannel;
        text += QStringLiteral(",\n  \"%1\": {\"%2\": %3, \"%4\": %5, \"%6\": %7,\n    "
                               "\"source\": %8}")
                    .arg(ChannelName(first), LimitName(first), Number(c.over), LimitName(first + 1),
                         Number(c.pass), LimitName(first + 2), Number(c.fail), JsonText(c.source));
    }
    text += QStringLiteral("\n}\n");
    return text.toUtf8();
}

QString OwnPresetFolder()
{
    return QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation) +
           QLatin1Char('/') + applicationName + QStringLiteral("/presets");
}

QStringList PresetFolders(const QString& programDir)
{
    const QDir dir(programDir);
    return {OwnPresetFolder(),
            QDir::cleanPath(dir.filePath(QStringLiteral(QX390D_PRESETS_DIR_FROM_PROGRAM))),
            QStringLiteral(QX390D_PRESETS_INSTALL_DIR)};
}

QList<ThresholdPreset> ListPresets(const QStringList& folders, QStringList* errors)
{
    QList<ThresholdPreset> presets;
    QStringList names;
    for (const QString& folder : folders) {
        const QDir dir(folder);
        for (const QFileInfo& file :
             dir.entryInfoList({QStringLiteral("*.json")}, QDir::Files, QDir::Name)) {
            if (names.contains(file.completeBaseName()))
                continue;
            QString error;
            if (std::optional<ThresholdPreset> preset = ReadPreset(file.filePath(), &error)) {
                names << preset->name;
                presets << *preset;
            } else if (errors) {
                *errors << error;
            }
        }
    }
    return presets;
}

ThresholdGroup AppliedPreset(const ThresholdGroup& group, const ThresholdPreset& preset,
                             std::optional<float> margin)
{
    ThresholdGroup applied = group;
    for (const PresetChannel& c : preset.channels) {
        const auto first = static_cast<size_t>(c.channel * kLimitsPerChannel);
        applied.limits[first] = c.over;
        applied.limits[first + 1] =
            margin && preset.margin ? PresetPass(c.over, c.fail, *margin) : c.pass;
        applied.limits[first + 2] = c.fail;
    }
    return applied;
}

bool SaveOwnPreset(const QString& name, const QString& title, const ThresholdGroup& group,
                   QString* error)
{
    static const QRegularExpression fileName(QStringLiteral("^[A-Za-z0-9][A-Za-z0-9._-]*$"));
    if (!fileName.match(name).hasMatch())
        return Fail(error, Text(QT_TRANSLATE_NOOP("ThresholdPreset",
                                                  "a preset's name takes letters, digits, "
                                                  "'.', '_' and '-' only")));
    ThresholdPreset preset;
    preset.title = title.isEmpty() ? name : title;
    preset.rule = QStringLiteral("The operator's own limits, as the group held them.");
    const QString source =
        QStringLiteral("own limits saved on %1").arg(QDate::currentDate().toString(Qt::ISODate));
    for (int c = 0; c < kChannels; ++c) {
        const auto first = static_cast<size_t>(c * kLimitsPerChannel);
        preset.channels.append(
            {c, group.limits[first], group.limits[first + 1], group.limits[first + 2], source});
    }
    const QString folder = OwnPresetFolder();
    if (!QDir().mkpath(folder))
        return Fail(error, folder + QStringLiteral(": ") +
                               Text(QT_TRANSLATE_NOOP("ThresholdPreset", "cannot be made")));
    QSaveFile out(QDir(folder).filePath(name + QStringLiteral(".json")));
    const QByteArray content = PresetJson(preset);
    if (!out.open(QIODevice::WriteOnly) || out.write(content) != content.size() || !out.commit())
        return Fail(error, out.fileName() + QStringLiteral(": ") + out.errorString());
    return true;
}

QString LimitOrderProblem(float over, float pass, float fail)
{
    QStringList problems;
    if (over < pass)
        problems << Text(QT_TRANSLATE_NOOP("ThresholdPreset", "Over %1 is below Pass %2"))
                        .arg(LimitText(over), LimitText(pass));
    if (fail > pass)
        problems << Text(QT_TRANSLATE_NOOP("ThresholdPreset", "Fail %1 is above Pass %2"))
                        .arg(LimitText(fail), LimitText(pass));
    return problems.join(QStringLiteral(", "));
}

QStringList OutOfOrderChannels(const ThresholdGroup& group)
{
    QStringList channels;
    for (int c = 0; c < kChannels; ++c) {
        const auto first = static_cast<size_t>(c * kLimitsPerChannel);
        const QString problem = LimitOrderProblem(group.limits[first], group.limits[first + 1],
                                                  group.limits[first + 2]);
        if (!problem.isEmpty())
            channels << ChannelName(c * kLimitsPerChannel) + QStringLiteral(": ") + problem;
    }
    return channels;
}
