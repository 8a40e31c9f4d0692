#include "FakePrompter.h"
#include "app/CAboutDlg.h"
#include "app/CMainFrame.h"
#include "app/CQX390DView.h"
#include "app/CommandIds.h"
#include "app/WindowPlacement.h"
#include "link/ConnectionCommands.h"
#include "link/LinkState.h"
#include "link/MeterEvent.h"
#include "link/MeterMessages.h"
#include "thresholds/CSetThrWin.h"

#include <QAction>
#include <QApplication>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QPushButton>
#include <QScreen>
#include <QStatusBar>
#include <QTabWidget>
#include <QTest>
#include <QTimer>
#include <QToolBar>
#include <memory>

namespace {

// Records the meter messages a page receives.
class MessageCatcher : public QObject
{
public:
    QList<int> messages;

protected:
    bool eventFilter(QObject*, QEvent* event) override
    {
        if (event->type() == MeterEvent::EventType())
            messages << static_cast<MeterEvent*>(event)->message;
        return false;
    }
};

} // namespace

class TestMainFrame : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();

    void titleAndFixedSize();
    void titleStaysWhateverTheTab();
    void openCentredOnTheScreen();
    void centredOriginRoundsTowardZero_data();
    void centredOriginRoundsTowardZero();
    void menuBarHasFourMenus();
    void menuItems_data();
    void menuItems();
    void toolbarButtons_data();
    void toolbarButtons();
    void toolCommandShowsAndHidesTheToolbar();
    void noStatusBar();
    void quitQuestion_data();
    void quitQuestion();
    void shortcutsReachTheDataPage_data();
    void shortcutsReachTheDataPage();
    void aboutBoxLines();
    void aboutCommandShowsTheBoxModally();
    void manageCommandsReachTheConnectionCommands_data();
    void manageCommandsReachTheConnectionCommands();
    void uploadCommandReachesTheThresholdPage();

private:
    FakePrompter prompter_;
    FakeFileDialogs dialogs_;
    std::unique_ptr<CMainFrame> frame_;
};

void TestMainFrame::init()
{
    ResetLinkState();
    prompter_ = FakePrompter();
    dialogs_ = FakeFileDialogs();
    frame_ = std::make_unique<CMainFrame>(prompter_, dialogs_);
    frame_->show();
}

void TestMainFrame::cleanup()
{
    frame_.reset();
    ResetLinkState();
}

void TestMainFrame::titleAndFixedSize()
{
    QCOMPARE(frame_->windowTitle(),
             QStringLiteral("VB4417 XGPON Power Meter Data Management Software"));
    QCOMPARE(frame_->size(), QSize(1000, 600));
    QCOMPARE(frame_->minimumSize(), QSize(1000, 600));
    QCOMPARE(frame_->maximumSize(), QSize(1000, 600));
    const Qt::WindowFlags flags = frame_->windowFlags();
    QVERIFY(!(flags & Qt::WindowMaximizeButtonHint));
    QVERIFY(flags & Qt::WindowMinimizeButtonHint);
    QVERIFY(flags & Qt::WindowTitleHint);
    QVERIFY(flags & Qt::WindowSystemMenuHint);
    QVERIFY(flags & Qt::WindowCloseButtonHint);
}

void TestMainFrame::titleStaysWhateverTheTab()
{
    for (int tab : {ThresholdTab, CalibrationTab, DataTab}) {
        frame_->View()->TabControl()->setCurrentIndex(tab);
        frame_->UpdateCommandUi();
        QCOMPARE(frame_->windowTitle(), CMainFrame::mainTitle);
    }
}

void TestMainFrame::openCentredOnTheScreen()
{
    const QSize screen = QGuiApplication::primaryScreen()->geometry().size();
    QCOMPARE(frame_->pos(), QPoint((screen.width() - 1000) / 2, (screen.height() - 600) / 2));
}

void TestMainFrame::centredOriginRoundsTowardZero_data()
{
    QTest::addColumn<QSize>("screen");
    QTest::addColumn<QPoint>("origin");
    QTest::newRow("full HD") << QSize(1920, 1080) << QPoint(460, 240);
    QTest::newRow("odd excess") << QSize(1367, 769) << QPoint(183, 84);
    QTest::newRow("exact fit") << QSize(1000, 600) << QPoint(0, 0);
    QTest::newRow("one short rounds to zero") << QSize(999, 599) << QPoint(0, 0);
    QTest::newRow("smaller screen") << QSize(800, 480) << QPoint(-100, -60);
    QTest::newRow("three short") << QSize(997, 597) << QPoint(-1, -1);
}

void TestMainFrame::centredOriginRoundsTowardZero()
{
    QFETCH(QSize, screen);
    QFETCH(QPoint, origin);
    QCOMPARE(CentredOrigin(screen, QSize(1000, 600)), origin);
}

void TestMainFrame::menuBarHasFourMenus()
{
    QStringList titles;
    for (QAction* action : frame_->menuBar()->actions())
        titles << action->text();
    QCOMPARE(titles, (QStringList{"&File", "&View", "&Manage", "&Help"}));
}

void TestMainFrame::menuItems_data()
{
    QTest::addColumn<int>("menu");
    QTest::addColumn<QStringList>("texts");
    QTest::addColumn<QList<int>>("ids");

    // A separator is an empty text with id 0.
    QTest::newRow("File") << 0 << QStringList{"&Open...", "&Save", "", "E&xit"}
                          << QList<int>{1026, 1003, 0, 57665};
    QTest::newRow("View") << 1 << QStringList{"&Tool"} << QList<int>{59392};
    QTest::newRow("Manage") << 2
                            << QStringList{"Connect PON power meter...",
                                           "Disconneced",
                                           "",
                                           "DownLoad data to PC",
                                           "DownLoad threshold to PC",
                                           "UpLoad Threshold",
                                           "Delete current data",
                                           "Delete all data",
                                           ""}
                            << QList<int>{32783, 32822, 0, 32797, 32798, 32801, 32802, 32805, 0};
    QTest::newRow("Help") << 3 << QStringList{"About PON power meter...", "Help"}
                          << QList<int>{57664, 57670};
}

void TestMainFrame::menuItems()
{
    QFETCH(int, menu);
    QFETCH(QStringList, texts);
    QFETCH(QList<int>, ids);

    QMenu* popup = frame_->menuBar()->actions().at(menu)->menu();
    QStringList gotTexts;
    QList<int> gotIds;
    for (QAction* action : popup->actions()) {
        gotTexts << (action->isSeparator() ? QString() : action->text());
        gotIds << (action->isSeparator() ? 0 : action->data().toInt());
    }
    QCOMPARE(gotTexts, texts);
    QCOMPARE(gotIds, ids);
    for (int id : ids) {
        if (id != 0)
            QCOMPARE(frame_->Action(id)->data().toInt(), id);
    }
}

void TestMainFrame::toolbarButtons_data()
{
    QTest::addColumn<QList<int>>("ids");
    QTest::addColumn<QStringList>("toolTips");

    QTest::newRow("left to right")
        << QList<int>{1003, 1026, 0, 32783, 32822, 0, 32797, 32802, 32805, 0, 32798, 32801}
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
                       "Set threshold"};
}

void TestMainFrame::toolbarButtons()
{
    QFETCH(QList<int>, ids);
    QFETCH(QStringList, toolTips);

    QToolBar* bar = frame_->ToolBar();
    QCOMPARE(frame_->toolBarArea(bar), Qt::TopToolBarArea);
    QCOMPARE(bar->allowedAreas(), Qt::AllToolBarAreas);
    QCOMPARE(bar->iconSize(), QSize(32, 32));
    QList<int> gotIds;
    QStringList gotTips;
    for (QAction* action : bar->actions()) {
        gotIds << (action->isSeparator() ? 0 : action->data().toInt());
        gotTips << (action->isSeparator() ? QString() : action->toolTip());
        if (!action->isSeparator())
            QVERIFY2(!action->icon().isNull(), qPrintable(action->toolTip()));
    }
    QCOMPARE(gotIds, ids);
    QCOMPARE(gotTips, toolTips);
}

void TestMainFrame::toolCommandShowsAndHidesTheToolbar()
{
    QAction* tool = frame_->Action(Cmd::ToggleToolbar);
    QVERIFY(tool->isCheckable());
    QVERIFY(tool->isChecked());
    QVERIFY(frame_->ToolBar()->isVisible());

    tool->trigger();
    QVERIFY(!frame_->ToolBar()->isVisible());
    QVERIFY(!tool->isChecked());

    tool->trigger();
    QVERIFY(frame_->ToolBar()->isVisible());
    QVERIFY(tool->isChecked());
}

void TestMainFrame::noStatusBar()
{
    QCOMPARE(frame_->findChild<QStatusBar*>(), nullptr);
}

void TestMainFrame::quitQuestion_data()
{
    QTest::addColumn<bool>("fromExitCommand");
    QTest::addColumn<Prompter::Button>("answer");
    QTest::addColumn<bool>("stillOpen");

    QTest::newRow("close, No") << false << Prompter::No << true;
    QTest::newRow("close, Yes") << false << Prompter::Yes << false;
    QTest::newRow("File/Exit, No") << true << Prompter::No << true;
    QTest::newRow("File/Exit, Yes") << true << Prompter::Yes << false;
}

void TestMainFrame::quitQuestion()
{
    QFETCH(bool, fromExitCommand);
    QFETCH(Prompter::Button, answer);
    QFETCH(bool, stillOpen);

    linkConnected = 1;
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
    QCOMPARE(frame_->isVisible(), stillOpen);
    // Quitting leaves the link as it is.
    QCOMPARE(linkConnected.load(), 1);
}

void TestMainFrame::shortcutsReachTheDataPage_data()
{
    QTest::addColumn<int>("key");
    QTest::addColumn<int>("command");
    QTest::addColumn<QString>("filter");
    QTest::newRow("Ctrl+S saves") << int(Qt::Key_S) << Cmd::Save << "Csv  (*.csv)";
    // The import has no dialog of its own yet: only the binding is checked.
    QTest::newRow("Ctrl+O opens") << int(Qt::Key_O) << Cmd::Open << QString();
}

void TestMainFrame::shortcutsReachTheDataPage()
{
    QFETCH(int, key);
    QFETCH(int, command);
    QFETCH(QString, filter);

    QCOMPARE(frame_->Action(command)->shortcut(), QKeySequence(Qt::CTRL | Qt::Key(key)));
    QApplication::setActiveWindow(frame_.get());
    QVERIFY(QTest::qWaitForWindowActive(frame_.get()));
    QTest::keyClick(frame_.get(), Qt::Key(key), Qt::ControlModifier);
    QCOMPARE(dialogs_.filters.size(), filter.isEmpty() ? 0 : 1);
    if (!filter.isEmpty())
        QCOMPARE(dialogs_.filters.first(), filter);
}

void TestMainFrame::aboutBoxLines()
{
    CAboutDlg about;
    about.show();
    QCOMPARE(about.windowTitle(), QStringLiteral("About PON power meter..."));

    QList<QLabel*> lines;
    for (QLabel* label : about.findChildren<QLabel*>()) {
        if (label->pixmap().isNull())
            lines << label;
    }
    std::sort(lines.begin(), lines.end(), [](QLabel* a, QLabel* b) { return a->y() < b->y(); });
    QStringList texts;
    for (QLabel* label : lines)
        texts << label->text();
    QCOMPARE(texts, (QStringList{"Pon Managerment Software V1.0", "", "Version:20200302"}));

    const QList<QPushButton*> buttons = about.findChildren<QPushButton*>();
    QCOMPARE(buttons.size(), 1);
    QCOMPARE(buttons.first()->text(), QStringLiteral("OK"));
    buttons.first()->click();
    QCOMPARE(about.result(), int(QDialog::Accepted));
    QVERIFY(!about.isVisible());
}

void TestMainFrame::aboutCommandShowsTheBoxModally()
{
    QString shownTitle;
    QWidget* shownParent = nullptr;
    bool wasAbout = false;
    // The box runs its own loop; close it from inside that loop.
    QTimer::singleShot(0, this, [&] {
        QWidget* modal = QApplication::activeModalWidget();
        QVERIFY(modal);
        wasAbout = qobject_cast<CAboutDlg*>(modal) != nullptr;
        shownTitle = modal->windowTitle();
        shownParent = modal->parentWidget();
        modal->close();
    });
    frame_->Action(Cmd::About)->trigger();
    QVERIFY(wasAbout);
    QCOMPARE(shownTitle, CAboutDlg::title);
    QCOMPARE(shownParent, frame_.get());
}

void TestMainFrame::manageCommandsReachTheConnectionCommands_data()
{
    QTest::addColumn<int>("command");
    QTest::addColumn<QString>("text");
    QTest::addColumn<int>("buttons");

    QTest::newRow("delete all") << Cmd::DeleteAllData << "Do you want to delete all data?"
                                << int(Prompter::Yes | Prompter::No);
    QTest::newRow("delete current") << Cmd::DeleteCurrentData << "Delete the 3th test data?"
                                    << int(Prompter::Yes | Prompter::No);
    QTest::newRow("disconnect") << Cmd::Disconnect << "Connection has been disconnected!"
                                << int(Prompter::Ok);
}

void TestMainFrame::manageCommandsReachTheConnectionCommands()
{
    QFETCH(int, command);
    QFETCH(QString, text);
    QFETCH(int, buttons);

    ConnectionCommands commands(prompter_, frame_.get(), QStringLiteral("/nonexistent"));
    frame_->AttachCommands(commands);
    linkConnected = 1;
    storedRecordCount = 3;
    frame_->UpdateCommandUi();
    prompter_.defaultAnswer = Prompter::No;

    frame_->Action(command)->trigger();
    QCOMPARE(prompter_.Texts(), QStringList{text});
    QCOMPARE(prompter_.boxes.first().buttons, buttons);
    QCOMPARE(prompter_.boxes.first().owner, frame_.get());
}

void TestMainFrame::uploadCommandReachesTheThresholdPage()
{
    ConnectionCommands commands(prompter_, frame_.get(), QStringLiteral("/nonexistent"));
    frame_->AttachCommands(commands);
    MessageCatcher catcher;
    frame_->View()->ThresholdPage()->installEventFilter(&catcher);

    linkConnected = 1;
    frame_->View()->TabControl()->setCurrentIndex(ThresholdTab);
    frame_->UpdateCommandUi();
    QVERIFY(frame_->Action(Cmd::UploadThreshold)->isEnabled());
    frame_->Action(Cmd::UploadThreshold)->trigger();
    QCoreApplication::sendPostedEvents(frame_->View()->ThresholdPage());

    QCOMPARE(catcher.messages, QList<int>{WM_METER_UPLOAD_START});
}

QTEST_MAIN(TestMainFrame)
#include "tst_mainframe.moc"
