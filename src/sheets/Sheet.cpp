#include "sheets/Sheet.h"

#include <QCoreApplication>
#include <QDate>
#include <QFileDevice>
#include <QTime>
#include <algorithm>
#include <charconv>
#include <cmath>
#include <system_error>

QString SheetCells::CellText(char column, int row) const
{
    const int position = Position(column, row);
    return position < 0 ? QString() : cells_.value(position);
}

void SheetCells::SetCellText(char column, int row, const QString& text)
{
    const int position = Position(column, row);
    if (position < 0)
        return;
    // Whole rows, so that Rows() counts the row of the last cell set.
    if (position >= cells_.size())
        cells_.resize((position / kColumns + 1) * kColumns);
    cells_[position] = text;
}

int SheetCells::Position(char column, int row) const
{
    const int index = column - 'A';
    if (index < 0 || index >= kColumns || row < 1 || row > rows_)
        return -1;
    return (row - 1) * kColumns + index;
}

bool ReadInto(QIODevice& device, QByteArray* bytes, qint64 size, QString* reason)
{
    while (bytes->size() < size) {
        // A file or a buffer says what is left: no larger read than that.
        qint64 ask = std::min<qint64>(size - bytes->size(), 1 << 20);
        if (!device.isSequential())
            ask = std::min(ask, device.bytesAvailable());
        const QByteArray chunk = ask > 0 ? device.read(ask) : QByteArray();
        if (chunk.isEmpty())
            break;
        *bytes += chunk;
    }
    if (auto* file = qobject_cast<QFileDevice*>(&device);
        file && file->error() != QFileDevice::NoError) {
        *reason = QCoreApplication::translate("SheetReader", "It cannot be read: %1.")
                      .arg(file->errorString());
        return false;
    }
    return true;
}

QString SheetNumberText(double value)
{
    if (!std::isfinite(value))
        return QString::number(value);
    // Rounded to 15 significant digits first, as a spreadsheet shows a number, so that
    // 0.1 + 0.2 reads "0.3"; then written out in full, without an exponent.
    char buffer[512];
    const char* end =
        std::to_chars(buffer, buffer + sizeof buffer, value, std::chars_format::general, 15).ptr;
    double rounded = 0.0;
    std::from_chars(buffer, end, rounded);
    if (rounded == 0.0)
        return QStringLiteral("0");
    const std::to_chars_result fixed =
        std::to_chars(buffer, buffer + sizeof buffer, rounded, std::chars_format::fixed);
    if (fixed.ec != std::errc())
        return QString::number(rounded, 'g', 15);
    return QString::fromLatin1(buffer, fixed.ptr - buffer);
}

QString SheetDateText(const QDate& date)
{
    return QString::asprintf("%d-%d-%d", date.year(), date.month(), date.day());
}

QString SheetTimeText(const QTime& time)
{
    QString text = QString::asprintf("%d:%02d", time.hour(), time.minute());
    if (time.second() != 0)
        text += QString::asprintf(":%02d", time.second());
    return text;
}

QString SheetDateTimeText(const QDate& date, const QTime& time)
{
    return SheetDateText(date) + QLatin1Char(' ') + SheetTimeText(time);
}
