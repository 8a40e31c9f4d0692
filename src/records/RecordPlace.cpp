#include "records/RecordPlace.h"

#include <QCoreApplication>
#include <algorithm>

QString PlaceFieldName(RecordPlace::Field field)
{
    switch (field) {
    case RecordPlace::Job:
        return QStringLiteral("job");
    case RecordPlace::Site:
        return QStringLiteral("site");
    case RecordPlace::Ont:
        return QStringLiteral("ont");
    case RecordPlace::PonPort:
        return QStringLiteral("pon_port");
    case RecordPlace::Technician:
        break;
    }
    return QStringLiteral("technician");
}

namespace {

// Marked for translation in the context "RecordPlace".
constexpr const char* kHeaders[RecordPlace::kFields] = {
    QT_TRANSLATE_NOOP("RecordPlace", "Job"), QT_TRANSLATE_NOOP("RecordPlace", "Site"),
    QT_TRANSLATE_NOOP("RecordPlace", "ONT"), QT_TRANSLATE_NOOP("RecordPlace", "PON Port"),
    QT_TRANSLATE_NOOP("RecordPlace", "Technician")};

} // namespace

QString PlaceFieldHeader(RecordPlace::Field field)
{
    return QString::fromLatin1(kHeaders[field]);
}

QString PlaceFieldLabel(RecordPlace::Field field)
{
    return QCoreApplication::translate("RecordPlace", kHeaders[field]);
}

namespace {

bool AnyPlace(const QList<RecordPlace>& places)
{
    return std::any_of(places.cbegin(), places.cend(),
                       [](const RecordPlace& place) { return place != RecordPlace(); });
}

} // namespace

TableTexts WithPlaceColumns(TableTexts table, const QList<RecordPlace>& places)
{
    if (places.size() != table.rows.size() || !AnyPlace(places))
        return table;
    table.givenFrom = table.headers.size();
    for (int f = 0; f < RecordPlace::kFields; ++f)
        table.headers << PlaceFieldHeader(static_cast<RecordPlace::Field>(f));
    for (qsizetype r = 0; r < table.rows.size(); ++r) {
        for (int f = 0; f < RecordPlace::kFields; ++f)
            table.rows[r] << places[r].Text(static_cast<RecordPlace::Field>(f));
    }
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
        QStringList row{table.rows[r].value(0).trimmed()};
        for (int f = 0; f < RecordPlace::kFields; ++f)
            row << places[r].Text(static_cast<RecordPlace::Field>(f));
        shown.rows << row;
    }
    return shown;
}
