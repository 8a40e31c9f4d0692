#pragma once

#include <QByteArray>
#include <QString>

// Bytes from a spaced hex text such as "AA 0F 00".
QByteArray FromHex(const QString& spaced);
// Spaced upper-case hex of the bytes, for readable failure messages.
QString ToHex(const QByteArray& bytes);
