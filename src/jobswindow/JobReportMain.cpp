// qx390d-job-report: draws a job's report for qx390d-cli, which loads no GUI library itself
// (it runs on servers without a display): reads the job's records from the archive and
// writes the PDF document to standard output.

#include "archive/location/ArchiveTarget.h"
#include "archive/store/ArchiveStore.h"
#include "common/ProgramTranslations.h"
#include "jobswindow/JobReportPdf.h"

#include <QApplication>
#include <QFile>
#include <cstdio>

namespace {

// Records read from the archive per query.
constexpr int kChunk = 10000;

int Fail(int code, const QString& message)
{
    std::fprintf(stderr, "%s\n", qPrintable(message));
    return code;
}

} // namespace

int main(int argc, char* argv[])
{
    // Drawn off screen: no window is ever shown, and no display is needed. Qt's own notes
    // (a missing runtime folder, say) are not for the tool's user: its standard error
    // carries only why a report could not be made.
    qputenv("QT_QPA_PLATFORM", "offscreen");
    qInstallMessageHandler([](QtMsgType, const QMessageLogContext&, const QString&) {});
    QApplication app(argc, argv);
    InstallTranslations(app);
    const QStringList args = QCoreApplication::arguments();
    if (args.size() != 5 || args[1] != QLatin1String("--archive") ||
        args[3] != QLatin1String("--job"))
        return Fail(2, QStringLiteral("usage: qx390d-job-report --archive LOCATION --job TEXT"));
    QString error;
    const std::optional<ArchiveTarget> target = ChooseArchiveTarget(args[2], &error);
    if (!target)
        return Fail(2, error);
    ArchiveStore store(*target);
    store.SetMustExist(true);
    ArchiveFilter filter;
    filter.job = args[4];
    QList<ArchivedRecord> records;
    std::optional<RecordListKey> after;
    for (;;) {
        const std::optional<QList<ArchivedRecord>> chunk = store.Records(filter, after, kChunk);
        if (!chunk)
            return Fail(1, store.Error());
        records << *chunk;
        if (chunk->size() < kChunk)
            break;
        after = RecordListKey{chunk->constLast().measured, chunk->constLast().id};
    }
    if (records.isEmpty())
        return Fail(
            1,
            QCoreApplication::translate("JobReport", "no record has the job '%1'").arg(filter.job));
    const std::optional<QByteArray> pdf =
        BuildJobReport(GatherJobReport(filter.job, records), QDateTime::currentDateTime());
    if (!pdf)
        return Fail(1, QCoreApplication::translate("JobReport", "the report could not be made"));
    QFile out;
    if (!out.open(stdout, QIODevice::WriteOnly) || out.write(*pdf) != pdf->size() || !out.flush())
        return Fail(1, QCoreApplication::translate("JobReport",
                                                   "cannot write the report to standard output"));
    return 0;
}
