#include "archive/location/PostgresLocation.h"

#include <QCoreApplication>
#include <QStringDecoder>

namespace {

const QLatin1String kSchemes[] = {QLatin1String("postgresql://"), QLatin1String("postgres://")};

qsizetype SchemeLength(const QString& location)
{
    for (const QLatin1String& scheme : kSchemes)
        if (location.startsWith(scheme))
            return scheme.size();
    return -1;
}

// Where user-info would hold a password: its first `:`, written plainly or encoded.
qsizetype PasswordStart(const QString& userInfo)
{
    const qsizetype plain = userInfo.indexOf(QLatin1Char(':'));
    const qsizetype encoded = userInfo.indexOf(QLatin1String("%3a"), 0, Qt::CaseInsensitive);
    if (plain < 0)
        return encoded;
    return encoded < 0 ? plain : std::min(plain, encoded);
}

bool IsOptionName(const QString& text)
{
    if (text.isEmpty())
        return false;
    for (const QChar c : text)
        if (!(c >= QLatin1Char('a') && c <= QLatin1Char('z')) && c != QLatin1Char('_'))
            return false;
    return true;
}

int HexDigit(QChar c)
{
    const char16_t u = c.unicode();
    if (u >= '0' && u <= '9')
        return u - '0';
    if (u >= 'a' && u <= 'f')
        return u - 'a' + 10;
    if (u >= 'A' && u <= 'F')
        return u - 'A' + 10;
    return -1;
}

// `raw` percent-decoded as UTF-8; nothing, with `error` naming `what` (never the text),
// for a stray `%`, bytes that are not UTF-8, a control character or a `;`.
std::optional<QString> Decode(const QString& raw, const QString& what, QString* error)
{
    QByteArray bytes;
    for (qsizetype i = 0; i < raw.size(); ++i) {
        if (raw[i] != QLatin1Char('%')) {
            bytes += raw.mid(i, 1).toUtf8();
            continue;
        }
        const int high = i + 2 < raw.size() ? HexDigit(raw[i + 1]) : -1;
        const int low = i + 2 < raw.size() ? HexDigit(raw[i + 2]) : -1;
        if (high < 0 || low < 0) {
            *error =
                QCoreApplication::translate("PostgresLocation",
                                            "%1 holds a '%' that is not followed by two hex digits")
                    .arg(what);
            return std::nullopt;
        }
        bytes += char(high * 16 + low);
        i += 2;
    }
    QStringDecoder utf8(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
    const QString text = utf8.decode(bytes);
    if (utf8.hasError()) {
        *error = QCoreApplication::translate("PostgresLocation", "%1 is not UTF-8 once decoded")
                     .arg(what);
        return std::nullopt;
    }
    for (const QChar c : text) {
        if (c.unicode() < 0x20 || c.unicode() == 0x7f) {
            *error = QCoreApplication::translate("PostgresLocation", "%1 holds a control character")
                         .arg(what);
            return std::nullopt;
        }
        // Qt's PostgreSQL driver turns every ';' of its options into a blank.
        if (c == QLatin1Char(';')) {
            *error =
                QCoreApplication::translate(
                    "PostgresLocation", "%1 holds a ';', which the server's driver cannot pass on")
                    .arg(what);
            return std::nullopt;
        }
    }
    return text;
}

bool IsPort(const QString& text)
{
    bool ok = false;
    const int port = text.toInt(&ok);
    return ok && port >= 1 && port <= 65535 && text.at(0).isDigit();
}

// Characters a host may hold before decoding: a name, an IPv4 address or an encoded socket
// folder.
bool IsHostText(const QString& raw)
{
    for (const QChar c : raw)
        if (!c.isLetterOrNumber() && !QStringView(u"-._~%").contains(c))
            return false;
    return true;
}

struct Host
{
    QString name;
    QString port;
};

std::optional<QList<Host>> ParseHosts(const QString& hostList, QString* error)
{
    QList<Host> hosts;
    if (hostList.isEmpty())
        return hosts;
    for (const QString& entry : hostList.split(QLatin1Char(','))) {
        Host host;
        QString rawHost;
        QString rest;
        if (entry.startsWith(QLatin1Char('['))) {
            const qsizetype close = entry.indexOf(QLatin1Char(']'));
            if (close < 0) {
                *error = QCoreApplication::translate("PostgresLocation",
                                                     "an IPv6 address is not closed with ']'");
                return std::nullopt;
            }
            host.name = entry.mid(1, close - 1);
            for (const QChar c : host.name)
                if (HexDigit(c) < 0 && c != QLatin1Char(':') && c != QLatin1Char('.')) {
                    *error = QCoreApplication::translate(
                        "PostgresLocation",
                        "an IPv6 address holds a character that is not hex, ':' or '.'");
                    return std::nullopt;
                }
            rest = entry.mid(close + 1);
            if (!rest.isEmpty() && !rest.startsWith(QLatin1Char(':'))) {
                *error = QCoreApplication::translate(
                    "PostgresLocation",
                    "an IPv6 address is followed by something other than a port");
                return std::nullopt;
            }
        } else {
            const qsizetype colon = entry.indexOf(QLatin1Char(':'));
            rawHost = colon < 0 ? entry : entry.left(colon);
            rest = colon < 0 ? QString() : entry.mid(colon);
            if (!IsHostText(rawHost)) {
                *error = QCoreApplication::translate(
                    "PostgresLocation",
                    "a host may hold letters, digits, '-', '.', '_' and '~'; write "
                    "anything else percent-encoded");
                return std::nullopt;
            }
            const std::optional<QString> name =
                Decode(rawHost, QCoreApplication::translate("PostgresLocation", "a host"), error);
            if (!name)
                return std::nullopt;
            if (name->contains(QLatin1Char(','))) {
                *error = QCoreApplication::translate("PostgresLocation", "a host holds a ','");
                return std::nullopt;
            }
            host.name = *name;
        }
        if (!rest.isEmpty()) {
            host.port = rest.mid(1);
            if (!IsPort(host.port)) {
                *error = QCoreApplication::translate("PostgresLocation",
                                                     "a port is not a number from 1 to 65535");
                return std::nullopt;
            }
        }
        hosts << host;
    }
    return hosts;
}

bool CheckOption(const QString& name, const QString& value, QString* error)
{
    if (value.isEmpty()) {
        *error =
            QCoreApplication::translate("PostgresLocation", "the option %1 has no value").arg(name);
        return false;
    }
    if (name == QLatin1String("port") && !IsPort(value)) {
        *error = QCoreApplication::translate("PostgresLocation",
                                             "a port is not a number from 1 to 65535");
        return false;
    }
    if (name == QLatin1String("sslmode") &&
        !QStringList{QStringLiteral("disable"), QStringLiteral("allow"), QStringLiteral("prefer"),
                     QStringLiteral("require"), QStringLiteral("verify-ca"),
                     QStringLiteral("verify-full")}
             .contains(value)) {
        *error = QCoreApplication::translate(
            "PostgresLocation",
            "sslmode is none of disable, allow, prefer, require, verify-ca, verify-full");
        return false;
    }
    if (name == QLatin1String("connect_timeout") && !IsPort(value)) {
        *error = QCoreApplication::translate("PostgresLocation",
                                             "connect_timeout is not a number of seconds");
        return false;
    }
    return true;
}

} // namespace

const QStringList& PostgresLocationOptions()
{
    static const QStringList options{QStringLiteral("host"),
                                     QStringLiteral("hostaddr"),
                                     QStringLiteral("port"),
                                     QStringLiteral("dbname"),
                                     QStringLiteral("user"),
                                     QStringLiteral("service"),
                                     QStringLiteral("passfile"),
                                     QStringLiteral("sslmode"),
                                     QStringLiteral("sslrootcert"),
                                     QStringLiteral("sslcert"),
                                     QStringLiteral("sslkey"),
                                     QStringLiteral("sslcrl"),
                                     QStringLiteral("connect_timeout"),
                                     QStringLiteral("application_name"),
                                     QStringLiteral("target_session_attrs")};
    return options;
}

std::optional<ConnKeywords> ParsePostgresLocation(const QString& location, QString* error)
{
    const qsizetype schemeLength = SchemeLength(location);
    if (schemeLength < 0) {
        *error = QCoreApplication::translate(
            "PostgresLocation", "a server location begins with postgresql:// or postgres://");
        return std::nullopt;
    }
    QString rest = location.mid(schemeLength);
    // First of all, before anything of the location is read: whatever precedes its last '@'
    // would be user-info, and a ':' there starts a password ('/', '?' and '#' in it too).
    const qsizetype at = rest.lastIndexOf(QLatin1Char('@'));
    QString userInfo;
    if (at >= 0) {
        userInfo = rest.left(at);
        if (PasswordStart(userInfo) >= 0) {
            *error = QCoreApplication::translate(
                         "PostgresLocation",
                         "the archive URL %1 holds a password (or an '@' not written as %40); "
                         "put it in ~/.pgpass (mode 0600) or the service file instead")
                         .arg(MaskedLocation(location));
            return std::nullopt;
        }
        for (const QChar c : userInfo)
            if (QStringView(u"/?#@,[]").contains(c)) {
                *error = QCoreApplication::translate(
                    "PostgresLocation", "an '@' outside the user name must be written as %40");
                return std::nullopt;
            }
        rest = rest.mid(at + 1);
    }
    for (const QChar c : location) {
        if (c.unicode() <= 0x20 || c.unicode() == 0x7f || c.isSpace()) {
            *error = QCoreApplication::translate(
                "PostgresLocation", "the location holds a blank or a control character; write it "
                                    "percent-encoded (a blank as %20)");
            return std::nullopt;
        }
        if (c == QLatin1Char('#')) {
            *error = QCoreApplication::translate("PostgresLocation",
                                                 "the location holds a '#'; write it as %23");
            return std::nullopt;
        }
    }

    ConnKeywords keywords;
    const qsizetype hostEnd = [&] {
        for (qsizetype i = 0; i < rest.size(); ++i)
            if (rest[i] == QLatin1Char('/') || rest[i] == QLatin1Char('?'))
                return i;
        return rest.size();
    }();
    const std::optional<QList<Host>> hosts = ParseHosts(rest.left(hostEnd), error);
    if (!hosts)
        return std::nullopt;
    QStringList names;
    QStringList ports;
    bool anyName = false;
    bool anyPort = false;
    for (const Host& h : *hosts) {
        names << h.name;
        ports << h.port;
        anyName = anyName || !h.name.isEmpty();
        anyPort = anyPort || !h.port.isEmpty();
    }
    if (anyName)
        keywords.append({QStringLiteral("host"), names.join(QLatin1Char(','))});
    if (anyPort)
        keywords.append({QStringLiteral("port"), ports.join(QLatin1Char(','))});

    rest = rest.mid(hostEnd);
    const qsizetype queryStart = rest.indexOf(QLatin1Char('?'));
    const QString path = queryStart < 0 ? rest : rest.left(queryStart);
    if (path.size() > 1) {
        const QString raw = path.mid(1);
        if (raw.contains(QLatin1Char('/'))) {
            *error = QCoreApplication::translate("PostgresLocation",
                                                 "the database name holds a '/'; write it as %2F");
            return std::nullopt;
        }
        const std::optional<QString> dbname = Decode(
            raw, QCoreApplication::translate("PostgresLocation", "the database name"), error);
        if (!dbname)
            return std::nullopt;
        keywords.append({QStringLiteral("dbname"), *dbname});
    }
    if (!userInfo.isEmpty()) {
        const std::optional<QString> user = Decode(
            userInfo, QCoreApplication::translate("PostgresLocation", "the user name"), error);
        if (!user)
            return std::nullopt;
        keywords.append({QStringLiteral("user"), *user});
    }

    if (queryStart < 0)
        return keywords;
    const QString query = rest.mid(queryStart + 1);
    if (query.isEmpty())
        return keywords;
    for (const QString& item : query.split(QLatin1Char('&'))) {
        const qsizetype equals = item.indexOf(QLatin1Char('='));
        if (equals < 0) {
            *error = QCoreApplication::translate(
                "PostgresLocation", "every option after '?' is NAME=VALUE, joined by '&'");
            return std::nullopt;
        }
        const std::optional<QString> name =
            Decode(item.left(equals),
                   QCoreApplication::translate("PostgresLocation", "an option name"), error);
        if (!name)
            return std::nullopt;
        if (*name == QLatin1String("password")) {
            *error = QCoreApplication::translate(
                "PostgresLocation",
                "a location never holds a password; put it in ~/.pgpass (mode 0600) or "
                "the service file instead");
            return std::nullopt;
        }
        if (!IsOptionName(*name)) {
            *error = QCoreApplication::translate(
                "PostgresLocation",
                "an option name holds something other than lower-case letters and '_'");
            return std::nullopt;
        }
        if (!PostgresLocationOptions().contains(*name)) {
            *error = QCoreApplication::translate(
                         "PostgresLocation",
                         "the option %1 is not one the program passes on (these are: %2)")
                         .arg(*name, PostgresLocationOptions().join(QStringLiteral(", ")));
            return std::nullopt;
        }
        for (const auto& [key, value] : keywords)
            if (key == *name) {
                *error =
                    QCoreApplication::translate("PostgresLocation", "%1 is given twice").arg(*name);
                return std::nullopt;
            }
        const std::optional<QString> value = Decode(
            item.mid(equals + 1),
            QCoreApplication::translate("PostgresLocation", "the value of %1").arg(*name), error);
        if (!value || !CheckOption(*name, *value, error))
            return std::nullopt;
        keywords.append({*name, *value});
    }
    return keywords;
}

QString LibpqQuote(const QString& value)
{
    QString quoted = value;
    quoted.replace(QLatin1Char('\\'), QLatin1String("\\\\"));
    quoted.replace(QLatin1Char('\''), QLatin1String("\\'"));
    return QLatin1Char('\'') + quoted + QLatin1Char('\'');
}

QString LibpqConnInfo(const ConnKeywords& keywords)
{
    QStringList parts;
    for (const auto& [key, value] : keywords)
        parts << key + QLatin1Char('=') + LibpqQuote(value);
    return parts.join(QLatin1Char(' '));
}

QString MaskedLocation(const QString& location)
{
    const qsizetype schemeLength = SchemeLength(location);
    if (schemeLength < 0)
        return {};
    QString rest = location.mid(schemeLength);
    QString shown = location.left(schemeLength);
    const qsizetype at = rest.lastIndexOf(QLatin1Char('@'));
    if (at >= 0) {
        const QString userInfo = rest.left(at);
        const qsizetype password = PasswordStart(userInfo);
        if (password < 0)
            return shown + userInfo + QLatin1Char('@') + rest.mid(at + 1);
        // An '@' inside an option's value (`?password=se:c@ret`) makes the location before
        // it look like user-info: then neither that nor what follows the '@' (the value's
        // end) is shown.
        const QString user = userInfo.left(password);
        for (const QChar c : user)
            if (QStringView(u"/?#=&").contains(c))
                return shown + QStringLiteral("***");
        shown += user + QStringLiteral(":***@");
        if (userInfo.contains(QLatin1Char('=')) || userInfo.contains(QLatin1Char('&')))
            return shown + QStringLiteral("...");
        rest = rest.mid(at + 1);
    }
    const qsizetype query = rest.indexOf(QLatin1Char('?'));
    return shown + (query < 0 ? rest : rest.left(query) + QStringLiteral("?..."));
}
