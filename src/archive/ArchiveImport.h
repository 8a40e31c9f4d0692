#pragma once

#include <QList>
#include <QString>
#include <QStringList>
#include <optional>

// The rows of a record table file (CSV, .xls, .xlsx) as the data page's import reads them:
// the first cell "No." or "序号", rows 2 to 100 up to the first whose A cell is empty,
// columns A to G, a text in B to G that starts with "." with a "0" in front. The file is
// only read. Nothing, with `reason`, when it is no sheet or its header is wrong.
std::optional<QList<QStringList>> ReadRecordFile(const QString& path, QString* reason);
