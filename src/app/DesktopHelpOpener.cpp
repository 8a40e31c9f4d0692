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
    // QDesktopServices starts xdg-open and forgets it: a desktop with no program for the file
    // (xdg-open exits with 3 or 4) would leave the Help command without a word.
    const QString xdgOpen = QStandardPaths::findExecutable(QStringLiteral("xdg-open"));
    if (xdgOpen.isEmpty())
        return QDesktopServices::openUrl(url);
    auto* opening = new QProcess;
    opening->setProcessChannelMode(QProcess::ForwardedChannels);
    opening->setStandardInputFile(QProcess::nullDevice());
    QObject::connect(opening, &QProcess::finished, opening, &QObject::deleteLater);
    opening->start(xdgOpen, {url.isLocalFile() ? url.toLocalFile() : url.toString()});
    if (!opening->waitForStarted(kQueryLimitMs)) {
        opening->deleteLater();
        return false;
    }
    // xdg-open ends once the program it chose has started; one that runs the browser itself
    // is left running, the help shown.
    if (!opening->waitForFinished(kQueryLimitMs))
        return true;
    return opening->exitStatus() == QProcess::NormalExit && opening->exitCode() == 0;
}
