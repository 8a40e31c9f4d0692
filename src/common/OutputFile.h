#pragma once

#include <QString>
#include <memory>

class QFile;
class QIODevice;
class QSaveFile;

// Where a command's output goes, as scripts expect it: "-" is standard output; a character
// device, a FIFO or a socket is written into as it stands and never replaced; a regular
// file (or a new name) is written through a temporary file beside it that replaces it only
// once complete, so a failed run leaves the old file as it was.
class OutputFile
{
public:
    // `standardOutput` stands for "-".
    OutputFile(QString path, QIODevice& standardOutput);
    ~OutputFile();
    OutputFile(const OutputFile&) = delete;
    OutputFile& operator=(const OutputFile&) = delete;

    // Opens the output; on failure `error` reads "cannot write PATH: reason".
    bool Open(QString* error);
    // Writes all of `bytes`; false when some could not be written.
    bool Write(const QByteArray& bytes);
    // Ends the output: the replacement of a regular file happens here. On failure `error`
    // names the output and the reason.
    bool Commit(QString* error);

    // True for "-" and for anything that is not a regular file or a new name.
    static bool IsWrittenInPlace(const QString& path);

private:
    QString Failure(const QString& reason) const;

    QString path_;
    QIODevice& standardOutput_;
    std::unique_ptr<QSaveFile> replacement_;
    std::unique_ptr<QFile> inPlace_;
    QIODevice* device_ = nullptr;
    bool ok_ = true;
};
