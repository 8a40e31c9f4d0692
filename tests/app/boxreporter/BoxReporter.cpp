// A test-only generic plugin, loaded into the real program through QT_QPA_GENERIC_PLUGINS,
// so that a test can watch another process with no hook in the program: every shown main
// window and message box is written to stdout as one tab-separated line (with
// QXBOXREPORTER_TEXTS set, the window's menu titles and tab titles too; with
// QXBOXREPORTER_PAGES naming a folder, each tab's page is shown in turn, saved there as
// page-N.png, and every label, button or column header whose text does not fit is reported
// as "clipped", then "pages" ends the tour), and every message
// box is closed as soon as its own loop runs. Every file the program asks the desktop to
// open is reported instead of opened. With QXBOXREPORTER_TRIGGER set, the main window's
// command of that text is chosen once the window shows.

#include <QAbstractButton>
#include <QAction>
#include <QCheckBox>
#include <QCoreApplication>
#include <QDesktopServices>
#include <QDir>
#include <QGenericPlugin>
#include <QHeaderView>
#include <QLabel>
#include <QMainWindow>
#include <QMenuBar>
#include <QMessageBox>
#include <QStyle>
#include <QTabWidget>
#include <QTimer>
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
            const QString pages = qEnvironmentVariable("QXBOXREPORTER_PAGES");
            if (!pages.isEmpty() && !toured_) {
                toured_ = true;
                if (auto* tabs = window->findChild<QTabWidget*>())
                    QTimer::singleShot(
                        0, tabs, [window, tabs, pages] { TourPages(window, tabs, pages, 0); });
            }
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

    // Shows page `index`, lets it lay out, then checks and saves it and goes on to the next.
    static void TourPages(QMainWindow* window, QTabWidget* tabs, const QString& folder, int index)
    {
        if (index == tabs->count()) {
            tabs->setCurrentIndex(0);
            Report({QStringLiteral("pages"), QString::number(index)});
            return;
        }
        tabs->setCurrentIndex(index);
        QTimer::singleShot(50, tabs, [=] {
            ReportClipped(tabs->widget(index), tabs->tabText(index));
            window->grab().save(
                QDir(folder).filePath(QStringLiteral("page-%1.png").arg(index + 1)));
            TourPages(window, tabs, folder, index + 1);
        });
    }

    static void ReportClipped(const QWidget* page, const QString& pageName)
    {
        const auto clipped = [&](const QString& text) {
            Report({QStringLiteral("clipped"), pageName, text});
        };
        for (const QLabel* label : page->findChildren<QLabel*>()) {
            if (label->isVisible() && !label->wordWrap() &&
                label->fontMetrics().horizontalAdvance(label->text()) >
                    label->contentsRect().width())
                clipped(label->text());
        }
        for (const QAbstractButton* button : page->findChildren<QAbstractButton*>()) {
            if (!button->isVisible() || button->text().isEmpty())
                continue;
            QString text = button->text();
            text.remove(QLatin1Char('&'));
            int room = button->width() - 4;
            if (qobject_cast<const QCheckBox*>(button))
                room -= button->style()->pixelMetric(QStyle::PM_IndicatorWidth) +
                        button->style()->pixelMetric(QStyle::PM_CheckBoxLabelSpacing);
            if (button->fontMetrics().horizontalAdvance(text) > room)
                clipped(text);
        }
        for (const QHeaderView* header : page->findChildren<QHeaderView*>()) {
            if (!header->isVisible() || header->orientation() != Qt::Horizontal)
                continue;
            for (int i = 0; i < header->count(); ++i) {
                const QString text =
                    header->model()->headerData(i, Qt::Horizontal, Qt::DisplayRole).toString();
                if (header->fontMetrics().horizontalAdvance(text) > header->sectionSize(i) - 4)
                    clipped(text);
            }
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
    bool toured_ = false;
};

class BoxReporterPlugin : public QGenericPlugin
{
    Q_OBJECT
    Q_PLUGIN_METADATA(IID QGenericPluginFactoryInterface_iid FILE "boxreporter.json")

public:
    QObject* create(const QString&, const QString&) override { return new BoxReporter; }
};

#include "BoxReporter.moc"
