#pragma once

#include "sheets/Sheet.h"

#include <QString>
#include <memory>

class QIODevice;

// Opens `path` for reading only and reads it as an .xls workbook or an .xlsx workbook (the
// first worksheet of either) or as CSV text, as its content says, whatever its name. Nothing,
// with `reason` telling the operator why, when the file cannot be read or is neither. A
// device or a pipe is read as a file is, and a pipe that no one writes to reads as empty.
// The first `rows` rows are read (Sheet::kAllRows: the whole table, as far as the limits
// let it).
std::unique_ptr<Sheet> OpenSheet(const QString& path, QString* reason, int rows = Sheet::kRows);

// Where an .xls workbook is read: in the reader process (FreeXL may loop for minutes over a
// hostile workbook, or crash; XlsReaderProcess.h), or here, by the reader process itself and
// the fuzz targets.
enum class XlsReading { InReaderProcess, InThisProcess };

// The same from `device`, open for reading: a file, a buffer (the bytes in memory), a device
// or a pipe. OpenSheet reads a file through it.
std::unique_ptr<Sheet> ReadSheet(QIODevice& device, QString* reason,
                                 XlsReading xls = XlsReading::InReaderProcess,
                                 int rows = Sheet::kRows);
