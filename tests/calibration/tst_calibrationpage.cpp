// The calibration page: its rows, the frames its buttons send, what it tells the operator,
// and a calibration of the virtual meter on a pseudo-terminal, through the real serial
// port, reception thread and the data page's download.
#include "FakePrompter.h"
#include "ShownBoxes.h"
#include "StubPort.h"
#include "TestSupport.h"
#include "calibration/CalibrationPage.h"
#include "link/ConnectionCommands.h"
#include "link/DeviceLink.h"
#include "records/MeasurementRecord.h"
#include "records/RecordsPage.h"
#include "sim/PtyHost.h"

#include <QEventLoop>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRegularExpression>
#include <QTest>
#include <QTimer>

namespace {

const QStringList kRowNames{"1270", "1310", "1490", "1577"}; // from the top
const QString kFactory = QStringLiteral("Factory Default");

CalibrationChannel Channel(const QString& name)
{
    const QList<CalibrationChannel> channels{
        CalibrationChannel::Ont1270, CalibrationChannel::Ont1310, CalibrationChannel::Olt1490,
        CalibrationChannel::Olt1577};
    return channels[kRowNames.indexOf(name)];
}

// The rows of the data table for the meter's records with these offsets (dBm, indexed by
// VirtualMeter::Channel) added, as a calibrated meter serves them.
QList<QStringList> ExpectedRows(const VirtualMeter& meter,
                                const std::array<float, VirtualMeter::ChannelCount>& offsets)
{
    QList<QStringList> rows;
    for (int i = 0; i < meter.Records().size(); ++i) {
        const MeterRecord& r = meter.Records()[i];
        const MeasurementRecord m{quint16(i),
                                  0,
                                  r.ont1270 + offsets[VirtualMeter::Ont1270],
                                  r.ont1310 + offsets[VirtualMeter::Ont1310],
                                  r.olt1490 + offsets[VirtualMeter::Olt1490],
                                  r.olt1577 + offsets[VirtualMeter::Olt1577],
                                  r.group,
                                  r.year,
                                  r.month,
                                  r.day,
                                  r.hour,
                                  r.minute};
        rows << m.RowTexts();
    }
    return rows;
}

} // namespace

class TestCalibrationPage : public QObject
{
    Q_OBJECT

private:
    QLineEdit* Field(const QString& name) const { return page->Edit(Channel(name)); }
    QPushButton* Button(const QString& name) const
    {
        return name == kFactory ? page->FactoryDefaultButton()
                                : page->CalibrationButton(Channel(name));
    }
    // "1310=-3.21" puts -3.21 into the 1310 nm field.
    void Fill(const QStringList& assignments) const
    {
        for (const QString& a : assignments)
            Field(a.section('=', 0, 0))->setText(a.section('=', 1));
    }
    // An open link on a stub port, the handshake already written and forgotten.
    StubPort* OpenStub(bool connected)
    {
        auto* port = new StubPort;
        link->SetPort(port);
        State().portName = QStringLiteral("/dev/stub");
        if (!link->OpenPort())
            return nullptr;
        port->written.clear();
        State().connected = connected;
        return port;
    }
    // Runs the record download to its completion box; false when it did not end.
    bool Download(ConnectionCommands& commands)
    {
        QEventLoop loop;
        QTimer::singleShot(20000, &loop, [&loop] { loop.exit(1); });
        prompter.onShow = [&loop](const FakePrompter::Box&) {
            loop.quit();
        };
        commands.DownloadRecords();
        const bool ended = loop.exec() == 0;
        prompter.onShow = nullptr;
        return ended;
    }

private Q_SLOTS:
    void init()
    {
        link = std::make_unique<DeviceLink>();
        prompter = FakePrompter();
        page = std::make_unique<CalibrationPage>(*link, prompter);
        link->SetPrompter(&prompter, page.get());
        link->SetMessageTarget(page.get());
    }

    void cleanup()
    {
        page.reset();
        link.reset();
    }

    void rowsStandTopToBottomWithTheirTexts()
    {
        const QStringList channels{"ONT:1270nm", "ONT:1310nm", "OLT:1490nm", "OLT:1577nm"};
        int above = -1;
        for (int i = 0; i < kRowNames.size(); ++i) {
            const QRect band = Field(kRowNames[i])->geometry();
            QVERIFY(band.top() > above);
            above = band.bottom();
            // Everything that stands beside the field, left to right.
            QList<QWidget*> row;
            for (QWidget* w : page->findChildren<QWidget*>())
                if (w->geometry().top() <= band.bottom() && w->geometry().bottom() >= band.top())
                    row << w;
            std::sort(row.begin(), row.end(),
                      [](QWidget* a, QWidget* b) { return a->x() < b->x(); });
            QStringList texts;
            for (QWidget* w : row) {
                if (auto* label = qobject_cast<QLabel*>(w))
                    texts << label->text();
                else if (auto* edit = qobject_cast<QLineEdit*>(w))
                    texts << edit->text();
                else if (auto* button = qobject_cast<QPushButton*>(w))
                    texts << button->text();
            }
            QCOMPARE(texts, (QStringList{channels[i], "Input The Standard Power ", "-10", "dBm",
                                         "Calibration"}));
            QCOMPARE(row.last(), Button(kRowNames[i]));
        }
        QCOMPARE(Button(kFactory)->text(), kFactory);
        QVERIFY(Button(kFactory)->y() > above);
    }

    // Each frame is written over the previous one: bytes a calibration does not set keep
    // their value (here the handshake's zeros, or an earlier calibration's value).
    void buttonsSendTheirFrame_data()
    {
        QTest::addColumn<QStringList>("fields");
        QTest::addColumn<QStringList>("presses");
        QTest::addColumn<QString>("lastFrame");

        QTest::newRow("1270 at the initial -10")
            << QStringList{} << QStringList{"1270"}
            << "AA 0F 05 00 00 00 00 00 00 00 00 00 00 00 00 08 00 00 20 C1 00 00 00 00 00 00 00 "
               "00 00 0A E9";
        QTest::newRow("1310") << QStringList{"1310=-3.21"} << QStringList{"1310"}
                              << "AA 0F 05 A4 70 4D C0 00 00 00 00 00 00 00 00 01 00 00 00 00 00 "
                                 "00 00 00 00 00 00 00 00 53 01";
        QTest::newRow("1490 at the upper limit")
            << QStringList{"1490=30"} << QStringList{"1490"}
            << "AA 0F 05 00 00 00 00 00 00 F0 41 00 00 00 00 02 00 00 00 00 00 00 00 00 00 00 00 "
               "00 00 BB 02";
        QTest::newRow("1577 at the lower limit")
            << QStringList{"1577=-65"} << QStringList{"1577"}
            << "AA 0F 05 00 00 00 00 00 00 00 00 00 00 82 C2 03 00 00 00 00 00 00 00 00 00 00 00 "
               "00 00 4A 03";
        QTest::newRow("1490 after 1310 keeps the 1310 value")
            << QStringList{"1310=-3.21", "1490=30"} << QStringList{"1310", "1490"}
            << "AA 0F 05 A4 70 4D C0 00 00 F0 41 00 00 00 00 02 00 00 00 00 00 00 00 00 00 00 00 "
               "00 00 E2 02";
    }
    void buttonsSendTheirFrame()
    {
        QFETCH(QStringList, fields);
        QFETCH(QStringList, presses);
        QFETCH(QString, lastFrame);
        StubPort* port = OpenStub(true);
        QVERIFY(port);
        Fill(fields);
        for (const QString& press : presses)
            QTest::mouseClick(Button(press), Qt::LeftButton);
        QCOMPARE(ShownBoxes(prompter), QStringList());
        QCOMPARE(port->written.size(), presses.size());
        QCOMPARE(ToHex(port->written.last()), lastFrame);
    }

    // Factory Default erases the calibration of all four channels: it asks first, with No
    // as the default button, and sends only on Yes, whatever the fields hold.
    void factoryDefaultAsksFirst_data()
    {
        QTest::addColumn<Prompter::Button>("answer");
        QTest::addColumn<QStringList>("frames");
        QTest::newRow("Yes") << Prompter::Yes
                             << QStringList{"AA 0F 05 00 00 00 00 00 00 00 00 00 00 00 00 04 00 00 "
                                            "00 00 00 00 00 00 00 00 00 00 00 0A 04"};
        QTest::newRow("No") << Prompter::No << QStringList{};
    }
    void factoryDefaultAsksFirst()
    {
        QFETCH(Prompter::Button, answer);
        QFETCH(QStringList, frames);
        StubPort* port = OpenStub(true);
        QVERIFY(port);
        Fill({"1310=-"});
        prompter.answers = {answer};
        QTest::mouseClick(Button(kFactory), Qt::LeftButton);
        QCOMPARE(ShownBoxes(prompter),
                 QStringList{BoxLine("Restore the factory calibration of all four channels? The "
                                     "current calibration will be lost.",
                                     Prompter::Yes | Prompter::No, Prompter::Icon::Warning,
                                     promptCaption(), Prompter::No)});
        QCOMPARE(prompter.boxes[0].owner, page.get());
        QStringList written;
        for (const QByteArray& frame : std::as_const(port->written))
            written << ToHex(frame);
        QCOMPARE(written, frames);
    }

    // The meter answers nothing, so the line under the buttons says what was sent and when;
    // a declined factory default sends nothing and leaves the line as it was.
    void lineUnderTheButtonsSaysWhatWasSent_data()
    {
        QTest::addColumn<QStringList>("fields");
        QTest::addColumn<QString>("button");
        QTest::addColumn<Prompter::Button>("answer");
        QTest::addColumn<QString>("line");
        QTest::newRow("1270 at the initial -10") << QStringList{} << "1270" << Prompter::Yes
                                                 << "ONT:1270nm calibrated against -10.00 dBm";
        QTest::newRow("1490") << QStringList{"1490=-3.456"} << "1490" << Prompter::Yes
                              << "OLT:1490nm calibrated against -3.46 dBm";
        QTest::newRow("factory default")
            << QStringList{} << kFactory << Prompter::Yes << "factory calibration restored";
        QTest::newRow("factory default declined")
            << QStringList{} << kFactory << Prompter::No << "";
    }
    void lineUnderTheButtonsSaysWhatWasSent()
    {
        QFETCH(QStringList, fields);
        QFETCH(QString, button);
        QFETCH(Prompter::Button, answer);
        QFETCH(QString, line);
        StubPort* port = OpenStub(true);
        QVERIFY(port);
        QCOMPARE(page->LastSent()->text(), QString());
        Fill(fields);
        prompter.answers = {answer};
        QTest::mouseClick(Button(button), Qt::LeftButton);
        QCOMPARE(port->written.size(), line.isEmpty() ? 0 : 1);
        const QString shown = page->LastSent()->text();
        if (line.isEmpty()) {
            QCOMPARE(shown, QString());
            return;
        }
        static const QRegularExpression time(QStringLiteral("^\\d\\d:\\d\\d:\\d\\d \u2014 "));
        QVERIFY2(time.match(shown).hasMatch(), qPrintable(shown));
        QCOMPARE(shown.section(QStringLiteral(" \u2014 "), 1), line);
        // The line stands under "Factory Default", within the page.
        QVERIFY(page->LastSent()->y() > Button(kFactory)->geometry().bottom());
    }

    void buttonsNeedAConnection_data()
    {
        QTest::addColumn<QString>("button");
        for (const QString& name : kRowNames + QStringList{kFactory})
            QTest::newRow(qPrintable(name)) << name;
    }
    void buttonsNeedAConnection()
    {
        QFETCH(QString, button);
        // The port is open and the handshake sent, but the meter has not answered.
        StubPort* port = OpenStub(false);
        QVERIFY(port);
        QTest::mouseClick(Button(button), Qt::LeftButton);
        QCOMPARE(ShownBoxes(prompter),
                 QStringList{BoxLine("There is no connection with the equipment so the "
                                     "calibration can't be done!")});
        QCOMPARE(port->written.size(), 0);
    }

    // The fields are read in the order 1310, 1490, 1577, 1270; the first that holds no
    // number takes the focus with its text selected.
    void fieldWithoutANumberStopsTheCalibration_data()
    {
        QTest::addColumn<QStringList>("fields");
        QTest::addColumn<QString>("button");
        QTest::addColumn<QString>("focus");
        QTest::newRow("lone minus") << QStringList{"1490=-"} << "1270"
                                    << "1490";
        QTest::newRow("empty") << QStringList{"1270="} << "1310"
                               << "1270";
        QTest::newRow("1577 is read before 1270") << QStringList{"1270=.", "1577=3-"} << "1490"
                                                  << "1577";
    }
    void fieldWithoutANumberStopsTheCalibration()
    {
        QFETCH(QStringList, fields);
        QFETCH(QString, button);
        QFETCH(QString, focus);
        StubPort* port = OpenStub(true);
        QVERIFY(port);
        page->show();
        QVERIFY(QTest::qWaitForWindowActive(page.get()));
        Fill(fields);
        QTest::mouseClick(Button(button), Qt::LeftButton);
        QCOMPARE(ShownBoxes(prompter), QStringList{BoxLine("Please enter a number.", Prompter::Ok,
                                                           Prompter::Icon::Warning, "QX390D")});
        QCOMPARE(port->written.size(), 0);
        QVERIFY(Field(focus)->hasFocus());
        QCOMPARE(Field(focus)->selectedText(), Field(focus)->text());
    }

    // The page corrects a field on every change, and checks its own correction again.
    void fieldIsCheckedAtEveryChange_data()
    {
        QTest::addColumn<QString>("typed");
        QTest::addColumn<QString>("pasted");
        QTest::addColumn<QString>("left");
        QTest::addColumn<QStringList>("messages");
        QTest::newRow("typed 30.1") << "30.1"
                                    << ""
                                    << ""
                                    << QStringList{"Please set the calibration value between -65 "
                                                   "and 30"};
        QTest::newRow("cut text out of range")
            << ""
            << "100e-1"
            << ""
            << QStringList{"Please set the calibration value between -65 and 30",
                           "Please input Number!"};
    }
    void fieldIsCheckedAtEveryChange()
    {
        QFETCH(QString, typed);
        QFETCH(QString, pasted);
        QFETCH(QString, left);
        QFETCH(QStringList, messages);
        QLineEdit* field = Field("1310");
        field->clear();
        QTest::keyClicks(field, typed);
        if (!pasted.isEmpty())
            field->insert(pasted);
        QCOMPARE(field->text(), left);
        QCOMPARE(prompter.Texts(), messages);
    }

    void calibratesTheVirtualMeter()
    {
        SimOptions options;
        options.meter.records = 5;
        options.meter.seed = 7;
        PtyHost host(options);
        QVERIFY2(host.Open(), qPrintable(host.ErrorString()));
        FakeFileDialogs dialogs;
        RecordsPage data(*link, prompter, dialogs);
        link->SetMessageTarget(&data);
        ConnectionCommands commands(*link, prompter, &data, host.DevicePath());
        commands.SetOpenDelay(0);
        commands.Connect();
        QTRY_COMPARE(State().connected.load(), true);

        // The meter's channel sees a fixed input while it is calibrated; the reference says
        // what that input is to read.
        Field("1310")->setText("-8.5");
        QTest::mouseClick(Button("1310"), Qt::LeftButton);
        QVERIFY(Download(commands));
        std::array<float, VirtualMeter::ChannelCount> offsets{};
        offsets[VirtualMeter::Ont1310] = -8.5f - VirtualMeter::kCalibrationInput;
        QCOMPARE(data.Table().Rows(), ExpectedRows(host.Meter(), offsets));

        QTest::mouseClick(Button(kFactory), Qt::LeftButton);
        QVERIFY(Download(commands));
        QCOMPARE(data.Table().Rows(), ExpectedRows(host.Meter(), {}));

        // Handshake, calibration, 5 record requests, factory default (still holding the last
        // record index 4 in bytes 3 and 4), 5 record requests.
        const QStringList log = host.Meter().FrameLog();
        QCOMPARE(log.size(), 13);
        QCOMPARE(log[1], "AA 0F 05 00 00 08 C1 00 00 00 00 00 00 00 00 01 00 00 00 00 00 00 00 "
                         "00 00 00 00 00 00 C3 01");
        QCOMPARE(log[7], "AA 0F 05 00 04 00 00 00 00 00 00 00 00 00 00 04 00 00 00 00 00 00 00 "
                         "00 00 00 00 00 00 0E 04");
        QCOMPARE(prompter.Texts().count("DownLoad Data Complete!"), 2);
        link->ClosePort();
    }

private:
    LinkState& State() { return link->State(); }

    std::unique_ptr<DeviceLink> link;
    FakePrompter prompter;
    std::unique_ptr<CalibrationPage> page;
};

QTEST_MAIN(TestCalibrationPage)
#include "tst_calibrationpage.moc"
