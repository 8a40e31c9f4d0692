#include "cliarchive/CliArchive.h"

#include "archive/data/RecordKey.h"
#include "archive/listing/RecordListing.h"
#include "archive/places/PlaceStore.h"
#include "archive/queue/PendingQueue.h"
#include "archive/store/ArchiveStore.h"
#include "archive/writer/ArchiveImport.h"
#include "archive/writer/ArchiveSession.h"
#include "cliarchive/CliSignals.h"
#include "common/OutputFile.h"
#include "export/CsvExport.h"
#include "jobs/JobReport.h"
#include "records/RecordTable.h"
#include "verdicts/Verdict.h"

#include <QCoreApplication>
#include <QFileInfo>
#include <QHash>
#include <QIODevice>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <algorithm>
#include <utility>

namespace {

// The messages for the operator, in the desktop's language (Text::tr).
struct Text
{
    Q_DECLARE_TR_FUNCTIONS(CliArchive)
};

// Records read from the archive per query while a list is written.
constexpr int kListChunk = 10000;

QString VerdictOption(const QString& value)
{
    for (Verdict v : {Verdict::Pass, Verdict::Marginal, Verdict::Over, Verdict::Fail})
        if (value.compare(VerdictName(v), Qt::CaseInsensitive) == 0)
            return VerdictName(v);
    return {};
}

// The place's field an option sets: --job, --site, --ont, --pon-port, --technician.
std::optional<RecordPlace::Field> PlaceOption(const QString& name)
{
    for (int f = 0; f < RecordPlace::kFields; ++f) {
        const auto field = static_cast<RecordPlace::Field>(f);
        if (name == QStringLiteral("--") + PlaceFieldName(field).replace(u'_', u'-'))
            return field;
    }
    return std::nullopt;
}

// And as JSON keys.
const QStringList kPlaceKeys{QStringLiteral("job"), QStringLiteral("site"), QStringLiteral("ont"),
                             QStringLiteral("ponPort"), QStringLiteral("technician")};

QByteArray CsvLine(const QStringList& fields)
{
    QString line;
    for (const QString& f : fields)
        line += CsvField(f) + QLatin1Char(',');
    return (line + QStringLiteral("\r\n")).toUtf8();
}

QString UtcIso(const QDateTime& when)
{
    return when.toUTC().toString(Qt::ISODate);
}

QByteArray RecordCsvHeader()
{
    QStringList headers;
    for (const RecordTable::Column& c : RecordTable::Columns())
        headers << c.header;
    headers << QStringLiteral("Verdict") << QStringLiteral("Download")
            << QStringLiteral("Downloaded") << QStringLiteral("Note");
    for (int f = 0; f < RecordPlace::kFields; ++f)
        headers << PlaceFieldHeader(static_cast<RecordPlace::Field>(f));
    return CsvLine(headers);
}

// Room for a listed record's line, with `download` its download's fields.
qsizetype RecordCsvRoom(const ListedRecord& r, QByteArrayView download)
{
    qsizetype room = download.size() + 2;
    for (const QByteArrayView text : r.texts)
        room += CsvFieldRoom(text.size()) + 1;
    for (const QByteArrayView text : r.place)
        room += CsvFieldRoom(text.size()) + 1;
    return room + CsvFieldRoom(r.verdict.size()) + 1;
}

// A listed record's line at `out`, which has RecordCsvRoom; where it ends. `download`: its
// download's fields (id, time, note), each with its comma, made once per download.
char* WriteRecordCsv(char* out, const ListedRecord& r, QByteArrayView download)
{
    for (const QByteArrayView text : r.texts) {
        out = WriteCsvField(out, text);
        *out++ = ',';
    }
    out = WriteCsvField(out, r.verdict);
    *out++ = ',';
    out = std::copy(download.cbegin(), download.cend(), out);
    for (const QByteArrayView text : r.place) {
        out = WriteCsvField(out, text);
        *out++ = ',';
    }
    *out++ = '\r';
    *out++ = '\n';
    return out;
}

QByteArray RecordJsonLine(const ArchivedRecord& r)
{
    QJsonObject o{{QStringLiteral("id"), r.id},
                  {QStringLiteral("texts"), QJsonArray::fromStringList(r.texts)}};
    for (int c = 0; c < kPowerColumns; ++c) {
        const auto i = static_cast<size_t>(c);
        o.insert(RecordTable::Columns()[kFirstPowerColumn + c].header,
                 QJsonObject{
                     {QStringLiteral("dBm"), r.powers[i] ? QJsonValue(*r.powers[i]) : QJsonValue()},
                     {QStringLiteral("low"), r.low[i]}});
    }
    o.insert(QStringLiteral("group"), r.group ? QJsonValue(*r.group) : QJsonValue());
    o.insert(QStringLiteral("time"), r.measured.isEmpty() ? QJsonValue() : QJsonValue(r.measured));
    o.insert(QStringLiteral("verdict"),
             r.verdict ? QJsonValue(r.verdict->toLower()) : QJsonValue());
    o.insert(QStringLiteral("download"), r.downloadId);
    o.insert(QStringLiteral("downloaded"), UtcIso(r.downloadedAt));
    o.insert(QStringLiteral("note"), r.note);
    for (int f = 0; f < RecordPlace::kFields; ++f) {
        const std::optional<QString>& text = r.place.texts[static_cast<size_t>(f)];
        o.insert(kPlaceKeys[f], text ? QJsonValue(*text) : QJsonValue());
    }
    return QJsonDocument(o).toJson(QJsonDocument::Compact) + '\n';
}

// The notes a download had before, oldest first, one line each: "WHEN WHO: TEXT".
QString EarlierNotes(const ArchivedDownload& d)
{
    QStringList lines;
    for (const NoteChange& c : d.earlierNotes)
        lines << QStringLiteral("%1 %2: %3").arg(c.changedAt, c.changedBy, c.oldNote);
    return lines.join(QLatin1Char('\n'));
}

QStringList DownloadFields(const ArchivedDownload& d)
{
    const DownloadFacts& f = d.facts;
    const auto id = [](const std::optional<quint16>& v) {
        return v ? QStringLiteral("%1").arg(*v, 4, 16, QLatin1Char('0')) : QString();
    };
    return {QString::number(d.id),
            d.uuid.toString(QUuid::WithoutBraces),
            f.fromFile ? QStringLiteral("file") : QStringLiteral("meter"),
            UtcIso(f.when),
            f.port,
            f.identity.serial,
            id(f.identity.vendor),
            id(f.identity.product),
            f.host,
            f.login,
            f.sourceFile,
            QString::number(f.expected),
            QString::number(f.arrived),
            f.completed ? QStringLiteral("yes") : QStringLiteral("no"),
            DownloadEndingName(f.ending),
            QString::number(d.records),
            QString::number(d.newRecords),
            d.note,
            d.serverLogin,
            EarlierNotes(d)};
}

const QStringList kDownloadHeaders{
    QStringLiteral("Download"),     QStringLiteral("UUID"),         QStringLiteral("Source"),
    QStringLiteral("Ended"),        QStringLiteral("Port"),         QStringLiteral("USB Serial"),
    QStringLiteral("Vendor"),       QStringLiteral("Product"),      QStringLiteral("Host"),
    QStringLiteral("Login"),        QStringLiteral("File"),         QStringLiteral("Expected"),
    QStringLiteral("Arrived"),      QStringLiteral("Complete"),     QStringLiteral("Ending"),
    QStringLiteral("Records"),      QStringLiteral("New"),          QStringLiteral("Note"),
    QStringLiteral("Server Login"), QStringLiteral("Earlier Notes")};

class ArchiveRun
{
public:
    ArchiveRun(const ArchiveOptions& options, const ArchiveOutput& output, QIODevice& out,
               QIODevice& err)
        : archive_(options), output_(output), out_(out), err_(err)
    {
    }

    int Run()
    {
        const ArchiveOptions& a = archive_;
        const std::optional<ArchiveTarget> target = a.where.TargetOrDefault();
        if (!target)
            return Fail(ExitUsage, a.where.error);
        QString error;
        // The queue on this PC is read without reaching any archive.
        if (a.action == ArchiveAction::Pending)
            return Pending();
        session_ = std::make_unique<ArchiveSession>(*target);
        // Only an import writes: the other commands never make an archive of a mistyped path.
        Store().SetMustExist(a.action != ArchiveAction::Import);
        // What waited on this PC for the server goes first; an import keeps its files on
        // this PC first, and sends them with what waits.
        if (target->IsServer() && a.action != ArchiveAction::Import) {
            const std::optional<int> delivered = session_->DeliverPending(&error);
            if (!delivered && !Store().Open())
                return Fail(ExitFailed, Text::tr("the archive cannot be reached: %1").arg(error));
            // The archive answers, but what waits could not go (the journal on this PC cannot
            // be read, or the server refuses a download): it waits on, and the command, which
            // needs none of it, goes on.
            if (!delivered)
                Warn(Text::tr("downloads kept on this PC could not be sent to the archive and "
                              "still wait (archive pending): %1")
                         .arg(error));
            else if (*delivered > 0)
                Note(Text::tr("delivered %n download(s) that waited on this PC", nullptr,
                              *delivered));
        }
        switch (a.action) {
        case ArchiveAction::List:
            return List();
        case ArchiveAction::Downloads:
            return Downloads();
        case ArchiveAction::Import:
            return Import();
        case ArchiveAction::Note:
            return SetNote();
        case ArchiveAction::Copy:
            return Copy();
        case ArchiveAction::Assign:
            return Assign();
        case ArchiveAction::Jobs:
            return Jobs();
        case ArchiveAction::Report:
            return Report();
        case ArchiveAction::Places:
            return Places();
        case ArchiveAction::Init:
            if (!Store().Init())
                return Fail(ExitFailed, Store().Error());
            for (const QString& note : Store().InitNotes())
                Note(note);
            Note(Text::tr("%1: archive schema %2 ready")
                     .arg(target->Display())
                     .arg(ArchiveSchema::kVersion));
            return ExitDone;
        case ArchiveAction::Pending:
            break;
        }
        return ExitUsage;
    }

private:
    int Fail(int code, const QString& message)
    {
        Warn(message);
        return code;
    }

    // Said also with --quiet: the command succeeds, but not all is as the operator expects.
    void Warn(const QString& message) { err_.write("qx390d-cli: " + message.toLocal8Bit() + '\n'); }

    void Note(const QString& text)
    {
        if (!output_.quiet)
            err_.write(text.toLocal8Bit() + '\n');
    }

    ArchiveStore& Store() { return session_->Store(); }

    // A listing's output, -o FILE or standard output, opened; nothing once told why not.
    std::unique_ptr<OutputFile> OpenListing()
    {
        auto output = std::make_unique<OutputFile>(
            output_.file.isEmpty() ? QStringLiteral("-") : output_.file, out_);
        QString error;
        if (output->Open(&error))
            return output;
        Fail(ExitFailed, error);
        return nullptr;
    }

    int List()
    {
        const ArchiveOptions& a = archive_;
        ArchiveFilter filter;
        filter.since = FilterBoundIso(a.since, false);
        filter.until = FilterBoundIso(a.until, true);
        filter.group = a.group;
        filter.verdict = a.verdict;
        filter.note = a.note;
        filter.job = a.place.Text(RecordPlace::Job);
        filter.ont = a.place.Text(RecordPlace::Ont);
        filter.byPart = true;
        const std::unique_ptr<OutputFile> output = OpenListing();
        if (!output)
            return ExitFailed;
        qint64 listed = 0;
        if (output_.format == RecordFormat::Csv) {
            if (!ListCsv(filter, *output, listed))
                return Fail(ExitFailed, Store().Error());
        } else {
            // Chunk by chunk, each after the last record of the one before: constant memory
            // however large the archive, and a record written meanwhile is never listed twice.
            std::optional<RecordListKey> after;
            for (;;) {
                const std::optional<QList<ArchivedRecord>> chunk =
                    Store().Records(filter, after, kListChunk, ArchiveStore::RecordLimits::Skip);
                if (!chunk)
                    return Fail(ExitFailed, Store().Error());
                QByteArray bytes;
                for (const ArchivedRecord& r : *chunk)
                    bytes += RecordJsonLine(r);
                output->Write(bytes);
                listed += chunk->size();
                if (chunk->size() < kListChunk)
                    break;
                after = RecordListKey{chunk->constLast().measured, chunk->constLast().id};
            }
        }
        QString error;
        if (!output->Commit(&error))
            return Fail(ExitFailed, error);
        Note(Text::tr("%1 records").arg(listed));
        return ExitDone;
    }

    // The CSV list: the header once the archive has answered (a failure prints its error
    // alone), then the records as the archive keeps their texts.
    bool ListCsv(const ArchiveFilter& filter, OutputFile& output, qint64& listed)
    {
        RecordListing listing(Store(), filter);
        QHash<qint64, QByteArray> downloads;
        QByteArray bytes;
        for (;;) {
            qsizetype used = 0;
            const std::optional<int> rows =
                listing.Next(kListChunk, [&](const ListedRecord& r, const ListedDownload& d) {
                    auto download = downloads.constFind(r.download);
                    if (download == downloads.constEnd())
                        download =
                            downloads.insert(r.download, QByteArray::number(r.download) + ',' +
                                                             UtcIso(d.endedAt).toUtf8() + ',' +
                                                             CsvField(d.note).toUtf8() + ',');
                    const qsizetype room = RecordCsvRoom(r, *download);
                    if (used + room > bytes.size())
                        bytes.resize(std::max(2 * bytes.size(), used + room));
                    used = WriteRecordCsv(bytes.data() + used, r, *download) - bytes.constData();
                });
            bytes.truncate(used);
            if (!rows)
                return false;
            if (listed == 0)
                output.Write(RecordCsvHeader());
            output.Write(bytes);
            listed += *rows;
            if (*rows < kListChunk)
                return true;
        }
    }

    int Downloads()
    {
        const std::optional<QList<ArchivedDownload>> downloads = Store().Downloads();
        if (!downloads)
            return Fail(ExitFailed, Store().Error());
        const std::unique_ptr<OutputFile> output = OpenListing();
        if (!output)
            return ExitFailed;
        const bool csv = output_.format == RecordFormat::Csv;
        if (csv)
            output->Write(CsvLine(kDownloadHeaders));
        for (const ArchivedDownload& d : *downloads)
            WriteRow(*output, kDownloadHeaders, DownloadFields(d), QStringLiteral("download"),
                     d.id);
        QString error;
        if (!output->Commit(&error))
            return Fail(ExitFailed, error);
        return ExitDone;
    }

    int Import()
    {
        int code = ExitDone;
        for (const QString& file : archive_.files) {
            QString reason;
            const std::optional<QList<QStringList>> rows = ReadRecordFile(file, &reason);
            if (!rows) {
                Fail(ExitFailed, Text::tr("%1 cannot be imported: %2").arg(file, reason));
                code = ExitFailed;
                continue;
            }
            ArchiveSubmission submission;
            submission.facts = DownloadFacts::ForImport(file, static_cast<int>(rows->size()));
            submission.rows = *rows;
            CliKeeping keeping;
            const ArchiveSession::Outcome outcome =
                session_->Submit(submission, [&keeping] { keeping.Release(); });
            if (outcome.delivered > 0)
                Note(Text::tr("delivered %n download(s) that waited on this PC", nullptr,
                              outcome.delivered));
            if (!outcome.result) {
                Fail(ExitFailed, outcome.error);
                code = ExitFailed;
                continue;
            }
            Note(Text::tr("%1: %2 records, %3 new (download %4)")
                     .arg(file)
                     .arg(rows->size())
                     .arg(outcome.result->newRecords)
                     .arg(outcome.result->downloadId));
        }
        return code;
    }

    // The records --record names and those of each --download; nothing on a failure.
    std::optional<QList<qint64>> NamedRecords()
    {
        QList<qint64> records = archive_.assignRecords;
        for (qint64 download : archive_.assignDownloads) {
            const std::optional<QList<qint64>> brought =
                PlaceStore(Store()).RecordIdsOfDownload(download);
            if (!brought)
                return std::nullopt;
            records << *brought;
        }
        return records;
    }

    int Assign()
    {
        const std::optional<QList<qint64>> named = NamedRecords();
        if (!named)
            return Fail(ExitFailed, Store().Error());
        const QList<qint64>& records = *named;
        if (!PlaceStore(Store()).Assign(records, archive_.place))
            return Fail(ExitFailed, Store().Error());
        QList<qint64> distinct = records;
        std::sort(distinct.begin(), distinct.end());
        distinct.erase(std::unique(distinct.begin(), distinct.end()), distinct.end());
        Note(Text::tr("%1 records assigned").arg(distinct.size()));
        return ExitDone;
    }

    // One row of a listing: a CSV line, or a JSON object of the headers (lower case, '_' for
    // blanks) with the row's id under `idKey`.
    void WriteRow(OutputFile& output, const QStringList& headers, const QStringList& fields,
                  const QString& idKey, qint64 id) const
    {
        if (output_.format == RecordFormat::Csv) {
            output.Write(CsvLine(fields));
            return;
        }
        QJsonObject o;
        for (qsizetype i = 0; i < fields.size(); ++i)
            o.insert(QString(headers[i]).toLower().replace(QLatin1Char(' '), QLatin1Char('_')),
                     fields[i]);
        o.insert(idKey, id);
        output.Write(QJsonDocument(o).toJson(QJsonDocument::Compact) + '\n');
    }

    // Every assignment of the places of the records named, or of the downloads' records.
    int Places()
    {
        const std::optional<QList<qint64>> records = NamedRecords();
        if (!records)
            return Fail(ExitFailed, Store().Error());
        const std::optional<QList<PlaceChange>> changes = PlaceStore(Store()).History(*records);
        if (!changes)
            return Fail(ExitFailed, Store().Error());
        const std::unique_ptr<OutputFile> output = OpenListing();
        if (!output)
            return ExitFailed;
        QStringList headers{QStringLiteral("Record"), QStringLiteral("Changed At"),
                            QStringLiteral("Changed By")};
        for (int f = 0; f < RecordPlace::kFields; ++f)
            headers << PlaceFieldHeader(static_cast<RecordPlace::Field>(f));
        for (int f = 0; f < RecordPlace::kFields; ++f)
            headers << QStringLiteral("Earlier ") +
                           PlaceFieldHeader(static_cast<RecordPlace::Field>(f));
        const bool csv = output_.format == RecordFormat::Csv;
        if (csv)
            output->Write(CsvLine(headers));
        for (const PlaceChange& c : *changes)
            WriteRow(*output, headers,
                     QStringList{QString::number(c.recordId), c.changedAt, c.changedBy} +
                         c.after.Texts() + c.before.Texts(),
                     QStringLiteral("record"), c.recordId);
        QString error;
        if (!output->Commit(&error))
            return Fail(ExitFailed, error);
        return ExitDone;
    }

    int Jobs()
    {
        const std::optional<QList<JobSummary>> jobs = PlaceStore(Store()).Jobs();
        if (!jobs)
            return Fail(ExitFailed, Store().Error());
        const std::unique_ptr<OutputFile> output = OpenListing();
        if (!output)
            return ExitFailed;
        const bool csv = output_.format == RecordFormat::Csv;
        if (csv)
            output->Write(
                CsvLine({QStringLiteral("Job"), QStringLiteral("Sites"), QStringLiteral("ONTs"),
                         QStringLiteral("Records"), QStringLiteral("First"), QStringLiteral("Last"),
                         QStringLiteral("Worst")}));
        for (const JobSummary& j : *jobs) {
            const QString worst = j.worst ? VerdictName(*j.worst) : QString();
            if (csv) {
                // Several sites or ONTs in one cell, a line each, as a spreadsheet shows them.
                output->Write(
                    CsvLine({j.job, j.sites.join(QLatin1Char('\n')), j.onts.join(QLatin1Char('\n')),
                             QString::number(j.records), j.firstMeasured, j.lastMeasured, worst}));
                continue;
            }
            const auto textOrNull = [](const QString& t) {
                return t.isEmpty() ? QJsonValue() : QJsonValue(t);
            };
            const QJsonObject o{{QStringLiteral("job"), j.job},
                                {QStringLiteral("sites"), QJsonArray::fromStringList(j.sites)},
                                {QStringLiteral("onts"), QJsonArray::fromStringList(j.onts)},
                                {QStringLiteral("records"), j.records},
                                {QStringLiteral("first"), textOrNull(j.firstMeasured)},
                                {QStringLiteral("last"), textOrNull(j.lastMeasured)},
                                {QStringLiteral("worst"), textOrNull(worst.toLower())}};
            output->Write(QJsonDocument(o).toJson(QJsonDocument::Compact) + '\n');
        }
        QString error;
        if (!output->Commit(&error))
            return Fail(ExitFailed, error);
        return ExitDone;
    }

    // The job's report, drawn by qx390d-job-report beside this tool (drawing takes the GUI's
    // library, which this tool never loads), which reads the job's records itself.
    int Report()
    {
        const QString job = archive_.place.Text(RecordPlace::Job);
        QProcess drawer;
        drawer.setProcessChannelMode(QProcess::SeparateChannels);
        drawer.start(QCoreApplication::applicationDirPath() + QLatin1Char('/') +
                         jobReportDrawerName,
                     JobReportDrawerArguments(Store().Target().Display(), job));
        if (!drawer.waitForStarted(kJobReportLimitMs))
            return Fail(ExitFailed,
                        Text::tr("the report could not be made: %1").arg(drawer.errorString()));
        if (!drawer.waitForFinished(kJobReportLimitMs)) {
            drawer.kill();
            drawer.waitForFinished(kJobReportLimitMs);
            return Fail(
                ExitFailed,
                Text::tr("the report could not be made in %1 s").arg(kJobReportLimitMs / 1000));
        }
        const QByteArray pdf = drawer.readAllStandardOutput();
        if (drawer.exitStatus() != QProcess::NormalExit || drawer.exitCode() != 0 ||
            !pdf.startsWith("%PDF-"))
            return Fail(ExitFailed,
                        QString::fromLocal8Bit(drawer.readAllStandardError()).trimmed());
        OutputFile output(output_.file, out_);
        QString error;
        if (!output.Open(&error) || !output.Write(pdf) || !output.Commit(&error))
            return Fail(ExitFailed, error);
        Note(Text::tr("%1: the report of the job %2").arg(output_.file, job));
        return ExitDone;
    }

    int SetNote()
    {
        const ArchiveOptions& a = archive_;
        if (!Store().SetNote(a.downloadId, a.noteText))
            return Fail(ExitFailed, Store().Error());
        Note(Text::tr("download %1: note set").arg(a.downloadId));
        return ExitDone;
    }

    int Copy()
    {
        QString error;
        const std::optional<ArchiveTarget> to = ChooseArchiveTarget(archive_.copyTo, &error);
        if (!to)
            return Fail(ExitUsage, error);
        if (to->Display() == Store().Target().Display())
            return Fail(ExitUsage, Text::tr("copy --to names the archive itself"));
        const std::optional<QList<ArchiveSubmission>> submissions = Store().Submissions();
        if (!submissions)
            return Fail(ExitFailed, Store().Error());
        ArchiveStore destination(*to);
        int copied = 0;
        int known = 0;
        int newRecords = 0;
        for (const ArchiveSubmission& s : *submissions) {
            const std::optional<ArchiveWriteResult> result = destination.Write(s);
            if (!result)
                return Fail(ExitFailed, Text::tr("copied %1 of %2 downloads, then: %3")
                                            .arg(copied + known)
                                            .arg(submissions->size())
                                            .arg(destination.Error()));
            if (result->alreadyArchived) {
                ++known;
            } else {
                ++copied;
                newRecords += result->newRecords;
            }
        }
        Note(Text::tr("copied %1 downloads (%2 new records) to %3; %4 were there already")
                 .arg(copied)
                 .arg(newRecords)
                 .arg(to->Display())
                 .arg(known));
        return CopyPlaces(destination);
    }

    // The records' places, found in `destination` by the download and row that brought each
    // record first (copied under the same UUID).
    int CopyPlaces(ArchiveStore& destination)
    {
        const std::optional<QList<PlacedRecord>> placed = PlaceStore(Store()).PlacedRecords();
        if (!placed)
            return Fail(ExitFailed, Store().Error());
        QHash<QUuid, QList<const PlacedRecord*>> byDownload;
        for (const PlacedRecord& p : *placed)
            byDownload[p.download] << &p;
        QList<QPair<RecordPlace, QList<qint64>>> byPlace;
        for (auto d = byDownload.cbegin(); d != byDownload.cend(); ++d) {
            QList<int> positions;
            for (const PlacedRecord* p : d.value())
                positions << p->position;
            const std::optional<QList<qint64>> ids =
                PlaceStore(destination).RecordIdsAt(d.key(), positions);
            if (!ids)
                return Fail(
                    ExitFailed,
                    Text::tr("the records' places were not copied: %1").arg(destination.Error()));
            for (qsizetype i = 0; i < ids->size(); ++i) {
                const RecordPlace& place = d.value()[i]->place;
                auto group = std::find_if(byPlace.begin(), byPlace.end(),
                                          [&](const auto& g) { return g.first == place; });
                if (group == byPlace.end())
                    byPlace.append({place, {(*ids)[i]}});
                else
                    group->second << (*ids)[i];
            }
        }
        for (const auto& [place, ids] : std::as_const(byPlace))
            if (!PlaceStore(destination).Assign(ids, place))
                return Fail(
                    ExitFailed,
                    Text::tr("the records' places were not copied: %1").arg(destination.Error()));
        if (!placed->isEmpty())
            Note(Text::tr("copied the places of %1 records").arg(placed->size()));
        return ExitDone;
    }

    // The downloads that wait on this PC for an archive not reached yet: listed, or sent
    // on purpose to --send-to (each marked delivered once that archive has it).
    int Pending()
    {
        const QString path = DefaultArchivePath();
        std::optional<QList<PendingSubmission>> pending = QList<PendingSubmission>();
        ArchiveStore local(ArchiveTarget::SqliteFile(path));
        // Nothing waits where there is no file; it is not created for this.
        if (QFileInfo::exists(path) && !(pending = PendingQueue(local).Pending(QString())))
            return Fail(ExitFailed, local.Error());
        if (!archive_.sendTo.isEmpty())
            return SendPending(local, *pending);
        if (!archive_.discard.isEmpty())
            return DiscardPending(local, *pending);
        const std::unique_ptr<OutputFile> output = OpenListing();
        if (!output)
            return ExitFailed;
        // Which archive each is meant for: its identity (empty while not known) and where it
        // was last seen.
        const QStringList headers{QStringLiteral("UUID"),    QStringLiteral("Ended"),
                                  QStringLiteral("Source"),  QStringLiteral("Records"),
                                  QStringLiteral("Archive"), QStringLiteral("Location"),
                                  QStringLiteral("Reason")};
        const bool csv = output_.format == RecordFormat::Csv;
        if (csv)
            output->Write(CsvLine(headers));
        for (const PendingSubmission& p : *pending) {
            const QStringList fields{p.submission.facts.uuid.toString(QUuid::WithoutBraces),
                                     UtcIso(p.submission.facts.when),
                                     p.submission.facts.fromFile ? QStringLiteral("file")
                                                                 : QStringLiteral("meter"),
                                     QString::number(p.submission.rows.size()),
                                     p.archive,
                                     p.location,
                                     p.reason.isEmpty() ? Text::tr("not sent yet") : p.reason};
            if (csv) {
                output->Write(CsvLine(fields));
                continue;
            }
            QJsonObject o;
            for (qsizetype i = 0; i < fields.size(); ++i)
                o.insert(headers[i].toLower(), fields[i]);
            output->Write(QJsonDocument(o).toJson(QJsonDocument::Compact) + '\n');
        }
        QString error;
        if (!output->Commit(&error))
            return Fail(ExitFailed, error);
        Note(Text::tr("%1 downloads wait on this PC (%2)").arg(pending->size()).arg(path));
        return ExitDone;
    }

    // The user's own copy of a download no archive took: let go only when asked twice.
    int DiscardPending(ArchiveStore& local, const QList<PendingSubmission>& pending)
    {
        const QUuid uuid(archive_.discard);
        const auto kept = std::find_if(pending.cbegin(), pending.cend(), [&](const auto& p) {
            return !uuid.isNull() && p.submission.facts.uuid == uuid;
        });
        if (kept == pending.cend())
            return Fail(ExitFailed, Text::tr("no download %1 waits on this PC (archive pending "
                                             "lists them)")
                                        .arg(archive_.discard));
        const QString what = Text::tr("download %1 (%2 records, kept %3)")
                                 .arg(archive_.discard)
                                 .arg(kept->submission.rows.size())
                                 .arg(UtcIso(kept->submission.facts.when));
        if (!archive_.yes)
            return Fail(ExitUsage, Text::tr("discarding %1 deletes this PC's only copy of it; "
                                            "add --yes to go ahead")
                                       .arg(what));
        // Kept for several locations, it waits once per location: every entry goes.
        for (const PendingSubmission& p : pending)
            if (p.submission.facts.uuid == uuid && !PendingQueue(local).RemovePending(p.id))
                return Fail(ExitFailed, local.Error());
        Note(Text::tr("discarded %1").arg(what));
        return ExitDone;
    }

    int SendPending(ArchiveStore& local, const QList<PendingSubmission>& pending)
    {
        QString error;
        const std::optional<ArchiveTarget> to = ChooseArchiveTarget(archive_.sendTo, &error);
        if (!to)
            return Fail(ExitUsage, error);
        ArchiveStore destination(*to);
        int sent = 0;
        for (const PendingSubmission& p : pending) {
            // Written (or found there by UUID), then marked delivered.
            if (!destination.Write(p.submission))
                return Fail(ExitFailed, Text::tr("sent %1 of %2 downloads, then: %3")
                                            .arg(sent)
                                            .arg(pending.size())
                                            .arg(destination.Error()));
            if (!PendingQueue(local).RemovePending(p.id))
                return Fail(ExitFailed, local.Error());
            ++sent;
        }
        Note(Text::tr("sent %n download(s) kept on this PC to %1", nullptr, sent)
                 .arg(to->Display()));
        return ExitDone;
    }

    const ArchiveOptions& archive_;
    const ArchiveOutput& output_;
    QIODevice& out_;
    QIODevice& err_;
    std::unique_ptr<ArchiveSession> session_;
};

} // namespace

bool ReadArchiveOption(const QString& name, const QString& value, ArchiveOptions& options,
                       QString* error)
{
    if (name == QLatin1String("--archive")) {
        options.location = value;
    } else if (name == QLatin1String("--archive-service")) {
        options.service = value;
    } else if (name == QLatin1String("--since") || name == QLatin1String("--until")) {
        if (FilterBoundIso(value, false).isEmpty())
            *error = Text::tr("%1: '%2' is not a date (2022-09-20) or date-time "
                              "(2022-09-20T13:11)")
                         .arg(name, value);
        (name == QLatin1String("--since") ? options.since : options.until) = value;
    } else if (name == QLatin1String("--group")) {
        if (value != QLatin1String("1") && value != QLatin1String("2") &&
            value != QLatin1String("3"))
            *error = Text::tr("--group: '%1' is not 1, 2 or 3").arg(value);
        options.group = value.toInt();
    } else if (name == QLatin1String("--verdict")) {
        if (value.compare(QLatin1String("none"), Qt::CaseInsensitive) == 0)
            options.verdict = QString();
        else if (const QString v = VerdictOption(value); !v.isEmpty())
            options.verdict = v;
        else
            *error =
                Text::tr("--verdict: '%1' is not pass, marginal, over, fail or none").arg(value);
    } else if (name == QLatin1String("--to")) {
        options.copyTo = value;
    } else if (name == QLatin1String("--note")) {
        options.note = value;
    } else if (name == QLatin1String("--send-to")) {
        options.sendTo = value;
    } else if (name == QLatin1String("--discard")) {
        options.discard = value;
    } else if (name == QLatin1String("--download") || name == QLatin1String("--record")) {
        bool ok = false;
        const qint64 id = value.toLongLong(&ok);
        if (!ok || id <= 0)
            *error = Text::tr("%1: '%2' is not an id (a number from archive downloads or "
                              "archive list)")
                         .arg(name, value);
        (name == QLatin1String("--download") ? options.assignDownloads : options.assignRecords)
            << id;
    } else if (const std::optional<RecordPlace::Field> field = PlaceOption(name)) {
        options.place[*field] = value;
    } else {
        return false;
    }
    return true;
}

std::optional<qsizetype> ReadArchiveCommand(const QStringList& positional, ArchiveOptions& options,
                                            QString* error)
{
    const QString action = positional.value(1);
    // The actions that take no argument of their own.
    static constexpr std::pair<const char*, ArchiveAction> kPlain[] = {
        {"list", ArchiveAction::List},    {"downloads", ArchiveAction::Downloads},
        {"init", ArchiveAction::Init},    {"pending", ArchiveAction::Pending},
        {"copy", ArchiveAction::Copy},    {"assign", ArchiveAction::Assign},
        {"jobs", ArchiveAction::Jobs},    {"report", ArchiveAction::Report},
        {"places", ArchiveAction::Places}};
    for (const auto& [name, plain] : kPlain) {
        if (action == QLatin1String(name)) {
            options.action = plain;
            return 2;
        }
    }
    if (action == QLatin1String("import")) {
        options.action = ArchiveAction::Import;
        options.files = positional.mid(2);
        if (options.files.isEmpty()) {
            *error = Text::tr("archive import needs a FILE");
            return std::nullopt;
        }
        return positional.size();
    }
    if (action == QLatin1String("note")) {
        options.action = ArchiveAction::Note;
        bool ok = false;
        options.downloadId = positional.value(2).toLongLong(&ok);
        if (!ok || options.downloadId <= 0 || positional.size() < 4) {
            *error = Text::tr("archive note needs a DOWNLOAD_ID (a number from archive "
                              "downloads) and a TEXT");
            return std::nullopt;
        }
        options.noteText = positional[3];
        return 4;
    }
    *error = action.isEmpty()
                 ? Text::tr("archive needs list, downloads, import, note, copy, init, pending, "
                            "assign, places, jobs or report")
                 : Text::tr("archive: '%1' is not list, downloads, import, note, copy, init, "
                            "pending, assign, places, jobs or report")
                       .arg(action);
    return std::nullopt;
}

QString CheckArchiveCombination(const ArchiveOptions& a, const ArchiveUse& use)
{
    const bool archive = use.archiveCommand;
    const bool lists =
        archive &&
        (a.action == ArchiveAction::List || a.action == ArchiveAction::Downloads ||
         a.action == ArchiveAction::Jobs || a.action == ArchiveAction::Places ||
         (a.action == ArchiveAction::Pending && a.sendTo.isEmpty() && a.discard.isEmpty()));
    if (a.where.bothOptions)
        return a.where.error;
    if (archive && a.off)
        return Text::tr("--no-archive leaves nothing for archive to work on");
    if (archive && use.meter)
        return Text::tr("archive does not use the meter; --port and --demo are for "
                        "its commands");
    const bool report = archive && a.action == ArchiveAction::Report;
    if (archive && use.output && !lists && !report)
        return Text::tr("-o is for archive list, archive downloads, archive pending, "
                        "archive places, archive jobs and archive report");
    if (archive && use.format && !lists)
        return Text::tr("--format is for archive list, archive downloads, archive pending, "
                        "archive places and archive jobs");
    const bool filters = !a.since.isEmpty() || !a.until.isEmpty() || a.group || a.verdict;
    if (filters && !(archive && a.action == ArchiveAction::List))
        return Text::tr("--since, --until, --group and --verdict are for archive list");
    if (!a.note.isEmpty() && !(archive && a.action == ArchiveAction::List))
        return Text::tr("--note is for archive list");
    if (archive && a.action == ArchiveAction::Copy && a.copyTo.isEmpty())
        return Text::tr("archive copy needs --to URL");
    if (!a.copyTo.isEmpty() && !(archive && a.action == ArchiveAction::Copy))
        return Text::tr("--to is for archive copy");
    if (!a.sendTo.isEmpty() && !(archive && a.action == ArchiveAction::Pending))
        return Text::tr("--send-to is for archive pending");
    if (!a.discard.isEmpty() && !(archive && a.action == ArchiveAction::Pending))
        return Text::tr("--discard is for archive pending");
    if (!a.discard.isEmpty() && !a.sendTo.isEmpty())
        return Text::tr("--discard and --send-to exclude each other");
    const bool assign = archive && a.action == ArchiveAction::Assign;
    const bool places = archive && a.action == ArchiveAction::Places;
    const bool ids = !a.assignDownloads.isEmpty() || !a.assignRecords.isEmpty();
    if (ids && !assign && !places)
        return Text::tr("--download and --record are for archive assign and archive places");
    if (places && !ids)
        return Text::tr("archive places needs the records: --download ID or --record ID");
    const RecordPlace& p = a.place;
    if ((p[RecordPlace::Site] || p[RecordPlace::PonPort] || p[RecordPlace::Technician]) && !assign)
        return Text::tr("--site, --pon-port and --technician are for archive assign");
    if (p[RecordPlace::Ont] && !(assign || (archive && a.action == ArchiveAction::List)))
        return Text::tr("--ont is for archive list and archive assign");
    if (p[RecordPlace::Job] && !(assign || report || (archive && a.action == ArchiveAction::List)))
        return Text::tr("--job is for archive list, archive assign and archive report");
    if (report && (!p[RecordPlace::Job] || !use.output))
        return Text::tr("archive report needs --job TEXT and -o FILE.pdf");
    if (assign && !ids)
        return Text::tr("archive assign needs the records: --download ID or --record ID");
    if (assign && p == RecordPlace())
        return Text::tr("archive assign needs what to set: --job, --site, --ont, --pon-port or "
                        "--technician");
    return {};
}

int RunArchiveCommand(const ArchiveOptions& options, const ArchiveOutput& output, QIODevice& out,
                      QIODevice& err)
{
    return ArchiveRun(options, output, out, err).Run();
}

struct CliDownloadKeeping::Private
{
    explicit Private(const ArchiveTarget& target) : session(target) {}

    ArchiveSession session;
    ArchiveSubmission submission;
    ArchiveSession::Outcome kept;
    bool keptTried = false;
};

CliDownloadKeeping::CliDownloadKeeping(const ArchiveTarget& target, const QString& port,
                                       const PortIdentity& identity, DownloadEnding ending,
                                       int expected, const QList<QStringList>& rows,
                                       const ThresholdTable& limits)
    : d_(std::make_unique<Private>(target))
{
    d_->submission.facts =
        DownloadFacts::ForMeter(port, identity, ending, expected, static_cast<int>(rows.size()));
    d_->submission.rows = rows;
    d_->submission.limits = limits;
}

CliDownloadKeeping::~CliDownloadKeeping() = default;

bool CliDownloadKeeping::Keep(QIODevice& err)
{
    d_->keptTried = true;
    {
        // A signal waits until the download is committed on this PC.
        CliKeeping keeping;
        d_->kept = d_->session.Journal(d_->submission);
    }
    if (d_->kept.result || d_->kept.queued)
        return true;
    if (d_->session.Store().Target().IsServer()) {
        // This PC cannot queue it: the server is tried at once, before anything is said.
        d_->kept = d_->session.Submit(d_->submission);
        if (d_->kept.result)
            return true;
    }
    err.write("qx390d-cli: " + d_->kept.error.toLocal8Bit() + '\n');
    return false;
}

bool CliDownloadKeeping::Send(bool quiet, QIODevice& err)
{
    if (!d_->keptTried && !Keep(err))
        return false;
    ArchiveSession::Outcome outcome = d_->kept;
    if (outcome.queued)
        outcome = d_->session.Deliver(d_->submission);
    if (!outcome.result) {
        if (!outcome.error.isEmpty() && outcome.queued)
            err.write("qx390d-cli: " + outcome.error.toLocal8Bit() + '\n');
        return outcome.queued;
    }
    if (!quiet)
        err.write(Text::tr("archived %1 records, %2 new (download %3)\n")
                      .arg(d_->submission.rows.size())
                      .arg(outcome.result->newRecords)
                      .arg(outcome.result->downloadId)
                      .toLocal8Bit());
    return true;
}
