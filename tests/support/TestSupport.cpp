#include "TestSupport.h"

QByteArray FromHex(const QString& spaced)
{
    return QByteArray::fromHex(spaced.toLatin1());
}

QString ToHex(const QByteArray& bytes)
{
    return QString::fromLatin1(bytes.toHex(' ').toUpper());
}
