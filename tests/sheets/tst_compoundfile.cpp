// The check of an .xls workbook's compound file before FreeXL reads it: sound files pass,
// damaged ones of every kind FreeXL would trust are refused.
#include "sheets/CompoundFile.h"
#include "sheets/XlsSheet.h"

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

// The smallest workbook's compound file: the FAT in sector 0, the directory (the root, with
// no mini stream, and "Workbook") in sector 1, the 4096-byte stream from sector 2 on.
struct Minimal
{
    static constexpr qsizetype kWorkbookBytes = 4096;
    explicit Minimal(int shift) : sector(qsizetype(1) << shift)
    {
        const qsizetype streamSectors = kWorkbookBytes / sector;
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
        qToLittleEndian(quint32(kWorkbookBytes), bytes.data() + Entry(1) + 120);
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
            << Fixture("freexl-crash.xls") << true;

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
