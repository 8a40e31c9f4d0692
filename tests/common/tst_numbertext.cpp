// Decimal numbers read from the operator's texts: the longest leading number, and whether a
// whole text is one number, the same under every locale.
#include "common/NumberText.h"

#include <QLocale>
#include <QTest>
#include <clocale>
#include <cmath>

class TestNumberText : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase()
    {
        // A decimal comma in the desktop's locale must change nothing.
        QLocale::setDefault(QLocale(QLocale::German, QLocale::Germany));
        std::setlocale(LC_ALL, "de_DE.UTF-8");
    }

    void readsTheLongestLeadingNumber_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<double>("value");
        QTest::addColumn<int>("length");
        QTest::addColumn<bool>("complete");

        QTest::newRow("integer") << "-65" << -65.0 << 3 << true;
        QTest::newRow("decimals") << "30.01" << 30.01 << 5 << true;
        QTest::newRow("trailing letter") << "12a" << 12.0 << 2 << false;
        QTest::newRow("exponent") << "1e5" << 1e5 << 3 << true;
        QTest::newRow("exponent without digits") << "1e" << 1.0 << 1 << false;
        QTest::newRow("second point") << "1.2.3" << 1.2 << 3 << false;
        QTest::newRow("sign after") << "5-" << 5.0 << 1 << false;
        QTest::newRow("two signs") << "--5" << 0.0 << 0 << false;
        QTest::newRow("sign only") << "-" << 0.0 << 0 << false;
        QTest::newRow("point only") << "." << 0.0 << 0 << false;
        QTest::newRow("leading point") << "-.5" << -0.5 << 3 << true;
        QTest::newRow("plus sign") << "+5" << 5.0 << 2 << true;
        QTest::newRow("blanks around") << " -8 " << -8.0 << 3 << true;
        QTest::newRow("comma is not a point") << "1,5" << 1.0 << 1 << false;
        QTest::newRow("hexadecimal") << "0x1A" << 0.0 << 1 << false;
        QTest::newRow("inf is a word") << "inf" << 0.0 << 0 << false;
        QTest::newRow("empty") << "" << 0.0 << 0 << false;
        QTest::newRow("overflow") << "1e999" << HUGE_VAL << 5 << true;
        QTest::newRow("underflow") << "1e-999" << 0.0 << 6 << true;
    }

    void readsTheLongestLeadingNumber()
    {
        QFETCH(QString, text);
        QFETCH(double, value);
        QFETCH(int, length);
        QFETCH(bool, complete);

        qsizetype used = -1;
        QCOMPARE(LeadingNumber(text, &used), value);
        QCOMPARE(used, qsizetype(length));
        double whole = 0.0;
        QCOMPARE(IsCompleteNumber(text, &whole), complete);
        if (complete)
            QCOMPARE(whole, value);
    }
};

QTEST_GUILESS_MAIN(TestNumberText)
#include "tst_numbertext.moc"
