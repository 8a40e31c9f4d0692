#pragma once

#include <QByteArray>
#include <QByteArrayView>

// The start of every Excel 97-2003 workbook: the signature of the compound document that
// holds it.
inline const QByteArray kXlsSignature = QByteArrayLiteral("\xD0\xCF\x11\xE0\xA1\xB1\x1A\xE1");

// Whether the compound file that holds an Excel 97-2003 workbook (`file`, its bytes) is
// sound where FreeXL relies on it without checking: a header of version 3 (512-byte
// sectors) or 4 (4096-byte sectors) with 64-byte mini sectors and the cutoff of 4096; the
// FAT's sectors and the DIFAT's chain inside the file and every FAT entry a sector of the
// file or an end mark; the directory's chain, every "Workbook" or "Book" stream's chain,
// the mini stream's and the mini FAT's chains inside the file, never meeting a sector
// twice, each as long as its size says; and no name longer than its entry's 64 bytes in
// the directory's first sector (FreeXL reads no other), where only the first entry is named
// "Root Entry". FreeXL 1.0.6 reads past its buffers and frees one twice on such damage.
// Then the workbook's BIFF records as FreeXL reads them (`IsSoundBiffStream`): a stream up
// to the cutoff from the mini stream's start when there is a mini FAT, any other along its
// chain.
// The file's last sector may be cut short: FreeXL reads sectors from the file and says so
// when one comes up short.
bool IsSoundCompoundFile(QByteArrayView file);
