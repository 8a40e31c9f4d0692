#pragma once

#include <QByteArray>
#include <QString>

// Bytes from a spaced hex text such as "AA 0F 00".
QByteArray FromHex(const QString& spaced);
// Spaced upper-case hex of the bytes, for readable failure messages.
QString ToHex(const QByteArray& bytes);

// An answer frame, meter to PC, with the given code and payload bytes (offset 3 on), its
// check bytes computed here rather than by the program's own code.
QByteArray AnswerFrame(quint8 code, const QByteArray& payload = {}, quint8 group = 0);
