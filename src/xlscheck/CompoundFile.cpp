#include "xlscheck/CompoundFile.h"

#include "xlscheck/BiffCheck.h"

#include <QString>
#include <QtEndian>
#include <algorithm>
#include <optional>
#include <vector>

namespace {

// Sector numbers from here on are marks: DIFAT, FAT, end of chain, free.
constexpr quint32 kDifatSector = 0xFFFFFFFC;
constexpr quint32 kEndOfChain = 0xFFFFFFFE;
constexpr quint32 kFreeSector = 0xFFFFFFFF;
constexpr qsizetype kHeaderBytes = 512;
constexpr qsizetype kHeaderDifatEntries = 109;
constexpr qsizetype kEntryBytes = 128;
constexpr quint16 kMaxNameBytes = 64;
constexpr quint32 kMiniSectorBytes = 64;
constexpr quint32 kMiniCutoff = 4096;
constexpr quint8 kStreamEntry = 2;
constexpr quint8 kRootEntry = 5;

using Table = std::vector<quint32>;
using Chain = std::vector<quint32>;

quint64 SectorsFor(quint64 bytes, quint32 sectorBytes)
{
    return (bytes + sectorBytes - 1) / sectorBytes;
}

class CompoundFile
{
public:
    explicit CompoundFile(QByteArrayView file) : file_(file) {}

    bool IsSound()
    {
        if (file_.size() < kHeaderBytes || !file_.startsWith(QByteArrayView(kXlsSignature)) ||
            U16(0x1C) != 0xFFFE || U16(0x20) != 6 || U32(0x38) != kMiniCutoff)
            return false;
        const quint16 version = U16(0x1A);
        const quint16 shift = U16(0x1E);
        if (!(version == 3 && shift == 9) && !(version == 4 && shift == 12))
            return false;
        sectorBytes_ = 1u << shift;
        // The header takes the first sector's place; sector n begins at (n + 1) * size.
        sectors_ = file_.size() > sectorBytes_
                       ? quint32(SectorsFor(quint64(file_.size()) - sectorBytes_, sectorBytes_))
                       : 0;

        const std::optional<Chain> fatSectors = FatSectors();
        if (!fatSectors)
            return false;
        fat_ = ReadTable(*fatSectors, sectors_);
        for (const quint32 next : fat_) {
            if (next >= sectors_ && next < kDifatSector)
                return false;
        }

        const std::optional<Chain> directory = Follow(fat_, U32(0x30), sectors_);
        if (!directory || directory->empty())
            return false;
        return Entries(*directory) && MiniStreamIsSound() && WorkbooksAreSound();
    }

private:
    quint16 U16(qsizetype at) const { return qFromLittleEndian<quint16>(file_.data() + at); }
    quint32 U32(qsizetype at) const { return qFromLittleEndian<quint32>(file_.data() + at); }

    // Entry `index` of sector `sector` taken as 32-bit numbers; past the file's end, free.
    quint32 SectorEntry(quint32 sector, quint32 index) const
    {
        const quint64 at = (quint64(sector) + 1) * sectorBytes_ + quint64(index) * 4;
        return at + 4 <= quint64(file_.size()) ? U32(qsizetype(at)) : kFreeSector;
    }

    // The sectors that hold the FAT: the header's first 109, then the DIFAT's chain.
    std::optional<Chain> FatSectors() const
    {
        const quint32 count = U32(0x2C);
        const quint32 difatCount = U32(0x48);
        if (count == 0 || count > sectors_ || difatCount > sectors_)
            return std::nullopt;
        Chain fatSectors;
        for (qsizetype i = 0; i < std::min<qsizetype>(count, kHeaderDifatEntries); ++i)
            fatSectors.push_back(U32(0x4C + 4 * i));
        const quint32 perDifat = sectorBytes_ / 4 - 1; // its last entry names the next
        std::vector<bool> seen(sectors_);
        quint32 difat = U32(0x44);
        for (quint32 n = 0; n < difatCount; ++n) {
            if (difat >= sectors_ || seen[difat])
                return std::nullopt;
            seen[difat] = true;
            for (quint32 i = 0; i < perDifat && fatSectors.size() < count; ++i)
                fatSectors.push_back(SectorEntry(difat, i));
            difat = SectorEntry(difat, perDifat);
        }
        if (fatSectors.size() < count)
            return std::nullopt;
        for (const quint32 sector : fatSectors) {
            if (sector >= sectors_)
                return std::nullopt;
        }
        return fatSectors;
    }

    // The table the chain `sectors` holds, as far as `entries` (no further than it holds).
    Table ReadTable(const Chain& sectors, quint64 entries) const
    {
        const quint32 perSector = sectorBytes_ / 4;
        Table table(std::min<quint64>(entries, quint64(sectors.size()) * perSector));
        for (quint32 i = 0; i < table.size(); ++i)
            table[i] = SectorEntry(sectors[i / perSector], i % perSector);
        return table;
    }

    // The chain from `first` through `table`: nothing when it leaves the first `count`
    // sectors or the table, or meets a sector twice.
    static std::optional<Chain> Follow(const Table& table, quint32 first, quint32 count)
    {
        Chain chain;
        std::vector<bool> seen(count);
        for (quint32 at = first; at != kEndOfChain; at = table[at]) {
            if (at >= count || at >= table.size() || seen[at])
                return std::nullopt;
            seen[at] = true;
            chain.push_back(at);
        }
        return chain;
    }

    // A stream's size, which no sound stream has larger than the file.
    std::optional<quint64> StreamSize(qsizetype entry) const
    {
        const quint64 size = qFromLittleEndian<quint64>(file_.data() + entry + 120);
        if (size > quint64(file_.size()))
            return std::nullopt;
        return size;
    }

    // Reads the directory's entries: the root first, the workbook's streams.
    bool Entries(const Chain& directory)
    {
        for (const quint32 sector : directory) {
            const quint64 start = (quint64(sector) + 1) * sectorBytes_;
            for (quint64 entry = start;
                 entry < start + sectorBytes_ && entry + kEntryBytes <= quint64(file_.size());
                 entry += kEntryBytes) {
                const qsizetype at = qsizetype(entry);
                // FreeXL reads the first sector's names, trusting their lengths.
                const quint16 nameBytes = U16(at + 64);
                if (nameBytes > kMaxNameBytes && sector == directory.front())
                    return false;
                const quint8 type = quint8(file_[at + 66]);
                const QString name = EntryName(at, nameBytes);
                const bool first = sector == directory.front();
                if (entry == start && first) {
                    if (type != kRootEntry)
                        return false;
                    root_ = at;
                } else if (first && name == QLatin1String("Root Entry")) {
                    // FreeXL would take its stream for the mini stream.
                    return false;
                } else if ((type == kStreamEntry || first) && IsWorkbookName(name)) {
                    // FreeXL reads a workbook of the first sector whatever its type.
                    workbooks_.push_back(at);
                }
            }
        }
        return root_ >= 0;
    }

    // The name as FreeXL compares it, up to its first zero; a length FreeXL never reads may
    // be damaged: the name ends with its entry's field.
    QString EntryName(qsizetype entry, quint16 nameBytes) const
    {
        QString name;
        for (qsizetype i = 0; i + 1 < std::min(nameBytes, kMaxNameBytes) && U16(entry + i) != 0;
             i += 2)
            name.append(QChar(U16(entry + i)));
        return name;
    }

    static bool IsWorkbookName(const QString& name)
    {
        return name.compare(QLatin1String("Workbook"), Qt::CaseInsensitive) == 0 ||
               name.compare(QLatin1String("Book"), Qt::CaseInsensitive) == 0;
    }

    // The bytes of `chain`'s sectors, as far as `size` or the file's end.
    QByteArray ChainBytes(const Chain& chain, quint64 size) const
    {
        QByteArray bytes;
        for (const quint32 sector : chain) {
            const quint64 at = (quint64(sector) + 1) * sectorBytes_;
            if (at >= quint64(file_.size()) || quint64(bytes.size()) >= size)
                break;
            bytes.append(
                file_.sliced(qsizetype(at))
                    .first(std::min<qsizetype>(sectorBytes_, file_.size() - qsizetype(at))));
        }
        return bytes.left(qsizetype(std::min<quint64>(size, quint64(bytes.size()))));
    }

    // The mini stream (the root's stream) and the mini FAT that chains its sectors.
    bool MiniStreamIsSound()
    {
        const std::optional<quint64> size = StreamSize(root_);
        if (!size)
            return false;
        const std::optional<Chain> stream = Follow(fat_, U32(root_ + 116), sectors_);
        if (!stream || stream->size() != SectorsFor(*size, sectorBytes_))
            return false;
        miniStream_ = ChainBytes(*stream, *size);
        const quint32 miniSectors = quint32(SectorsFor(*size, kMiniSectorBytes));
        const std::optional<Chain> miniFatSectors = Follow(fat_, U32(0x3C), sectors_);
        if (!miniFatSectors || miniFatSectors->size() != U32(0x40))
            return false;
        miniFat_ = ReadTable(*miniFatSectors, miniSectors);
        miniSectors_ = miniSectors;
        for (const quint32 next : miniFat_) {
            if (next >= miniSectors && next < kDifatSector)
                return false;
        }
        return true;
    }

    bool WorkbooksAreSound() const
    {
        for (const qsizetype entry : workbooks_) {
            const std::optional<quint64> size = StreamSize(entry);
            if (!size)
                return false;
            const bool mini = *size < kMiniCutoff;
            const std::optional<Chain> chain =
                Follow(mini ? miniFat_ : fat_, U32(entry + 116), mini ? miniSectors_ : sectors_);
            if (!chain ||
                chain->size() != SectorsFor(*size, mini ? kMiniSectorBytes : sectorBytes_))
                return false;
            // FreeXL reads a stream up to the cutoff, when there is a mini FAT, from the mini
            // stream's start, not from the stream's own mini sectors; any other from its chain.
            const bool readMini = U32(0x40) > 0 && *size <= kMiniCutoff;
            if (mini && !readMini)
                return false;
            if (readMini && *size > quint64(miniStream_.size()))
                return false;
            const QByteArray bytes =
                readMini ? miniStream_.left(qsizetype(*size)) : ChainBytes(*chain, *size);
            if (!IsSoundBiffStream(bytes))
                return false;
        }
        return true;
    }

    QByteArrayView file_;
    quint32 sectorBytes_ = 512;
    quint32 sectors_ = 0;
    Table fat_;
    Table miniFat_;
    QByteArray miniStream_;
    quint32 miniSectors_ = 0;
    qsizetype root_ = -1;
    std::vector<qsizetype> workbooks_;
};

} // namespace

bool IsSoundCompoundFile(QByteArrayView file)
{
    return CompoundFile(file).IsSound();
}
