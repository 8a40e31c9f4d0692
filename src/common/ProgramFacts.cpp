#include "common/ProgramFacts.h"

#include <pwd.h>
#include <unistd.h>

QString ProgramVersion()
{
    return QStringLiteral(QX390D_VERSION);
}

QString LoginName()
{
    if (const passwd* user = ::getpwuid(::geteuid()))
        return QString::fromLocal8Bit(user->pw_name);
    return QString::fromLocal8Bit(qgetenv("USER"));
}
