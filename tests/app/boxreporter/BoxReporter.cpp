// A test-only generic plugin, loaded into the real program through QT_QPA_GENERIC_PLUGINS,
// so that tst_twocopies can watch another process with no hook in the program: every shown
// main window and message box is written to stdout as one tab-separated line, and every
// message box is closed as soon as its own loop runs.

#include <QCoreApplication>
#include <QGenericPlugin>
#include <QMainWindow>
#include <QMessageBox>
#include <cstdio>

namespace {

void Report(const QStringList& fields)
{
    std::puts(qPrintable(fields.join(QLatin1Char('\t'))));
    std::fflush(stdout);
}

class BoxReporter : public QObject
{
public:
    BoxReporter() { QCoreApplication::instance()->installEventFilter(this); }

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
        }
        return false;
    }
};

} // namespace

class BoxReporterPlugin : public QGenericPlugin
{
    Q_OBJECT
    Q_PLUGIN_METADATA(IID QGenericPluginFactoryInterface_iid FILE "boxreporter.json")

public:
    QObject* create(const QString&, const QString&) override { return new BoxReporter; }
};

#include "BoxReporter.moc"
