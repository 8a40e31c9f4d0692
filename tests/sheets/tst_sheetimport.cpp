// The import as the operator sees it: what it reads from CSV text, .xls and .xlsx
// workbooks, the header rule, the 100-record limit, its boxes, files it cannot read and
// what each reader takes at most; how a CSV field is typed; and a workbook export that
// imports back as its CSV export does.
#include "ShownBoxes.h"
#include "TestSupport.h"
#include "export/CsvExport.h"
#include "export/XlsxExport.h"
#include "records/RecordTable.h"
#include "sheets/CsvSheet.h"
#include "sheets/Sheet.h"
#include "sheets/SheetImport.h"
#include "sheets/XlsReaderProcess.h"

#include <QFile>
#include <QScopeGuard>
#include <QTemporaryDir>
#include <QTemporaryFile>
#include <QTest>
#include <QtEndian>
#include <bit>
#include <fcntl.h>
#include <minizip/zip.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <thread>
#include <unistd.h>

namespace {

const QString kSucceeded =
    QStringLiteral("Data already successful export to Management software! ");
const QString kBadHeader = QStringLiteral("An error occurred downloading data!");
const QString kUnreadable =
    QStringLiteral("The file cannot be read as a table; the table has been left as it was.\r\n");
const QString kNotText =
    QStringLiteral("It is neither an Excel 97-2003 workbook (.xls) nor CSV text.");
const QStringList kOldRow{"   9", "   -1.00", "LOW", "LOW", "LOW", "1", "2020-1-1 0:00"};

// Five rows as a download shows them (fixtures/records5.csv is their export), and as the
// import reads them back.
const QList<QStringList> kDownloaded{
    {"   1", "   -12.30", "LOW", "   -20.50", "   -45.99", "2", "2012-5-7 9:03"},
    {"   2", "LOW", "   3.00", "LOW", "   -0.50", "3", "2023-11-30 23:45"},
    {"   3", "   -7.25", "   -8.10", "   -15.00", "LOW", "1", "2024-1-1 0:00"},
    {"   4", "   -38.99", "LOW", "   -45.90", "LOW", "2", "2024-2-29 18:07"},
    {"   5", "   0.00", "   -0.05", "   2.50", "   -30.00", "1", "2024-12-31 12:59"}};
const QList<QStringList> kImported{{"1", "-12.3", "LOW", "-20.5", "-45.99", "2", "2012-5-7 9:03"},
                                   {"2", "LOW", "3", "LOW", "-0.5", "3", "2023-11-30 23:45"},
                                   {"3", "-7.25", "-8.1", "-15", "LOW", "1", "2024-1-1 0:00"},
                                   {"4", "-38.99", "LOW", "-45.9", "LOW", "2", "2024-2-29 18:07"},
                                   {"5", "0", "-0.05", "2.5", "-30", "1", "2024-12-31 12:59"}};

QByteArray Fixture(const QString& name)
{
    QFile file(QStringLiteral(QX_FIXTURES) + QLatin1Char('/') + name);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

void Fill(RecordTable& table, const QList<QStringList>& rows)
{
    table.RemoveAllRows();
    for (const QStringList& texts : rows) {
        const int row = table.RowCount();
        table.InsertRow(row, texts[0]);
        for (int c = 1; c < texts.size(); ++c)
            table.SetCellText(row, c, texts[c]);
    }
}

// Our export of `rows`.
QByteArray Exported(const QList<QStringList>& rows)
{
    RecordTable table;
    Fill(table, rows);
    return BuildCsv(table.Texts());
}

// Records 1..count: record r reads r in every column but the last, which holds "x".
QList<QStringList> Numbered(int count)
{
    QList<QStringList> rows;
    for (int r = 1; r <= count; ++r) {
        const QString n = QString::number(r);
        rows << QStringList{n, n, n, n, n, n, QStringLiteral("x")};
    }
    return rows;
}

// The members of a zip archive: name and content.
using ZipMembers = QList<std::pair<QByteArray, QByteArray>>;

// A zip archive of the members, deflated; empty when it cannot be made.
QByteArray Zipped(const ZipMembers& members)
{
    QTemporaryFile file;
    if (!file.open())
        return {};
    const zipFile zip =
        zipOpen(QFile::encodeName(file.fileName()).constData(), APPEND_STATUS_CREATE);
    if (!zip)
        return {};
    bool written = true;
    for (const auto& [name, content] : members) {
        written =
            written &&
            zipOpenNewFileInZip(zip, name.constData(), nullptr, nullptr, 0, nullptr, 0, nullptr,
                                Z_DEFLATED, Z_DEFAULT_COMPRESSION) == ZIP_OK &&
            zipWriteInFileInZip(zip, content.constData(), unsigned(content.size())) == ZIP_OK &&
            zipCloseFileInZip(zip) == ZIP_OK;
    }
    if (zipClose(zip, nullptr) != ZIP_OK || !written)
        return {};
    return file.readAll();
}

// records5.xls with its date-times (the NUMBER records of column G: type 0x0203, length
// 14, row, column, format, the value in 8 bytes) set near 2^31 days: FreeXL steps through
// such a date day by day, seconds of processor time for each.
QByteArray XlsWithDatesNear2To31()
{
    QByteArray xls = Fixture("records5.xls");
    const QByteArray number("\x03\x02\x0E\x00", 4);
    for (qsizetype at = xls.indexOf(number); at >= 0; at = xls.indexOf(number, at + 1)) {
        if (qFromLittleEndian<quint16>(xls.constData() + at + 6) == 6)
            qToLittleEndian(std::bit_cast<quint64>(2147483000.5), xls.data() + at + 10);
    }
    return xls;
}

} // namespace

class TestSheetImport : public QObject
{
    Q_OBJECT

public:
    // Imports the file at `path`; the table holds kOldRow before.
    void Import(const QString& path)
    {
        Fill(table, {kOldRow});
        replaced = 0;
        dialogs.openPath = path;
        ImportRecordTable(prompter, dialogs, nullptr,
                          [this](const QList<RecordRow>& rows, qsizetype) {
                              table.ReplaceRows(rows);
                              ++replaced;
                          });
        QCOMPARE(dialogs.filters, QStringList{QStringLiteral("Csv File (*.csv);;Excel File "
                                                             "(*.xls);;Excel Workbook (*.xlsx)")});
    }

    // Imports the file at `path`: with `reason` empty, `rows` replace the table; otherwise
    // the table stays and the box says why the file cannot be read.
    void ImportAndExpect(const QString& path, const QList<QStringList>& rows, const QString& reason)
    {
        Import(path);
        if (reason.isEmpty()) {
            QCOMPARE(table.Rows(), rows);
            QCOMPARE(ShownBoxes(prompter),
                     QStringList{BoxLine(kSucceeded, Prompter::Ok, Prompter::Icon::Information)});
            return;
        }
        QCOMPARE(table.Rows(), QList<QStringList>{kOldRow});
        QCOMPARE(ShownBoxes(prompter), QStringList{BoxLine(kUnreadable + path + "\r\n" + reason,
                                                           Prompter::Ok, Prompter::Icon::Warning)});
        QCOMPARE(replaced, 0);
    }

    QString Write(const QString& name, const QByteArray& content)
    {
        const QString path = dir->filePath(name);
        QFile file(path);
        if (!file.open(QIODevice::WriteOnly) || file.write(content) != content.size())
            return {};
        return path;
    }

private Q_SLOTS:
    void init()
    {
        dir = std::make_unique<QTemporaryDir>();
        QVERIFY(dir->isValid());
        prompter = FakePrompter();
        dialogs = FakeFileDialogs();
    }

    void typesFieldsAsASpreadsheetDoes_data()
    {
        QTest::addColumn<QString>("field");
        QTest::addColumn<QString>("text");
        QTest::newRow("power") << "   -12.30"
                               << "-12.3";
        QTest::newRow("whole power") << "   5.00"
                                     << "5";
        QTest::newRow("record number") << "   1"
                                       << "1";
        QTest::newRow("LOW") << "LOW"
                             << "LOW";
        QTest::newRow("tab, sign, point first") << "\t+.5 "
                                                << "0.5";
        QTest::newRow("exponent") << "1e3"
                                  << "1000";
        QTest::newRow("tiny") << "1e-7"
                              << "0.0000001";
        QTest::newRow("negative zero") << "-0.00"
                                       << "0";
        QTest::newRow("15 digits") << "0.30000000000000004"
                                   << "0.3";
        QTest::newRow("large") << "123456789012345678"
                               << "123456789012346000";
        QTest::newRow("beyond a double") << "1e999"
                                         << "1e999";
        QTest::newRow("number then text") << "12abc"
                                          << "12abc";
        QTest::newRow("decimal comma") << "1,5"
                                       << "1,5";
        QTest::newRow("record date-time") << "2012-5-7 9:03"
                                          << "2012-5-7 9:03";
        QTest::newRow("padded, seconds") << "2012-05-07 09:03:00"
                                         << "2012-5-7 9:03";
        QTest::newRow("slashes, seconds") << " 2012/5/7 9:03:15 "
                                          << "2012-5-7 9:03:15";
        QTest::newRow("date") << "2024-02-29"
                              << "2024-2-29";
        QTest::newRow("no such day") << "2023-02-29 10:00"
                                     << "2023-02-29 10:00";
        QTest::newRow("no such hour") << "2023-02-28 24:00"
                                      << "2023-02-28 24:00";
        QTest::newRow("mixed separators") << "2012-5/7 9:03"
                                          << "2012-5/7 9:03";
        QTest::newRow("empty") << ""
                               << "";
        QTest::newRow("Chinese") << "序号"
                                 << "序号";
    }
    void typesFieldsAsASpreadsheetDoes()
    {
        QFETCH(QString, field);
        QFETCH(QString, text);
        QCOMPARE(CsvCellText(field), text);
    }

    void importReplacesTheRows_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QByteArray>("content");
        QTest::addColumn<QList<QStringList>>("rows");
        const QByteArray header = "No.,ONT:1270nm,ONT:1310nm,OLT:1490nm,OLT:1577nm,Threshold "
                                  "Name,Date-Time,\r\n";

        QTest::newRow("own export of 5 records") << "a.csv" << Exported(kDownloaded) << kImported;
        QTest::newRow("the same as .xls from LibreOffice")
            << "a.xls" << Fixture("records5.xls") << kImported;
        QTest::newRow(".xls named .csv") << "a.csv" << Fixture("records5.xls") << kImported;
        QTest::newRow("the same as .xlsx from LibreOffice")
            << "a.xlsx" << Fixture("records5.xlsx") << kImported;
        QTest::newRow(".xlsx by hand: inline strings, boolean, formula, error, dates")
            << "a.xlsx" << Fixture("inline-strings.xlsx")
            << QList<QStringList>{
                   {"1", "LOW", "2024-2-29", "TRUE", "-12.3", "#DIV/0!", "2012-5-7 9:03"},
                   {"2", "0.5", " a\rb ", "", "", "", "2024-12-31 12:59"}};
        QTest::newRow("序号") << "a.csv" << QByteArray("序号\r\n   1,   2.00\r\n")
                              << QList<QStringList>{{"1", "2", "", "", "", "", ""}};
        QTest::newRow("GB18030 with its byte-order mark, 序号 and Chinese text")
            // 序号 / 1, 光功率 in GB18030.
            << "a.csv"
            << QByteArray("\x84\x31\x95\x33\xD0\xF2\xBA\xC5,\r\n1,\xB9\xE2\xB9\xA6\xC2\xCA,\r\n")
            << QList<QStringList>{{"1", "光功率", "", "", "", "", ""}};
        QTest::newRow("header only") << "a.csv" << header << QList<QStringList>();
        QTest::newRow("150 records: the first 100")
            << "a.csv" << Exported(Numbered(150)) << Numbered(100);
        QTest::newRow("empty A4 ends the data")
            << "a.csv" << Exported(Numbered(3)) + ",4,4,4,4,4,x,\r\n5,5,5,5,5,5,x,\r\n"
            << Numbered(2) + QList<QStringList>{{"3", "3", "3", "3", "3", "3", "x"}};
        QTest::newRow("quoted comma, line break and quotes")
            << "a.csv" << QByteArray("No.\r\n1,\"a,b\r\nc\",\"say \"\"hi\"\"\",LOW\r\n")
            << QList<QStringList>{{"1", "a,b\r\nc", "say \"hi\"", "LOW", "", "", ""}};
        const QByteArray longText(70000, 'x'); // longer than the first read of a file
        QTest::newRow("field longer than the first read")
            << "a.csv"
            << "No.\r\n1,\"" + longText + "\"\r\n2,y\r\n"
            << QList<QStringList>{{"1", longText, "", "", "", "", ""},
                                  {"2", "y", "", "", "", "", ""}};
        QTest::newRow("byte-order mark, LF, leading point, a field led by U+FEFF")
            << "a.csv" << QByteArray("\xEF\xBB\xBFNo.\n.5,.5,.x,,\xEF\xBB\xBFy\n")
            << QList<QStringList>{{"0.5", "0.5", "0.x", "", QStringLiteral("\uFEFFy"), "", ""}};
    }
    void importReplacesTheRows()
    {
        QFETCH(QString, name);
        QFETCH(QByteArray, content);
        QFETCH(QList<QStringList>, rows);
        const QString path = Write(name, content);
        QVERIFY(!path.isEmpty());

        Import(path);

        QCOMPARE(table.Rows(), rows);
        QCOMPARE(ShownBoxes(prompter),
                 QStringList{BoxLine(kSucceeded, Prompter::Ok, Prompter::Icon::Information)});
        QCOMPARE(replaced, 1);
        QCOMPARE(FileBytes(path), content);
    }

    void wrongHeaderLeavesTheTable_data()
    {
        QTest::addColumn<QByteArray>("content");
        QTest::newRow("no.") << QByteArray("no.,\r\n1,\r\n");
        QTest::newRow("blank before No.") << QByteArray(" No.,\r\n1,\r\n");
        QTest::newRow("empty file") << QByteArray();
    }
    void wrongHeaderLeavesTheTable()
    {
        QFETCH(QByteArray, content);
        const QString path = Write("a.csv", content);
        QVERIFY(!path.isEmpty());

        Import(path);

        QCOMPARE(table.Rows(), QList<QStringList>{kOldRow});
        QCOMPARE(ShownBoxes(prompter),
                 QStringList{BoxLine(kBadHeader, Prompter::Ok, Prompter::Icon::Information)});
        QCOMPARE(replaced, 0);
    }

    // A full meter's export, of either kind, comes back whole.
    void fullMetersExportImportsWhole_data()
    {
        QTest::addColumn<bool>("workbook");
        QTest::newRow("CSV") << false;
        QTest::newRow(".xlsx") << true;
    }
    void fullMetersExportImportsWhole()
    {
        QFETCH(bool, workbook);
        QList<QStringList> full;
        for (int r = 1; r <= 100; ++r)
            full << QStringList{QString::number(r), "-12.3", "LOW",          "-20.5",
                                "-45.99",           "2",     "2012-5-7 9:03"};
        QCOMPARE(ExportedAndImported(full, workbook), full);
    }

    // Each reader stops at its limit; `reason` empty: the file is read.
    void readerTakesAtMostItsLimit_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QByteArray>("content");
        QTest::addColumn<QList<QStringList>>("rows");
        QTest::addColumn<QString>("reason");
        const QList<QStringList> none;
        const qsizetype limit = 4 << 20;
        const QString tooLong = "It holds more than 4 MB before the end of line 101 (or a quote "
                                "in it is never closed); a table of 100 records takes far less.";
        const QByteArray longText(limit - 100, 'x');
        QTest::newRow("csv: a quote never closed")
            << "a.csv"
            << "No.\r\n1,\"" + QByteArray(limit, 'x') << none << tooLong;
        QTest::newRow("csv: one line without end")
            << "a.csv"
            << "No.," + QByteArray(limit, 'x') << none << tooLong;
        QTest::newRow("csv: a long field within the limit")
            << "a.csv"
            << "No.\r\n1,\"" + longText + "\"\r\n"
            << QList<QStringList>{{"1", longText, "", "", "", "", ""}} << QString();
        QTest::newRow("csv: 101 lines within the limit, then more than the limit")
            << "a.csv" << Exported(Numbered(100)) + QByteArray(limit, 'y') << Numbered(100)
            << QString();

        const QString tooLarge =
            "The workbook is larger than 32 MB; a table of 100 records takes far less.";
        QTest::newRow("xlsx: larger than 32 MB")
            << "a.xlsx" << QByteArray("PK\x03\x04") + QByteArray(32 << 20, '\0') << none
            << tooLarge;
        QTest::newRow("xlsx: a part that unpacks to more than 16 MB")
            << "a.xlsx"
            << Zipped({{"_rels/.rels",
                        "<Relationships>" + QByteArray(16 << 20, ' ') + "</Relationships>"}})
            << none
            << "The workbook is damaged or of a kind that cannot be read (_rels/.rels unpacks "
               "to more than 16777216 bytes).";
        ZipMembers many;
        for (int m = 0; m <= 10000; ++m)
            many << std::pair{"m" + QByteArray::number(m), QByteArray()};
        QTest::newRow("xlsx: more than 10000 members")
            << "a.xlsx" << Zipped(many) << none
            << "The workbook is damaged or of a kind that cannot be read (the zip archive has "
               "more than 10000 members).";

        QTest::newRow("xls: larger than 32 MB")
            << "a.xls"
            << QByteArray("\xD0\xCF\x11\xE0\xA1\xB1\x1A\xE1") + QByteArray(32 << 20, '\0') << none
            << tooLarge;
        QTest::newRow("xls: dates near 2^31, seconds of processor time each")
            << "a.xls" << XlsWithDatesNear2To31() << none
            << "It could not be read in time: the reader of Excel 97-2003 workbooks was stopped "
               "at its time limit.";
    }
    void readerTakesAtMostItsLimit()
    {
        QFETCH(QString, name);
        QFETCH(QByteArray, content);
        QFETCH(QList<QStringList>, rows);
        QFETCH(QString, reason);
        const QString path = Write(name, content);
        QVERIFY(!path.isEmpty());
        // For the .xls reader, a second of processor time and of waiting, so that the test
        // takes no longer.
        const XlsReaderLimits production = XlsReaderLimitsInForce();
        SetXlsReaderLimits({1, 1000, production.memoryBytes});
        const auto restore = qScopeGuard([&] { SetXlsReaderLimits(production); });
        ImportAndExpect(path, rows, reason);
    }

    // What the .xls reader process answers is checked before a byte of it is used.
    void readerAnswerIsChecked_data()
    {
        QTest::addColumn<QByteArray>("answer");
        QTest::addColumn<QString>("reason"); // empty: the sheet of the answer
        SheetCells sheet;
        sheet.SetCellText('A', 1, QStringLiteral("No."));
        sheet.SetCellText('G', 101, QStringLiteral("序号"));
        const QByteArray cells = XlsReaderAnswer(&sheet, QString());
        const QString damaged = "The reader of Excel 97-2003 workbooks gave no valid answer (its "
                                "answer is incomplete or damaged).";
        QByteArray notUtf8 = cells;
        notUtf8[cells.indexOf("No.")] = '\xFF';
        QTest::newRow("the cells") << cells << QString();
        QTest::newRow("a reason") << XlsReaderAnswer(nullptr, "FreeXL error -8")
                                  << "FreeXL error -8";
        QTest::newRow("nothing") << QByteArray() << damaged;
        QTest::newRow("another start") << "QX390D-XLS 2\nS" + cells.mid(14) << damaged;
        QTest::newRow("another kind") << "QX390D-XLS 1\nX" + cells.mid(14) << damaged;
        QTest::newRow("cut short") << cells.chopped(1) << damaged;
        QTest::newRow("bytes after the cells") << cells + "x" << damaged;
        SheetCells longer(Sheet::kRows + 1);
        longer.SetCellText('A', Sheet::kRows + 1, QStringLiteral("101"));
        QTest::newRow("more rows than were asked for")
            << XlsReaderAnswer(&longer, QString()) << damaged;
        QTest::newRow("a length past the end") << QByteArray("QX390D-XLS 1\nE\0\0\x10\0"
                                                             "abc",
                                                             21)
                                               << damaged;
        QTest::newRow("not UTF-8") << notUtf8 << damaged;
    }
    void readerAnswerIsChecked()
    {
        QFETCH(QByteArray, answer);
        QFETCH(QString, reason);
        QString why;
        const std::unique_ptr<Sheet> sheet = ParseXlsReaderAnswer(answer, &why);
        QCOMPARE(why, reason);
        QCOMPARE(sheet == nullptr, !reason.isEmpty());
        if (sheet) {
            QCOMPARE(sheet->CellText('A', 1), "No.");
            QCOMPARE(sheet->CellText('G', 101), "序号");
            QCOMPARE(sheet->CellText('B', 1), QString());
        }
    }

    // A device or a pipe is read as a file is, a zip archive from one taken in first; a pipe
    // that no one writes to is read as empty rather than waited for.
    void devicesAndPipesAreReadLikeFiles_data()
    {
        QTest::addColumn<QString>("path");       // "PIPE": a named pipe
        QTest::addColumn<QByteArray>("content"); // written to the pipe; null: no writer
        QTest::addColumn<QList<QStringList>>("rows");
        QTest::addColumn<QString>("box");
        QTest::newRow("/dev/zero") << "/dev/zero" << QByteArray() << QList<QStringList>{kOldRow}
                                   << kUnreadable + "/dev/zero\r\n" + kNotText;
        QTest::newRow("a pipe no one writes to")
            << "PIPE" << QByteArray() << QList<QStringList>{kOldRow} << kBadHeader;
        QTest::newRow("an .xlsx workbook through a pipe")
            << "PIPE" << Fixture("records5.xlsx") << kImported << kSucceeded;
        QTest::newRow("an .xls workbook through a pipe")
            << "PIPE" << Fixture("records5.xls") << kImported << kSucceeded;
    }
    void devicesAndPipesAreReadLikeFiles()
    {
        QFETCH(QString, path);
        QFETCH(QByteArray, content);
        QFETCH(QList<QStringList>, rows);
        QFETCH(QString, box);
        std::thread writer;
        if (path == "PIPE") {
            path = dir->filePath("pipe");
            QCOMPARE(::mkfifo(QFile::encodeName(path).constData(), 0600), 0);
        }
        if (!content.isNull()) {
            // Opened for reading and writing, a pipe has its writer at once. A pipe's bytes
            // are gone once no one holds it open, so the writer ends only after the import
            // has taken them all (nothing left in the pipe), however slowly it starts.
            const int fd = ::open(QFile::encodeName(path).constData(), O_RDWR | O_CLOEXEC);
            QVERIFY(fd >= 0);
            writer = std::thread([fd, content] {
                for (qsizetype done = 0; done < content.size();) {
                    const ssize_t written =
                        ::write(fd, content.constData() + done, size_t(content.size() - done));
                    if (written <= 0)
                        break;
                    done += written;
                }
                int left = 1;
                for (int tries = 0; tries < 30000 && ::ioctl(fd, FIONREAD, &left) == 0 && left > 0;
                     ++tries)
                    std::this_thread::sleep_for(std::chrono::milliseconds(1));
                ::close(fd);
            });
        }

        Import(path);
        if (writer.joinable())
            writer.join();

        QCOMPARE(table.Rows(), rows);
        QCOMPARE(prompter.boxes.size(), 1);
        QCOMPARE(prompter.boxes[0].text, box);
    }

    void fileThatIsNoSheetLeavesTheTable_data()
    {
        QTest::addColumn<QByteArray>("content"); // empty: the path is a folder
        QTest::addColumn<QString>("reason");
        QTest::newRow("folder") << QByteArray()
                                << "It cannot be opened: file to open is a directory.";
        QTest::newRow("broken zip (a cut-off .xlsx)")
            << Fixture("records5.xlsx").left(3000) << "The zip archive is damaged or incomplete.";
        QTest::newRow("zip that holds no workbook")
            << Fixture("not-a-workbook.zip") << "It is a zip archive, but not an Excel workbook.";
        QTest::newRow("neither UTF-8 nor GB18030")
            << QByteArray("No.,\r\n1,\xFF\xFE,\r\n") << kNotText;
        QTest::newRow("broken .xls") << Fixture("records5.xls").left(2048)
                                     << "The workbook is damaged or of a kind that cannot be "
                                        "read (FreeXL error -26).";
        // Its first directory entry (sector 9) claims a name of 65535 bytes.
        QByteArray longName = Fixture("records5.xls");
        longName.replace(10 * 512 + 64, 2, "\xFF\xFF");
        // FreeXL would overflow its cell count for a worksheet of 2113929216 rows by 512
        // columns and read far past its cells; the check refuses it first.
        QTest::newRow(".xls whose worksheet FreeXL cannot size")
            << Fixture("freexl-crash.xls")
            << "The workbook is damaged or of a kind that cannot be read (FreeXL error -26).";
        QTest::newRow(".xls with a directory entry's name longer than the entry")
            << longName
            << "The workbook is damaged or of a kind that cannot be read (FreeXL error -26).";
    }
    void fileThatIsNoSheetLeavesTheTable()
    {
        QFETCH(QByteArray, content);
        QFETCH(QString, reason);
        const QString path = content.isEmpty() ? dir->path() : Write("a.csv", content);
        QVERIFY(!path.isEmpty());

        Import(path);

        QCOMPARE(table.Rows(), QList<QStringList>{kOldRow});
        QCOMPARE(ShownBoxes(prompter), QStringList{BoxLine(kUnreadable + path + "\r\n" + reason,
                                                           Prompter::Ok, Prompter::Icon::Warning)});
        QCOMPARE(replaced, 0);
        if (!content.isEmpty())
            QCOMPARE(FileBytes(path), content);
    }

    void cancelOrMissingFileChangesNothing_data()
    {
        QTest::addColumn<QString>("chosen");
        QTest::newRow("cancelled") << "";
        QTest::newRow("missing file") << "missing.csv";
    }
    void cancelOrMissingFileChangesNothing()
    {
        QFETCH(QString, chosen);
        Import(chosen.isEmpty() ? chosen : dir->filePath(chosen));
        QCOMPARE(table.Rows(), QList<QStringList>{kOldRow});
        QVERIFY(prompter.boxes.isEmpty());
        QCOMPARE(replaced, 0);
    }

    // Numbers, "LOW", dates and texts come back from the workbook as from the CSV file.
    void workbookImportsBackAsItsCsvDoes()
    {
        Fill(table,
             kDownloaded + QList<QStringList>{
                               {"   6", ".5", "1,5", "序号", "", "12", "2012-05-07 09:03:15"},
                               {"   7", "   -0.01", "a\"b", "LOW", "LOW", "x_x0041_", "2024-02-29"},
                               {"   8", "1e3", "a\x01z", "", "", "1", "1899-12-31 0:00"}});
        const QList<QStringList> source = table.Rows();
        const QList<QStringList> fromCsv = ExportedAndImported(source, false);
        const QList<QStringList> fromWorkbook = ExportedAndImported(source, true);
        QCOMPARE(fromWorkbook.size(), source.size());
        QCOMPARE(fromWorkbook, fromCsv);
    }

    // The .xls fixture was made from this very export.
    void xlsFixtureSourceIsOurExport() { QCOMPARE(Fixture("records5.csv"), Exported(kDownloaded)); }

private:
    // The rows exported as CSV or as a workbook and that file imported again; what the
    // table then holds, or nothing when the import did not report success.
    QList<QStringList> ExportedAndImported(const QList<QStringList>& rows, bool workbook)
    {
        Fill(table, rows);
        dialogs.savePath = dir->filePath(QStringLiteral("records"));
        QString exportPath;
        if (workbook)
            ExportRecordWorkbook(table.Texts(), prompter, dialogs, nullptr, exportPath);
        else
            ExportRecordTable(table.Texts(), prompter, dialogs, nullptr, exportPath);
        if (exportPath != dir->filePath(workbook ? "records.xlsx" : "records.csv"))
            return {};
        prompter = FakePrompter();
        dialogs = FakeFileDialogs();
        Import(exportPath);
        if (ShownBoxes(prompter) !=
            QStringList{BoxLine(kSucceeded, Prompter::Ok, Prompter::Icon::Information)})
            return {};
        return table.Rows();
    }

    std::unique_ptr<QTemporaryDir> dir;
    RecordTable table;
    int replaced = 0;
    FakePrompter prompter;
    FakeFileDialogs dialogs;
};

QTEST_GUILESS_MAIN(TestSheetImport)
#include "tst_sheetimport.moc"
