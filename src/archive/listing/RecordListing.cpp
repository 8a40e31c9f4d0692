#include "archive/listing/RecordListing.h"

#include "archive/store/ArchiveStore.h"
#include "archive/store/StoreSql.h"

#include <QCoreApplication>
#include <QSqlDriver>
#include <QSqlError>
#include <QSqlQuery>
#include <QVariant>
#include <atomic>
#include <dlfcn.h>
#include <libpq-fe.h>
#include <sqlite3.h>

namespace {

// The fields of a row in ListedRecord's order.
enum Field { Id, Measured, Download, FirstText, VerdictText = FirstText + 7, FirstPlace };

const QString kColumns = QStringLiteral(
    "r.id, r.measured, r.first_download_id, r.text_no, r.text_p1, r.text_p2, r.text_p3, "
    "r.text_p4, r.text_group, r.text_time, r.verdict, p.job, p.site, p.ont, p.pon_port, "
    "p.technician");

bool IsInteger(const QVariant& value)
{
    const int type = value.metaType().id();
    return type == QMetaType::Int || type == QMetaType::LongLong;
}

// A libpq statement's parameters are $1, $2...: the store's statements mark them with '?'
// and quote no '?'.
QByteArray Numbered(const QString& sql)
{
    QByteArray numbered;
    int n = 0;
    for (const QChar c : sql) {
        if (c == u'?')
            numbered += '$' + QByteArray::number(++n);
        else
            numbered += c.toLatin1();
    }
    return numbered;
}

std::atomic<bool> sqliteThroughQtSql{false};

// Whether Qt's SQLite driver runs on the SQLite library linked here: only then may its
// handle be given to this library's calls, as a driver that carries a copy of SQLite of its
// own keeps its connections in that copy's state. The driver's plugin is found by its
// meta-object, which the plugin holds; sqlite3_libversion, looked up from the plugin (in it,
// then in what it links), must answer with our very version text (the text's address: a
// function's may be a stub's). A copy of its own is found in the plugin first or, hidden,
// not at all, since Qt's libraries link no SQLite. Asked once: a process loads one plugin.
bool DriverSharesOurSqlite(const QSqlDriver* driver)
{
    static const bool shares = [driver] {
        Dl_info info;
        if (!dladdr(driver->metaObject(), &info) || !info.dli_fname)
            return false;
        void* plugin = dlopen(info.dli_fname, RTLD_LAZY | RTLD_NOLOAD);
        if (!plugin)
            return false;
        const auto version =
            reinterpret_cast<const char* (*)()>(dlsym(plugin, "sqlite3_libversion"));
        const bool same = version && version() == sqlite3_libversion();
        dlclose(plugin);
        return same;
    }();
    return shares;
}

// The driver's handle is not the engine's own connection (another Qt Sql driver).
QString Unreachable()
{
    return QCoreApplication::translate("ArchiveStore",
                                       "the database driver's own connection cannot be reached");
}

} // namespace

QByteArrayView RecordListing::Chunk::Field(qsizetype index) const
{
    const qsizetype begin = index == 0 ? 0 : ends[static_cast<size_t>(index - 1)];
    return QByteArrayView(bytes).sliced(begin, ends[static_cast<size_t>(index)] - begin);
}

RecordListing::RecordListing(ArchiveStore& store, const ArchiveFilter& filter)
    : store_(store), filter_(filter)
{
}

bool RecordListing::Prepare()
{
    if (!store_.Open())
        return false;
    if (!any_)
        any_ = store_.FilterClause(filter_, where_, values_);
    return any_.has_value();
}

std::optional<int> RecordListing::Next(int limit, const Row& row)
{
    if (!Prepare())
        return std::nullopt;
    if (!*any_)
        return 0;
    QStringList where = where_;
    QVariantList values = values_;
    if (after_) {
        where << QStringLiteral("(r.measured, r.id) < (?, ?)");
        values << QString::fromUtf8(after_->first) << after_->second;
    }
    const QString sql =
        QStringLiteral("SELECT %1 FROM records r LEFT JOIN record_places p ON p.record_id = r.id "
                       "%2ORDER BY r.measured DESC, r.id DESC LIMIT %3")
            .arg(kColumns,
                 where.isEmpty()
                     ? QString()
                     : QStringLiteral("WHERE ") + where.join(QStringLiteral(" AND ")) + u' ',
                 QString::number(limit));
    Chunk chunk;
    chunk.bytes.resize(static_cast<qsizetype>(limit) * 128);
    chunk.ends.reserve(static_cast<size_t>(limit) * kFields);
    const bool read = store_.Target().IsServer() ? ReadServer(sql, values, chunk)
                                                 : ReadSqlite(sql, values, chunk);
    const int rows = static_cast<int>(chunk.ends.size() / kFields);
    if (!read || !ReadDownloads(chunk, rows))
        return std::nullopt;
    ListedRecord r;
    for (int i = 0; i < rows; ++i) {
        const qsizetype first = static_cast<qsizetype>(i) * kFields;
        r.id = chunk.Field(first + Id).toLongLong();
        r.download = chunk.Field(first + Download).toLongLong();
        r.measured = chunk.Field(first + Measured);
        for (size_t t = 0; t < r.texts.size(); ++t)
            r.texts[t] = chunk.Field(first + FirstText + static_cast<qsizetype>(t));
        r.verdict = chunk.Field(first + VerdictText);
        for (size_t f = 0; f < r.place.size(); ++f)
            r.place[f] = chunk.Field(first + FirstPlace + static_cast<qsizetype>(f));
        row(r, downloads_[r.download]);
    }
    if (rows > 0)
        after_ = std::pair{r.measured.toByteArray(), r.id};
    return rows;
}

bool RecordListing::SqliteEngineCalls() const
{
    const QSqlDriver* driver = store_.db_.driver();
    return !sqliteThroughQtSql.load() && driver && DriverSharesOurSqlite(driver);
}

void RecordListing::ReadSqliteThroughQtSql(bool on)
{
    sqliteThroughQtSql.store(on);
}

bool RecordListing::ReadSqlite(const QString& sql, const QVariantList& values, Chunk& chunk)
{
    if (!SqliteEngineCalls())
        return ReadQtSql(sql, values, chunk);
    const QVariant handle = store_.db_.driver()->handle();
    const QString what = store_.Target().Display();
    if (qstrcmp(handle.typeName(), "sqlite3*") != 0)
        return store_.Fail(what, Unreachable());
    sqlite3* db = *static_cast<sqlite3* const*>(handle.constData());
    sqlite3_stmt* statement = nullptr;
    const QByteArray text = sql.toUtf8();
    int rc = sqlite3_prepare_v2(db, text.constData(), static_cast<int>(text.size()), &statement,
                                nullptr);
    for (int i = 0; rc == SQLITE_OK && i < values.size(); ++i) {
        const QVariant& v = values[i];
        if (IsInteger(v)) {
            rc = sqlite3_bind_int64(statement, i + 1, v.toLongLong());
        } else {
            const QByteArray bound = v.toString().toUtf8();
            rc = sqlite3_bind_text(statement, i + 1, bound.constData(),
                                   static_cast<int>(bound.size()), SQLITE_TRANSIENT);
        }
    }
    if (rc == SQLITE_OK) {
        while ((rc = sqlite3_step(statement)) == SQLITE_ROW) {
            for (int c = 0; c < kFields; ++c) {
                const auto* field =
                    reinterpret_cast<const char*>(sqlite3_column_text(statement, c));
                chunk.Add(field ? field : "", sqlite3_column_bytes(statement, c));
            }
        }
    }
    const QString reason = QString::fromUtf8(sqlite3_errmsg(db));
    sqlite3_finalize(statement);
    if (rc == SQLITE_DONE)
        return true;
    return store_.FailStatement(what, reason, QString::number(rc), sql);
}

bool RecordListing::ReadQtSql(const QString& sql, const QVariantList& values, Chunk& chunk)
{
    QSqlQuery query(store_.db_);
    query.setForwardOnly(true);
    bool done = query.prepare(sql);
    for (const QVariant& v : values)
        query.addBindValue(v);
    if (done && query.exec()) {
        while (query.next()) {
            for (int c = 0; c < kFields; ++c) {
                const QByteArray text = query.value(c).toString().toUtf8();
                chunk.Add(text.constData(), text.size());
            }
        }
        done = !query.lastError().isValid();
    }
    return done || store_.Fail(store_.Target().Display(), query);
}

bool RecordListing::ReadServer(const QString& sql, const QVariantList& values, Chunk& chunk)
{
    const QString what = store_.Target().Display();
    PGconn* connection = StoreSql::ServerConnection(store_.db_.driver()->handle());
    if (!connection)
        return store_.Fail(what, Unreachable());
    QList<QByteArray> texts;
    std::vector<const char*> parameters;
    for (const QVariant& v : values)
        texts << v.toString().toUtf8();
    for (const QByteArray& t : std::as_const(texts))
        parameters.push_back(t.constData());
    PGresult* result =
        PQexecParams(connection, Numbered(sql).constData(), static_cast<int>(parameters.size()),
                     nullptr, parameters.data(), nullptr, nullptr, 0);
    if (PQresultStatus(result) != PGRES_TUPLES_OK) {
        // As Qt Sql words a failure: the connection's message, then the SQLSTATE.
        QString reason = QString::fromUtf8(PQerrorMessage(connection));
        const char* code = result ? PQresultErrorField(result, PG_DIAG_SQLSTATE) : nullptr;
        if (result)
            reason += QStringLiteral("(%1)").arg(QLatin1String(code ? code : ""));
        PQclear(result);
        return store_.FailStatement(what, reason.trimmed().simplified(),
                                    QLatin1String(code ? code : ""), sql);
    }
    const int rows = PQntuples(result);
    for (int i = 0; i < rows; ++i)
        for (int c = 0; c < kFields; ++c)
            chunk.Add(PQgetvalue(result, i, c), PQgetlength(result, i, c));
    PQclear(result);
    return true;
}

bool RecordListing::ReadDownloads(const Chunk& chunk, int rows)
{
    QStringList unknown;
    for (int i = 0; i < rows; ++i) {
        const qint64 id = chunk.Field(static_cast<qsizetype>(i) * kFields + Download).toLongLong();
        if (!downloads_.contains(id)) {
            downloads_.insert(id, {});
            unknown << QString::number(id);
        }
    }
    if (unknown.isEmpty())
        return true;
    QSqlQuery query(store_.db_);
    query.setForwardOnly(true);
    if (!query.exec(QStringLiteral("SELECT id, ended_at, note FROM downloads WHERE id IN (%1)")
                        .arg(unknown.join(QLatin1Char(','))))) {
        // Those ids are read again with the next call.
        for (const QString& id : std::as_const(unknown))
            downloads_.remove(id.toLongLong());
        return store_.Fail(store_.Target().Display(), query);
    }
    while (query.next())
        downloads_[query.value(0).toLongLong()] = {
            QDateTime::fromString(query.value(1).toString(), Qt::ISODateWithMs),
            query.value(2).toString()};
    return true;
}
