#include "xlscheck/BiffCheck.h"

#include <QtEndian>
#include <optional>
#include <set>
#include <vector>

namespace {

constexpr quint16 kBof = 0x0809;
constexpr quint16 kContinue = 0x003C;
constexpr quint16 kSst = 0x00FC;
constexpr quint16 kBoundSheet = 0x0085;
constexpr quint16 kCodePage = 0x0042;
constexpr quint16 kDateMode = 0x0022;
constexpr quint16 kDimension = 0x0200;
constexpr quint16 kFormat = 0x041E;
constexpr quint16 kXf = 0x00E0;
constexpr quint16 kNumber = 0x0203;
constexpr quint16 kBoolErr = 0x0205;
constexpr quint16 kRk = 0x027E;
constexpr quint16 kMulRk = 0x00BD;
constexpr quint16 kLabel = 0x0204;
constexpr quint16 kLabelSst = 0x00FD;
constexpr quint16 kBiff5 = 0x0500;
constexpr quint16 kBiff8 = 0x0600;
// FreeXL's record buffer and its table of XF records.
constexpr quint32 kMaxRecordBytes = 8224;
constexpr int kMaxXfs = 8192;
constexpr quint32 kMaxRows = 65536;
constexpr quint32 kMaxColumns = 256;

struct Dimension
{
    quint32 rows;
    quint32 columns;
};

class BiffStream
{
public:
    explicit BiffStream(QByteArrayView stream) : stream_(stream) {}

    // Every record to the stream's end: FreeXL takes an empty record of type 0 for the end
    // of a stream in sectors of its own, not of one in the mini stream.
    bool IsSound()
    {
        qsizetype at = 0;
        bool first = true;
        while (at + 4 <= stream_.size()) {
            const quint16 type = qFromLittleEndian<quint16>(stream_.data() + at);
            const quint16 size = qFromLittleEndian<quint16>(stream_.data() + at + 2);
            if (size > kMaxRecordBytes || at + 4 + size > stream_.size())
                return false;
            record_ = stream_.sliced(at + 4, size);
            if (first ? type != kBof || !FirstBof() : !Record(type, quint32(at)))
                return false;
            first = false;
            at += 4 + size;
        }
        if (first)
            return false;
        for (const quint32 offset : sheets_) {
            if (!bofs_.contains(offset))
                return false;
        }
        return true;
    }

private:
    quint16 U16(quint64 at) const { return qFromLittleEndian<quint16>(record_.data() + at); }
    quint32 U32(quint64 at) const { return qFromLittleEndian<quint32>(record_.data() + at); }
    quint8 U8(quint64 at) const { return quint8(record_[qsizetype(at)]); }
    bool Holds(quint64 bytes) const { return bytes <= quint64(record_.size()); }

    bool FirstBof()
    {
        // FreeXL takes the workbook's BIFF version from it.
        if (!Holds(4))
            return false;
        const quint16 version = U16(0);
        biff8_ = version == kBiff8;
        bofs_.insert(0);
        return version == kBiff8 || version == kBiff5;
    }

    bool Record(quint16 type, quint32 at)
    {
        if (type == kContinue)
            return previous_ != kSst || SstContinues();
        previous_ = type;
        switch (type) {
        case kBof:
            bofs_.insert(at);
            dimension_.reset();
            return Holds(4);
        case kSst:
            // A second table would be read as the rest of the first.
            if (sstSeen_)
                return false;
            sstSeen_ = true;
            if (!Holds(8))
                return false;
            strings_ = U32(4);
            return SstStrings(8);
        case kCodePage:
        case kDateMode:
            return Holds(2);
        case kBoundSheet:
            return BoundSheet();
        case kDimension:
            return ReadDimension();
        case kFormat:
            // BIFF5 names its length in a byte, BIFF8 in two and then its characters.
            return biff8_ ? Holds(4) && TextFits(4, U16(2)) : Holds(4);
        case kXf:
            return Holds(4) && ++xfs_ <= kMaxXfs;
        case kNumber:
            return Holds(14) && Cells(U16(0), U16(2), 1);
        case kBoolErr:
            return Holds(8) && Cells(U16(0), U16(2), 1);
        case kRk:
        case kLabelSst:
            return Holds(10) && Cells(U16(0), U16(2), 1);
        case kMulRk:
            // Six bytes a value after the row and the first column, the last column after them.
            return Holds(6) && Cells(U16(0), U16(2), (record_.size() - 5) / 6);
        case kLabel:
            if (!Holds(8) || !Cells(U16(0), U16(2), 1))
                return false;
            return biff8_ ? TextFits(8, U16(6)) : Holds(8 + quint64(U16(6)));
        default:
            return true;
        }
    }

    // A BIFF8 text of `characters` whose flags are at `at`: its optional counts, then its
    // characters (one byte or two each), all inside the record.
    bool TextFits(quint64 at, quint64 characters) const
    {
        if (!Holds(at + 1))
            return false;
        const quint8 flags = U8(at);
        const quint64 header = 1 + (flags & 0x08 ? 2 : 0) + (flags & 0x04 ? 4 : 0);
        return Holds(at + header + characters * (flags & 0x01 ? 2 : 1));
    }

    bool BoundSheet()
    {
        if (!Holds(biff8_ ? 8 : 7))
            return false;
        sheets_.push_back(U32(0));
        const quint64 characters = U8(6);
        return biff8_ ? Holds(8 + characters * (U8(7) == 0 ? 1 : 2)) : Holds(7 + characters);
    }

    bool ReadDimension()
    {
        if (!Holds(biff8_ ? 14 : 10))
            return false;
        const Dimension dimension = biff8_ ? Dimension{U32(4), U16(10)} : Dimension{U16(2), U16(6)};
        if (dimension.rows > kMaxRows || dimension.columns > kMaxColumns)
            return false;
        dimension_ = dimension;
        return true;
    }

    // `count` cells from (`row`, `column`) along the row; without a DIMENSION FreeXL sizes
    // the sheet by its cells.
    bool Cells(quint32 row, quint32 column, quint32 count) const
    {
        const quint32 last = column + std::max<quint32>(count, 1) - 1;
        if (last >= kMaxColumns)
            return false;
        return !dimension_ || (row < dimension_->rows && last < dimension_->columns);
    }

    // The strings of the shared string table from `at` on, as FreeXL reads them: a string
    // whose characters run past the record goes on in the next CONTINUE, after a byte of
    // flags; what follows a string's characters (its rich-text runs and phonetic text) is
    // skipped, into the next record if need be.
    bool SstStrings(quint64 at)
    {
        for (; index_ < strings_; ++index_) {
            if (!Holds(at + 1))
                return true;
            at += nextSkip_;
            if (!Holds(at + 3))
                return false;
            const quint64 characters = U16(at);
            const quint8 flags = U8(at + 2);
            const quint64 runsAt = at + 3;
            const quint64 extAt = runsAt + (flags & 0x08 ? 2 : 0);
            const quint64 textAt = extAt + (flags & 0x04 ? 4 : 0);
            if (!Holds(textAt))
                return false;
            const quint64 skip =
                (flags & 0x08 ? quint64(U16(runsAt)) * 4 : 0) + (flags & 0x04 ? U32(extAt) : 0);
            const quint64 width = flags & 0x01 ? 2 : 1;
            const quint64 available = quint64(record_.size()) - textAt;
            nextSkip_ = 0;
            if (characters * width > available) {
                splitCharacters_ = characters - available / width;
                splitSkip_ = skip;
                return true;
            }
            at = textAt + characters * width + skip;
            nextSkip_ = Holds(at) ? 0 : at - quint64(record_.size());
        }
        return true;
    }

    bool SstContinues()
    {
        if (splitCharacters_ == 0)
            return SstStrings(0);
        // FreeXL reads the rest of a split string from this record alone.
        if (!Holds(1))
            return false;
        const quint64 end = 1 + splitCharacters_ * (U8(0) & 0x01 ? 2 : 1);
        if (!Holds(end))
            return false;
        splitCharacters_ = 0;
        ++index_;
        // What follows such a string is not carried into the next record.
        return SstStrings(end + splitSkip_);
    }

    QByteArrayView stream_;
    QByteArrayView record_;
    bool biff8_ = false;
    quint16 previous_ = 0;
    std::set<quint32> bofs_;
    std::vector<quint32> sheets_;
    std::optional<Dimension> dimension_;
    int xfs_ = 0;
    bool sstSeen_ = false;
    quint32 strings_ = 0;
    quint32 index_ = 0;
    quint64 nextSkip_ = 0;
    quint64 splitCharacters_ = 0;
    quint64 splitSkip_ = 0;
};

} // namespace

bool IsSoundBiffStream(QByteArrayView stream)
{
    return BiffStream(stream).IsSound();
}
