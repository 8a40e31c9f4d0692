// Excel workbooks (.xlsx) through the import's reader (minizip and QXmlStreamReader).
//
// Input: a whole file when it starts with the zip signature "PK\3\4"; otherwise the members
// of a zip archive that this target writes, deflated: each member's name, then its content,
// all separated by zero bytes ("_rels/.rels", 0, "<Relationships ...>", 0, ...). Mutations
// of that form reach the relationships, the workbook, the sheet, the shared strings and the
// styles instead of breaking the compression.
//
// Invariants: those of CheckSheetBytes (SheetChecks.h): the file opens or a reason says
// why; the same bytes under another name read the same; nothing outside A1:G100; every
// cell is text the table can hold; the cells written by the CSV export read back as the
// CSV reader types them.
#include "FuzzTargets.h"
#include "SheetChecks.h"
#include "sheets/XlsxSheet.h"

#include <QFile>
#include <minizip/zip.h>

namespace {

QByteArray Zipped(const QList<QByteArray>& parts)
{
    const QString path = FuzzPath(QStringLiteral("members.zip"));
    const zipFile zip = zipOpen(QFile::encodeName(path).constData(), APPEND_STATUS_CREATE);
    FUZZ_CHECK(zip != nullptr);
    for (qsizetype i = 0; i < parts.size(); i += 2) {
        const QByteArray content = parts.value(i + 1);
        if (zipOpenNewFileInZip(zip, parts[i].constData(), nullptr, nullptr, 0, nullptr, 0, nullptr,
                                Z_DEFLATED, Z_DEFAULT_COMPRESSION) != ZIP_OK)
            continue;
        FUZZ_CHECK(zipWriteInFileInZip(zip, content.constData(), unsigned(content.size())) ==
                   ZIP_OK);
        FUZZ_CHECK(zipCloseFileInZip(zip) == ZIP_OK);
    }
    FUZZ_CHECK(zipClose(zip, nullptr) == ZIP_OK);
    QFile file(path);
    FUZZ_CHECK(file.open(QIODevice::ReadOnly));
    return file.readAll();
}

} // namespace

int FuzzXlsxReader(const uint8_t* data, size_t size)
{
    const QByteArray bytes(reinterpret_cast<const char*>(data), qsizetype(size));
    CheckSheetBytes(IsZipArchive(bytes) ? bytes : Zipped(bytes.split('\0')));
    return 0;
}
