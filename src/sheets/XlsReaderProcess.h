#pragma once

#include "sheets/Sheet.h"

#include <QByteArray>
#include <QByteArrayView>
#include <QString>
#include <memory>

// .xls workbooks are read in a process of their own, qx390d-xls-reader, which lies beside
// the program's executable: FreeXL works out a date by stepping through it day by day, so a
// workbook with dates near 2^31 takes seconds of processor time for every such cell, and a
// damaged workbook may crash it. The reader limits its own processor time and memory; the
// program waits for it no longer than its time limit and then kills it. Either way the
// table stays as it was and the operator is told.

// The reader is given the workbook's bytes on its standard input and these limits as its
// arguments ("--cpu-seconds N --memory-bytes N"), with the rows to read ("--rows N"); it
// writes its answer to its standard output.
struct XlsReaderLimits
{
    int cpuSeconds = 3;           // processor time (RLIMIT_CPU); then the kernel stops it
    int waitMilliseconds = 5000;  // how long the program waits for its answer
    qint64 memoryBytes = 1 << 30; // address space (RLIMIT_AS)
};

inline const QString xlsReaderName = QStringLiteral("qx390d-xls-reader");

// The limits every read uses from now on, in this process (tests shorten them).
XlsReaderLimits XlsReaderLimitsInForce();
void SetXlsReaderLimits(const XlsReaderLimits& limits);

// Reads the workbook (the file's bytes) in the reader process: the sheet, or nothing with
// `reason` (FreeXL's own reason, or that the reader was stopped at a limit, could not be
// started or gave no valid answer).
std::unique_ptr<Sheet> ReadXlsSheetInReader(const QByteArray& workbook, QString* reason,
                                            int rows = Sheet::kRows);

// The reader's answer on its standard output: "QX390D-XLS 1\n", then 'S' and the texts of
// the cells of columns A to G, row by row, up to the sheet's last row, or 'E' and the reason the
// workbook cannot be read; each text as its length in UTF-8 bytes (4 bytes, most significant first)
// and those bytes. `sheet` is null when the workbook cannot be read.
QByteArray XlsReaderAnswer(const Sheet* sheet, const QString& reason);
// The sheet in an answer; nothing, with `reason`, when it holds a reason or is not a
// complete, valid answer of at most `rows` rows.
std::unique_ptr<Sheet> ParseXlsReaderAnswer(QByteArrayView answer, QString* reason,
                                            int rows = Sheet::kRows);
