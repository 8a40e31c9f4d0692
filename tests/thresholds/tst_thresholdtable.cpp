// The threshold payload in both directions and the two cell rules, as tables of the
// meter's byte examples and the operator's edge cases.
#include "TestSupport.h"
#include "protocol/CommandFrame.h"
#include "thresholds/ThresholdCells.h"
#include "thresholds/ThresholdFile.h"
#include "thresholds/ThresholdPreset.h"
#include "thresholds/ThresholdTable.h"

#include <QCoreApplication>
#include <QTest>
#include <cmath>

class TestThresholdTable : public QObject
{
    Q_OBJECT

private slots:
    // Each upload frame is built on the frame its predecessor left (part 1 of the same
    // group, when `previous` is given); its payload read back as an answer shows the
    // values the table now holds.
    void uploadFramesAndTheirDecoding_data()
    {
        QTest::addColumn<int>("part");
        QTest::addColumn<int>("group");
        QTest::addColumn<QStringList>("previous");
        QTest::addColumn<QStringList>("texts");
        QTest::addColumn<QString>("frame");
        QTest::addColumn<QStringList>("shown");
        QTest::addColumn<QString>("name");

        const QStringList zeros6(6, QStringLiteral("0"));
        const QStringList zeros3(3, QStringLiteral("0"));
        QTest::newRow("part 1 of group 1, all 0.0")
            << 1 << 1 << QStringList() << zeros6
            << "AA 0F 06 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 "
               "00 0A 01 09 0B"
            << QStringList(6, QStringLiteral("0.00")) << QString();
        QTest::newRow("part 1 of group 1, -8 -27 -28 twice")
            << 1 << 1 << QStringList() << QStringList{"-8", "-27", "-28", "-8", "-27", "-28"}
            << "AA 0F 06 00 00 00 C1 00 00 D8 C1 00 00 E0 C1 00 00 00 C1 00 00 D8 C1 00 00 E0 "
               "C1 0A 01 F0 F2"
            << QStringList{"-8.00", "-27.00", "-28.00", "-8.00", "-27.00", "-28.00"} << QString();
        QTest::newRow("part 2 of group 2 after a zero part 1")
            << 2 << 2 << zeros6 << zeros3
            << "AA 0F 07 00 00 00 00 00 00 00 00 00 00 00 00 32 00 20 20 20 20 20 20 20 20 00 "
               "00 0A 02 08 3A"
            << QStringList(3, QStringLiteral("0.00")) << "2";
        QTest::newRow("part 2 keeps bytes 25 and 26 of the part 1 before it")
            << 2 << 2 << QStringList{"0", "0", "0", "0", "0", "-28"} << zeros3
            << "AA 0F 07 00 00 00 00 00 00 00 00 00 00 00 00 32 00 20 20 20 20 20 20 20 20 E0 "
               "C1 0A 02 08 1B"
            << QStringList(3, QStringLiteral("0.00")) << "2";
        QTest::newRow("part 3 of group 3: '-', '1.2.3' and no number")
            << 3 << 3 << zeros6 << QStringList{"-", "1.2.3", "abc"}
            << "AA 0F CC 00 00 00 00 9A 99 99 3F 00 00 00 00 33 00 20 20 20 20 20 20 20 20 00 "
               "00 0A 03 66 3A"
            << QStringList{"0.00", "1.20", "0.00"} << "3";
    }
    void uploadFramesAndTheirDecoding()
    {
        QFETCH(int, part);
        QFETCH(int, group);
        QFETCH(QStringList, previous);
        QFETCH(QStringList, texts);
        QFETCH(QString, frame);
        QFETCH(QStringList, shown);
        QFETCH(QString, name);

        ThresholdTable table;
        CommandFrame f;
        if (!previous.isEmpty())
            FillUploadPart(f, table, 1, group, previous);
        FillUploadPart(f, table, part, group, texts);
        f.Complete();
        QCOMPARE(ToHex(f.ToByteArray()), frame);

        const ThresholdPart layout = PartLayout(part);
        QStringList stored;
        for (int i = layout.first; i < layout.first + layout.count; ++i)
            stored << LimitText(table.Group(group).limits[i]);
        QCOMPARE(stored, shown);

        const quint8 answerCodes[] = {0x02, 0x03, 0xBB};
        const QByteArray payload = f.ToByteArray().mid(3, 26);
        const auto answer =
            DecodeThresholdAnswer(part, AnswerFrame(answerCodes[part - 1], payload));
        QVERIFY(answer);
        QCOMPARE(answer->group, group);
        QStringList decoded;
        for (float limit : answer->limits)
            decoded << LimitText(limit);
        QCOMPARE(decoded, shown);
        QCOMPARE(answer->name, name);
    }

    void checkCell_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("kept");
        QTest::addColumn<QString>("message");
        const QString range = ThresholdText::OutOfRange();
        const QString number = ThresholdText::InputNumber();
        QTest::newRow("empty") << ""
                               << ""
                               << "";
        QTest::newRow("-") << "-"
                           << "-"
                           << "";
        QTest::newRow("-6") << "-6"
                            << "-6"
                            << "";
        QTest::newRow("-66") << "-66"
                             << "" << range;
        QTest::newRow("30") << "30"
                            << "30"
                            << "";
        QTest::newRow("-65") << "-65"
                             << "-65"
                             << "";
        QTest::newRow("30.0000005 is 30 in single precision") << "30.0000005"
                                                              << "30.0000005"
                                                              << "";
        QTest::newRow("30.01") << "30.01"
                               << "" << range;
        QTest::newRow("-65.5") << "-65.5"
                               << "" << range;
        QTest::newRow("12a") << "12a"
                             << "12" << number;
        QTest::newRow("a12") << "a12"
                             << "" << number;
        QTest::newRow("+5") << "+5"
                            << "" << number;
        QTest::newRow("leading blank") << " 5"
                                       << "" << number;
        QTest::newRow("1e5 reads as 100000") << "1e5"
                                             << "" << range;
        QTest::newRow("5-") << "5-"
                            << "5-"
                            << "";
        QTest::newRow("1.2.3") << "1.2.3"
                               << "1.2.3"
                               << "";
        QTest::newRow("--5") << "--5"
                             << "--5"
                             << "";
        QTest::newRow("-.") << "-."
                            << "-."
                            << "";
        QTest::newRow("comma") << "1,5"
                               << "1" << number;
    }
    void checkCell()
    {
        QFETCH(QString, text);
        QFETCH(QString, kept);
        QFETCH(QString, message);
        const CellCheck check = CheckCell(text);
        QCOMPARE(check.text, kept);
        QCOMPARE(check.message, message);
    }

    void isCellComplete_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<bool>("complete");
        QTest::addColumn<QString>("kept");
        QTest::newRow("empty") << "" << false << "";
        QTest::newRow("-") << "-" << true << "-";
        QTest::newRow("-6") << "-6" << true << "-6";
        QTest::newRow("30") << "30" << true << "30";
        QTest::newRow("1.2.3") << "1.2.3" << true << "1.2.3";
        QTest::newRow("5-") << "5-" << false << "";
        QTest::newRow("--5") << "--5" << false << "";
        QTest::newRow("-6-") << "-6-" << false << "";
    }
    void isCellComplete()
    {
        QFETCH(QString, text);
        QFETCH(bool, complete);
        QFETCH(QString, kept);
        const CellCompleteness result = IsCellComplete(text);
        QCOMPARE(result.complete, complete);
        QCOMPARE(result.text, kept);
    }

    // Every shipped preset is found from the program's folder and reads back with its
    // figures and the source of each; the channels it has no figures for are absent.
    void shippedPresetsReadBackWithTheirSources_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QStringList>("channels"); // "channel Over/Pass/Fail source-part"
        QTest::newRow("GPON B+") << "gpon-b-plus"
                                 << QStringList{"ONT:1310nm 5/3.5/0.5 G.984.2 Amendment 1",
                                                "OLT:1490nm -8/-24/-27 G.984.2 Amendment 1"};
        QTest::newRow("GPON C+") << "gpon-c-plus"
                                 << QStringList{"OLT:1490nm -8/-27/-30 G.984.2 Amendment 2"};
        QTest::newRow("XGS-PON N1 N2 E1") << "xgs-pon-n1-n2-e1"
                                          << QStringList{"OLT:1577nm -9/-25/-28 G.9807.1, Annex B",
                                                         "ONT:1270nm 9/7/4 G.9807.1, Annex B"};
    }
    void shippedPresetsReadBackWithTheirSources()
    {
        QFETCH(QString, name);
        QFETCH(QStringList, channels);
        QStringList errors;
        const QList<ThresholdPreset> presets =
            ListPresets(PresetFolders(QCoreApplication::applicationDirPath()), &errors);
        QCOMPARE(errors, QStringList());
        const auto preset = std::find_if(presets.begin(), presets.end(),
                                         [&](const ThresholdPreset& p) { return p.name == name; });
        QVERIFY(preset != presets.end());
        QCOMPARE(preset->margin, std::optional<float>(3.0f));
        QVERIFY(preset->rule.contains("Pass = Fail + the margin"));
        QStringList read;
        for (const PresetChannel& c : preset->channels) {
            const QString figures = QStringLiteral("%1 %2/%3/%4")
                                        .arg(ChannelName(c.channel * 3))
                                        .arg(double(c.over))
                                        .arg(double(c.pass))
                                        .arg(double(c.fail));
            const QString expected = channels.value(int(read.size()));
            QVERIFY2(c.source.contains(expected.section(' ', 2)), qPrintable(c.source));
            read << figures + ' ' + expected.section(' ', 2);
        }
        QCOMPARE(read, channels);
        // Written and read again, the preset is the same.
        QString error;
        const std::optional<ThresholdPreset> again = ParsePreset(PresetJson(*preset), name, &error);
        QVERIFY2(again, qPrintable(error));
        QCOMPARE(again->channels.size(), preset->channels.size());
        QCOMPARE(again->channels.last().source, preset->channels.last().source);
    }

    // Over is the overload (or maximum launch power), Fail the sensitivity (or minimum), Pass
    // is Fail plus the margin, at most Over; channels without figures keep their limits.
    void presetGivesItsChannelsByTheMarginRule_data()
    {
        QTest::addColumn<QString>("preset");
        QTest::addColumn<double>("margin");      // NaN: none given
        QTest::addColumn<QStringList>("limits"); // the group after, 1310 to 1270 nm
        const QString kept = "-50 -40 -60";
        QTest::newRow("receiver, 3 dB")
            << "gpon-c-plus" << 3.0 << QStringList{kept, "-8 -27 -30", kept, kept};
        QTest::newRow("receiver, 5 dB")
            << "gpon-c-plus" << 5.0 << QStringList{kept, "-8 -25 -30", kept, kept};
        QTest::newRow("transmitter, within its range")
            << "xgs-pon-n1-n2-e1" << 3.0 << QStringList{kept, kept, "-9 -25 -28", "9 7 4"};
        QTest::newRow("transmitter, capped at Over")
            << "xgs-pon-n1-n2-e1" << 6.0 << QStringList{kept, kept, "-9 -22 -28", "9 9 4"};
        QTest::newRow("no margin: the file's Pass")
            << "gpon-b-plus" << qQNaN() << QStringList{"5 3.5 0.5", "-8 -24 -27", kept, kept};
    }
    void presetGivesItsChannelsByTheMarginRule()
    {
        QFETCH(QString, preset);
        QFETCH(double, margin);
        QFETCH(QStringList, limits);
        QString error;
        const std::optional<ThresholdPreset> p = ReadPreset(
            QCoreApplication::applicationDirPath() + "/" QX390D_TEST_PRESETS "/" + preset + ".json",
            &error);
        QVERIFY2(p, qPrintable(error));
        ThresholdGroup group;
        for (int c = 0; c < 4; ++c) {
            group.limits[size_t(c * 3)] = -50.0f;
            group.limits[size_t(c * 3 + 1)] = -40.0f;
            group.limits[size_t(c * 3 + 2)] = -60.0f;
        }
        const ThresholdGroup applied = AppliedPreset(
            group, *p, std::isnan(margin) ? std::nullopt : std::optional<float>(float(margin)));
        QStringList shown;
        for (int c = 0; c < 4; ++c)
            shown << QStringLiteral("%1 %2 %3")
                         .arg(double(applied.limits[size_t(c * 3)]))
                         .arg(double(applied.limits[size_t(c * 3 + 1)]))
                         .arg(double(applied.limits[size_t(c * 3 + 2)]));
        QCOMPARE(shown, limits);
    }
};

QTEST_GUILESS_MAIN(TestThresholdTable)
#include "tst_thresholdtable.moc"
