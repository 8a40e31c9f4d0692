#include "archive/ArchiveImport.h"

#include "sheets/Sheet.h"

std::optional<QList<QStringList>> ReadRecordFile(const QString& path, QString* reason)
{
    const std::unique_ptr<Sheet> sheet = OpenSheet(path, reason);
    if (!sheet)
        return std::nullopt;
    const QString header = sheet->CellText('A', 1);
    if (header != QLatin1String("No.") && header != QStringLiteral("序号")) {
        *reason = QStringLiteral("it is not a record table (cell A1 is neither \"No.\" nor "
                                 "\"序号\")");
        return std::nullopt;
    }
    QList<QStringList> rows;
    for (int r = 2; r <= Sheet::kRows; ++r) {
        const QString number = sheet->CellText('A', r);
        if (number.isEmpty())
            break;
        QStringList texts{number};
        for (char column = 'B'; column <= 'G'; ++column) {
            QString text = sheet->CellText(column, r);
            if (text.startsWith(QLatin1Char('.')))
                text.prepend(QLatin1Char('0'));
            texts << text;
        }
        rows << texts;
    }
    return rows;
}
