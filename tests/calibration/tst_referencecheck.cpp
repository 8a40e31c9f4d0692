// The check of a reference field's text, run on every change: what the field must hold
// afterwards and which message it shows.
#include "calibration/Calibration.h"

#include <QTest>

class TestReferenceCheck : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void correctsTheTextAndTellsWhy_data()
    {
        const QString range = QStringLiteral("Please set the calibration value between -65 and 30");
        const QString notANumber = QStringLiteral("Please input Number!");
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("corrected");
        QTest::addColumn<QString>("message");

        QTest::newRow("empty") << ""
                               << ""
                               << "";
        QTest::newRow("upper limit") << "30"
                                     << "30"
                                     << "";
        QTest::newRow("above the upper limit") << "30.1"
                                               << "" << range;
        QTest::newRow("lower limit") << "-65"
                                     << "-65"
                                     << "";
        QTest::newRow("below the lower limit") << "-65.1"
                                               << "" << range;
        QTest::newRow("single precision rounds to the limit") << "-65.000003"
                                                              << "-65.000003"
                                                              << "";
        QTest::newRow("-7") << "-7"
                            << "-7"
                            << "";
        QTest::newRow("-7 then 0") << "-70"
                                   << "" << range;
        QTest::newRow("pasted 5e") << "5e"
                                   << "5" << notANumber;
        QTest::newRow("leading blank") << " 5"
                                       << "" << notANumber;
        QTest::newRow("plus sign") << "+5"
                                   << "" << notANumber;
        QTest::newRow("exponent read at the first digit") << "1e5"
                                                          << "" << range;
        QTest::newRow("range before the bad character") << "99x"
                                                        << "" << range;
        QTest::newRow("lone minus") << "-"
                                    << "-"
                                    << "";
        QTest::newRow("two minus signs read as 0") << "--5"
                                                   << "--5"
                                                   << "";
        QTest::newRow("two points") << "1.2.3"
                                    << "1.2.3"
                                    << "";
    }
    void correctsTheTextAndTellsWhy()
    {
        QFETCH(QString, text);
        QFETCH(QString, corrected);
        QFETCH(QString, message);
        const ReferenceCheck check = CheckReferenceText(text);
        QCOMPARE(check.text, corrected);
        QCOMPARE(check.message, message);
    }
};

QTEST_GUILESS_MAIN(TestReferenceCheck)
#include "tst_referencecheck.moc"
