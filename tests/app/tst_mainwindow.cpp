// The main window and its tabbed view, as the operator meets them. Which command is
// enabled in which state is tst_commandenabling's table; here only the wiring to the
// actions and to the link's target page is checked.

#include "FakePrompter.h"
#include "app/AboutDialog.h"
#include "app/Application.h"
#include "app/MainView.h"
#include "app/MainWindow.h"
#include "app/MessageBoxPrompter.h"
#include "calibration/CalibrationPage.h"
#include "link/ConnectionCommands.h"
#include "link/DeviceLink.h"
#include "records/RecordsPage.h"
#include "sim/PtyHost.h"
#include "thresholds/ThresholdsPage.h"

#include <QAction>
#include <QApplication>
#include <QDesktopServices>
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QMessageBox>
#include <QPushButton>
#include <QScrollArea>
#include <QScrollBar>
#include <QSignalSpy>
#include <QTabWidget>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <QToolBar>
#include <QUrl>
#include <memory>

namespace {

// Enabled whatever the state.
const QList<int> kAlwaysEnabled{Cmd::Exit, Cmd::ToggleToolbar, Cmd::About, Cmd::Help};

} // namespace

// Receives the URLs the program asks the desktop to open.
class UrlRecorder : public QObject
{
    Q_OBJECT

public:
    QList<QUrl> urls;

public slots:
    void Open(const QUrl& url) { urls << url; }
};

class TestMainWindow : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();

    void startsFixedSizeOnTheDataPageDisconnected();
    void menusAndToolbarListTheCommands_data();
    void menusAndToolbarListTheCommands();
    void actionsAndTargetFollowTheRules_data();
    void actionsAndTargetFollowTheRules();
    void aTabChangeShowsItsPageUnlessADownloadRuns_data();
    void aTabChangeShowsItsPageUnlessADownloadRuns();
    void quitAsksFirst_data();
    void quitAsksFirst();
    void enterAnswersTheDefaultButton_data();
    void enterAnswersTheDefaultButton();
    void fileCommandsReachTheDataPage_data();
    void fileCommandsReachTheDataPage();
    void aboutCommandShowsTheAboutBox();
    void helpOpensTheFileBesideTheExecutable_data();
    void helpOpensTheFileBesideTheExecutable();
    void commandStatesFollowAWholeSession();
    void theWindowFitsTheScreenItIsOn_data();
    void theWindowFitsTheScreenItIsOn();
    void aSecondCopyBringsTheFirstForward();

private:
    QList<int> EnabledCommands() const;
    QWidget* Page(int tab) const;

    LinkState& State() { return link->State(); }

    std::unique_ptr<DeviceLink> link;
    FakePrompter prompter_;
    FakeFileDialogs dialogs_;
    std::unique_ptr<MainWindow> frame_;
};

QList<int> TestMainWindow::EnabledCommands() const
{
    QList<int> ids;
    for (int id : QList<int>(kToolbarOrder.begin(), kToolbarOrder.end()) + kAlwaysEnabled) {
        if (frame_->Action(id)->isEnabled())
            ids << id;
    }
    return ids;
}

QWidget* TestMainWindow::Page(int tab) const
{
    const MainView& view = *frame_->View();
    const QList<QWidget*> pages{view.Records(), view.Thresholds(), view.Calibration()};
    return pages.at(tab);
}

void TestMainWindow::init()
{
    link = std::make_unique<DeviceLink>();
    prompter_ = FakePrompter();
    dialogs_ = FakeFileDialogs();
    frame_ = std::make_unique<MainWindow>(*link, prompter_, dialogs_);
    frame_->show();
}

void TestMainWindow::cleanup()
{
    frame_.reset();
    link.reset();
}

void TestMainWindow::startsFixedSizeOnTheDataPageDisconnected()
{
    QCOMPARE(frame_->windowTitle(),
             QStringLiteral("VB4417 XGPON Power Meter Data Management Software"));
    QCOMPARE(frame_->minimumSize(), QSize(1000, 600));
    QCOMPARE(frame_->maximumSize(), QSize(1000, 600));
    QVERIFY(!(frame_->windowFlags() & Qt::WindowMaximizeButtonHint));

    QCOMPARE(frame_->View()->TabControl()->currentWidget(), Page(DataTab));
    QVERIFY(Page(DataTab)->isVisible());
    // The frame ran one pass while it was built; not connected, it left the link on the
    // threshold page.
    QCOMPARE(EnabledCommands(), QList<int>({Cmd::Save, Cmd::Open, Cmd::Connect}) + kAlwaysEnabled);
    QCOMPARE(link->MessageTarget(), Page(ThresholdTab));
    QVERIFY(prompter_.boxes.isEmpty());
}

void TestMainWindow::menusAndToolbarListTheCommands_data()
{
    QTest::addColumn<int>("menu"); // -1: the menu bar itself, 4: the toolbar
    QTest::addColumn<QStringList>("texts");
    QTest::addColumn<QList<int>>("ids");

    // A separator has no text and id 0.
    QTest::newRow("menu bar") << -1 << QStringList{"&File", "&View", "&Manage", "&Help"}
                              << QList<int>{0, 0, 0, 0};
    QTest::newRow("File")
        << 0
        << QStringList{"&Open...",
                       "&Save",
                       "Export as Excel Workbook...",
                       "Export Report (PDF)...",
                       "Apply Threshold Preset...",
                       "",
                       "E&xit"}
        << QList<int>{1026, 1003, Cmd::ExportWorkbook, Cmd::ExportReport, Cmd::ApplyThresholdPreset,
                      0,    57665};
    QTest::newRow("View") << 1
                          << QStringList{"&Tool", "Power Chart", "", "Archive...",
                                         "Archive Settings..."}
                          << QList<int>{59392, Cmd::PowerChart, 0, Cmd::Archive,
                                        Cmd::ArchiveSettings};
    QTest::newRow("Manage") << 2
                            << QStringList{"Connect PON power meter...",
                                           "Disconneced",
                                           "",
                                           "DownLoad data to PC",
                                           "DownLoad threshold to PC",
                                           "UpLoad Threshold",
                                           "Delete current data",
                                           "Delete all data",
                                           "",
                                           "Save Thresholds to File...",
                                           "Load Thresholds from File...",
                                           "",
                                           "Assign Job..."}
                            << QList<int>{32783, 32822, 0,     32797, 32798, 32801, 32802,
                                          32805, 0,     32901, 32902, 0,     Cmd::AssignJob};
    QTest::newRow("Help") << 3 << QStringList{"About PON power meter...", "Help"}
                          << QList<int>{57664, 57670};
    // The toolbar's texts are its tooltips.
    QTest::newRow("toolbar") << 4
                             << QStringList{"Save",
                                            "Open",
                                            "",
                                            "Connect PON power meter...",
                                            "Disconnected",
                                            "",
                                            "DownLoad Data to PC",
                                            "Delete current data",
                                            "Delete all data",
                                            "",
                                            "DownLoad threshold to PC",
                                            "Set threshold"}
                             << QList<int>{1003,  1026,  0,     32783, 32822, 0,
                                           32797, 32802, 32805, 0,     32798, 32801};
}

void TestMainWindow::menusAndToolbarListTheCommands()
{
    QFETCH(int, menu);
    QFETCH(QStringList, texts);
    QFETCH(QList<int>, ids);

    const QList<QAction*> menus = frame_->menuBar()->actions();
    const QList<QAction*> actions = menu == -1  ? menus
                                    : menu == 4 ? frame_->ToolBar()->actions()
                                                : menus.at(menu)->menu()->actions();
    QStringList gotTexts;
    QList<int> gotIds;
    for (QAction* action : actions) {
        gotTexts << (menu == 4 ? action->toolTip() : action->text());
        gotIds << action->data().toInt();
    }
    QCOMPARE(gotTexts, texts);
    QCOMPARE(gotIds, ids);
}

void TestMainWindow::actionsAndTargetFollowTheRules_data()
{
    QTest::addColumn<int>("tab");
    QTest::addColumn<bool>("busy");
    QTest::addColumn<bool>("viaMenu"); // else the change of the link state
    QTest::addColumn<QList<int>>("enabled");
    QTest::addColumn<int>("targetTab");

    using namespace Cmd;
    QTest::newRow("data tab, records, state change")
        << int(DataTab) << false << false
        << QList<int>{Save, Open, Disconnect, DownloadData, DeleteCurrentData, DeleteAllData}
        << int(DataTab);
    QTest::newRow("calibration tab, downloading, Manage menu opened")
        << int(CalibrationTab) << true << true << QList<int>{Disconnect} << int(DataTab);
}

void TestMainWindow::actionsAndTargetFollowTheRules()
{
    QFETCH(int, tab);
    QFETCH(bool, busy);
    QFETCH(bool, viaMenu);
    QFETCH(QList<int>, enabled);
    QFETCH(int, targetTab);

    frame_->View()->TabControl()->setCurrentIndex(tab);
    State().connected = true;
    State().storedRecordCount = 3;
    State().downloadBusy = busy;
    QVERIFY(!frame_->Action(Cmd::Disconnect)->isEnabled()); // the change is still queued

    if (viaMenu) {
        // An opened menu shows the states of the moment.
        Q_EMIT frame_->menuBar()->actions().at(2)->menu()->aboutToShow();
    } else {
        // The change reaches the actions by itself, with no timer in the program.
        QSignalSpy pass(frame_->Action(Cmd::Disconnect), &QAction::enabledChanged);
        QVERIFY(pass.wait(10000));
    }
    QCOMPARE(EnabledCommands(), enabled + kAlwaysEnabled);
    // The workbook and report exports go with Save.
    QCOMPARE(frame_->Action(Cmd::ExportWorkbook)->isEnabled(), enabled.contains(Cmd::Save));
    QCOMPARE(frame_->Action(Cmd::ExportReport)->isEnabled(), enabled.contains(Cmd::Save));
    QCOMPARE(link->MessageTarget(), Page(targetTab));
}

void TestMainWindow::aTabChangeShowsItsPageUnlessADownloadRuns_data()
{
    QTest::addColumn<int>("requested");
    QTest::addColumn<bool>("busy");
    QTest::addColumn<int>("shown");

    QTest::newRow("threshold") << int(ThresholdTab) << false << int(ThresholdTab);
    QTest::newRow("calibration") << int(CalibrationTab) << false << int(CalibrationTab);
    QTest::newRow("threshold, downloading") << int(ThresholdTab) << true << int(DataTab);
    QTest::newRow("calibration, downloading") << int(CalibrationTab) << true << int(DataTab);
}

void TestMainWindow::aTabChangeShowsItsPageUnlessADownloadRuns()
{
    QFETCH(int, requested);
    QFETCH(bool, busy);
    QFETCH(int, shown);

    State().connected = true;
    State().downloadBusy = busy;
    frame_->View()->TabControl()->setCurrentIndex(requested);

    QCOMPARE(frame_->View()->TabControl()->currentIndex(), shown);
    QCOMPARE(frame_->View()->CurrentTab(), shown);
    for (int tab : {DataTab, ThresholdTab, CalibrationTab})
        QCOMPARE(Page(tab)->isVisible(), tab == shown);
    QCOMPARE(link->MessageTarget(), Page(shown));
    QVERIFY(prompter_.boxes.isEmpty());
}

void TestMainWindow::quitAsksFirst_data()
{
    QTest::addColumn<bool>("fromExitCommand");
    QTest::addColumn<Prompter::Button>("answer");

    QTest::newRow("close, No") << false << Prompter::No;
    QTest::newRow("close, Yes") << false << Prompter::Yes;
    QTest::newRow("File/Exit, No") << true << Prompter::No;
    QTest::newRow("File/Exit, Yes") << true << Prompter::Yes;
}

void TestMainWindow::quitAsksFirst()
{
    QFETCH(bool, fromExitCommand);
    QFETCH(Prompter::Button, answer);

    prompter_.answers = {answer};
    if (fromExitCommand)
        frame_->Action(Cmd::Exit)->trigger();
    else
        frame_->close();

    QCOMPARE(prompter_.boxes.size(), 1);
    const FakePrompter::Box& box = prompter_.boxes.first();
    QCOMPARE(box.owner, frame_.get());
    QCOMPARE(box.caption, QStringLiteral("PON Prompt Message"));
    QCOMPARE(box.text, QStringLiteral("Are you sure to quit the management software?"));
    QCOMPARE(box.buttons, Prompter::Yes | Prompter::No);
    QCOMPARE(box.icon, Prompter::Icon::Information);
    QCOMPARE(frame_->isVisible(), answer == Prompter::No);
}

// The program's own boxes: Enter presses the default button the program names (No before
// a command that destroys data), else the one the toolkit chooses.
void TestMainWindow::enterAnswersTheDefaultButton_data()
{
    QTest::addColumn<int>("defaultButton"); // 0: none named
    QTest::addColumn<Prompter::Button>("answer");
    QTest::newRow("none named") << 0 << Prompter::Yes;
    QTest::newRow("No named") << int(Prompter::No) << Prompter::No;
}

void TestMainWindow::enterAnswersTheDefaultButton()
{
    QFETCH(int, defaultButton);
    QFETCH(Prompter::Button, answer);
    MessageBoxPrompter boxes;
    QTimer enter;
    enter.callOnTimeout([&enter] {
        if (auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget())) {
            enter.stop();
            QTest::keyClick(box, Qt::Key_Return);
        }
    });
    enter.start(10);
    const std::optional<Prompter::Button> named =
        defaultButton ? std::optional(Prompter::Button(defaultButton)) : std::nullopt;
    QCOMPARE(boxes.Show(frame_.get(), promptCaption(), QStringLiteral("Delete?"),
                        Prompter::Yes | Prompter::No, Prompter::Icon::None, named),
             answer);
}

void TestMainWindow::fileCommandsReachTheDataPage_data()
{
    QTest::addColumn<int>("key"); // 0: the command has no shortcut and is triggered
    QTest::addColumn<int>("command");
    QTest::addColumn<QStringList>("dialogFilters");

    QTest::newRow("Ctrl+S exports") << int(Qt::Key_S) << Cmd::Save << QStringList{"Csv  (*.csv)"};
    QTest::newRow("Ctrl+O imports")
        << int(Qt::Key_O) << Cmd::Open
        << QStringList{"Csv File (*.csv);;Excel File (*.xls);;Excel Workbook (*.xlsx)"};
    QTest::newRow("Export as Excel Workbook")
        << 0 << Cmd::ExportWorkbook << QStringList{"Excel Workbook (*.xlsx)"};
    QTest::newRow("Export Report (PDF)")
        << 0 << Cmd::ExportReport << QStringList{"PDF Report (*.pdf)"};
}

void TestMainWindow::fileCommandsReachTheDataPage()
{
    QFETCH(int, key);
    QFETCH(int, command);
    QFETCH(QStringList, dialogFilters);

    if (key == 0) {
        QVERIFY(frame_->Action(command)->shortcut().isEmpty());
        frame_->Action(command)->trigger();
    } else {
        QCOMPARE(frame_->Action(command)->shortcut(), QKeySequence(Qt::CTRL | Qt::Key(key)));
        QApplication::setActiveWindow(frame_.get());
        QVERIFY(QTest::qWaitForWindowActive(frame_.get()));
        QTest::keyClick(frame_.get(), Qt::Key(key), Qt::ControlModifier);
    }
    QCOMPARE(dialogs_.filters, dialogFilters);
}

void TestMainWindow::aboutCommandShowsTheAboutBox()
{
    // The box runs its own loop; read it and press OK from inside that loop.
    QWidget* parent = nullptr;
    QString title;
    QStringList lines;
    QStringList buttons;
    bool closedByOk = false;
    QObject inTheLoop;
    QTimer::singleShot(0, &inTheLoop, [&] {
        auto* about = qobject_cast<AboutDialog*>(QApplication::activeModalWidget());
        if (!about)
            return;
        parent = about->parentWidget();
        title = about->windowTitle();
        QList<QLabel*> labels = about->findChildren<QLabel*>();
        std::sort(labels.begin(), labels.end(),
                  [](QLabel* a, QLabel* b) { return a->y() < b->y(); });
        for (QLabel* label : labels) {
            if (label->pixmap().isNull())
                lines << label->text();
        }
        const QList<QPushButton*> pushButtons = about->findChildren<QPushButton*>();
        for (QPushButton* button : pushButtons)
            buttons << button->text();
        if (!pushButtons.isEmpty())
            pushButtons.first()->click();
        closedByOk = about->isHidden();
        if (!closedByOk)
            about->reject(); // a broken box must not hang the test
    });
    frame_->Action(Cmd::About)->trigger();

    QCOMPARE(parent, frame_.get());
    QCOMPARE(title, QStringLiteral("About PON power meter..."));
    QCOMPARE(lines, (QStringList{"Pon Managerment Software V1.0", "", "Version:20200302"}));
    QCOMPARE(buttons, QStringList{"OK"});
    QVERIFY(closedByOk);
}

void TestMainWindow::helpOpensTheFileBesideTheExecutable_data()
{
    QTest::addColumn<bool>("key");
    QTest::newRow("Help command") << false;
    QTest::newRow("F1") << true;
}

void TestMainWindow::helpOpensTheFileBesideTheExecutable()
{
    QFETCH(bool, key);
    // Wherever the program was started from, with a CHM viewer on the search path (what a
    // desktop without one gets is tst_helpfile's and tst_install's).
    QTemporaryDir elsewhere;
    QVERIFY(elsewhere.isValid());
    QFile viewer(elsewhere.filePath(QStringLiteral("xchm")));
    QVERIFY(viewer.open(QIODevice::WriteOnly));
    QVERIFY(viewer.setPermissions(QFile::ReadOwner | QFile::ExeOwner));
    const QByteArray searchPath = qgetenv("PATH");
    qputenv("PATH", QFile::encodeName(elsewhere.path()));
    const QString startDir = QDir::currentPath();
    QVERIFY(QDir::setCurrent(elsewhere.path()));

    UrlRecorder recorder;
    QDesktopServices::setUrlHandler(QStringLiteral("file"), &recorder, "Open");
    if (key) {
        frame_->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(frame_.get()));
        QTest::keyClick(frame_.get(), Qt::Key_F1);
    } else {
        frame_->Action(Cmd::Help)->trigger();
    }
    QDesktopServices::unsetUrlHandler(QStringLiteral("file"));
    QDir::setCurrent(startDir);
    qputenv("PATH", searchPath);

    const QString expected =
        QDir(QCoreApplication::applicationDirPath()).filePath(QStringLiteral("QX390D_enHelp.chm"));
    QCOMPARE(recorder.urls, QList<QUrl>{QUrl::fromLocalFile(expected)});
    // The build puts a compiled help file there (the tests share the program's directory).
    QFile help(expected);
    QVERIFY2(help.open(QIODevice::ReadOnly), qPrintable(expected));
    QCOMPARE(help.read(4), QByteArray("ITSF"));
}

void TestMainWindow::commandStatesFollowAWholeSession()
{
    // Against the virtual meter through the real port; every state change must reach the
    // menus and the toolbar by itself, since nothing in the program polls.
    SimOptions options;
    options.meter.records = 3;
    auto host = std::make_unique<PtyHost>(options);
    QVERIFY(host->Open());
    ConnectionCommands commands(*link, prompter_, frame_.get(), host->DevicePath());
    commands.SetOpenDelay(0);
    frame_->AttachCommands(commands);
    link->SetPrompter(&prompter_, frame_.get());
    const auto enabled = [this] {
        return EnabledCommands();
    };
    using namespace Cmd;
    const QList<int> connectedOnData{Save, Open, Disconnect, DownloadData};

    frame_->Action(Connect)->trigger();
    QTRY_COMPARE(enabled(), connectedOnData + kAlwaysEnabled);

    frame_->View()->TabControl()->setCurrentIndex(ThresholdTab);
    QCOMPARE(enabled(),
             QList<int>({Disconnect, DownloadThreshold, UploadThreshold}) + kAlwaysEnabled);
    frame_->View()->TabControl()->setCurrentIndex(DataTab);
    QCOMPARE(enabled(), connectedOnData + kAlwaysEnabled);

    frame_->Action(DownloadData)->trigger();
    QTRY_COMPARE(enabled(), QList<int>{Disconnect} + kAlwaysEnabled);
    const QList<int> withRecords =
        connectedOnData + QList<int>{DeleteCurrentData, DeleteAllData} + kAlwaysEnabled;
    QTRY_COMPARE(enabled(), withRecords);

    frame_->Action(DeleteAllData)->trigger();
    QTRY_COMPARE(enabled(), connectedOnData + kAlwaysEnabled);

    host.reset(); // unplugged
    QTRY_COMPARE(enabled(), QList<int>({Save, Open, Connect}) + kAlwaysEnabled);
    link->SetPrompter(nullptr, nullptr);
}

void TestMainWindow::theWindowFitsTheScreenItIsOn_data()
{
    QTest::addColumn<QSize>("available"); // the screen's area less its panels
    QTest::addColumn<QSize>("window");

    QTest::newRow("larger: nothing changes") << QSize(1920, 1040) << QSize(1000, 600);
    QTest::newRow("just large enough") << QSize(1000, 600) << QSize(1000, 600);
    QTest::newRow("1366x768 at 125 %, a panel below") << QSize(1093, 574) << QSize(1000, 574);
    QTest::newRow("narrow") << QSize(800, 600) << QSize(800, 600);
}

void TestMainWindow::theWindowFitsTheScreenItIsOn()
{
    QFETCH(QSize, available);
    QFETCH(QSize, window);
    // The window as it has always been, beside one fitted to the screen.
    const QList<QWidget*> pages{Page(DataTab), Page(ThresholdTab), Page(CalibrationTab)};
    const QRect viewAsAlways = frame_->View()->geometry();
    QList<QRect> pagesAsAlways;
    for (const QWidget* page : pages)
        pagesAsAlways << page->geometry();

    MainWindow fitted(*link, prompter_, dialogs_);
    fitted.FitTo(QRect(QPoint(0, 27), available));
    fitted.show();
    QVERIFY(QTest::qWaitForWindowExposed(&fitted));

    QCOMPARE(fitted.minimumSize(), window);
    QCOMPARE(fitted.maximumSize(), window);
    QCOMPARE(fitted.View()->size(), viewAsAlways.size());
    const MainView& view = *fitted.View();
    const QList<QWidget*> fittedPages{view.Records(), view.Thresholds(), view.Calibration()};
    for (int tab = 0; tab < pages.size(); ++tab)
        QCOMPARE(fittedPages[tab]->geometry(), pagesAsAlways[tab]);
    auto* scroll = qobject_cast<QScrollArea*>(fitted.centralWidget());
    if (window == MainWindow::windowSize) {
        QCOMPARE(fitted.centralWidget(), fitted.View());
        QCOMPARE(fitted.View()->geometry(), viewAsAlways);
        return;
    }
    QVERIFY(scroll);
    // The rest of the page is a scroll away.
    const QScrollBar* bar = window.height() < MainWindow::windowSize.height()
                                ? scroll->verticalScrollBar()
                                : scroll->horizontalScrollBar();
    QVERIFY(bar->maximum() > 0);
    QVERIFY(QRect(QPoint(0, 27), available).contains(fitted.frameGeometry().topLeft()));
}

void TestMainWindow::aSecondCopyBringsTheFirstForward()
{
    frame_.reset();
    const QTemporaryDir lockDirectory;
    FakePrompter secondPrompter;
    Application first(prompter_, dialogs_, {}, lockDirectory.path());
    QVERIFY(first.Start());
    QWidget& window = *first.Window();
    window.showMinimized();
    QTRY_VERIFY(window.isMinimized());

    Application second(secondPrompter, dialogs_, {}, lockDirectory.path());
    QVERIFY(!second.Start());
    QCOMPARE(secondPrompter.Texts(), QStringList{Application::secondCopyMessage()});
    QVERIFY(!second.Window());
    QTRY_VERIFY(!window.isMinimized());
    QTRY_COMPARE(QApplication::activeWindow(), &window);
}

QTEST_MAIN(TestMainWindow)
#include "tst_mainwindow.moc"
