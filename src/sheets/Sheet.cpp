#include "sheets/Sheet.h"

#include <QDate>
#include <QTime>
#include <algorithm>
#include <charconv>
#include <cmath>
#include <system_error>

QString SheetCells::CellText(char column, int row) const
{
    const int position = Position(column, row);
    return position < 0 ? QString() : cells_[position];
}

void SheetCells::SetCellText(char column, int row, const QString& text)
{
    const int position = Position(column, row);
    if (position >= 0)
        cells_[position] = text;
}

int SheetCells::Position(char column, int row)
{
    const int index = column - 'A';
    if (index < 0 || index >= kColumns || row < 1 || row > kRows)
        return -1;
    return (row - 1) * kColumns + index;
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
