#include "data/SheetImport.h"

#include "common/FileDialogs.h"
#include "common/Prompter.h"
#include "data/DataTexts.h"
#include "data/RecordTable.h"
#include "data/Sheet.h"
#include "link/LinkState.h"

#include <QDir>
#include <QFileInfo>

void ImportRecordTable(RecordTable& table, Prompter& prompter, FileDialogs& dialogs, QWidget* owner,
                       const std::function<void()>& busy)
{
    const QString path = dialogs.OpenFileName(owner, importFilter);
    if (path.isEmpty())
        return;
    if (busy)
        busy();
    if (!QFileInfo::exists(path))
        return;

    // The whole sheet is read before the table is touched.
    QString reason;
    const std::unique_ptr<Sheet> sheet = OpenSheet(path, &reason);
    if (!sheet) {
        prompter.Notify(owner,
                        DataText::ImportUnreadable + QDir::toNativeSeparators(path) +
                            QLatin1String("\r\n") + reason,
                        Prompter::Icon::Warning);
        return;
    }

    table.RemoveAllRows();
    const QString header = sheet->CellText('A', 1);
    const bool headerPassed = header == QLatin1String("No.") || header == QStringLiteral("序号");
    if (headerPassed) {
        for (int r = 2; r <= Sheet::kRows; ++r) {
            const QString number = sheet->CellText('A', r);
            if (number.isEmpty())
                break;
            table.InsertRow(r - 2, number);
            for (char column = 'B'; column <= 'G'; ++column) {
                QString text = sheet->CellText(column, r);
                if (text.startsWith(QLatin1Char('.')))
                    text.prepend(QLatin1Char('0'));
                table.SetCellText(r - 2, column - 'A', text);
            }
        }
    } else {
        prompter.Notify(owner, DataText::ImportBadHeader, Prompter::Icon::Information);
    }
    // The rows are no longer the meter's, so nothing may be deleted by row.
    storedRecordCount = 0;
    if (headerPassed)
        prompter.Notify(owner, DataText::ImportSucceeded, Prompter::Icon::Information);
}
