#pragma once

#include <QList>
#include <QString>
#include <QStringList>
#include <optional>
#include <utility>

// A PostgreSQL location read strictly, and the libpq connection string made from it.
//
// `postgresql://[USER@][HOST][:PORT][,HOST[:PORT]...][/DATABASE][?KEY=VALUE&...]` (or
// `postgres://`), every part percent-decoded. Refused, with a reason: user-info holding a
// `:` (a password, written plainly or encoded); an `@` anywhere else, a `#`, whitespace or
// control characters not percent-encoded; a `%` not followed by two hex digits; an option
// not in PostgresLocationOptions() (named in the reason; `password` never is one); an
// option given twice; a port that is no number; a value holding `;` (Qt's driver turns it
// into a blank). A reason never repeats the location's user-info or values: it may hold a
// password.
using ConnKeywords = QList<std::pair<QString, QString>>;

// The query options a location may carry, in the order the README lists them.
const QStringList& PostgresLocationOptions();

// The keywords a location names, in this order: host, port, dbname, user, then the options
// as written. Nothing, with `error`, for a location that is refused.
std::optional<ConnKeywords> ParsePostgresLocation(const QString& location, QString* error);

// A value as libpq reads it in a connection string: in single quotes, `\` and `'` escaped.
QString LibpqQuote(const QString& value);
// `key='value' key='value'`: every value quoted, so no value can add a keyword.
QString LibpqConnInfo(const ConnKeywords& keywords);

// The location with what user-info holds after its `:` (a password) as `***` and its query
// left out: what a message may show of a location that holds a password.
QString MaskedLocation(const QString& location);
