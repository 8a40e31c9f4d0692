#include "common/NumberText.h"

#include <QByteArray>
#include <charconv>
#include <clocale>
#include <cstdlib>
#include <locale.h>

namespace {

bool IsBlank(QChar c)
{
    return c == QLatin1Char(' ') || c == QLatin1Char('\t');
}

bool IsDigit(QChar c)
{
    return c >= QLatin1Char('0') && c <= QLatin1Char('9');
}

// strtod in the "C" locale, for values from_chars leaves out (overflow, underflow).
double ParseInCLocale(const char* text)
{
    static const locale_t cLocale = newlocale(LC_ALL_MASK, "C", nullptr);
    return strtod_l(text, nullptr, cLocale);
}

// `format` chooses plain decimals, or the shorter of plain and exponent form.
QString ShortestText(float value, std::chars_format format)
{
    char buffer[128];
    const std::to_chars_result r = std::to_chars(buffer, buffer + sizeof buffer, value, format);
    return QString::fromLatin1(buffer, r.ptr - buffer);
}

} // namespace

double LeadingNumber(QStringView text, qsizetype* length)
{
    if (length)
        *length = 0;
    qsizetype start = 0;
    while (start < text.size() && IsBlank(text[start]))
        ++start;
    qsizetype body = start;
    if (body < text.size() && (text[body] == QLatin1Char('+') || text[body] == QLatin1Char('-')))
        ++body;
    // from_chars also reads "inf" and "nan"; a decimal number starts with a digit or a point.
    if (body >= text.size() || !(IsDigit(text[body]) || text[body] == QLatin1Char('.')))
        return 0.0;

    // Characters outside Latin-1 become '?', which ends the number as any letter does.
    const QByteArray latin = text.mid(body).toLatin1();
    double value = 0.0;
    const auto [end, error] =
        std::from_chars(latin.constData(), latin.constData() + latin.size(), value);
    if (error == std::errc::invalid_argument)
        return 0.0;
    const qsizetype used = end - latin.constData();
    if (error == std::errc::result_out_of_range)
        value = ParseInCLocale(QByteArray(latin.constData(), used).constData());
    if (text[start] == QLatin1Char('-'))
        value = -value;
    if (length)
        *length = body + used;
    return value;
}

bool IsCompleteNumber(QStringView text, double* value)
{
    qsizetype length = 0;
    const double number = LeadingNumber(text, &length);
    if (length == 0)
        return false;
    while (length < text.size() && IsBlank(text[length]))
        ++length;
    if (length != text.size())
        return false;
    if (value)
        *value = number;
    return true;
}

QString ShortestFloatText(float value)
{
    return ShortestText(value, std::chars_format::general);
}

QString PlainFloatText(float value)
{
    return ShortestText(value, std::chars_format::fixed);
}
