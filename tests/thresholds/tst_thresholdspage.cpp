// The threshold page: the answers it ignores, the refusals of an upload, and the
// whole download and upload through the main window's commands against the virtual meter
// on a pseudo-terminal, and the threshold files of the Manage menu.
#include "FakePrompter.h"
#include "ShownBoxes.h"
#include "StubPort.h"
#include "TestSupport.h"
#include "app/CommandIds.h"
#include "app/MainView.h"
#include "app/MainWindow.h"
#include "link/ConnectionCommands.h"
#include "link/DeviceLink.h"
#include "link/MeterMessage.h"
#include "protocol/CommandFrame.h"
#include "sim/PtyHost.h"
#include "thresholds/PresetDialog.h"
#include "thresholds/ThresholdCells.h"
#include "thresholds/ThresholdPreset.h"
#include "thresholds/ThresholdTable.h"
#include "thresholds/ThresholdsPage.h"

#include <QAction>
#include <QFile>
#include <QLineEdit>
#include <QTabWidget>
#include <QTemporaryDir>
#include <QTest>
#include <cstring>
#include <memory>

using Groups = std::array<MeterThresholdGroup, 3>;

namespace {

constexpr int kWaitMs = 10000;
constexpr quint8 kAnswerCodes[] = {0x02, 0x03, 0xBB};

QByteArray FloatBytes(float value)
{
    QByteArray bytes(4, '\0');
    std::memcpy(bytes.data(), &value, 4);
    return bytes;
}

// The nine answers of a download of `groups`, as the meter frames them.
void DeliverDownload(ThresholdsPage& page, const Groups& groups)
{
    const MeterMessage::Kind messages[] = {MeterMessage::Kind::ThresholdPart1,
                                           MeterMessage::Kind::ThresholdPart2,
                                           MeterMessage::Kind::ThresholdPart3};
    for (quint8 g = 1; g <= 3; ++g) {
        for (int part = 0; part < 3; ++part) {
            QByteArray payload;
            const int first = part == 0 ? 0 : part == 1 ? 6 : 9;
            for (int i = first; i < first + (part == 0 ? 6 : 3); ++i)
                payload += FloatBytes(groups[g - 1].limits[i]);
            if (part > 0)
                payload += groups[g - 1].name;
            page.OnMeterMessage({messages[part], AnswerFrame(kAnswerCodes[part], payload, g), 31});
        }
    }
}

// What a page shows of a group: its twelve limit cells and its name cell.
QStringList CellTexts(const ThresholdsPage& page, int group)
{
    QStringList texts;
    for (int column = ThresholdsPage::kFirstLimitColumn; column <= ThresholdsPage::kNameColumn;
         ++column)
        texts << page.Cell(group, column)->text();
    return texts;
}

// The same as the meter's group would show: two decimals, the name up to its zero byte.
QStringList Shown(const MeterThresholdGroup& group)
{
    QStringList texts;
    for (float limit : group.limits)
        texts << QString::asprintf("%.2f", double(limit));
    return texts << QString::fromLatin1(group.name.constData(),
                                        qstrnlen(group.name.constData(), 10));
}

// The nine upload frames of `groups` on the wire: parts 2 and 3 keep bytes 25 and 26 of the
// frame before them.
QStringList UploadFrames(const Groups& groups)
{
    const quint8 codes[] = {0x06, 0x07, 0xCC};
    CommandFrame f;
    QStringList frames;
    for (int g = 1; g <= 3; ++g) {
        for (int part = 0; part < 3; ++part) {
            f.SetCode(codes[part]);
            const int first = part == 0 ? 0 : part == 1 ? 6 : 9;
            for (int i = 0; i < (part == 0 ? 6 : 3); ++i)
                f.PutFloatLE(3 + 4 * i, groups[g - 1].limits[first + i]);
            for (int i = 0; part > 0 && i < 10; ++i)
                f[15 + i] = quint8(groups[g - 1].name[i]);
            f[27] = 0x0A;
            f[28] = quint8(g);
            f.Complete();
            frames << ToHex(f.ToByteArray());
        }
    }
    return frames;
}

QByteArray UploadedName(int group)
{
    return QByteArray::number(group) + QByteArray(1, '\0') + QByteArray(8, ' ');
}

} // namespace

class TestThresholdsPage : public QObject
{
    Q_OBJECT

private slots:
    void init()
    {
        link = std::make_unique<DeviceLink>();
        prompter = FakePrompter();
        link->SetPrompter(&prompter, nullptr);
    }

    void cleanup()
    {
        commands.reset();
        frame.reset();
        link.reset();
        host.reset();
    }

    // Nothing is stored and no cell written for an answer naming no group 1 to 3 or too
    // short to hold the payload; 29 bytes are enough.
    void answersThePageIgnores_data()
    {
        QTest::addColumn<MeterMessage::Kind>("message");
        QTest::addColumn<QByteArray>("copy");
        QTest::addColumn<QStringList>("group3");
        // Bytes 3 to 24: -8.0, two zero limits, the name "AB" ended by a zero byte.
        const QByteArray payload =
            FloatBytes(-8.0f) + QByteArray(8, '\0') + QByteArray("AB\0xxxxxxx", 10);
        const QStringList nothing(13, QString());
        QTest::newRow("group 0") << MeterMessage::Kind::ThresholdPart1
                                 << AnswerFrame(0x02, payload, 0) << nothing;
        QTest::newRow("group 4") << MeterMessage::Kind::ThresholdPart2
                                 << AnswerFrame(0x03, payload, 4) << nothing;
        QTest::newRow("no frame") << MeterMessage::Kind::ThresholdPart1 << QByteArray() << nothing;
        QTest::newRow("28 bytes") << MeterMessage::Kind::ThresholdPart3
                                  << AnswerFrame(0xBB, payload, 3).left(28) << nothing;
        QStringList part3 = nothing;
        part3[9] = "-8.00";
        part3[10] = part3[11] = "0.00";
        part3[12] = "AB";
        QTest::newRow("29 bytes") << MeterMessage::Kind::ThresholdPart3
                                  << AnswerFrame(0xBB, payload, 3).left(29) << part3;
    }
    void answersThePageIgnores()
    {
        QFETCH(MeterMessage::Kind, message);
        QFETCH(QByteArray, copy);
        QFETCH(QStringList, group3);
        ThresholdsPage page(*link, prompter, nullptr);
        page.OnMeterMessage({message, copy, int(copy.size())});
        QCOMPARE(CellTexts(page, 1), QStringList(13, QString()));
        QCOMPARE(CellTexts(page, 2), QStringList(13, QString()));
        QCOMPARE(CellTexts(page, 3), group3);
        QCOMPARE(page.Table().Group(3).limits[9], group3[9].isEmpty() ? 0.0f : -8.0f);
        QVERIFY(prompter.boxes.isEmpty());
    }

    // The question comes first; then the groups are checked in order and the first
    // incomplete one is named. Only a passing check sends, and it starts the count afresh.
    // The downloads carry -70.0 for group 2's 1490 nm "Pass", which empties its cell.
    void uploadStart_data()
    {
        QTest::addColumn<bool>("download");
        QTest::addColumn<QString>("typed");
        QTest::addColumn<Prompter::Button>("answer");
        QTest::addColumn<QStringList>("boxes");
        QTest::addColumn<QString>("left");
        QTest::addColumn<bool>("sent");

        const QString question =
            BoxLine(ThresholdText::ResetQuestion(), Prompter::Yes | Prompter::No);
        const QString range = BoxLine(ThresholdText::OutOfRange());
        const QString second = BoxLine("The 2th threshold do not set completely!");
        QTest::newRow("fresh page")
            << false << "" << Prompter::Yes
            << QStringList{question, BoxLine("The 1th threshold do not set completely!")} << ""
            << false;
        QTest::newRow("answered No")
            << true << "" << Prompter::No << QStringList{range, question} << "" << false;
        QTest::newRow("downloaded -70.0 left empty")
            << true << "" << Prompter::Yes << QStringList{range, question, second} << "" << false;
        QTest::newRow("filled again")
            << true << "-7" << Prompter::Yes << QStringList{range, question} << "-7" << true;
        QTest::newRow("a sign after the first place")
            << true << "5-" << Prompter::Yes << QStringList{range, question, second} << "" << false;
    }
    void uploadStart()
    {
        QFETCH(bool, download);
        QFETCH(QString, typed);
        QFETCH(Prompter::Button, answer);
        QFETCH(QStringList, boxes);
        QFETCH(QString, left);
        QFETCH(bool, sent);

        auto* port = new StubPort;
        link->SetPort(port);
        State().portName = QStringLiteral("stub");
        QVERIFY(link->OpenPort());
        ThresholdsPage page(*link, prompter, nullptr);
        Groups groups = VirtualMeter::FactoryGroups();
        groups[1].limits[4] = -70.0f;
        if (download)
            DeliverDownload(page, groups);
        QLineEdit* cell = page.Cell(2, ThresholdsPage::kFirstLimitColumn + 4);
        QTest::keyClicks(cell, typed);
        prompter.answers = {answer};

        page.OnMeterMessage({MeterMessage::Kind::UploadStart});

        QCOMPARE(ShownBoxes(prompter), boxes);
        for (const FakePrompter::Box& box : prompter.boxes)
            QCOMPARE(box.owner, &page);
        QCOMPARE(cell->text(), left);
        // The handshake, then part 1 of group 1 when the upload starts.
        QCOMPARE(port->written.size(), sent ? 2 : 1);
        if (sent)
            QCOMPARE(ToHex(port->written[1].mid(2, 1) + port->written[1].mid(28, 1)),
                     QStringLiteral("06 01"));
    }

    // A preset applied to group 2 changes only its channels' cells; the upload then sends
    // exactly those limits, and a channel whose limits are out of order is marked.
    void presetAppliedThenUploadedGivesItsFrames()
    {
        auto* port = new StubPort;
        link->SetPort(port);
        State().portName = QStringLiteral("stub");
        QVERIFY(link->OpenPort());
        ThresholdsPage page(*link, prompter, nullptr);
        const Groups factory = VirtualMeter::FactoryGroups();
        DeliverDownload(page, factory);
        QString error;
        const std::optional<ThresholdPreset> preset =
            ReadPreset(QCoreApplication::applicationDirPath() + "/" QX390D_TEST_PRESETS
                                                                "/xgs-pon-n1-n2-e1.json",
                       &error);
        QVERIFY2(preset, qPrintable(error));

        // The dialog shows the limits with their sources before they go to the page.
        const PresetDialog dialog({*preset}, 2);
        QVERIFY(dialog.Preview().contains("OLT:1577nm: Over -9.00, Pass -25.00, Fail -28.00 dBm"));
        QVERIFY(dialog.Preview().contains(preset->channels.constFirst().source));
        QCOMPARE(dialog.Margin(), std::optional<float>(3.0f));

        page.ApplyPreset(*preset, 2, 4.0f);

        Groups expected = factory;
        const float xgs[] = {-9.0f, -24.0f, -28.0f, 9.0f, 8.0f, 4.0f}; // 1577, 1270 nm
        for (int i = 0; i < 6; ++i)
            expected[1].limits[6 + i] = xgs[i];
        for (int g = 1; g <= 3; ++g) {
            QStringList values;
            for (const QString& text : CellTexts(page, g).mid(0, 12))
                values << QString::asprintf("%.2f", text.toDouble());
            QCOMPARE(values, Shown(expected[g - 1]).mid(0, 12));
            expected[g - 1].name = UploadedName(g);
        }
        prompter.answers = {Prompter::Yes};
        page.OnMeterMessage({MeterMessage::Kind::UploadStart});
        for (int g = 1; g <= 3; ++g) {
            if (g > 1)
                page.OnMeterMessage({MeterMessage::Kind::UploadNextGroup, {}, g});
            page.OnMeterMessage({MeterMessage::Kind::UploadPart2, {}, g});
            page.OnMeterMessage({MeterMessage::Kind::UploadPart3, {}, g});
        }
        QStringList written;
        for (const QByteArray& frame : port->written.mid(1))
            written << ToHex(frame);
        QCOMPARE(written, UploadFrames(expected));

        // Over below Pass: marked, and still uploadable.
        QLineEdit* over = page.Cell(2, ThresholdsPage::kFirstLimitColumn + 9);
        over->setText("6");
        QCOMPARE(page.Cell(2, ThresholdsPage::kFirstLimitColumn + 11)->toolTip(),
                 "The limits are out of order: Over 6.00 is below Pass 8.00");
        over->setText("9");
        QCOMPARE(page.Cell(2, ThresholdsPage::kFirstLimitColumn + 11)->toolTip(), QString());
    }

    void downloadEditAndUploadThroughTheMainWindow()
    {
        QVERIFY(ConnectOnThresholdTab());
        ThresholdsPage& page = *frame->View()->Thresholds();
        const Groups factory = host->Meter().Groups();
        QVERIFY(DownloadThresholds());
        for (int g = 1; g <= 3; ++g)
            QTRY_COMPARE(CellTexts(page, g), Shown(factory[g - 1]));
        // Only the last group's name stays in sight, and no name can be edited.
        QCOMPARE((QList<bool>{page.Cell(1, ThresholdsPage::kNameColumn)->isHidden(),
                              page.Cell(2, ThresholdsPage::kNameColumn)->isHidden(),
                              page.Cell(3, ThresholdsPage::kNameColumn)->isHidden(),
                              page.Cell(3, ThresholdsPage::kNameColumn)->isEnabled()}),
                 (QList<bool>{true, true, false, false}));

        // One limit of each group, typed as the operator does.
        const struct
        {
            int group;
            int limit;
            QString text;
        } edits[] = {{1, 1, "-26.5"}, {2, 8, "-31.25"}, {3, 9, "-1"}};
        Groups expected = factory;
        for (const auto& edit : edits) {
            QLineEdit* cell = page.Cell(edit.group, ThresholdsPage::kFirstLimitColumn + edit.limit);
            cell->clear();
            QTest::keyClicks(cell, edit.text);
            expected[edit.group - 1].limits[edit.limit] = edit.text.toFloat();
        }
        for (int g = 1; g <= 3; ++g)
            expected[g - 1].name = UploadedName(g);

        prompter.boxes.clear();
        frame->UpdateActions();
        QVERIFY(frame->Action(Cmd::UploadThreshold)->isEnabled());
        frame->Action(Cmd::UploadThreshold)->trigger();
        QTRY_COMPARE_WITH_TIMEOUT(prompter.boxes.size(), 2, kWaitMs);
        QCOMPARE(ShownBoxes(prompter),
                 (QStringList{BoxLine(ThresholdText::ResetQuestion(), Prompter::Yes | Prompter::No),
                              BoxLine("UpLoad Threshold Complete!")}));
        QCOMPARE(prompter.boxes[1].owner, frame.get());
        QVERIFY(host->Meter().Groups() == expected);
        QCOMPARE(host->Meter().FrameLog().mid(1 + 9), UploadFrames(expected));
    }

    // The remaining answers go to the data page, which drops them; the dispatcher still
    // requests every part.
    void tabSwitchDuringADownload()
    {
        QVERIFY(ConnectOnThresholdTab());
        ThresholdsPage& page = *frame->View()->Thresholds();
        connect(host.get(), &PtyHost::FrameReceived, this, [this](const QByteArray& f) {
            if (quint8(f[2]) == 0x02 && f[3] == 2)
                frame->View()->TabControl()->setCurrentIndex(DataTab);
        });
        QVERIFY(DownloadThresholds());
        QCOMPARE(host->Meter().FrameLog().size(), 1 + 9);
        QCOMPARE(frame->View()->CurrentTab(), int(DataTab));
        const MeterThresholdGroup first = host->Meter().Groups()[0];
        QCOMPARE(CellTexts(page, 1), Shown(first));
        QCOMPARE(CellTexts(page, 2), QStringList(13, QString()));
        QCOMPARE(CellTexts(page, 3), QStringList(13, QString()));
        QCOMPARE(page.Table().Group(1).limits, first.limits);
        QCOMPARE(page.Table().Group(2).limits, ThresholdGroup().limits);
        QCOMPARE(page.Table().Group(3).limits, ThresholdGroup().limits);
    }

    // The Manage menu's file commands, offered on the threshold tab only: the grid goes to a
    // file and comes back into another window's grid; a grid with a cell that holds no
    // number is not saved, and a file that fails its checks changes nothing.
    void thresholdFilesThroughTheManageMenu()
    {
        QTemporaryDir dir;
        frame = std::make_unique<MainWindow>(*link, prompter, dialogs);
        ThresholdsPage& page = *frame->View()->Thresholds();
        const auto action = [](MainWindow& window, int id) {
            window.UpdateActions();
            return window.Action(id);
        };
        QVERIFY(!action(*frame, Cmd::SaveThresholdFile)->isEnabled());
        QVERIFY(!action(*frame, Cmd::LoadThresholdFile)->isEnabled());
        frame->View()->TabControl()->setCurrentIndex(ThresholdTab);
        QVERIFY(action(*frame, Cmd::SaveThresholdFile)->isEnabled());
        QVERIFY(action(*frame, Cmd::LoadThresholdFile)->isEnabled());

        dialogs.savePath = dir.filePath("thresholds.json");
        action(*frame, Cmd::SaveThresholdFile)->trigger();
        QCOMPARE(ShownBoxes(prompter),
                 QStringList{BoxLine("group 1, ONT:1310nm, Over: the cell holds no number; "
                                     "nothing was saved.",
                                     Prompter::Ok, Prompter::Icon::Warning)});
        QVERIFY(!QFile::exists(dialogs.savePath));

        Groups groups = VirtualMeter::FactoryGroups();
        groups[1].limits[4] = -31.25f;
        DeliverDownload(page, groups);
        prompter.boxes.clear();
        action(*frame, Cmd::SaveThresholdFile)->trigger();
        QCOMPARE(ShownBoxes(prompter),
                 QStringList{BoxLine("The thresholds have been saved to " + dialogs.savePath,
                                     Prompter::Ok, Prompter::Icon::Information)});

        DeviceLink otherLink;
        MainWindow other(otherLink, prompter, dialogs);
        other.View()->TabControl()->setCurrentIndex(ThresholdTab);
        ThresholdsPage& loaded = *other.View()->Thresholds();
        dialogs.openPath = dialogs.savePath;
        prompter.boxes.clear();
        action(other, Cmd::LoadThresholdFile)->trigger();
        QVERIFY(prompter.boxes.isEmpty());
        for (int g = 1; g <= 3; ++g) {
            for (int i = 0; i < 12; ++i)
                QCOMPARE(
                    LimitFromText(loaded.Cell(g, ThresholdsPage::kFirstLimitColumn + i)->text()),
                    groups[g - 1].limits[i]);
            QCOMPARE(loaded.Cell(g, ThresholdsPage::kNameColumn)->text(),
                     page.Cell(g, ThresholdsPage::kNameColumn)->text());
        }

        QFile bad(dir.filePath("bad.json"));
        QVERIFY(bad.open(QIODevice::WriteOnly));
        bad.write("{\"version\": 2}");
        bad.close();
        dialogs.openPath = bad.fileName();
        const QStringList before = CellTexts(loaded, 2);
        action(other, Cmd::LoadThresholdFile)->trigger();
        QCOMPARE(ShownBoxes(prompter),
                 QStringList{BoxLine("The file cannot be loaded; the grid has been left as it "
                                     "was.\r\n" +
                                         bad.fileName() +
                                         ": version 2 is not supported (only version 1 is)",
                                     Prompter::Ok, Prompter::Icon::Warning)});
        QCOMPARE(CellTexts(loaded, 2), before);
    }

private:
    // The main window with the threshold tab selected, connected through its Connect
    // command to a fresh virtual meter.
    bool ConnectOnThresholdTab()
    {
        host = std::make_unique<PtyHost>(SimOptions());
        if (!host->Open())
            return false;
        frame = std::make_unique<MainWindow>(*link, prompter, dialogs);
        commands =
            std::make_unique<ConnectionCommands>(*link, prompter, frame.get(), host->DevicePath());
        commands->SetOpenDelay(0);
        frame->AttachCommands(*commands);
        link->SetPrompter(&prompter, frame.get());
        frame->View()->TabControl()->setCurrentIndex(ThresholdTab);
        frame->UpdateActions();
        frame->Action(Cmd::Connect)->trigger();
        if (!QTest::qWaitFor([this] { return State().connected.load(); }, kWaitMs))
            return false;
        prompter.boxes.clear();
        return true;
    }

    // "DownLoad threshold to PC", until the meter's last answer has reached the page.
    bool DownloadThresholds()
    {
        frame->UpdateActions();
        if (!frame->Action(Cmd::DownloadThreshold)->isEnabled())
            return false;
        frame->Action(Cmd::DownloadThreshold)->trigger();
        const bool done = QTest::qWaitFor(
            [this] { return prompter.Texts() == QStringList{"DownLoad Threshold Complete!"}; },
            kWaitMs);
        // The page's last part may still wait behind the box.
        QCoreApplication::processEvents();
        return done;
    }

    LinkState& State() { return link->State(); }

    std::unique_ptr<DeviceLink> link;
    FakePrompter prompter;
    FakeFileDialogs dialogs;
    std::unique_ptr<PtyHost> host;
    std::unique_ptr<MainWindow> frame;
    std::unique_ptr<ConnectionCommands> commands;
};

QTEST_MAIN(TestThresholdsPage)
#include "tst_thresholdspage.moc"
