#include "records/RecordPlace.h"

#include <QCoreApplication>
#include <algorithm>

namespace {

constexpr const char* kNames[RecordPlace::kFields] = {"job", "site", "ont", "pon_port",
                                                      "technician"};
// Marked for translation in the context "RecordPlace".
constexpr const char* kHeaders[RecordPlace::kFields] = {
    QT_TRANSLATE_NOOP("RecordPlace", "Job"), QT_TRANSLATE_NOOP("RecordPlace", "Site"),
    QT_TRANSLATE_NOOP("RecordPlace", "ONT"), QT_TRANSLATE_NOOP("RecordPlace", "PON Port"),
    QT_TRANSLATE_NOOP("RecordPlace", "Technician")};

bool AnyPlace(const QList<RecordPlace>& places)
{
    return std::any_of(places.cbegin(), places.cend(),
                       [](const RecordPlace& place) { return place != RecordPlace(); });
}

} // namespace

QStringList RecordPlace::Texts() const
{
    QStringList all;
    for (const std::optional<QString>& text : texts)
        all << text.value_or(QString());
    return all;
}

QString PlaceFieldName(RecordPlace::Field field)
{
    return QString::fromLatin1(kNames[field]);
}

QString PlaceFieldHeader(RecordPlace::Field field)
{
    return QString::fromLatin1(kHeaders[field]);
}

QString PlaceFieldLabel(RecordPlace::Field field)
{
    return QCoreApplication::translate("RecordPlace", kHeaders[field]);
}

TableTexts WithPlaceColumns(TableTexts table, const QList<RecordPlace>& places)
{
    if (places.size() != table.rows.size() || !AnyPlace(places))
        return table;
    table.givenFrom = table.headers.size();
    for (int f = 0; f < RecordPlace::kFields; ++f)
        table.headers << PlaceFieldHeader(static_cast<RecordPlace::Field>(f));
    for (qsizetype r = 0; r < table.rows.size(); ++r)
        table.rows[r] << places[r].Texts();
    return table;
}

TableTexts PlaceTable(const TableTexts& table, const QList<RecordPlace>& places)
{
    TableTexts shown;
    if (places.size() != table.rows.size() || !AnyPlace(places))
        return shown;
    shown.headers << ShownHeader(table.headers.value(0));
    for (int f = 0; f < RecordPlace::kFields; ++f)
        shown.headers << PlaceFieldLabel(static_cast<RecordPlace::Field>(f));
    for (qsizetype r = 0; r < table.rows.size(); ++r) {
        if (places[r] == RecordPlace())
            continue;
        shown.rows << (QStringList{table.rows[r].value(0).trimmed()} << places[r].Texts());
    }
    return shown;
}
