#include "app/DesktopHelpOpener.h"

#include <QDesktopServices>
#include <QProcess>
#include <QStandardPaths>
#include <QUrl>

namespace {

// The viewers the package suggests.
const QStringList kChmViewers{QStringLiteral("xchm"), QStringLiteral("kchmviewer")};
const QStringList kChmTypes{QStringLiteral("application/vnd.ms-htmlhelp"),
                            QStringLiteral("application/x-chm")};
// xdg-mime is a short shell script; a desktop whose settings take longer to read than
// this counts as having no viewer, rather than keeping the window waiting.
constexpr int kQueryLimitMs = 2000;

bool HasDefaultApplication(const QString& xdgMime, const QString& type)
{
    QProcess query;
    query.start(xdgMime, {QStringLiteral("query"), QStringLiteral("default"), type});
    if (!query.waitForFinished(kQueryLimitMs)) {
        query.kill();
        query.waitForFinished(kQueryLimitMs);
        return false;
    }
    return query.exitStatus() == QProcess::NormalExit && query.exitCode() == 0 &&
           !query.readAllStandardOutput().trimmed().isEmpty();
}

} // namespace

bool DesktopHelpOpener::HasChmViewer()
{
    for (const QString& viewer : kChmViewers) {
        if (!QStandardPaths::findExecutable(viewer).isEmpty())
            return true;
    }
    const QString xdgMime = QStandardPaths::findExecutable(QStringLiteral("xdg-mime"));
    if (xdgMime.isEmpty())
        return false;
    for (const QString& type : kChmTypes) {
        if (HasDefaultApplication(xdgMime, type))
            return true;
    }
    return false;
}

bool DesktopHelpOpener::OpenUrl(const QUrl& url)
{
    return QDesktopServices::openUrl(url);
}
