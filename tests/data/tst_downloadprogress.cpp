// The data page's progress during a download from the virtual meter on a pseudo-terminal,
// through the real serial port, reception thread and dispatcher: "Record n of m" beside the
// buttons while the records arrive, gone however the download ends.
#include "FakePrompter.h"
#include "common/Prompter.h"
#include "data/CDownLoadWin.h"
#include "data/DataTexts.h"
#include "link/ConnectionCommands.h"
#include "link/DeviceLink.h"
#include "link/LinkState.h"
#include "sim/PtyHost.h"

#include <QLabel>
#include <QProgressBar>
#include <QTest>

class TestDownloadProgress : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void init()
    {
        ResetLinkState();
        prompter = FakePrompter();
        page = std::make_unique<CDownLoadWin>(prompter, dialogs);
        DeviceLink* link = DeviceLink::Instance();
        link->SetPrompter(&prompter, page.get());
        link->targetWindow = page.get();
    }

    void cleanup()
    {
        DeviceLink::Instance()->ClosePort();
        commands.reset();
        host.reset();
        page.reset();
    }

    void cleanupTestCase() { DeviceLink::Instance()->ShutDown(); }

    void progressShowsUntilTheDownloadEnds_data()
    {
        QTest::addColumn<int>("unplugAfter");  // frames the meter takes before the line closes
        QTest::addColumn<int>("disconnectAt"); // request at which the operator disconnects
        QTest::addColumn<QStringList>("shown");
        QTest::addColumn<QString>("endBox");

        const auto records = [](int last) {
            QStringList texts;
            for (int n = 1; n <= last; ++n)
                texts << QStringLiteral("Record %1 of 5 %1/5").arg(n);
            return texts;
        };
        // The last record's text stays up while the completion message is shown.
        QTest::newRow("completion") << 0 << 0 << records(5) << DataText::DownloadComplete;
        // The handshake, requests 0 and 1 answered, request 2 pulls the plug.
        QTest::newRow("unplug") << 4 << 0 << records(2) << disconnectNotice;
        QTest::newRow("disconnect")
            << 0 << 3 << records(3) << QStringLiteral("Connection has been disconnected!");
    }
    void progressShowsUntilTheDownloadEnds()
    {
        QFETCH(int, unplugAfter);
        QFETCH(int, disconnectAt);
        QFETCH(QStringList, shown);
        QFETCH(QString, endBox);

        SimOptions options;
        options.meter.records = 5;
        options.unplugAfter = unplugAfter;
        host = std::make_unique<PtyHost>(options);
        QVERIFY2(host->Open(), qPrintable(host->ErrorString()));
        commands = std::make_unique<ConnectionCommands>(prompter, page.get(), host->DevicePath());
        commands->SetOpenDelay(0);
        commands->Connect();
        QVERIFY(QTest::qWaitFor([] { return linkConnected.load() == 1; }));
        prompter.boxes.clear();

        QProgressBar* bar = page->ProgressBar();
        QLabel* text = page->ProgressText();
        QVERIFY(bar->isHidden() && text->isHidden());
        // What the page shows when each further request reaches the meter, and when the
        // completion message appears.
        QStringList seen;
        const auto look = [&] {
            seen << (bar->isHidden() || text->isHidden() ? QStringLiteral("hidden")
                                                         : QStringLiteral("%1 %2/%3")
                                                               .arg(text->text())
                                                               .arg(bar->value())
                                                               .arg(bar->maximum()));
        };
        int requests = 0;
        connect(host.get(), &PtyHost::FrameReceived, this, [&] {
            if (requests++ == 0)
                return; // request 0 leaves before anything has arrived
            look();
            if (requests - 1 == disconnectAt)
                commands->Disconnect();
        });
        prompter.onShow = [&](const FakePrompter::Box& box) {
            if (box.text == DataText::DownloadComplete)
                look();
        };

        commands->DownloadRecords();
        QTRY_COMPARE_WITH_TIMEOUT(prompter.Texts(), QStringList{endBox}, 20000);
        QCOMPARE(seen, shown);
        QTRY_VERIFY(bar->isHidden() && text->isHidden());
        QCOMPARE(downloadBusy.load(), 0);
    }

private:
    FakePrompter prompter;
    FakeFileDialogs dialogs;
    std::unique_ptr<PtyHost> host;
    std::unique_ptr<ConnectionCommands> commands;
    std::unique_ptr<CDownLoadWin> page;
};

QTEST_MAIN(TestDownloadProgress)
#include "tst_downloadprogress.moc"
