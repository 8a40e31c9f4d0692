#include "EnablingTable.h"
#include "FakePrompter.h"
#include "app/CMainFrame.h"
#include "app/CQX390DView.h"
#include "calibration/CAdjustWin.h"
#include "data/CDownLoadWin.h"
#include "link/DeviceLink.h"
#include "link/LinkState.h"
#include "link/MeterEvent.h"
#include "link/MeterMessages.h"
#include "thresholds/CSetThrWin.h"

#include <QAction>
#include <QDesktopServices>
#include <QDir>
#include <QFile>
#include <QMenu>
#include <QMenuBar>
#include <QSignalSpy>
#include <QTabBar>
#include <QTabWidget>
#include <QTemporaryDir>
#include <QTest>
#include <QUrl>
#include <memory>

namespace {

// Counts which of the two dialogs the program asked for; the operator cancels both.
class CountingDialogs : public FakeFileDialogs
{
public:
    QString SaveFileName(QWidget* owner, const QString& filter) override
    {
        ++saves;
        return FakeFileDialogs::SaveFileName(owner, filter);
    }
    QString OpenFileName(QWidget* owner, const QString& filter) override
    {
        ++opens;
        return FakeFileDialogs::OpenFileName(owner, filter);
    }

    int saves = 0;
    int opens = 0;
};

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

class TestView : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();

    void startsOnTheDataPage();
    void tabsCarryTheirLabelsAndSize_data();
    void tabsCarryTheirLabelsAndSize();
    void startUpCommandStates();
    void eachStateGivesTheOperatorsCommands_data();
    void eachStateGivesTheOperatorsCommands();
    void aTabChangeShowsItsPageAndRetargetsTheLink_data();
    void aTabChangeShowsItsPageAndRetargetsTheLink();
    void aTabChangeIsRefusedWhileDownloading_data();
    void aTabChangeIsRefusedWhileDownloading();
    void clickingAnotherTabWhileDownloadingKeepsTheDataTab();
    void openingAMenuBringsTheStatesUpToDate_data();
    void openingAMenuBringsTheStatesUpToDate();
    void statesFollowTheLinkWhileIdle();
    void fileCommandsGoToTheDataPage_data();
    void fileCommandsGoToTheDataPage();
    void helpOpensTheFileBesideTheExecutable();
    void helpFileIsBuiltBesideTheExecutable();
    void pagesTakeTheMetersMessages_data();
    void pagesTakeTheMetersMessages();

private:
    CQX390DView& View() { return *frame_->View(); }
    QObject* Page(TargetPage page);

    FakePrompter prompter_;
    CountingDialogs dialogs_;
    std::unique_ptr<CMainFrame> frame_;
};

QObject* TestView::Page(TargetPage page)
{
    switch (page) {
    case TargetPage::Data:
        return View().DataPage();
    case TargetPage::Threshold:
        return View().ThresholdPage();
    case TargetPage::Calibration:
        break;
    }
    return View().CalibrationPage();
}

void TestView::init()
{
    ResetLinkState();
    DeviceLink::Instance()->targetWindow = nullptr;
    prompter_ = FakePrompter();
    dialogs_ = CountingDialogs();
    frame_ = std::make_unique<CMainFrame>(prompter_, dialogs_);
    frame_->show();
}

void TestView::cleanup()
{
    frame_.reset();
    ResetLinkState();
}

void TestView::startsOnTheDataPage()
{
    QTabWidget* tabs = View().TabControl();
    QCOMPARE(tabs->count(), 3);
    QCOMPARE(tabs->currentIndex(), 0);
    QCOMPARE(View().CurrentTab(), 0);
    QVERIFY(View().DataPage()->isVisible());
    QVERIFY(!View().ThresholdPage()->isVisible());
    QVERIFY(!View().CalibrationPage()->isVisible());
    QCOMPARE(tabs->widget(DataTab), View().DataPage());
    QCOMPARE(tabs->widget(ThresholdTab), View().ThresholdPage());
    QCOMPARE(tabs->widget(CalibrationTab), View().CalibrationPage());
    QVERIFY(prompter_.boxes.isEmpty());
}

void TestView::tabsCarryTheirLabelsAndSize_data()
{
    QTest::addColumn<int>("tab");
    QTest::addColumn<QString>("label");
    QTest::newRow("data") << 0 << "DownLoad Data";
    QTest::newRow("threshold") << 1 << "Threshold Setting";
    QTest::newRow("calibration") << 2 << "Calibration";
}

void TestView::tabsCarryTheirLabelsAndSize()
{
    QFETCH(int, tab);
    QFETCH(QString, label);
    QTabBar* bar = View().TabControl()->tabBar();
    QCOMPARE(bar->tabText(tab), label);
    QCOMPARE(bar->tabRect(tab).size(), QSize(150, 30));
    QVERIFY(bar->tabIcon(tab).isNull());
}

void TestView::startUpCommandStates()
{
    // The frame has run one pass while it was built; no further pass is needed.
    const QList<int> enabled{Cmd::Save,  Cmd::Open, Cmd::Connect,      Cmd::Exit,
                             Cmd::About, Cmd::Help, Cmd::ToggleToolbar};
    const QList<int> disabled{Cmd::Disconnect,      Cmd::DownloadData,      Cmd::DownloadThreshold,
                              Cmd::UploadThreshold, Cmd::DeleteCurrentData, Cmd::DeleteAllData};
    for (int id : enabled)
        QVERIFY2(frame_->Action(id)->isEnabled(), qPrintable(QString::number(id)));
    for (int id : disabled)
        QVERIFY2(!frame_->Action(id)->isEnabled(), qPrintable(QString::number(id)));
    QCOMPARE(View().Flags(), ViewFlags{});
    // Not connected, the pass leaves the link on the threshold page.
    QCOMPARE(DeviceLink::Instance()->targetWindow.data(), View().ThresholdPage());
}

void TestView::eachStateGivesTheOperatorsCommands_data()
{
    AddEnablingRows();
}

void TestView::eachStateGivesTheOperatorsCommands()
{
    QFETCH(bool, connected);
    QFETCH(int, tab);
    QFETCH(bool, busy);
    QFETCH(int, records);
    QFETCH(QList<int>, enabled);
    QFETCH(TargetPage, target);

    linkConnected = connected;
    storedRecordCount = qint16(records);
    View().TabControl()->setCurrentIndex(tab);
    QCOMPARE(View().CurrentTab(), tab);
    downloadBusy = busy;
    frame_->UpdateCommandUi();

    for (int id : kToolbarOrder) {
        QVERIFY2(frame_->Action(id)->isEnabled() == enabled.contains(id),
                 qPrintable(QStringLiteral("command %1").arg(id)));
    }
    for (int id : {Cmd::Help, Cmd::About, Cmd::Exit, Cmd::ToggleToolbar})
        QVERIFY(frame_->Action(id)->isEnabled());
    QCOMPARE(DeviceLink::Instance()->targetWindow.data(), Page(target));
    QVERIFY(prompter_.boxes.isEmpty());
}

void TestView::aTabChangeShowsItsPageAndRetargetsTheLink_data()
{
    QTest::addColumn<int>("tab");
    QTest::addColumn<TargetPage>("page");
    QTest::newRow("threshold") << 1 << TargetPage::Threshold;
    QTest::newRow("calibration") << 2 << TargetPage::Calibration;
    QTest::newRow("back to data") << 0 << TargetPage::Data;
}

void TestView::aTabChangeShowsItsPageAndRetargetsTheLink()
{
    QFETCH(int, tab);
    QFETCH(TargetPage, page);

    // Start from another tab, so that every row is a change.
    View().TabControl()->setCurrentIndex(tab == 0 ? 2 : 0);
    linkConnected = 1;
    View().TabControl()->setCurrentIndex(tab);

    QCOMPARE(View().CurrentTab(), tab);
    QCOMPARE(DeviceLink::Instance()->targetWindow.data(), Page(page));
    for (TargetPage other : {TargetPage::Data, TargetPage::Threshold, TargetPage::Calibration})
        QCOMPARE(qobject_cast<QWidget*>(Page(other))->isVisible(), other == page);
}

void TestView::aTabChangeIsRefusedWhileDownloading_data()
{
    QTest::addColumn<int>("tab");
    QTest::newRow("threshold") << 1;
    QTest::newRow("calibration") << 2;
}

void TestView::aTabChangeIsRefusedWhileDownloading()
{
    QFETCH(int, tab);

    linkConnected = 1;
    storedRecordCount = 9;
    frame_->UpdateCommandUi();
    downloadBusy = 1;
    QSignalSpy changes(View().TabControl(), &QTabWidget::currentChanged);

    View().TabControl()->setCurrentIndex(tab);

    QCOMPARE(View().TabControl()->currentIndex(), 0);
    QCOMPARE(View().CurrentTab(), 0);
    QVERIFY(View().DataPage()->isVisible());
    QVERIFY(!View().ThresholdPage()->isVisible());
    QVERIFY(!View().CalibrationPage()->isVisible());
    QCOMPARE(DeviceLink::Instance()->targetWindow.data(), View().DataPage());
    // The spring-back reports no change of its own.
    QCOMPARE(changes.size(), 1);
    QVERIFY(prompter_.boxes.isEmpty());

    // Until the download ends, download, delete, Open and Save stay off.
    frame_->UpdateCommandUi();
    for (int id :
         {Cmd::DownloadData, Cmd::DeleteCurrentData, Cmd::DeleteAllData, Cmd::Open, Cmd::Save})
        QVERIFY2(!frame_->Action(id)->isEnabled(), qPrintable(QString::number(id)));
    downloadBusy = 0;
    frame_->UpdateCommandUi();
    for (int id :
         {Cmd::DownloadData, Cmd::DeleteCurrentData, Cmd::DeleteAllData, Cmd::Open, Cmd::Save})
        QVERIFY2(frame_->Action(id)->isEnabled(), qPrintable(QString::number(id)));
}

void TestView::clickingAnotherTabWhileDownloadingKeepsTheDataTab()
{
    linkConnected = 1;
    downloadBusy = 1;
    QTabBar* bar = View().TabControl()->tabBar();
    QTest::mouseClick(bar, Qt::LeftButton, {}, bar->tabRect(ThresholdTab).center());
    QCOMPARE(bar->currentIndex(), 0);
    QVERIFY(View().DataPage()->isVisible());

    downloadBusy = 0;
    QTest::mouseClick(bar, Qt::LeftButton, {}, bar->tabRect(ThresholdTab).center());
    QCOMPARE(bar->currentIndex(), 1);
    QVERIFY(View().ThresholdPage()->isVisible());
}

void TestView::openingAMenuBringsTheStatesUpToDate_data()
{
    QTest::addColumn<int>("menu");
    QTest::newRow("File") << 0;
    QTest::newRow("View") << 1;
    QTest::newRow("Manage") << 2;
    QTest::newRow("Help") << 3;
}

void TestView::openingAMenuBringsTheStatesUpToDate()
{
    QFETCH(int, menu);
    QMenu* popup = frame_->menuBar()->actions().at(menu)->menu();
    QVERIFY(popup);

    linkConnected = 1;
    QVERIFY(!frame_->Action(Cmd::Disconnect)->isEnabled());
    Q_EMIT popup->aboutToShow();
    QVERIFY(frame_->Action(Cmd::Disconnect)->isEnabled());
    QVERIFY(!frame_->Action(Cmd::Connect)->isEnabled());
    QVERIFY(frame_->Action(Cmd::DownloadData)->isEnabled());
}

void TestView::statesFollowTheLinkWhileIdle()
{
    QAction* disconnect = frame_->Action(Cmd::Disconnect);
    QSignalSpy changed(disconnect, &QAction::enabledChanged);
    linkConnected = 1;
    // The idle pass notices the change without any menu being opened.
    QVERIFY(changed.wait());
    QCOMPARE(changed.first().first().toBool(), true);
    QVERIFY(!frame_->Action(Cmd::Connect)->isEnabled());
}

void TestView::fileCommandsGoToTheDataPage_data()
{
    QTest::addColumn<int>("command");
    QTest::addColumn<int>("saves");
    QTest::addColumn<int>("opens");
    QTest::newRow("Save exports") << Cmd::Save << 1 << 0;
    // The import has no dialog of its own yet.
    QTest::newRow("Open imports") << Cmd::Open << 0 << 0;
}

void TestView::fileCommandsGoToTheDataPage()
{
    QFETCH(int, command);
    QFETCH(int, saves);
    QFETCH(int, opens);

    frame_->Action(command)->trigger();
    QCOMPARE(dialogs_.saves, saves);
    QCOMPARE(dialogs_.opens, opens);
    // The operator cancelled the dialog: nothing else happens.
    QVERIFY(prompter_.boxes.isEmpty());
}

void TestView::helpOpensTheFileBesideTheExecutable()
{
    // Wherever the program was started from.
    QTemporaryDir elsewhere;
    QVERIFY(elsewhere.isValid());
    const QString startDir = QDir::currentPath();
    QVERIFY(QDir::setCurrent(elsewhere.path()));

    UrlRecorder recorder;
    QDesktopServices::setUrlHandler(QStringLiteral("file"), &recorder, "Open");
    frame_->Action(Cmd::Help)->trigger();
    QDesktopServices::unsetUrlHandler(QStringLiteral("file"));
    QDir::setCurrent(startDir);

    const QString expected =
        QDir(QCoreApplication::applicationDirPath()).filePath(QStringLiteral("QX390D_enHelp.chm"));
    QCOMPARE(recorder.urls, QList<QUrl>{QUrl::fromLocalFile(expected)});
    QVERIFY(prompter_.boxes.isEmpty());
}

void TestView::helpFileIsBuiltBesideTheExecutable()
{
    // The tests are built into the program's own directory.
    QFile help(QDir(QCoreApplication::applicationDirPath()).filePath(CQX390DView::helpFileName));
    QVERIFY2(help.open(QIODevice::ReadOnly), qPrintable(help.fileName()));
    QCOMPARE(help.read(4), QByteArray("ITSF"));
}

void TestView::pagesTakeTheMetersMessages_data()
{
    QTest::addColumn<TargetPage>("page");
    QTest::addColumn<int>("message");
    QTest::newRow("threshold page, upload start")
        << TargetPage::Threshold << int(WM_METER_UPLOAD_START);
    QTest::newRow("threshold page, record") << TargetPage::Threshold << int(WM_METER_RECORD);
    QTest::newRow("calibration page, threshold part")
        << TargetPage::Calibration << int(WM_METER_THR_PART1);
    QTest::newRow("calibration page, deleted")
        << TargetPage::Calibration << int(WM_METER_RECORD_DELETED);
}

void TestView::pagesTakeTheMetersMessages()
{
    QFETCH(TargetPage, page);
    QFETCH(int, message);

    MeterEvent event(message, QByteArray(31, '\0'), 0);
    event.ignore();
    QVERIFY(QCoreApplication::sendEvent(Page(page), &event));
    QVERIFY(prompter_.boxes.isEmpty());
}

QTEST_MAIN(TestView)
#include "tst_view.moc"
