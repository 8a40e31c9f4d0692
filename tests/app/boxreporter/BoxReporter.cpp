// A test-only generic plugin, loaded into the real program through QT_QPA_GENERIC_PLUGINS,
// so that a test can watch another process with no hook in the program: every shown main
// window and message box is written to stdout as one tab-separated line (with
// QXBOXREPORTER_TEXTS set, the window's menu titles and tab titles too), and every message
// box is closed as soon as its own loop runs. Every file the program asks the desktop to
// open is reported instead of opened. With QXBOXREPORTER_TRIGGER set, the main window's
// command of that text is chosen once the window shows.

#include <QAction>
#include <QCoreApplication>
#include <QDesktopServices>
#include <QGenericPlugin>
#include <QMainWindow>
#include <QMenuBar>
#include <QMessageBox>
#include <QTabWidget>
#include <QUrl>
#include <cstdio>

namespace {

void Report(const QStringList& fields)
{
    std::puts(qPrintable(fields.join(QLatin1Char('\t'))));
    std::fflush(stdout);
}

} // namespace

class BoxReporter : public QObject
{
    Q_OBJECT

public:
    BoxReporter()
    {
        QCoreApplication::instance()->installEventFilter(this);
        QDesktopServices::setUrlHandler(QStringLiteral("file"), this, "Open");
    }

public Q_SLOTS:
    void Open(const QUrl& url) { Report({QStringLiteral("open"), url.toLocalFile()}); }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override
    {
        if (event->type() != QEvent::Show)
            return false;
        if (auto* box = qobject_cast<QMessageBox*>(watched)) {
            QMetaObject::invokeMethod(
                box,
                [box] {
                    Report({QStringLiteral("box"), box->windowTitle(), box->text()});
                    box->done(0);
                },
                Qt::QueuedConnection);
        } else if (auto* window = qobject_cast<QMainWindow*>(watched)) {
            Report({QStringLiteral("window"), window->windowTitle()});
            if (qEnvironmentVariableIsSet("QXBOXREPORTER_TEXTS"))
                ReportTexts(window);
            Trigger(window);
        }
        return false;
    }

private:
    static void ReportTexts(const QMainWindow* window)
    {
        QStringList menus{QStringLiteral("menus")};
        for (const QAction* menu : window->menuBar()->actions())
            menus << menu->text();
        Report(menus);
        for (const QTabWidget* tabs : window->findChildren<QTabWidget*>()) {
            QStringList titles{QStringLiteral("tabs")};
            for (int i = 0; i < tabs->count(); ++i)
                titles << tabs->tabText(i);
            Report(titles);
        }
    }

    void Trigger(QMainWindow* window)
    {
        const QString command = qEnvironmentVariable("QXBOXREPORTER_TRIGGER");
        if (command.isEmpty() || triggered_)
            return;
        triggered_ = true;
        const QList<QAction*> actions = window->findChildren<QAction*>();
        for (QAction* action : actions) {
            if (action->text() == command) {
                QMetaObject::invokeMethod(action, &QAction::trigger, Qt::QueuedConnection);
                return;
            }
        }
        Report({QStringLiteral("no command"), command});
    }

    bool triggered_ = false;
};

class BoxReporterPlugin : public QGenericPlugin
{
    Q_OBJECT
    Q_PLUGIN_METADATA(IID QGenericPluginFactoryInterface_iid FILE "boxreporter.json")

public:
    QObject* create(const QString&, const QString&) override { return new BoxReporter; }
};

#include "BoxReporter.moc"
