#pragma once

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
