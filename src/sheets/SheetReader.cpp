#include "sheets/SheetReader.h"

#include <QCoreApplication>

#include "common/InputFile.h"
#include "sheets/CsvSheet.h"
#include "sheets/XlsReaderProcess.h"
#include "sheets/XlsSheet.h"
#include "sheets/XlsxSheet.h"

#include <QFile>
#include <algorithm>
#include <optional>

namespace {

// The device's bytes, but no more than `limit` + 1, so that a longer one is known.
std::optional<QByteArray> ReadAtMost(QIODevice& device, qint64 limit, QString* reason)
{
    QByteArray bytes;
    if (!ReadInto(device, &bytes, limit + 1, reason))
        return std::nullopt;
    return bytes;
}

} // namespace

std::unique_ptr<Sheet> OpenSheet(const QString& path, QString* reason, int rows)
{
    QFile file;
    QString why;
    if (!OpenInputFile(path, file, &why)) {
        *reason = QCoreApplication::translate("SheetReader", "It cannot be opened: %1.").arg(why);
        return nullptr;
    }
    return ReadSheet(file, reason, XlsReading::InReaderProcess, rows);
}

std::unique_ptr<Sheet> ReadSheet(QIODevice& device, QString* reason, XlsReading xls, int rows)
{
    const QByteArray start = device.peek(kXlsSignature.size());
    if (IsXlsWorkbook(start)) {
        // FreeXL takes the workbook whole; one larger than its reader takes is refused here,
        // before any process is started for it.
        const std::optional<QByteArray> workbook =
            ReadAtMost(device, SheetLimits::kXlsBytes, reason);
        if (!workbook)
            return nullptr;
        if (xls == XlsReading::InThisProcess || workbook->size() > SheetLimits::kXlsBytes)
            return ReadXlsSheet(*workbook, reason, rows);
        return ReadXlsSheetInReader(*workbook, reason, rows);
    }
    if (IsZipArchive(start)) {
        // A zip archive is read from its end, and its parts in any order: it is taken in whole.
        const std::optional<QByteArray> workbook =
            ReadAtMost(device, SheetLimits::kZipBytes, reason);
        if (!workbook)
            return nullptr;
        if (workbook->size() > SheetLimits::kZipBytes) {
            *reason =
                QCoreApplication::translate(
                    "SheetReader", "The workbook is larger than %1 MB; a table of 100 records "
                                   "takes far less.")
                    .arg(SheetLimits::kZipBytes >> 20);
            return nullptr;
        }
        return ReadXlsxSheet(*workbook, reason, rows);
    }
    return ReadCsvSheet(device, reason, rows);
}
