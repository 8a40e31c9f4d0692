#include "archive/data/SubmissionJson.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <cmath>
#include <limits>

QByteArray SubmissionToJson(const ArchiveSubmission& s)
{
    const DownloadFacts& f = s.facts;
    QJsonObject facts{
        {QStringLiteral("fromFile"), f.fromFile},
        {QStringLiteral("when"), ArchiveTimeText(f.when)},
        {QStringLiteral("port"), f.port},
        {QStringLiteral("serial"), f.identity.serial},
        {QStringLiteral("host"), f.host},
        {QStringLiteral("login"), f.login},
        {QStringLiteral("sourceFile"), f.sourceFile},
        {QStringLiteral("expected"), f.expected},
        {QStringLiteral("arrived"), f.arrived},
        {QStringLiteral("completed"), f.completed},
        {QStringLiteral("ending"), DownloadEndingName(f.ending)},
        {QStringLiteral("uuid"), f.uuid.toString(QUuid::WithoutBraces)},
        {QStringLiteral("note"), f.note},
    };
    if (f.identity.vendor)
        facts.insert(QStringLiteral("vendor"), *f.identity.vendor);
    if (f.identity.product)
        facts.insert(QStringLiteral("product"), *f.identity.product);
    QJsonArray rows;
    for (const QStringList& row : s.rows)
        rows.append(QJsonArray::fromStringList(row));
    QJsonObject limits;
    for (int g = 1; g <= ThresholdTable::kGroups; ++g) {
        if (!s.limits.IsKnown(g))
            continue;
        // JSON has no NaN: an unknown limit is null, as in the archive.
        QJsonArray values;
        for (float v : s.limits.Group(g).limits)
            values.append(std::isnan(v) ? QJsonValue() : QJsonValue(static_cast<double>(v)));
        limits.insert(QString::number(g), values);
    }
    return QJsonDocument(QJsonObject{{QStringLiteral("facts"), facts},
                                     {QStringLiteral("rows"), rows},
                                     {QStringLiteral("limits"), limits}})
        .toJson(QJsonDocument::Compact);
}

std::optional<ArchiveSubmission> SubmissionFromJson(const QByteArray& json)
{
    const QJsonDocument doc = QJsonDocument::fromJson(json);
    if (!doc.isObject())
        return std::nullopt;
    const QJsonObject root = doc.object();
    const QJsonObject facts = root.value(QStringLiteral("facts")).toObject();
    ArchiveSubmission s;
    DownloadFacts& f = s.facts;
    f.fromFile = facts.value(QStringLiteral("fromFile")).toBool();
    f.when =
        QDateTime::fromString(facts.value(QStringLiteral("when")).toString(), Qt::ISODateWithMs);
    f.port = facts.value(QStringLiteral("port")).toString();
    f.identity.serial = facts.value(QStringLiteral("serial")).toString();
    if (facts.contains(QStringLiteral("vendor")))
        f.identity.vendor = static_cast<quint16>(facts.value(QStringLiteral("vendor")).toInt());
    if (facts.contains(QStringLiteral("product")))
        f.identity.product = static_cast<quint16>(facts.value(QStringLiteral("product")).toInt());
    f.host = facts.value(QStringLiteral("host")).toString();
    f.login = facts.value(QStringLiteral("login")).toString();
    f.sourceFile = facts.value(QStringLiteral("sourceFile")).toString();
    f.expected = facts.value(QStringLiteral("expected")).toInt();
    f.arrived = facts.value(QStringLiteral("arrived")).toInt();
    f.completed = facts.value(QStringLiteral("completed")).toBool();
    f.ending = DownloadEndingOf(facts.value(QStringLiteral("ending")).toString())
                   .value_or(DownloadEnding::Stalled);
    f.uuid = QUuid::fromString(facts.value(QStringLiteral("uuid")).toString());
    f.note = facts.value(QStringLiteral("note")).toString();
    if (f.uuid.isNull())
        return std::nullopt;
    for (const QJsonValue& row : root.value(QStringLiteral("rows")).toArray()) {
        QStringList texts;
        for (const QJsonValue& t : row.toArray())
            texts << t.toString();
        s.rows.append(texts);
    }
    const QJsonObject limits = root.value(QStringLiteral("limits")).toObject();
    for (int g = 1; g <= ThresholdTable::kGroups; ++g) {
        const QJsonArray values = limits.value(QString::number(g)).toArray();
        if (values.size() != ThresholdGroup::kLimits)
            continue;
        for (int k = 0; k < ThresholdGroup::kLimits; ++k)
            s.limits.Group(g).limits[static_cast<size_t>(k)] =
                values[k].isNull() ? std::numeric_limits<float>::quiet_NaN()
                                   : static_cast<float>(values[k].toDouble());
        s.limits.Group(g).number = static_cast<quint8>(g);
        s.limits.MarkKnown(g);
    }
    return s;
}
