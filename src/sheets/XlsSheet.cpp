#include "sheets/XlsSheet.h"

#include <QCoreApplication>

#include "xlscheck/CompoundFile.h"
#include "sheets/Sheet.h"

#include <QDate>
#include <QTime>
#include <algorithm>
#include <cerrno>
#include <freexl.h>
#include <sys/mman.h>
#include <unistd.h>

namespace {

// Closes the workbook on every way out; FreeXL wants that even after a failed open.
class Workbook
{
public:
    ~Workbook() { freexl_close(handle_); }
    const void** Out() { return &handle_; }
    const void* Handle() const { return handle_; }

private:
    const void* handle_ = nullptr;
};

QString Reason(int error)
{
    return QCoreApplication::translate(
               "SheetReader", "The workbook is damaged or of a kind that cannot be read (FreeXL "
                              "error %1).")
        .arg(error);
}

// FreeXL gives dates as "YYYY-MM-DD", date-times as "YYYY-MM-DD HH:MM:SS" and times as
// "HH:MM:SS".
QString DateCellText(unsigned char type, const QString& text)
{
    const QString datePart = type == FREEXL_CELL_TIME ? QString() : text.section(' ', 0, 0);
    const QString timePart = type == FREEXL_CELL_DATE ? QString() : text.section(' ', -1);
    const QDate date = QDate::fromString(datePart, Qt::ISODate);
    const QTime time = QTime::fromString(timePart, Qt::ISODate);
    if (type == FREEXL_CELL_DATE)
        return date.isValid() ? SheetDateText(date) : text;
    if (type == FREEXL_CELL_TIME)
        return time.isValid() ? SheetTimeText(time) : text;
    return date.isValid() && time.isValid() ? SheetDateTimeText(date, time) : text;
}

// FreeXL opens workbooks by name only: the bytes are given one in an anonymous file in
// memory, named through /proc.
class MemoryFile
{
public:
    explicit MemoryFile(QByteArrayView bytes) : fd_(::memfd_create("qx390d-xls", MFD_CLOEXEC))
    {
        for (qsizetype done = 0; fd_ >= 0 && done < bytes.size();) {
            const ssize_t written = ::write(fd_, bytes.data() + done, size_t(bytes.size() - done));
            if (written < 0 && errno == EINTR)
                continue;
            if (written <= 0) {
                error_ = errno;
                ::close(fd_);
                fd_ = -1;
                break;
            }
            done += written;
        }
        if (fd_ < 0 && error_ == 0)
            error_ = errno;
    }
    ~MemoryFile()
    {
        if (fd_ >= 0)
            ::close(fd_);
    }
    MemoryFile(const MemoryFile&) = delete;
    MemoryFile& operator=(const MemoryFile&) = delete;

    bool IsOpen() const { return fd_ >= 0; }
    QString ErrorString() const { return qt_error_string(error_); }
    QByteArray Name() const { return "/proc/self/fd/" + QByteArray::number(fd_); }

private:
    int fd_;
    int error_ = 0;
};

} // namespace

bool IsXlsWorkbook(const QByteArray& start)
{
    return start.startsWith(kXlsSignature);
}

std::unique_ptr<Sheet> ReadXlsSheet(QByteArrayView workbookBytes, QString* reason, int rows)
{
    if (workbookBytes.size() > SheetLimits::kXlsBytes) {
        *reason = QCoreApplication::translate(
                      "SheetReader", "The workbook is larger than %1 MB; a table of 100 records "
                                     "takes far less.")
                      .arg(SheetLimits::kXlsBytes >> 20);
        return nullptr;
    }
    // FreeXL trusts the compound file's sizes and sector numbers and the workbook's records:
    // a damaged one never reaches it.
    if (!IsSoundCompoundFile(workbookBytes)) {
        *reason = Reason(FREEXL_CRAFTED_FILE);
        return nullptr;
    }
    const MemoryFile file(workbookBytes);
    if (!file.IsOpen()) {
        *reason = QCoreApplication::translate("SheetReader", "It cannot be read: %1.")
                      .arg(file.ErrorString());
        return nullptr;
    }
    Workbook workbook;
    int error = freexl_open(file.Name().constData(), workbook.Out());
    if (error == FREEXL_OK)
        error = freexl_select_active_worksheet(workbook.Handle(), 0);
    unsigned int lastRows = 0;
    unsigned short columns = 0;
    if (error == FREEXL_OK)
        error = freexl_worksheet_dimensions(workbook.Handle(), &lastRows, &columns);
    if (error != FREEXL_OK) {
        *reason = Reason(error);
        return nullptr;
    }

    auto sheet = std::make_unique<SheetCells>(rows);
    for (unsigned int r = 0; r < std::min<unsigned int>(lastRows, rows); ++r) {
        for (unsigned short c = 0; c < std::min<unsigned short>(columns, Sheet::kColumns); ++c) {
            FreeXL_CellValue cell;
            error = freexl_get_cell_value(workbook.Handle(), r, c, &cell);
            if (error != FREEXL_OK) {
                *reason = Reason(error);
                return nullptr;
            }
            QString text;
            switch (cell.type) {
            case FREEXL_CELL_INT:
                text = QString::number(cell.value.int_value);
                break;
            case FREEXL_CELL_DOUBLE:
                text = SheetNumberText(cell.value.double_value);
                break;
            case FREEXL_CELL_TEXT:
            case FREEXL_CELL_SST_TEXT:
                text = QString::fromUtf8(cell.value.text_value);
                break;
            case FREEXL_CELL_DATE:
            case FREEXL_CELL_DATETIME:
            case FREEXL_CELL_TIME:
                text = DateCellText(cell.type, QString::fromLatin1(cell.value.text_value));
                break;
            default: // FREEXL_CELL_NULL
                break;
            }
            sheet->SetCellText(char('A' + c), int(r) + 1, text);
        }
    }
    return sheet;
}
