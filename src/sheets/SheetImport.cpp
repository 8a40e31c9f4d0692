#include "sheets/SheetImport.h"

#include "common/FileDialogs.h"
#include "common/Prompter.h"
#include "sheets/SheetReader.h"

#include <QDir>
#include <QFileInfo>

std::optional<QList<QStringList>> RecordRows(const Sheet& sheet)
{
    const QString header = sheet.CellText('A', 1);
    if (header != QLatin1String("No.") && header != QStringLiteral("序号"))
        return std::nullopt;
    QList<QStringList> rows;
    for (int r = 2; r <= sheet.Rows(); ++r) {
        const QString number = sheet.CellText('A', r);
        if (number.isEmpty())
            break;
        QStringList row{number};
        for (char column = 'B'; column <= 'G'; ++column) {
            QString text = sheet.CellText(column, r);
            if (text.startsWith(QLatin1Char('.')))
                text.prepend(QLatin1Char('0'));
            row << text;
        }
        rows << row;
    }
    return rows;
}

void ImportRecordTable(Prompter& prompter, FileDialogs& dialogs, QWidget* owner,
                       const ReplaceRows& replace, const std::function<void()>& busy)
{
    const QString path = dialogs.OpenFileName(owner, importFilter());
    if (path.isEmpty())
        return;
    if (busy)
        busy();
    if (!QFileInfo::exists(path))
        return;

    // The whole sheet is read before the table is touched, every row of it, so that the
    // operator learns what a full page leaves out; a file whose rows beyond a page's pass a
    // reader's limits is read as far as a page goes, as it always was.
    QString reason;
    std::unique_ptr<Sheet> sheet = OpenSheet(path, &reason, Sheet::kAllRows);
    if (!sheet)
        sheet = OpenSheet(path, &reason);
    if (!sheet) {
        prompter.Notify(owner,
                        ImportText::Unreadable() + QDir::toNativeSeparators(path) +
                            QLatin1String("\r\n") + reason,
                        Prompter::Icon::Warning);
        return;
    }

    // The table is touched only once the header is known to be right.
    const std::optional<QList<QStringList>> rows = RecordRows(*sheet);
    if (!rows) {
        prompter.Notify(owner, ImportText::BadHeader(), Prompter::Icon::Information);
        return;
    }
    replace(RecordRowsOfTexts(rows->first(std::min<qsizetype>(rows->size(), kPageRecords))),
            rows->size());
    prompter.Notify(owner, ImportText::Succeeded(), Prompter::Icon::Information);
}
