// Excel workbooks (.xlsx) through the import's reader (minizip and QXmlStreamReader).
//
// Input: a whole file when it starts with the zip signature "PK\3\4"; otherwise the members
// of a zip archive that this target writes in memory: each member's name, then its content,
// all separated by zero bytes ("_rels/.rels", 0, "<Relationships ...>", 0, ...). Mutations
// of that form reach the relationships, the workbook, the sheet, the shared strings and the
// styles instead of breaking the compression. The first 64 members are zipped (a workbook
// has about ten). The members are stored, not compressed, so that no run spends its time in
// zlib's compressor; the whole workbooks among the seeds have deflated parts, which the
// reader inflates.
//
// Invariants: those of CheckSheetBytes (SheetChecks.h): the file opens or a reason says
// why; nothing outside A1:G101; every cell is text the table can hold; the cells written by
// the CSV export read back as the CSV reader types them.
#include "FuzzTargets.h"
#include "SheetChecks.h"
#include "sheets/XlsxSheet.h"

#include <QBuffer>
#include <minizip/zip.h>

namespace {

// minizip's file functions on a QBuffer, so that the archive is written in memory.
voidpf ZCALLBACK BufferOpen(voidpf, const void* buffer, int)
{
    return const_cast<void*>(buffer);
}

uLong ZCALLBACK BufferRead(voidpf, voidpf buffer, void* data, uLong size)
{
    const qint64 got = static_cast<QBuffer*>(buffer)->read(static_cast<char*>(data), size);
    return got < 0 ? 0 : uLong(got);
}

uLong ZCALLBACK BufferWrite(voidpf, voidpf buffer, const void* data, uLong size)
{
    const qint64 put = static_cast<QBuffer*>(buffer)->write(static_cast<const char*>(data), size);
    return put < 0 ? 0 : uLong(put);
}

ZPOS64_T ZCALLBACK BufferTell(voidpf, voidpf buffer)
{
    return ZPOS64_T(static_cast<QBuffer*>(buffer)->pos());
}

long ZCALLBACK BufferSeek(voidpf, voidpf buffer, ZPOS64_T offset, int origin)
{
    auto* b = static_cast<QBuffer*>(buffer);
    const qint64 base = origin == ZLIB_FILEFUNC_SEEK_CUR   ? b->pos()
                        : origin == ZLIB_FILEFUNC_SEEK_END ? b->size()
                                                           : 0;
    return b->seek(base + qint64(offset)) ? 0 : -1;
}

int ZCALLBACK BufferClose(voidpf, voidpf)
{
    return 0;
}

int ZCALLBACK BufferError(voidpf, voidpf)
{
    return 0;
}

// The zip method of a member kept as it is.
constexpr int kStored = 0;
// A workbook has about ten members; an input of many zero bytes would make thousands, each
// listed by the reader for every input.
constexpr qsizetype kMembers = 64;

QByteArray Zipped(const QList<QByteArray>& parts)
{
    QBuffer buffer;
    buffer.open(QIODevice::ReadWrite);
    zlib_filefunc64_def functions{BufferOpen, BufferRead,  BufferWrite, BufferTell,
                                  BufferSeek, BufferClose, BufferError, nullptr};
    const zipFile zip = zipOpen2_64(&buffer, APPEND_STATUS_CREATE, nullptr, &functions);
    FUZZ_CHECK(zip != nullptr);
    for (qsizetype i = 0; i < parts.size(); i += 2) {
        const QByteArray content = parts.value(i + 1);
        if (zipOpenNewFileInZip(zip, parts[i].constData(), nullptr, nullptr, 0, nullptr, 0, nullptr,
                                kStored, 0) != ZIP_OK)
            continue;
        FUZZ_CHECK(zipWriteInFileInZip(zip, content.constData(), unsigned(content.size())) ==
                   ZIP_OK);
        FUZZ_CHECK(zipCloseFileInZip(zip) == ZIP_OK);
    }
    FUZZ_CHECK(zipClose(zip, nullptr) == ZIP_OK);
    return buffer.data();
}

} // namespace

int FuzzXlsxReader(const uint8_t* data, size_t size)
{
    const QByteArray bytes(reinterpret_cast<const char*>(data), qsizetype(size));
    CheckSheetBytes(IsZipArchive(bytes) ? bytes : Zipped(bytes.split('\0').mid(0, 2 * kMembers)));
    return 0;
}
