#pragma once

#include <QList>
#include <QString>
#include <QStringList>
#include <optional>

// The rows of a record table file (CSV, .xls, .xlsx) as the data page's import reads them
// (OpenSheet and RecordRows), but all of them, where a page takes the first 100. The file is
// only read. Nothing, with `reason`, when it is no
// sheet or its header is wrong.
std::optional<QList<QStringList>> ReadRecordFile(const QString& path, QString* reason);
