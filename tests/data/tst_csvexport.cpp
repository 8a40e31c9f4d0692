// The CSV file the export writes, the name it is written under, and the export as the
// operator sees it: dialog, replace question, file-in-use and write-failure messages.
#include "FakePrompter.h"
#include "data/CsvExport.h"
#include "data/DataTexts.h"
#include "data/MeasurementRecord.h"
#include "data/RecordTable.h"
#include "sim/VirtualMeter.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>
#include <csignal>
#include <sys/resource.h>

namespace {

const QByteArray kHeaderLine =
    "No.,ONT:1270nm,ONT:1310nm,OLT:1490nm,OLT:1577nm,Threshold Name,Date-Time,\r\n";

void AddRow(RecordTable& table, const QStringList& texts)
{
    const int row = table.RowCount();
    table.InsertRow(row, texts.value(0));
    for (int c = 1; c < texts.size(); ++c)
        table.SetCellText(row, c, texts[c]);
}

// Rows as a download leaves them, from the meter's stored records.
void AddDownloadedRows(RecordTable& table, int count)
{
    const QList<MeterRecord> records = VirtualMeter::GenerateRecords(count, 3);
    for (int i = 0; i < records.size(); ++i) {
        const MeterRecord& r = records[i];
        MeasurementRecord m;
        m.index = static_cast<quint16>(i);
        m.ont1270 = r.ont1270;
        m.ont1310 = r.ont1310;
        m.olt1490 = r.olt1490;
        m.olt1577 = r.olt1577;
        m.thresholdGroup = r.group;
        m.year = r.year;
        m.month = r.month;
        m.day = r.day;
        m.hour = r.hour;
        m.minute = r.minute;
        AddRow(table, m.RowTexts());
    }
}

QByteArray ReadAll(const QString& path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return "<unreadable>";
    return file.readAll();
}

void WriteAll(const QString& path, const QByteArray& bytes)
{
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly));
    QCOMPARE(file.write(bytes), bytes.size());
}

// Files may grow to `bytes` only while it lives; writing past that fails with EFBIG.
class FileSizeLimit
{
public:
    explicit FileSizeLimit(rlim_t bytes)
    {
        getrlimit(RLIMIT_FSIZE, &saved_);
        // The limit is reported as a write error, not as a signal that ends the test.
        oldHandler_ = std::signal(SIGXFSZ, SIG_IGN);
        rlimit limit = saved_;
        limit.rlim_cur = bytes;
        setrlimit(RLIMIT_FSIZE, &limit);
    }
    ~FileSizeLimit()
    {
        setrlimit(RLIMIT_FSIZE, &saved_);
        std::signal(SIGXFSZ, oldHandler_);
    }

private:
    rlimit saved_{};
    void (*oldHandler_)(int) = nullptr;
};

} // namespace

class TestCsvExport : public QObject
{
    Q_OBJECT

public:
    void Export() { ExportRecordTable(table, prompter, dialogs, nullptr, exportPath); }

private Q_SLOTS:
    void init()
    {
        dir = std::make_unique<QTemporaryDir>();
        QVERIFY(dir->isValid());
        prompter = FakePrompter();
        dialogs = FakeFileDialogs();
        table.RemoveAllRows();
        exportPath.clear();
    }

    void cleanup()
    {
        // Let the temporary folder be removed even when a test protected it.
        QFile::setPermissions(dir->path(), QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    }

    void fieldIsQuotedOnlyWhereNeeded_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("field");
        QTest::newRow("number text keeps its blanks") << "   -12.30"
                                                      << "   -12.30";
        QTest::newRow("LOW") << "LOW"
                             << "LOW";
        QTest::newRow("date-time") << "2012-5-7 9:03"
                                   << "2012-5-7 9:03";
        QTest::newRow("empty") << ""
                               << "";
        QTest::newRow("comma") << "1,5"
                               << "\"1,5\"";
        QTest::newRow("quote doubled") << "say \"hi\""
                                       << "\"say \"\"hi\"\"\"";
        QTest::newRow("line feed") << "a\nb"
                                   << "\"a\nb\"";
        QTest::newRow("carriage return") << "a\rb"
                                         << "\"a\rb\"";
        QTest::newRow("blanks around a comma") << " , "
                                               << "\" , \"";
    }
    void fieldIsQuotedOnlyWhereNeeded()
    {
        QFETCH(QString, text);
        QFETCH(QString, field);
        QCOMPARE(CsvField(text), field);
    }

    void emptyTableGivesTheHeaderLineOnly() { QCOMPARE(BuildCsv(table), kHeaderLine); }

    void twoDownloadedRecordsAsLines()
    {
        AddRow(table, {"   1", "   -12.30", "LOW", "   -20.50", "   -45.99", "2", "2012-5-7 9:03"});
        AddRow(table, {"   2", "LOW", "   3.00", "LOW", "   -0.50", "3", "2023-11-30 23:45"});
        const QByteArray expected = kHeaderLine +
                                    "   1,   -12.30,LOW,   -20.50,   -45.99,2,2012-5-7 9:03,\r\n"
                                    "   2,LOW,   3.00,LOW,   -0.50,3,2023-11-30 23:45,\r\n";
        QCOMPARE(BuildCsv(table), expected);
    }

    // Every text a download produces is written exactly as shown: no quotes anywhere.
    void downloadedTextsAreWrittenAsShown()
    {
        AddDownloadedRows(table, 100);
        QByteArray expected = kHeaderLine;
        for (int r = 0; r < table.RowCount(); ++r) {
            for (int c = 0; c < table.ColumnCount(); ++c)
                expected += table.CellText(r, c).toUtf8() + ',';
            expected += "\r\n";
        }
        const QByteArray csv = BuildCsv(table);
        QCOMPARE(csv, expected);
        QVERIFY(!csv.contains('"'));
        QCOMPARE(csv.count("\r\n"), 101);
        QCOMPARE(csv.count('\n'), 101);
    }

    void textIsUtf8WithoutByteOrderMark()
    {
        AddRow(table, {QStringLiteral("序号"), "", "", "", "", "", ""});
        const QByteArray csv = BuildCsv(table);
        QVERIFY(csv.startsWith("No.,"));
        QVERIFY(csv.endsWith("\xE5\xBA\x8F\xE5\x8F\xB7,,,,,,,\r\n"));
    }

    void exportPathAppendsCsv_data()
    {
        QTest::addColumn<QString>("chosen");
        QTest::addColumn<QString>("path");
        QTest::newRow("no extension") << "/tmp/report"
                                      << "/tmp/report.csv";
        QTest::newRow("other extension") << "/tmp/a.txt"
                                         << "/tmp/a.txt.csv";
        QTest::newRow("upper case") << "/tmp/DATA.CSV"
                                    << "/tmp/DATA.CSV.csv";
        QTest::newRow("mixed case") << "/tmp/d.Csv"
                                    << "/tmp/d.Csv.csv";
        QTest::newRow("already .csv") << "/tmp/x.csv"
                                      << "/tmp/x.csv";
    }
    void exportPathAppendsCsv()
    {
        QFETCH(QString, chosen);
        QFETCH(QString, path);
        QCOMPARE(CsvExportPath(chosen), path);
    }

    void cancelledDialogWritesNothing()
    {
        AddDownloadedRows(table, 3);
        dialogs.savePath.clear();
        Export();
        QCOMPARE(dialogs.filters, QStringList{QStringLiteral("Csv  (*.csv)")});
        QVERIFY(prompter.boxes.isEmpty());
        QVERIFY(QDir(dir->path()).isEmpty(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden));
    }

    void writesTheTableAndReportsSuccess_data()
    {
        QTest::addColumn<int>("rows");
        QTest::newRow("empty table") << 0;
        QTest::newRow("five rows") << 5;
        QTest::newRow("hundred rows") << 100;
    }
    void writesTheTableAndReportsSuccess()
    {
        QFETCH(int, rows);
        AddDownloadedRows(table, rows);
        dialogs.savePath = dir->filePath(QStringLiteral("records.csv"));
        Export();
        QCOMPARE(ReadAll(dialogs.savePath), BuildCsv(table));
        QCOMPARE(exportPath, dialogs.savePath);
        QCOMPARE(prompter.boxes.size(), 1);
        const FakePrompter::Box& box = prompter.boxes[0];
        QCOMPARE(box.text, QStringLiteral("Data has already been successfully exported."));
        QCOMPARE(box.caption, QStringLiteral("PON Prompt Message"));
        QCOMPARE(box.buttons, int(Prompter::Ok));
        QCOMPARE(box.icon, Prompter::Icon::Information);
        QCOMPARE(table.RowCount(), rows);
    }

    void chosenCsvNameIsReplacedWithoutAnotherQuestion()
    {
        AddDownloadedRows(table, 2);
        dialogs.savePath = dir->filePath(QStringLiteral("x.csv"));
        WriteAll(dialogs.savePath, "old contents that are longer than the new ones would be\n");
        Export();
        QCOMPARE(prompter.Texts(), QStringList{DataText::ExportSucceeded});
        QCOMPARE(ReadAll(dialogs.savePath), BuildCsv(table));
    }

    void appendedNameIsWrittenWithoutQuestionWhenNew()
    {
        AddDownloadedRows(table, 2);
        dialogs.savePath = dir->filePath(QStringLiteral("report"));
        Export();
        const QString written = dir->filePath(QStringLiteral("report.csv"));
        QCOMPARE(exportPath, written);
        QCOMPARE(ReadAll(written), BuildCsv(table));
        QVERIFY(!QFile::exists(dialogs.savePath));
        QCOMPARE(prompter.Texts(), QStringList{DataText::ExportSucceeded});
    }

    void appendedNameAsksBeforeReplacing_data()
    {
        QTest::addColumn<int>("answer");
        QTest::addColumn<bool>("replaced");
        QTest::newRow("Yes replaces") << int(Prompter::Yes) << true;
        QTest::newRow("No keeps the old file") << int(Prompter::No) << false;
    }
    void appendedNameAsksBeforeReplacing()
    {
        QFETCH(int, answer);
        QFETCH(bool, replaced);
        AddDownloadedRows(table, 2);
        const QString existing = dir->filePath(QStringLiteral("report.csv"));
        const QByteArray old = "old\r\n";
        WriteAll(existing, old);
        dialogs.savePath = dir->filePath(QStringLiteral("report"));
        prompter.answers = {Prompter::Button(answer)};

        Export();

        QVERIFY(!prompter.boxes.isEmpty());
        const FakePrompter::Box& question = prompter.boxes[0];
        QCOMPARE(question.text, existing + QStringLiteral(" already exist.\r\nIs to replace it?"));
        QVERIFY(question.text.endsWith(QStringLiteral("report.csv already exist.\r\nIs to "
                                                      "replace it?")));
        QCOMPARE(question.caption, promptCaption);
        QCOMPARE(question.buttons, int(Prompter::Yes | Prompter::No));
        QCOMPARE(question.icon, Prompter::Icon::None);
        QCOMPARE(exportPath, existing);
        if (replaced) {
            QCOMPARE(ReadAll(existing), BuildCsv(table));
            QCOMPARE(prompter.boxes.size(), 2);
            QCOMPARE(prompter.boxes[1].text, DataText::ExportSucceeded);
        } else {
            QCOMPARE(ReadAll(existing), old);
            QCOMPARE(prompter.boxes.size(), 1);
        }
    }

    void fileThatCannotBeOpenedIsLeftAlone_data()
    {
        QTest::addColumn<QString>("obstacle");
        QTest::newRow("open in LibreOffice") << "lock file";
        QTest::newRow("read-only file") << "read-only file";
        QTest::newRow("read-only folder") << "read-only folder";
        QTest::newRow("folder does not exist") << "missing folder";
        QTest::newRow("name is a folder") << "folder";
    }
    void fileThatCannotBeOpenedIsLeftAlone()
    {
        QFETCH(QString, obstacle);
        AddDownloadedRows(table, 3);
        const QByteArray old = "old\r\n";
        QString target = dir->filePath(QStringLiteral("data.csv"));
        if (obstacle == QLatin1String("lock file")) {
            WriteAll(target, old);
            WriteAll(dir->filePath(QStringLiteral(".~lock.data.csv#")), "locked by someone\n");
        } else if (obstacle == QLatin1String("read-only file")) {
            WriteAll(target, old);
            QFile::setPermissions(target, QFile::ReadOwner | QFile::ReadGroup | QFile::ReadOther);
        } else if (obstacle == QLatin1String("read-only folder")) {
            WriteAll(target, old);
            QFile::setPermissions(dir->path(), QFile::ReadOwner | QFile::ExeOwner);
        } else if (obstacle == QLatin1String("missing folder")) {
            target = dir->filePath(QStringLiteral("gone/data.csv"));
        } else {
            QVERIFY(QDir(dir->path()).mkdir(QStringLiteral("data.csv")));
        }
        dialogs.savePath = target;

        Export();

        QCOMPARE(prompter.boxes.size(), 1);
        const FakePrompter::Box& box = prompter.boxes[0];
        QCOMPARE(box.text, QStringLiteral("The file can\u2019t be saved.\r\nBecause it is being "
                                          "opened by other program.\r\nPlease be sure to close "
                                          "this file firstly!"));
        QCOMPARE(box.caption, promptCaption);
        QCOMPARE(box.buttons, int(Prompter::Ok));
        QCOMPARE(box.icon, Prompter::Icon::Information);
        if (obstacle == QLatin1String("missing folder"))
            QVERIFY(!QFile::exists(target));
        else if (obstacle == QLatin1String("folder"))
            QVERIFY(QFileInfo(target).isDir());
        else
            QCOMPARE(ReadAll(target), old);
    }

    void writeFailureKeepsTheOldFileAndReportsAnError()
    {
        AddDownloadedRows(table, 20);
        const QString target = dir->filePath(QStringLiteral("data.csv"));
        const QByteArray old = "old\r\n";
        WriteAll(target, old);
        dialogs.savePath = target;
        {
            const FileSizeLimit limit(64);
            Export();
        }
        QCOMPARE(prompter.boxes.size(), 1);
        const FakePrompter::Box& box = prompter.boxes[0];
        QCOMPARE(box.text, DataText::WriteFailed + target);
        QCOMPARE(box.caption, promptCaption);
        QCOMPARE(box.buttons, int(Prompter::Ok));
        QCOMPARE(box.icon, Prompter::Icon::Warning);
        QCOMPARE(ReadAll(target), old);
        // No half-written temporary file is left behind.
        QCOMPARE(QDir(dir->path()).entryList(QDir::Files | QDir::Hidden),
                 QStringList{QStringLiteral("data.csv")});
    }

private:
    std::unique_ptr<QTemporaryDir> dir;
    RecordTable table;
    FakePrompter prompter;
    FakeFileDialogs dialogs;
    QString exportPath;
};

QTEST_GUILESS_MAIN(TestCsvExport)
#include "tst_csvexport.moc"
