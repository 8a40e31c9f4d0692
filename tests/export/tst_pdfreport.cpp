// The PDF report of a fixed table, read back with poppler's tools: pages, the facts and the
// verdict summary in its text, the chart as vector graphics; and its export with the
// export's rules.
#include "FakePrompter.h"
#include "TestSupport.h"
#include "common/ExportFile.h"
#include "common/ProgramFacts.h"
#include "export/PdfReport.h"
#include "records/RecordTable.h"
#include "thresholds/ThresholdTable.h"

#include <QFile>
#include <QFileInfo>
#include <QImage>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTest>

namespace {

// Group 1 known (Over -8, Pass -27, Fail -28 on every channel); group 2 is not.
ThresholdTable Thresholds()
{
    ThresholdTable table;
    StoreThresholdAnswer(table, 1, {1, {-8, -27, -28, -8, -27, -28}, {}});
    StoreThresholdAnswer(table, 2, {1, {-8, -27, -28}, {}});
    StoreThresholdAnswer(table, 3, {1, {-8, -27, -28}, {}});
    return table;
}

// Two pass, one marginal, one over, one fail, one of the unknown group 2.
void Fill(RecordTable& table)
{
    const QList<QStringList> rows{
        {"   1", "   -12.00", "   -15.00", "   -20.00", "   -22.00", "1", "2024-3-1 9:05"},
        {"   2", "   -10.50", "   -26.00", "   -18.00", "   -19.00", "1", "2024-3-1 9:15"},
        {"   3", "   -27.50", "   -15.00", "   -20.00", "   -22.00", "1", "2024-3-1 9:25"},
        {"   4", "   -12.00", "   -5.00", "   -20.00", "   -22.00", "1", "2024-3-1 9:35"},
        {"   5", "LOW", "   -15.00", "LOW", "   -22.00", "1", "2024-3-1 9:45"},
        {"   6", "   -12.00", "   -15.00", "   -20.00", "   -22.00", "2", "2024-3-1 9:55"},
    };
    for (const QStringList& row : rows) {
        const int r = table.RowCount();
        table.InsertRow(r, row[0]);
        for (int c = 1; c < row.size(); ++c)
            table.SetCellText(r, c, row[c]);
    }
}

} // namespace

class TestPdfReport : public QObject
{
    Q_OBJECT

private slots:
    void theReportShowsTheFactsTheSummaryAndTheChart()
    {
        RecordTable table;
        Fill(table);
        ReportFacts facts;
        facts.when = QDateTime(QDate(2024, 3, 2), QTime(10, 30));
        facts.device = QStringLiteral("/dev/ttyACM0");
        facts.meter = {QStringLiteral("5A3B"), 0x1a86, 0x7523};
        facts.login = QStringLiteral("alice");
        facts.note = QStringLiteral("site 7 <north>");
        facts.groupNames = {QStringLiteral("GPON-B+"), QStringLiteral("XGS"), QStringLiteral("3")};
        facts.chart = ChartChoice{1, 3, false};
        const std::optional<QByteArray> pdf = BuildPdfReport(
            RecordTable::Headers(), FixedJudgedTable(table.Judged().rows, Thresholds()), facts);
        QVERIFY(pdf);
        const QTemporaryDir folder;
        const QString path = folder.filePath(QStringLiteral("report.pdf"));
        QFile file(path);
        QVERIFY(file.open(QIODevice::WriteOnly) && file.write(*pdf) == pdf->size());
        file.close();

        QString error;
        const QString info = PopplerOutput(QStringLiteral("pdfinfo"), {path}, &error);
        QVERIFY2(error.isEmpty(), qPrintable(error));
        QVERIFY2(info.contains(QStringLiteral("(A4)")), qPrintable(info));
        QVERIFY(QRegularExpression(QStringLiteral("Pages: +[1-9]")).match(info).hasMatch());

        const QString text =
            PopplerOutput(QStringLiteral("pdftotext"), {path, QStringLiteral("-")}, &error)
                .simplified();
        QVERIFY2(error.isEmpty(), qPrintable(error));
        const QString version = QStringLiteral("Program: qx390d ") + ProgramVersion();
        for (const QString& expected :
             {QStringLiteral("QX390D Power Meter Test Report"),
              QStringLiteral("Date: 2024-03-02 10:30 Device: /dev/ttyACM0 Meter: USB serial "
                             "number 5A3B, vendor 1a86, product 7523 Operator: alice Note: "
                             "site 7 <north> ") +
                  version + QStringLiteral(" Records: 6"),
              QStringLiteral("Pass: 2 Marginal: 1 Over: 1 Fail: 1 No verdict: 1"),
              QStringLiteral("Verdict"), QStringLiteral("1 (GPON-B+)"), QStringLiteral("2 (XGS)"),
              QStringLiteral("Group 1, GPON-B+ (dBm)"), QStringLiteral("Group 2: limits not known"),
              // The chart is text and lines: its title, axis titles and tick labels. The
              // records refer to groups 1 and 2: no one group's lines.
              QStringLiteral("OLT:1490nm; several groups, no limit lines"),
              QStringLiteral("Record number"), QStringLiteral("Power (dBm)"),
              QStringLiteral(" -25 "), QStringLiteral(" -30 ")})
            QVERIFY2(text.contains(expected), qPrintable(expected + QStringLiteral("\n") + text));

        // No raster image anywhere: the listing has its two header lines only.
        const QString images = PopplerOutput(QStringLiteral("pdfimages"), {"-list", path}, &error);
        QVERIFY2(error.isEmpty(), qPrintable(error));
        QCOMPARE(images.trimmed().count(QLatin1Char('\n')), 1);

        // The first page renders, A4 upright.
        PopplerOutput(QStringLiteral("pdftoppm"),
                      {"-png", "-r", "30", "-f", "1", "-l", "1", "-singlefile", path,
                       folder.filePath(QStringLiteral("page"))},
                      &error);
        QVERIFY2(error.isEmpty(), qPrintable(error));
        const QImage page(folder.filePath(QStringLiteral("page.png")));
        QVERIFY(!page.isNull());
        QVERIFY(qAbs(double(page.height()) / page.width() - 297.0 / 210.0) < 0.01);
    }

    void theExportAppendsPdfAndRespectsALockedFile()
    {
        RecordTable table;
        Fill(table);
        FakePrompter prompter;
        FakeFileDialogs dialogs;
        const QTemporaryDir folder;
        dialogs.savePath = folder.filePath(QStringLiteral("site 7"));
        QString exportPath;
        const ReportFacts facts{QDateTime::currentDateTime()};
        const FixedJudgedTable judged(table.Judged().rows, Thresholds());

        ExportRecordReport(RecordTable::Headers(), judged, facts, prompter, dialogs, nullptr,
                           exportPath);
        QCOMPARE(dialogs.filters, QStringList{pdfFilter()});
        QCOMPARE(exportPath, folder.filePath(QStringLiteral("site 7.pdf")));
        QCOMPARE(prompter.Texts(), QStringList{ExportText::Succeeded()});
        QFile written(exportPath);
        QVERIFY(written.open(QIODevice::ReadOnly) && written.read(5) == "%PDF-");
        written.close();

        // Open in another program (its lock file beside it): the report stays as it was.
        QFile lock(folder.filePath(QStringLiteral(".~lock.site 7.pdf#")));
        QVERIFY(lock.open(QIODevice::WriteOnly));
        lock.close();
        const QDateTime before = QFileInfo(exportPath).lastModified();
        prompter.boxes.clear();
        prompter.answers = {Prompter::Yes};
        ExportRecordReport(RecordTable::Headers(), judged, facts, prompter, dialogs, nullptr,
                           exportPath);
        QCOMPARE(prompter.Texts(), QStringList({exportPath + " " + ExportText::ReplaceQuestion(),
                                                ExportText::FileInUse()}));
        QCOMPARE(QFileInfo(exportPath).lastModified(), before);
    }
};

QTEST_MAIN(TestPdfReport)
#include "tst_pdfreport.moc"
