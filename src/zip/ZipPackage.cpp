#include "zip/ZipPackage.h"

#include <QCoreApplication>
#include <QDir>
#include <QIODevice>
#include <QXmlStreamReader>
#include <algorithm>
#include <cstring>
#include <minizip/unzip.h>

// The texts here end up inside the sheet reader's message about a damaged workbook, so
// they are translated in its context.

namespace {

// The zip archive in memory, as minizip's file functions see it.
struct Archive
{
    QByteArrayView bytes;
    qsizetype at = 0;
};

// minizip's file functions on an Archive, which is the "file name" minizip passes to open.
voidpf ZCALLBACK ArchiveOpen(voidpf, const void* archive, int)
{
    return const_cast<void*>(archive);
}

uLong ZCALLBACK ArchiveRead(voidpf, voidpf stream, void* buffer, uLong size)
{
    auto* archive = static_cast<Archive*>(stream);
    const qsizetype count = std::min<qsizetype>(size, archive->bytes.size() - archive->at);
    std::memcpy(buffer, archive->bytes.data() + archive->at, size_t(count));
    archive->at += count;
    return uLong(count);
}

uLong ZCALLBACK ArchiveWrite(voidpf, voidpf, const void*, uLong)
{
    return 0;
}

ZPOS64_T ZCALLBACK ArchiveTell(voidpf, voidpf stream)
{
    return ZPOS64_T(static_cast<Archive*>(stream)->at);
}

long ZCALLBACK ArchiveSeek(voidpf, voidpf stream, ZPOS64_T offset, int origin)
{
    auto* archive = static_cast<Archive*>(stream);
    const qsizetype size = archive->bytes.size();
    qsizetype base = 0;
    if (origin == ZLIB_FILEFUNC_SEEK_CUR)
        base = archive->at;
    else if (origin == ZLIB_FILEFUNC_SEEK_END)
        base = size;
    // Offsets come from the archive's own headers; beyond the end there is nothing to read.
    if (offset > ZPOS64_T(size) || base + qsizetype(offset) > size)
        return -1;
    archive->at = base + qsizetype(offset);
    return 0;
}

int ZCALLBACK ArchiveClose(voidpf, voidpf)
{
    return 0;
}

int ZCALLBACK ArchiveError(voidpf, voidpf)
{
    return 0;
}

// The member of the zip archive that unzOpenCurrentFile opened, read through, but not
// beyond `limit` bytes.
class MemberDevice : public QIODevice
{
public:
    MemberDevice(unzFile zip, qint64 limit) : zip_(zip), left_(limit) { open(QIODevice::ReadOnly); }

    bool TooLarge() const { return left_ <= 0; }

protected:
    qint64 readData(char* data, qint64 size) override
    {
        if (TooLarge())
            return -1;
        const int got = unzReadCurrentFile(zip_, data, unsigned(std::min({size, left_, kChunk})));
        if (got < 0)
            return -1;
        left_ -= got;
        return got;
    }
    qint64 writeData(const char*, qint64) override { return -1; }

private:
    static constexpr qint64 kChunk = 1 << 20;
    unzFile zip_;
    qint64 left_;
};

// Names are compared as minizip's unzLocateFile compares them: as C strings of at most
// 256 bytes, ASCII letters without regard to case; of equal names the first counts.
constexpr int kMaxName = 256;

QByteArray Key(const QString& part)
{
    return QByteArray(part.toUtf8().constData()).toLower();
}

} // namespace

struct ZipPackage::Zip
{
    Archive archive;
    qint64 maxPartBytes;
    unzFile file = nullptr;
    QHash<QByteArray, unz64_file_pos> members;
};

bool PackageRelationship::IsOf(QLatin1StringView kind) const
{
    return type.endsWith(QLatin1Char('/') + kind);
}

ZipPackage::ZipPackage(QByteArrayView bytes, qint64 maxPartBytes)
    : zip_(new Zip{{bytes}, maxPartBytes})
{
    zlib_filefunc64_def functions{ArchiveOpen, ArchiveRead,  ArchiveWrite, ArchiveTell,
                                  ArchiveSeek, ArchiveClose, ArchiveError, nullptr};
    zip_->file = unzOpen2_64(&zip_->archive, &functions);
}

ZipPackage::~ZipPackage()
{
    if (zip_->file)
        unzClose(zip_->file);
}

bool ZipPackage::IsOpen() const
{
    return zip_->file != nullptr;
}

std::optional<qint64> ZipPackage::MemberCount() const
{
    unz_global_info64 info;
    if (unzGetGlobalInfo64(zip_->file, &info) != UNZ_OK)
        return std::nullopt;
    return qint64(std::min<ZPOS64_T>(info.number_entry, ZPOS64_T(INT64_MAX)));
}

void ZipPackage::ListMembers()
{
    char name[kMaxName + 1];
    name[kMaxName] = '\0';
    unzFile zip = zip_->file;
    for (int found = unzGoToFirstFile(zip); found == UNZ_OK; found = unzGoToNextFile(zip)) {
        unz64_file_pos position;
        if (unzGetCurrentFileInfo64(zip, nullptr, name, kMaxName, nullptr, 0, nullptr, 0) ==
                UNZ_OK &&
            unzGetFilePos64(zip, &position) == UNZ_OK) {
            const QByteArray key = QByteArray(name).toLower();
            if (!zip_->members.contains(key))
                zip_->members.insert(key, position);
        }
    }
}

bool ZipPackage::Has(const QString& part) const
{
    return zip_->members.contains(Key(part));
}

bool ZipPackage::Read(const QString& part, const std::function<void(QXmlStreamReader&)>& parse,
                      QString* damage)
{
    const auto member = zip_->members.constFind(Key(part));
    if (member == zip_->members.cend()) {
        *damage = QCoreApplication::translate("SheetReader", "%1 is missing").arg(part);
        return false;
    }
    unzFile zip = zip_->file;
    unz64_file_pos position = *member;
    int error = unzGoToFilePos64(zip, &position);
    if (error == UNZ_OK)
        error = unzOpenCurrentFile(zip);
    if (error != UNZ_OK) {
        *damage =
            QCoreApplication::translate("SheetReader", "%1: zip error %2").arg(part).arg(error);
        return false;
    }
    damage->clear();
    {
        MemberDevice device(zip, zip_->maxPartBytes);
        QXmlStreamReader xml(&device);
        if (xml.readNextStartElement())
            parse(xml);
        if (device.TooLarge())
            *damage = QCoreApplication::translate("SheetReader", "%1 unpacks to more than %2 bytes")
                          .arg(part)
                          .arg(zip_->maxPartBytes);
        else if (xml.hasError())
            *damage = part + QStringLiteral(": ") + xml.errorString();
    }
    // The checksum is known only when the part was read to its end.
    if (unzCloseCurrentFile(zip) == UNZ_CRCERROR && damage->isEmpty())
        *damage = QCoreApplication::translate("SheetReader", "%1: its checksum is wrong").arg(part);
    return damage->isEmpty();
}

bool ZipPackage::ReadRelationships(const QString& part,
                                   QHash<QString, PackageRelationship>* relationships,
                                   QString* damage)
{
    const qsizetype slash = part.lastIndexOf(QLatin1Char('/'));
    const QString folder = part.left(slash + 1);
    const QString name =
        folder + QStringLiteral("_rels/") + part.mid(slash + 1) + QStringLiteral(".rels");
    return Read(
        name,
        [&](QXmlStreamReader& xml) {
            while (xml.readNextStartElement()) {
                const QXmlStreamAttributes attributes = xml.attributes();
                if (xml.name() == u"Relationship" &&
                    attributes.value(QLatin1StringView("TargetMode")) != u"External") {
                    const QString target = attributes.value(QLatin1StringView("Target")).toString();
                    relationships->insert(attributes.value(QLatin1StringView("Id")).toString(),
                                          {attributes.value(QLatin1StringView("Type")).toString(),
                                           target.startsWith(QLatin1Char('/'))
                                               ? target.mid(1)
                                               : QDir::cleanPath(folder + target)});
                }
                xml.skipCurrentElement();
            }
        },
        damage);
}
