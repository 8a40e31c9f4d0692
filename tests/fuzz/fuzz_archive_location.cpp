// Archive locations through the reader the command line, QX390D_ARCHIVE and Archive
// Settings share (ChooseArchiveTarget, then the connection string PostgresConnInfo makes).
//
// Input: text (UTF-8). It is read three ways: as a location of its own; cut in three, as
// `postgresql://A:PASSWORD@C` with the middle third as the password; and as C with
// `password=PASSWORD` added to its options. The password begins with "Zq", which no message
// of the program holds, and A and C are made to hold neither "Zq" nor an '@'.
//
// Invariants: a location is accepted, or refused with a reason; an accepted server
// location's connection string, read by libpq itself (PQconninfoParse), holds exactly the
// keywords and values the reader found, never `password`, and no ';' (Qt's driver would
// turn it into a blank); a reason never holds the password.
#include "FuzzTargets.h"
#include "archive/location/ArchiveTarget.h"
#include "archive/location/PostgresLocation.h"

#include <libpq-fe.h>

namespace {

void CheckLocation(const QString& location, const QString& password)
{
    QString error;
    const std::optional<ArchiveTarget> target = ChooseArchiveTarget(location, &error);
    if (!target) {
        FUZZ_CHECK(!error.isEmpty());
        FUZZ_CHECK(password.isEmpty() || !error.contains(password));
        return;
    }
    FUZZ_CHECK(password.isEmpty());
    if (!target->IsServer())
        return;
    const std::optional<QString> conninfo = PostgresConnInfo(*target, &error);
    FUZZ_CHECK(conninfo.has_value());
    FUZZ_CHECK(!conninfo->contains(QLatin1Char(';')));
    ConnKeywords expected{{QStringLiteral("service"), target->service}};
    if (!target->url.isEmpty()) {
        const std::optional<ConnKeywords> keywords = ParsePostgresLocation(target->url, &error);
        FUZZ_CHECK(keywords.has_value());
        expected = *keywords;
    }
    char* parseError = nullptr;
    PQconninfoOption* options = PQconninfoParse(conninfo->toUtf8().constData(), &parseError);
    FUZZ_CHECK(options != nullptr);
    ConnKeywords found;
    for (PQconninfoOption* o = options; o->keyword; ++o)
        if (o->val)
            found.append({QString::fromUtf8(o->keyword), QString::fromUtf8(o->val)});
    PQconninfoFree(options);
    FUZZ_CHECK(found.size() == expected.size());
    for (const auto& pair : expected) {
        FUZZ_CHECK(pair.first != QLatin1String("password"));
        FUZZ_CHECK(found.contains(pair));
    }
}

QString Plain(QString text)
{
    text.remove(QLatin1Char('@'));
    text.replace(QLatin1Char('Z'), QLatin1Char('z'));
    return text;
}

} // namespace

int FuzzArchiveLocation(const uint8_t* data, size_t size)
{
    const QString text = QString::fromUtf8(reinterpret_cast<const char*>(data), qsizetype(size));
    CheckLocation(text, QString());

    const qsizetype third = text.size() / 3;
    const QString user = Plain(text.left(third));
    const QString password = QStringLiteral("Zq") + text.mid(third, third);
    const QString rest = Plain(text.mid(2 * third));
    CheckLocation(QStringLiteral("postgresql://") + user + QLatin1Char(':') + password +
                      QLatin1Char('@') + rest,
                  password);
    CheckLocation(QStringLiteral("postgresql://") + rest +
                      (rest.contains(QLatin1Char('?')) ? QLatin1Char('&') : QLatin1Char('?')) +
                      QStringLiteral("password=") + password,
                  password);
    return 0;
}
