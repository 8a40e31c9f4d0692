#include "common/OutputFile.h"

#include <QCoreApplication>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>

OutputFile::OutputFile(QString path, QIODevice& standardOutput)
    : path_(std::move(path)), standardOutput_(standardOutput)
{
}

OutputFile::~OutputFile() = default;

bool OutputFile::IsWrittenInPlace(const QString& path)
{
    if (path == QLatin1String("-"))
        return true;
    // Follows a symbolic link: /dev/stdout and the like are written into too.
    const QFileInfo info(path);
    return info.exists() && !info.isFile() && !info.isDir();
}

QString OutputFile::Failure(const QString& reason) const
{
    if (path_ == QLatin1String("-"))
        return QCoreApplication::translate("OutputFile", "cannot write to standard output: %1")
            .arg(reason);
    return QCoreApplication::translate("OutputFile", "cannot write %1: %2").arg(path_, reason);
}

bool OutputFile::Open(QString* error)
{
    if (path_ == QLatin1String("-")) {
        device_ = &standardOutput_;
        return true;
    }
    if (IsWrittenInPlace(path_)) {
        // A temporary file renamed over a device or a FIFO would replace it by a regular
        // file (as root, /dev/null itself).
        inPlace_ = std::make_unique<QFile>(path_);
        device_ = inPlace_.get();
        if (!inPlace_->open(QIODevice::WriteOnly | QIODevice::Unbuffered)) {
            *error = Failure(inPlace_->errorString());
            return false;
        }
        return true;
    }
    replacement_ = std::make_unique<QSaveFile>(path_);
    device_ = replacement_.get();
    if (!replacement_->open(QIODevice::WriteOnly)) {
        *error = Failure(replacement_->errorString());
        return false;
    }
    return true;
}

bool OutputFile::Write(const QByteArray& bytes)
{
    if (ok_ && device_->write(bytes) != bytes.size())
        ok_ = false;
    return ok_;
}

bool OutputFile::Commit(QString* error)
{
    if (replacement_) {
        // Not committed, the temporary file is removed and the old file stays.
        if (!ok_ || !replacement_->commit()) {
            *error = Failure(replacement_->errorString());
            return false;
        }
        return true;
    }
    if (inPlace_)
        inPlace_->close();
    if (!ok_) {
        *error = Failure(device_->errorString());
        return false;
    }
    return true;
}
