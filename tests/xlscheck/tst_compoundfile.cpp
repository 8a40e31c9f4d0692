// The check of an .xls workbook's compound file before FreeXL reads it: sound files pass,
// damaged ones of every kind FreeXL would trust are refused.
#include "xlscheck/CompoundFile.h"

#include <QFile>
#include <QTest>
#include <QtEndian>

namespace {

constexpr quint32 kEndOfChain = 0xFFFFFFFE;
constexpr quint32 kFatSector = 0xFFFFFFFD;

QByteArray Fixture(const QString& name)
{
    QFile file(QStringLiteral(QX_FIXTURES) + QLatin1Char('/') + name);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

QByteArray Patched(QByteArray file, qsizetype at, quint32 value)
{
    qToLittleEndian(value, file.data() + at);
    return file;
}

void PutName(QByteArray& file, qsizetype entry, const QString& name)
{
    for (qsizetype i = 0; i < name.size(); ++i)
        qToLittleEndian(quint16(name[i].unicode()), file.data() + entry + 2 * i);
    qToLittleEndian(quint16(2 * (name.size() + 1)), file.data() + entry + 64);
}

QByteArray Le16(quint16 value)
{
    QByteArray bytes(2, '\0');
    qToLittleEndian(value, bytes.data());
    return bytes;
}

QByteArray Le32(quint32 value)
{
    QByteArray bytes(4, '\0');
    qToLittleEndian(value, bytes.data());
    return bytes;
}

QByteArray Record(quint16 type, const QByteArray& body)
{
    return Le16(type) + Le16(quint16(body.size())) + body;
}

QByteArray Bof(quint16 kind)
{
    return Record(0x0809, Le16(0x0600) + Le16(kind) + QByteArray(12, '\0'));
}

QByteArray Dimension(quint32 rows, quint16 columns)
{
    return Record(0x0200, Le32(0) + Le32(rows) + Le16(0) + Le16(columns) + Le16(0));
}

QByteArray Number(quint16 row, quint16 column, qsizetype bytes = 14)
{
    return Record(0x0203, (Le16(row) + Le16(column) + QByteArray(10, '\0')).left(bytes));
}

QByteArray SheetName(quint8 characters, const QByteArray& name)
{
    return Record(0x0085, Le32(0) + QByteArray(2, '\0') + char(characters) + '\0' + name);
}

// One shared string of `characters` whose first bytes are `text`.
QByteArray Sst(quint16 characters, const QByteArray& text, quint8 flags = 0,
               const QByteArray& counts = {})
{
    return Record(0x00FC, Le32(2) + Le32(2) + Le16(characters) + char(flags) + counts + text);
}

const QByteArray kSoundSst = Sst(2, "ab");
const QByteArray kSoundCells =
    Dimension(2, 2) + Record(0x00FD, QByteArray(10, '\0')) + Number(1, 1);

// A BIFF8 workbook stream: the globals (a sheet `name`, `globals`), then the sheet's `cells`.
QByteArray Biff(const QByteArray& globals = kSoundSst, const QByteArray& cells = kSoundCells,
                const QByteArray& name = SheetName(1, "A"))
{
    const QByteArray eof = Record(0x000A, {});
    QByteArray stream = Bof(0x0005) + name + globals + eof;
    qToLittleEndian(quint32(stream.size()), stream.data() + 20 + 4); // the sheet's offset
    return stream + Bof(0x0010) + cells + eof;
}

// The smallest workbook's compound file: the FAT in sector 0, the directory (the root, with
// no mini stream, and "Workbook") in sector 1, the stream (`biff`, whole 4096 bytes with
// zeros after it) from sector 2 on.
struct Minimal
{
    explicit Minimal(int shift, QByteArray biff = Biff()) : sector(qsizetype(1) << shift)
    {
        const qsizetype workbookBytes = (biff.size() + 4095) / 4096 * 4096;
        biff.resize(workbookBytes, '\0');
        const qsizetype streamSectors = workbookBytes / sector;
        bytes = QByteArray(sector * (3 + streamSectors), '\0');
        bytes.replace(0, kXlsSignature.size(), kXlsSignature);
        qToLittleEndian(quint16(0x3E), bytes.data() + 0x18);
        qToLittleEndian(quint16(shift == 12 ? 4 : 3), bytes.data() + 0x1A);
        qToLittleEndian(quint16(0xFFFE), bytes.data() + 0x1C);
        qToLittleEndian(quint16(shift), bytes.data() + 0x1E);
        qToLittleEndian(quint16(6), bytes.data() + 0x20);
        qToLittleEndian(quint32(shift == 12 ? 1 : 0), bytes.data() + 0x28);
        qToLittleEndian(quint32(1), bytes.data() + 0x2C); // FAT sectors
        qToLittleEndian(quint32(1), bytes.data() + 0x30); // the directory's first sector
        qToLittleEndian(quint32(4096), bytes.data() + 0x38);
        qToLittleEndian(kEndOfChain, bytes.data() + 0x3C); // no mini FAT
        qToLittleEndian(kEndOfChain, bytes.data() + 0x44); // no DIFAT sectors
        bytes.replace(0x4C, 4 * 109, QByteArray(4 * 109, '\xFF'));
        qToLittleEndian(quint32(0), bytes.data() + 0x4C);

        bytes.replace(Fat(0), sector, QByteArray(sector, '\xFF'));
        qToLittleEndian(kFatSector, bytes.data() + Fat(0));
        qToLittleEndian(kEndOfChain, bytes.data() + Fat(1));
        for (qsizetype s = 2; s < 2 + streamSectors; ++s)
            qToLittleEndian(s + 1 < 2 + streamSectors ? quint32(s + 1) : kEndOfChain,
                            bytes.data() + Fat(s));

        PutName(bytes, Entry(0), QStringLiteral("Root Entry"));
        bytes[Entry(0) + 66] = 5;
        qToLittleEndian(kEndOfChain, bytes.data() + Entry(0) + 116);
        PutName(bytes, Entry(1), QStringLiteral("Workbook"));
        bytes[Entry(1) + 66] = 2;
        qToLittleEndian(quint32(2), bytes.data() + Entry(1) + 116);
        qToLittleEndian(quint32(workbookBytes), bytes.data() + Entry(1) + 120);
        bytes.replace(3 * sector, workbookBytes, biff);
    }
    qsizetype Fat(qsizetype index) const { return sector + 4 * index; }
    qsizetype Entry(qsizetype index) const { return 2 * sector + 128 * index; }

    qsizetype sector;
    QByteArray bytes;
};

// records5.xls (LibreOffice): FAT in sector 0, sector 1 free, mini FAT in sector 2, the mini stream
// in sectors 3 to 8 (3008 bytes), the directory in sectors 9 and 10; "Workbook" (2466 bytes) is
// entry 1 and takes mini sectors 0 to 38.
constexpr qsizetype kFat5 = 512;
constexpr qsizetype kMiniFat5 = 3 * 512;
constexpr qsizetype kRoot5 = 10 * 512;
constexpr qsizetype kWorkbook5 = kRoot5 + 128;
// records99.xls: "Workbook" (12433 bytes, sectors 2 to 26) is entry 1 of sector 29.
constexpr qsizetype kWorkbook99 = 30 * 512 + 128;

} // namespace

class TestCompoundFile : public QObject
{
    Q_OBJECT

private slots:
    void damagedFilesAreRefused_data()
    {
        QTest::addColumn<QByteArray>("file");
        QTest::addColumn<bool>("sound");

        const Minimal v3(9);
        const Minimal v4(12);
        const QByteArray records5 = Fixture("records5.xls");
        const QByteArray records99 = Fixture("records99.xls");
        // The first sectors past the files' ends.
        const qsizetype end = v3.bytes.size() / 512 - 1;
        const qsizetype end5 = records5.size() / 512 - 1;
        QTest::newRow("minimal, 512-byte sectors") << v3.bytes << true;
        QTest::newRow("minimal, 4096-byte sectors") << v4.bytes << true;
        QTest::newRow("workbook in the mini stream") << records5 << true;
        QTest::newRow("workbook in sectors of its own") << records99 << true;
        // FreeXL's read of the last sector comes up short and says so; it reads no
        // directory sector but the first, so a damaged entry in the second is harmless.
        QTest::newRow("last sector cut short, its entries damaged")
            << records5.left(records5.size() - 30) << true;

        QTest::newRow("header cut short") << v3.bytes.left(300) << false;
        QTest::newRow("cut short before the directory") << records5.left(2048) << false;
        QTest::newRow("byte order FEFF") << Patched(v3.bytes, 0x1C, 0x0009FEFF) << false;
        QTest::newRow("4096-byte sectors in version 3")
            << Patched(v3.bytes, 0x1C, 0x000CFFFE) << false;
        QTest::newRow("128-byte mini sectors") << Patched(v3.bytes, 0x20, 7) << false;
        QTest::newRow("more FAT sectors than the file holds")
            << Patched(v3.bytes, 0x2C, 1000) << false;
        QTest::newRow("FAT sector past the end") << Patched(v3.bytes, 0x4C, end) << false;
        QTest::newRow("DIFAT sector past the end")
            << Patched(Patched(v3.bytes, 0x44, end), 0x48, 1) << false;
        QTest::newRow("FAT entry past the end") << Patched(v3.bytes, v3.Fat(5), end) << false;
        QTest::newRow("cyclic workbook chain") << Patched(v3.bytes, v3.Fat(9), 3) << false;
        QTest::newRow("cyclic directory chain") << Patched(v3.bytes, v3.Fat(1), 1) << false;
        QTest::newRow("stream larger than its chain")
            << Patched(v3.bytes, v3.Entry(1) + 120, 4097) << false;
        QTest::newRow("stream larger than its chain, 4096-byte sectors")
            << Patched(v4.bytes, v4.Entry(1) + 120, 8192) << false;
        QTest::newRow("stream shorter than its chain")
            << Patched(records99, kWorkbook99 + 120, 12433 - 1024) << false;
        QByteArray noRoot = v3.bytes;
        noRoot[v3.Entry(0) + 66] = 1; // a storage
        QTest::newRow("no root entry first") << noRoot << false;
        QByteArray longName = records5;
        longName.replace(kRoot5 + 64, 2, "\xFF\xFF");
        QTest::newRow("directory name longer than its entry") << longName << false;

        QTest::newRow("mini stream larger than its chain")
            << Patched(records5, kRoot5 + 120, 3008 + 512) << false;
        QTest::newRow("FAT entry past the end, of a free sector")
            << Patched(records5, kFat5 + 4 * 1, end5) << false;
        QTest::newRow("mini stream's chain past the end")
            << Patched(records5, kFat5 + 4 * 8, end5) << false;
        QTest::newRow("workbook larger than its mini chain")
            << Patched(records5, kWorkbook5 + 120, 2466 + 64) << false;
        QTest::newRow("cyclic mini chain") << Patched(records5, kMiniFat5 + 4 * 38, 0) << false;
        QTest::newRow("mini sector past the mini stream")
            << Patched(records5, kMiniFat5 + 4 * 5, 3008 / 64) << false;
        QTest::newRow("another stream's mini sector past the mini stream")
            << Patched(records5, kMiniFat5 + 4 * 39, 3008 / 64) << false;
        QTest::newRow("mini FAT longer than the header says")
            << Patched(records5, 0x40, 2) << false;
        QByteArray secondRoot = records5;
        PutName(secondRoot, kRoot5 + 2 * 128, QStringLiteral("Root Entry"));
        QTest::newRow("a second entry named Root Entry") << secondRoot << false;

        // The workbook stream's BIFF records.
        const QByteArray noBof = Biff().replace(0, 2, Le16(0x000A));
        QTest::newRow("first record no BOF") << Minimal(9, noBof).bytes << false;
        const QByteArray longest = Record(0x00E1, QByteArray(8224, '\0'));
        QTest::newRow("record of 8224 bytes") << Minimal(9, Biff(longest)).bytes << true;
        QTest::newRow("record longer than 8224 bytes")
            << Minimal(9, Biff(longest + '\0')).bytes << false;
        const QByteArray filler = Record(0x00E1, QByteArray(4092 - Biff().size() - 4, '\0'));
        const QByteArray pastEnd = Biff() + filler + Le16(0x00E1) + Le16(16);
        QTest::newRow("record past the stream's end") << Minimal(9, pastEnd).bytes << false;
        // FreeXL reads on past an empty record of type 0 in the mini stream.
        QTest::newRow("damaged record after an empty one of type 0")
            << Minimal(9, Biff() + Record(0, {}) + Dimension(65537, 2)).bytes << false;
        QByteArray offset = Biff();
        qToLittleEndian(quint32(offset.indexOf(Bof(0x0010)) + 1), offset.data() + 24);
        QTest::newRow("sheet's offset no BOF") << Minimal(9, offset).bytes << false;
        QTest::newRow("sheet's name longer than its record")
            << Minimal(9, Biff(kSoundSst, kSoundCells, SheetName(2, "A"))).bytes << false;
        QTest::newRow("DIMENSION of 65536 rows by 256 columns")
            << Minimal(9, Biff(kSoundSst, Dimension(65536, 256))).bytes << true;
        QTest::newRow("DIMENSION of 65537 rows")
            << Minimal(9, Biff(kSoundSst, Dimension(65537, 2))).bytes << false;
        QTest::newRow("DIMENSION of 2113929216 rows by 512 columns")
            << Fixture("freexl-crash.xls") << false;
        QTest::newRow("DIMENSION of 257 columns")
            << Minimal(9, Biff(kSoundSst, Dimension(2, 257))).bytes << false;
        QTest::newRow("cell below the DIMENSION")
            << Minimal(9, Biff(kSoundSst, Dimension(2, 2) + Number(2, 0))).bytes << false;
        const QByteArray mulRk = Le16(0) + Le16(1) + QByteArray(12, '\0') + Le16(2);
        QTest::newRow("MULRK past the DIMENSION's columns")
            << Minimal(9, Biff(kSoundSst, Dimension(2, 2) + Record(0x00BD, mulRk))).bytes << false;
        QTest::newRow("cell in column 256, no DIMENSION")
            << Minimal(9, Biff(kSoundSst, Number(0, 255))).bytes << true;
        QTest::newRow("cell past column 256, no DIMENSION")
            << Minimal(9, Biff(kSoundSst, Number(0, 256))).bytes << false;
        QTest::newRow("NUMBER record cut short")
            << Minimal(9, Biff(kSoundSst, Dimension(2, 2) + Number(0, 0, 10))).bytes << false;
        const QByteArray label = Le16(0) + Le16(0) + Le16(0) + Le16(6) + '\0' + "abcde";
        QTest::newRow("LABEL longer than its record")
            << Minimal(9, Biff(kSoundSst, Dimension(2, 2) + Record(0x0204, label))).bytes << false;
        QTest::newRow("FORMAT longer than its record")
            << Minimal(9, Biff(kSoundSst + Record(0x041E, Le16(164) + Le16(9) + '\0' + "yyyy")))
                   .bytes
            << false;
        QByteArray xfs;
        for (int i = 0; i < 8193; ++i)
            xfs += Record(0x00E0, QByteArray(4, '\0'));
        QTest::newRow("8192 XF records") << Minimal(12, Biff(xfs.mid(8))).bytes << true;
        QTest::newRow("8193 XF records") << Minimal(12, Biff(xfs)).bytes << false;
        QTest::newRow("second shared string table")
            << Minimal(9, Biff(kSoundSst + kSoundSst)).bytes << false;
        const QByteArray split = Sst(10, "abcd") + Record(0x003C, '\0' + QByteArray("efghij"));
        QTest::newRow("shared string split over a CONTINUE")
            << Minimal(9, Biff(split)).bytes << true;
        QTest::newRow("shared string longer than its CONTINUE")
            << Minimal(9, Biff(Sst(11, "abcd") + Record(0x003C, '\0' + QByteArray("efghij")))).bytes
            << false;
        const QByteArray phonetic =
            Sst(1, "a", 0x04, Le32(20)) + Record(0x003C, QByteArray(8, 'x'));
        QTest::newRow("shared string's phonetic text past the next record")
            << Minimal(9, Biff(phonetic)).bytes << false;
    }
    void damagedFilesAreRefused()
    {
        QFETCH(QByteArray, file);
        QFETCH(bool, sound);
        QCOMPARE(IsSoundCompoundFile(file), sound);
    }
};

QTEST_GUILESS_MAIN(TestCompoundFile)
#include "tst_compoundfile.moc"
