// A test-only generic plugin, loaded into the real program through QT_QPA_GENERIC_PLUGINS.
// It lets a test watch another process's windows without any hook in the program: every
// shown main window and message box is written to stdout as one tab-separated line, and
// every message box is answered (Yes if offered, else its only button). A line "quit" on
// stdin closes the main windows, as the operator would.

#include <QAbstractButton>
#include <QApplication>
#include <QGenericPlugin>
#include <QMainWindow>
#include <QMessageBox>
#include <QPointer>
#include <QSocketNotifier>
#include <cstdio>
#include <unistd.h>

namespace {

QString OneLine(QString text)
{
    return text.replace(QLatin1Char('\n'), QLatin1String("\\n"))
        .replace(QLatin1Char('\r'), QLatin1String("\\r"))
        .replace(QLatin1Char('\t'), QLatin1String("\\t"));
}

void Report(const QStringList& fields)
{
    std::fputs(qPrintable(fields.join(QLatin1Char('\t')) + QLatin1Char('\n')), stdout);
    std::fflush(stdout);
}

QString ButtonNames(const QMessageBox& box)
{
    QStringList names;
    for (QAbstractButton* button : box.buttons())
        names << button->text().remove(QLatin1Char('&'));
    return names.join(QLatin1Char(','));
}

QString IconName(QMessageBox::Icon icon)
{
    switch (icon) {
    case QMessageBox::Information:
        return QStringLiteral("Information");
    case QMessageBox::Warning:
        return QStringLiteral("Warning");
    case QMessageBox::Critical:
        return QStringLiteral("Critical");
    case QMessageBox::Question:
        return QStringLiteral("Question");
    case QMessageBox::NoIcon:
        break;
    }
    return QStringLiteral("NoIcon");
}

class BoxReporter : public QObject
{
public:
    BoxReporter() : stdinWatch_(STDIN_FILENO, QSocketNotifier::Read)
    {
        QCoreApplication::instance()->installEventFilter(this);
        connect(&stdinWatch_, &QSocketNotifier::activated, this, &BoxReporter::ReadCommand);
    }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override
    {
        if (event->type() != QEvent::Show)
            return false;
        if (auto* box = qobject_cast<QMessageBox*>(watched)) {
            // Answer once the box's own loop runs.
            QMetaObject::invokeMethod(
                this, [box = QPointer<QMessageBox>(box)] { Answer(box); }, Qt::QueuedConnection);
        } else if (auto* window = qobject_cast<QMainWindow*>(watched)) {
            Report({QStringLiteral("window"), OneLine(window->windowTitle())});
        }
        return false;
    }

private:
    static void Answer(QMessageBox* box)
    {
        if (!box)
            return;
        Report({QStringLiteral("box"), OneLine(box->windowTitle()), OneLine(box->text()),
                ButtonNames(*box), IconName(box->icon()),
                box->parentWidget() ? box->parentWidget()->metaObject()->className()
                                    : QStringLiteral("none")});
        QAbstractButton* answer = box->button(QMessageBox::Yes);
        if (!answer)
            answer = box->buttons().value(0);
        if (answer)
            answer->click();
    }

    void ReadCommand()
    {
        char buffer[64];
        const ssize_t n = ::read(STDIN_FILENO, buffer, sizeof buffer);
        if (n <= 0) {
            stdinWatch_.setEnabled(false);
            return;
        }
        if (QByteArray(buffer, int(n)).contains("quit")) {
            for (QWidget* widget : QApplication::topLevelWidgets()) {
                if (qobject_cast<QMainWindow*>(widget))
                    widget->close();
            }
        }
    }

    QSocketNotifier stdinWatch_;
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
