#pragma once

#include <QString>

class QFile;

// Opens `path` for reading as every reader of the program does: a FIFO that no one writes
// to yet does not hang the open (reads then wait for its writer, as for any reader of a
// pipe), and a folder is refused. On failure `file` stays closed and `why` holds the
// system's own words.
bool OpenInputFile(const QString& path, QFile& file, QString* why);
