#pragma once

#include <QString>
#include <QStringView>

// Decimal numbers in the texts the operator types and the meter's texts: always with a
// point, whatever the desktop's locale (a German desktop would otherwise read "1,5").

// The value of the longest leading part of `text` that reads as a decimal number, as the C
// library's strtod reads it in the "C" locale: optional blanks, an optional sign, digits
// with an optional point, an optional exponent. Hexadecimal, "inf" and "nan" are not
// numbers here. A text with no such part gives 0.0. `length`, when given, receives the
// number of characters the number took (0 when there was none).
double LeadingNumber(QStringView text, qsizetype* length = nullptr);

// True when the whole of `text` is one decimal number (blanks around it allowed); its value
// goes to `value`. An empty text is not a number.
bool IsCompleteNumber(QStringView text, double* value = nullptr);

// The shortest text that reads back as exactly `value` in single precision: plain decimals
// or an exponent, whichever is shorter ("-8.1", "1e-05"); "inf", "-inf" or "nan" for those.
QString ShortestFloatText(float value);
// The same without an exponent ("0.00001"), so a text that allows only digits, a sign and
// a point can hold it.
QString PlainFloatText(float value);
