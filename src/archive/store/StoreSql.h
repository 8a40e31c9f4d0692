#pragma once

#include "records/RecordPlace.h"

#include <QSqlQuery>
#include <QString>
#include <QVariant>

struct pg_conn;

// What the store's files share: the column lists written and read in one order, and how a
// text is bound.
namespace StoreSql {

// The limit columns in the table's power order (1270, 1310, 1490, 1577 nm), each Over,
// Pass, Fail.
inline const QString kLimitColumns = QStringLiteral(
    "ont1270_over, ont1270_pass, ont1270_fail, ont1310_over, ont1310_pass, ont1310_fail, "
    "olt1490_over, olt1490_pass, olt1490_fail, olt1577_over, olt1577_pass, olt1577_fail");
inline const QString kDownloadColumns = QStringLiteral(
    "uuid, source, ended_at, port, usb_serial, usb_vendor, usb_product, host, login, "
    "source_file, expected, arrived, completed, ending, new_records, note");

// libpq's connection in the QPSQL driver's handle (QSqlDriver::handle(), its type named after
// the struct or its typedef); nothing in another driver's.
inline pg_conn* ServerConnection(const QVariant& handle)
{
    if (handle.isValid() &&
        (qstrcmp(handle.typeName(), "PGconn*") == 0 || qstrcmp(handle.typeName(), "pg_conn*") == 0))
        return *static_cast<pg_conn* const*>(handle.constData());
    return nullptr;
}

// Qt binds a null QString as SQL NULL; an empty text is stored as ''.
inline QString Text(const QString& text)
{
    return text.isNull() ? QStringLiteral("") : text;
}

// The place in the five columns from `first` on (job, site, ont, pon_port, technician): an
// empty or null text is none.
inline RecordPlace PlaceOf(const QSqlQuery& query, int first)
{
    RecordPlace place;
    for (int f = 0; f < RecordPlace::kFields; ++f) {
        const QString text = query.value(first + f).toString();
        if (!text.isEmpty())
            place.texts[static_cast<size_t>(f)] = text;
    }
    return place;
}

} // namespace StoreSql
