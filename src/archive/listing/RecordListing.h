#pragma once

#include "archive/data/ArchiveTypes.h"
#include "records/RecordPlace.h"

#include <QByteArray>
#include <QByteArrayView>
#include <QDateTime>
#include <QHash>
#include <QString>
#include <algorithm>
#include <array>
#include <cstring>
#include <functional>
#include <optional>
#include <vector>

class ArchiveStore;

// One record as a listing reads it: the texts the archive keeps (UTF-8), valid only while
// the row is handed over. A verdict or place field the record lacks is empty.
struct ListedRecord
{
    qint64 id = 0;
    qint64 download = 0; // the download that brought it first
    QByteArrayView measured;
    std::array<QByteArrayView, 7> texts;
    QByteArrayView verdict;
    std::array<QByteArrayView, RecordPlace::kFields> place;
};

// The download a listed record came with first.
struct ListedDownload
{
    QDateTime endedAt;
    QString note;
};

// Reads the records of a filter newest first, as ArchiveStore::Records orders them, chunk
// after chunk, each after the last record of the one before: constant memory however large
// the archive, and a record written meanwhile is never read twice. The rows come with the
// engine's own calls (SQLite's, libpq's) over the store's connection and on its thread, as
// the texts the archive keeps: a million records read in seconds, where typed reads through
// Qt Sql's values took several times as long. Each download is read once, when its first
// record comes.
class RecordListing
{
public:
    RecordListing(ArchiveStore& store, const ArchiveFilter& filter);

    using Row = std::function<void(const ListedRecord&, const ListedDownload&)>;
    // Hands the next records, at most `limit`, to `row`; how many came (fewer than `limit`
    // at the end), nothing on a failure (the store's Error()).
    std::optional<int> Next(int limit, const Row& row);

    // Whether Next() reads an SQLite archive's rows with the engine's own calls: only where
    // Qt's SQLite driver runs on the SQLite library linked here, once the store is open.
    // Otherwise they come through Qt Sql, the same texts more slowly.
    bool SqliteEngineCalls() const;
    // Tests: every listing reads SQLite through Qt Sql while `on`.
    static void ReadSqliteThroughQtSql(bool on);

private:
    // A chunk's rows as texts, kFields each, one after the other: copied into one buffer,
    // a million rows' fields without a call each.
    struct Chunk
    {
        QByteArray bytes;
        qsizetype used = 0;
        std::vector<qsizetype> ends; // where each field ends in `bytes`
        void Add(const char* text, qsizetype size)
        {
            if (used + size > bytes.size())
                bytes.resize(std::max(2 * bytes.size(), used + size));
            std::memcpy(bytes.data() + used, text, static_cast<size_t>(size));
            used += size;
            ends.push_back(used);
        }
        QByteArrayView Field(qsizetype index) const;
    };
    static constexpr int kFields = 16;

    bool Prepare();
    bool ReadSqlite(const QString& sql, const QVariantList& values, Chunk& chunk);
    bool ReadQtSql(const QString& sql, const QVariantList& values, Chunk& chunk);
    bool ReadServer(const QString& sql, const QVariantList& values, Chunk& chunk);
    bool ReadDownloads(const Chunk& chunk, int rows);

    ArchiveStore& store_;
    ArchiveFilter filter_;
    std::optional<bool> any_; // the filter's clause once made: false when nothing can match
    QStringList where_;
    QVariantList values_;
    std::optional<std::pair<QByteArray, qint64>> after_; // the last record read: measured, id
    QHash<qint64, ListedDownload> downloads_;
};
