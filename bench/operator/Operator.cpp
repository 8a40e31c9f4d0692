// A bench-only generic plugin, loaded into the real program through QT_QPA_GENERIC_PLUGINS:
// it plays the operator. Once the main window is shown it clicks the toolbar's Connect
// button; when "Connected Success!" shows it closes the box and clicks the download button,
// QXOPERATOR_DOWNLOADS times in all (default 1), closing every "DownLoad Data Complete!"
// box as the operator would; then it prints "done" on standard output and ends the program.
// Any other box is printed and ends the run. The program itself has no hook for this.

#include <QAbstractButton>
#include <QAction>
#include <QCoreApplication>
#include <QGenericPlugin>
#include <QMainWindow>
#include <QMessageBox>
#include <QPointer>
#include <QTest>
#include <QTimer>
#include <QToolButton>
#include <cstdio>

namespace {

void Say(const QString& text)
{
    std::puts(qPrintable(text));
    std::fflush(stdout);
}

} // namespace

class Operator : public QObject
{
    Q_OBJECT

public:
    Operator()
    {
        QCoreApplication::instance()->installEventFilter(this);
        downloadsLeft_ = qEnvironmentVariableIntValue("QXOPERATOR_DOWNLOADS");
        if (downloadsLeft_ <= 0)
            downloadsLeft_ = 1;
    }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override
    {
        if (event->type() != QEvent::Show)
            return false;
        if (auto* box = qobject_cast<QMessageBox*>(watched)) {
            // Closed on the box's own loop, as a click on its button would.
            QMetaObject::invokeMethod(
                this,
                [this, box = QPointer<QMessageBox>(box)] {
                    if (box)
                        OnBox(box);
                },
                Qt::QueuedConnection);
        } else if (auto* window = qobject_cast<QMainWindow*>(watched); window && !window_) {
            window_ = window;
            // Once the window is up and painted, as an operator would wait to see it.
            QTimer::singleShot(500, this,
                               [this] { Click(QStringLiteral("Connect PON power meter...")); });
        }
        return false;
    }

private:
    void OnBox(QMessageBox* box)
    {
        const QString text = box->text();
        box->done(QMessageBox::Ok);
        if (text == QLatin1String("Connected Success!")) {
            Click(QStringLiteral("DownLoad data to PC"));
        } else if (text == QLatin1String("DownLoad Data Complete!")) {
            if (--downloadsLeft_ > 0) {
                Click(QStringLiteral("DownLoad data to PC"));
            } else {
                Say(QStringLiteral("done"));
                QCoreApplication::exit(0);
            }
        } else {
            Say(QStringLiteral("box\t") + text);
            QCoreApplication::exit(3);
        }
    }

    // A left click on the toolbar button of the command named `text`, as soon as the
    // program enables it (the connection is confirmed only after its box has closed).
    void Click(const QString& text)
    {
        QMetaObject::invokeMethod(
            this,
            [this, text] {
                QToolButton* button = Button(text);
                if (!button) {
                    Say(QStringLiteral("no button\t") + text);
                    QCoreApplication::exit(3);
                } else if (button->isEnabled()) {
                    QTest::mouseClick(button, Qt::LeftButton);
                } else {
                    connect(
                        button->defaultAction(), &QAction::enabledChanged, this,
                        [this, text](bool enabled) {
                            if (enabled)
                                Click(text);
                        },
                        Qt::SingleShotConnection);
                }
            },
            Qt::QueuedConnection);
    }

    QToolButton* Button(const QString& text) const
    {
        if (!window_)
            return nullptr;
        for (QToolButton* button : window_->findChildren<QToolButton*>()) {
            if (button->defaultAction() && button->defaultAction()->text() == text)
                return button;
        }
        return nullptr;
    }

    QPointer<QMainWindow> window_;
    int downloadsLeft_ = 1;
};

class OperatorPlugin : public QGenericPlugin
{
    Q_OBJECT
    Q_PLUGIN_METADATA(IID QGenericPluginFactoryInterface_iid FILE "operator.json")

public:
    QObject* create(const QString&, const QString&) override { return new Operator; }
};

#include "Operator.moc"
