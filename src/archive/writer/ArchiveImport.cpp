#include "archive/writer/ArchiveImport.h"

#include "sheets/SheetImport.h"
#include "sheets/SheetReader.h"

std::optional<QList<QStringList>> ReadRecordFile(const QString& path, QString* reason)
{
    const std::unique_ptr<Sheet> sheet = OpenSheet(path, reason, Sheet::kAllRows);
    if (!sheet)
        return std::nullopt;
    std::optional<QList<QStringList>> rows = RecordRows(*sheet);
    if (!rows)
        *reason = QStringLiteral("it is not a record table (cell A1 is neither \"No.\" nor "
                                 "\"序号\")");
    return rows;
}
