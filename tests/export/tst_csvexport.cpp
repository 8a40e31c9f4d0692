// The export as the operator sees it: the save dialog, the bytes of the file, the name it
// is written under, the replace question, and files that cannot be written. The workbook
// export shares all but the bytes (its cells are tst_sheetimport's round trip; its printed
// page is read back here).
#include "ShownBoxes.h"
#include "TestSupport.h"
#include "export/CsvExport.h"
#include "export/XlsxExport.h"
#include "records/RecordPlace.h"
#include "records/RecordTable.h"
#include "sheets/Sheet.h"
#include "sheets/SheetImport.h"
#include "sheets/XlsxSheet.h"

#include <QDir>
#include <QFile>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTest>
#include <csignal>
#include <minizip/unzip.h>
#include <sys/resource.h>
#include <sys/stat.h>

namespace {

const QByteArray kHeader =
    "No.,ONT:1270nm,ONT:1310nm,OLT:1490nm,OLT:1577nm,Threshold Name,Date-Time,\r\n";
const QByteArray kOld = "old\r\n";
const QString kSucceeded = QStringLiteral("Data has already been successfully exported.");

void WriteAll(const QString& path, const QByteArray& bytes)
{
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly));
    QCOMPARE(file.write(bytes), bytes.size());
}

// One member of a zip archive; empty when it is not there.
QByteArray ZipMember(const QString& archive, const char* member)
{
    QByteArray content;
    unzFile zip = unzOpen64(QFile::encodeName(archive).constData());
    if (zip && unzLocateFile(zip, member, 0) == UNZ_OK && unzOpenCurrentFile(zip) == UNZ_OK) {
        char buffer[4096];
        int got = 0;
        while ((got = unzReadCurrentFile(zip, buffer, sizeof buffer)) > 0)
            content.append(buffer, got);
        unzCloseCurrentFile(zip);
    }
    if (zip)
        unzClose(zip);
    return content;
}

} // namespace

class TestCsvExport : public QObject
{
    Q_OBJECT

public:
    // Exports with `name` (in the temporary folder) chosen in the dialog; empty cancels.
    void Export(const QString& name, bool workbook = false)
    {
        dialogs.savePath = name.isEmpty() ? QString() : dir->filePath(name);
        if (workbook)
            ExportRecordWorkbook(table.Texts(), prompter, dialogs, nullptr, exportPath);
        else
            ExportRecordTable(table.Texts(), prompter, dialogs, nullptr, exportPath);
    }
    QStringList Files() const { return QDir(dir->path()).entryList(QDir::Files | QDir::Hidden); }

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

    // UTF-8 without a byte-order mark, CR LF, every field followed by a comma.
    void fileHoldsTheTable_data()
    {
        QTest::addColumn<QList<QStringList>>("rows");
        QTest::addColumn<QByteArray>("lines");
        QTest::newRow("empty table") << QList<QStringList>{} << QByteArray();
        QTest::newRow("two records")
            << QList<QStringList>{{"   1", "   -12.30", "LOW", "   -20.50", "   -45.99", "2",
                                   "2012-5-7 9:03"},
                                  {"   2", "LOW", "   3.00", "LOW", "   -0.50", "3",
                                   "2023-11-30 23:45"}}
            << QByteArray("   1,   -12.30,LOW,   -20.50,   -45.99,2,2012-5-7 9:03,\r\n"
                          "   2,LOW,   3.00,LOW,   -0.50,3,2023-11-30 23:45,\r\n");
        QTest::newRow("comma, quote, non-ASCII")
            << QList<QStringList>{{"1,5", "say \"hi\"", "序号", "", "", "", ""}}
            << QByteArray("\"1,5\",\"say \"\"hi\"\"\",\xE5\xBA\x8F\xE5\x8F\xB7,,,,,\r\n");
        QTest::newRow("line breaks") << QList<QStringList>{{"1", "a\rb", "c\nd", "", "", "", ""}}
                                     << QByteArray("1,\"a\rb\",\"c\nd\",,,,,\r\n");
    }
    void fileHoldsTheTable()
    {
        QFETCH(QList<QStringList>, rows);
        QFETCH(QByteArray, lines);
        for (const QStringList& texts : rows) {
            const int row = table.RowCount();
            table.InsertRow(row, texts[0]);
            for (int c = 1; c < texts.size(); ++c)
                table.SetCellText(row, c, texts[c]);
        }
        Export(QStringLiteral("records.csv"));
        QCOMPARE(FileBytes(dir->filePath(QStringLiteral("records.csv"))), kHeader + lines);
        QCOMPARE(ShownBoxes(prompter),
                 QStringList{BoxLine(kSucceeded, Prompter::Ok, Prompter::Icon::Information)});

        // A listing writes the same lines from the texts' UTF-8.
        QByteArray listed;
        for (const QStringList& texts : rows) {
            for (const QString& text : texts) {
                const QByteArray utf8 = text.toUtf8();
                QByteArray field(CsvFieldRoom(utf8.size()), '\0');
                field.truncate(WriteCsvField(field.data(), utf8) - field.constData());
                listed += field + ',';
            }
            listed += "\r\n";
        }
        QCOMPARE(listed, lines);
    }

    // ".csv" (".xlsx" for a workbook) is appended unless the name ends in exactly that; the
    // dialog asked about the name it returned, the program asks about the name with the
    // extension appended.
    void nameAndReplaceQuestion_data()
    {
        QTest::addColumn<QString>("chosen");
        QTest::addColumn<bool>("exists");
        QTest::addColumn<int>("answer"); // 0: not asked
        QTest::addColumn<QString>("written");
        QTest::newRow("report") << "report" << false << 0 << "report.csv";
        QTest::newRow("a.txt") << "a.txt" << false << 0 << "a.txt.csv";
        QTest::newRow("DATA.CSV") << "DATA.CSV" << false << 0 << "DATA.CSV.csv";
        QTest::newRow("chosen x.csv replaced") << "x.csv" << true << 0 << "x.csv";
        QTest::newRow("report.csv exists, Yes")
            << "report" << true << int(Prompter::Yes) << "report.csv";
        QTest::newRow("report.csv exists, No")
            << "report" << true << int(Prompter::No) << "report.csv";
        QTest::newRow("workbook DATA.XLSX") << "DATA.XLSX" << false << 0 << "DATA.XLSX.xlsx";
        QTest::newRow("workbook report.xlsx exists, Yes")
            << "report" << true << int(Prompter::Yes) << "report.xlsx";
        QTest::newRow("workbook report.xlsx exists, No")
            << "report" << true << int(Prompter::No) << "report.xlsx";
    }
    void nameAndReplaceQuestion()
    {
        QFETCH(QString, chosen);
        QFETCH(bool, exists);
        QFETCH(int, answer);
        QFETCH(QString, written);
        const QString path = dir->filePath(written);
        if (exists)
            WriteAll(path, kOld);
        if (answer)
            prompter.answers = {Prompter::Button(answer)};
        const bool workbook = written.endsWith(QLatin1String(".xlsx"));

        Export(chosen, workbook);

        const bool replaced = answer != Prompter::No;
        QStringList boxes;
        if (answer)
            boxes << BoxLine(path + " already exist.\r\nIs to replace it?",
                             Prompter::Yes | Prompter::No);
        if (replaced)
            boxes << BoxLine(kSucceeded, Prompter::Ok, Prompter::Icon::Information);
        QCOMPARE(ShownBoxes(prompter), boxes);
        QCOMPARE(exportPath, path);
        const QByteArray content = FileBytes(path);
        if (!replaced)
            QCOMPARE(content, kOld);
        else if (workbook)
            QVERIFY(content.startsWith("PK\x03\x04")); // a zip archive
        else
            QCOMPARE(content, kHeader);
        QCOMPARE(Files(), QStringList{written});
    }

    void fileThatCannotBeOpenedIsLeftAlone_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("obstacle");
        QTest::newRow("open in LibreOffice") << "data.csv"
                                             << "lock";
        QTest::newRow("workbook open in LibreOffice") << "data.xlsx"
                                                      << "lock";
        QTest::newRow("read-only file") << "data.csv"
                                        << "file";
        QTest::newRow("read-only folder") << "data.csv"
                                          << "folder";
        // Renaming a temporary file over it would make it a regular file.
        QTest::newRow("a FIFO") << "data.csv"
                                << "fifo";
    }
    void fileThatCannotBeOpenedIsLeftAlone()
    {
        QFETCH(QString, name);
        QFETCH(QString, obstacle);
        const QString target = dir->filePath(name);
        const QByteArray path = QFile::encodeName(target);
        const bool fifo = obstacle == QLatin1String("fifo");
        if (fifo)
            QCOMPARE(::mkfifo(path.constData(), 0600), 0);
        else
            WriteAll(target, kOld);
        if (obstacle == QLatin1String("lock"))
            WriteAll(dir->filePath(QStringLiteral(".~lock.") + name + QLatin1Char('#')),
                     "locked\n");
        else if (obstacle == QLatin1String("file"))
            QFile::setPermissions(target, QFile::ReadOwner | QFile::ReadGroup | QFile::ReadOther);
        else if (obstacle == QLatin1String("folder"))
            QFile::setPermissions(dir->path(), QFile::ReadOwner | QFile::ExeOwner);

        Export(name, name.endsWith(QLatin1String(".xlsx")));

        const QString inUse = QStringLiteral(
            "The file can\u2019t be saved.\r\nBecause it is being opened by other program.\r\n"
            "Please be sure to close this file firstly!");
        QCOMPARE(ShownBoxes(prompter),
                 QStringList{BoxLine(inUse, Prompter::Ok, Prompter::Icon::Information)});
        struct stat info;
        QCOMPARE(::lstat(path.constData(), &info), 0);
        QCOMPARE(info.st_mode & S_IFMT, fifo ? S_IFIFO : S_IFREG);
        if (!fifo)
            QCOMPARE(FileBytes(target), kOld);
    }

    // Landscape, one page wide and as many high as needed, the header row on every page;
    // "LOW" lines up with the numbers beside it.
    void workbookPrintsOnePageWideWithTheHeaderOnEveryPage()
    {
        table.InsertRow(0, QStringLiteral("   1"));
        table.SetCellText(0, 1, QStringLiteral("LOW"));
        table.SetCellText(0, 2, QStringLiteral("   -12.30"));
        Export(QStringLiteral("records.xlsx"), true);
        const QString path = dir->filePath(QStringLiteral("records.xlsx"));

        const QString sheet = QString::fromUtf8(ZipMember(path, "xl/worksheets/sheet1.xml"));
        // fitToWidth is 1 when it is left out.
        QVERIFY2(sheet.contains(QLatin1String("<pageSetUpPr fitToPage=\"1\"/>")) &&
                     sheet.contains(
                         QLatin1String("<pageSetup fitToHeight=\"0\" orientation=\"landscape\"/>")),
                 qPrintable(sheet));
        QVERIFY(ZipMember(path, "xl/workbook.xml")
                    .contains("<definedName name=\"_xlnm.Print_Titles\" localSheetId=\"0\">"
                              "Sheet1!$1:$1</definedName>"));
        const QRegularExpressionMatch low =
            QRegularExpression(QStringLiteral("<c r=\"B2\" s=\"(\\d+)\" t=\"s\">")).match(sheet);
        QVERIFY2(low.hasMatch(), qPrintable(sheet));
        // The cell's format is the s-th of the styles' cell formats.
        const QString formats = QString::fromUtf8(ZipMember(path, "xl/styles.xml"))
                                    .section(QLatin1String("<cellXfs"), 1)
                                    .section(QLatin1String("</cellXfs>"), 0, 0);
        const QString format =
            formats.split(QLatin1String("<xf ")).value(low.captured(1).toInt() + 1);
        QVERIFY2(format.contains(QLatin1String("<alignment horizontal=\"right\"/>")),
                 qPrintable(formats));
    }

    // Texts given records in the archive follow the seven columns as text cells, whatever
    // they look like; the import reads the same table from the workbook with them as without.
    void workbookCarriesGivenPlacesAfterTheRecordsColumns()
    {
        table.InsertRow(0, QStringLiteral("   1"));
        table.SetCellText(0, 1, QStringLiteral("   -12.30"));
        table.InsertRow(1, QStringLiteral("   2"));
        RecordPlace place;
        place[RecordPlace::Job] = QStringLiteral("2026-01-02");
        place[RecordPlace::Ont] = QStringLiteral("000123");
        place[RecordPlace::PonPort] = QStringLiteral("=1+1");
        const TableTexts plain = table.Texts();
        QCOMPARE(WithPlaceColumns(plain, {RecordPlace(), RecordPlace()}).headers, plain.headers);
        const TableTexts placed = WithPlaceColumns(plain, {place, RecordPlace()});
        QCOMPARE(placed.headers.mid(7),
                 (QStringList{"Job", "Site", "ONT", "PON Port", "Technician"}));
        QCOMPARE(placed.rows[0].mid(7), (QStringList{"2026-01-02", "", "000123", "=1+1", ""}));

        const std::optional<QByteArray> with = BuildXlsx(placed);
        const std::optional<QByteArray> without = BuildXlsx(plain);
        QVERIFY(with && without);
        QString reason;
        const std::unique_ptr<Sheet> read = ReadXlsxSheet(*with, &reason);
        const std::unique_ptr<Sheet> readPlain = ReadXlsxSheet(*without, &reason);
        QVERIFY2(read && readPlain, qPrintable(reason));
        QCOMPARE(RecordRows(*read), RecordRows(*readPlain));

        const QString path = dir->filePath(QStringLiteral("placed.xlsx"));
        WriteAll(path, *with);
        const QString sheet = QString::fromUtf8(ZipMember(path, "xl/worksheets/sheet1.xml"));
        for (const char* cell : {"H2", "J2", "K2"})
            QVERIFY2(sheet.contains(QStringLiteral("<c r=\"%1\" t=\"s\">").arg(cell)),
                     qPrintable(sheet));
        const QByteArray strings = ZipMember(path, "xl/sharedStrings.xml");
        for (const char* text : {"2026-01-02", "000123", "=1+1", "PON Port"})
            QVERIFY2(strings.contains(text), strings.constData());
    }

    void writeFailureKeepsTheOldFileAndReportsAnError()
    {
        const QString target = dir->filePath(QStringLiteral("data.csv"));
        WriteAll(target, kOld);
        // Files may grow to 64 bytes, less than the header line; writing past that fails
        // with EFBIG (reported as a write error, not as a signal that ends the test).
        rlimit saved{};
        getrlimit(RLIMIT_FSIZE, &saved);
        rlimit limit = saved;
        limit.rlim_cur = 64;
        const auto oldHandler = std::signal(SIGXFSZ, SIG_IGN);
        setrlimit(RLIMIT_FSIZE, &limit);
        Export(QStringLiteral("data.csv"));
        setrlimit(RLIMIT_FSIZE, &saved);
        std::signal(SIGXFSZ, oldHandler);
        const QString failed = QStringLiteral("The data could not be written completely; the "
                                              "file has been left as it was.\r\n");
        QCOMPARE(ShownBoxes(prompter),
                 QStringList{BoxLine(failed + target, Prompter::Ok, Prompter::Icon::Warning)});
        QCOMPARE(FileBytes(target), kOld);
        // No half-written temporary file is left behind.
        QCOMPARE(Files(), QStringList{QStringLiteral("data.csv")});
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
