#include "link/PortFinder.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

class TestPortFinder : public QObject
{
    Q_OBJECT

private slots:
    void choosesByDriverThenNumber_data();
    void choosesByDriverThenNumber();
    void unreadableClassDirectory();
};

namespace {

// Lays out <root>/class/tty/<name>/device/driver -> <root>/bus/drivers/<driver> as the
// kernel does; an empty driver gives a tty without a device (like ttyS0 on many machines).
void AddTty(const QString& root, const QString& name, const QString& driver)
{
    const QString ttyDir = root + "/class/tty/" + name;
    QVERIFY(QDir().mkpath(ttyDir));
    if (driver.isEmpty())
        return;
    const QString driverDir = root + "/bus/drivers/" + driver;
    QVERIFY(QDir().mkpath(driverDir));
    QVERIFY(QDir().mkpath(ttyDir + "/device"));
    QVERIFY(QFile::link(driverDir, ttyDir + "/device/driver"));
}

} // namespace

void TestPortFinder::choosesByDriverThenNumber_data()
{
    QTest::addColumn<QStringList>("ttys");     // name:driver
    QTest::addColumn<QStringList>("expected"); // the candidates, best first; empty: none

    QTest::newRow("ACM before cp210x") << QStringList{"ttyUSB0:cp210x", "ttyACM0:cdc_acm"}
                                       << QStringList{"/dev/ttyACM0", "/dev/ttyUSB0"};
    QTest::newRow("first ACM before second") << QStringList{"ttyACM1:cdc_acm", "ttyACM0:cdc_acm"}
                                             << QStringList{"/dev/ttyACM0", "/dev/ttyACM1"};
    QTest::newRow("numeric, not text, order") << QStringList{"ttyACM10:cdc_acm", "ttyACM2:cdc_acm"}
                                              << QStringList{"/dev/ttyACM2", "/dev/ttyACM10"};
    QTest::newRow("second ACM when the first is gone")
        << QStringList{"ttyACM1:cdc_acm", "ttyUSB0:cp210x"}
        << QStringList{"/dev/ttyACM1", "/dev/ttyUSB0"};
    QTest::newRow("first cp210x before second") << QStringList{"ttyUSB1:cp210x", "ttyUSB0:cp210x"}
                                                << QStringList{"/dev/ttyUSB0", "/dev/ttyUSB1"};
    QTest::newRow("other drivers ignored")
        << QStringList{"ttyUSB0:ftdi_sio", "ttyUSB1:cp210x", "ttyS0:"}
        << QStringList{"/dev/ttyUSB1"};
    QTest::newRow("two ports per driver")
        << QStringList{"ttyACM2:cdc_acm", "ttyACM0:cdc_acm", "ttyACM1:cdc_acm",
                       "ttyUSB2:cp210x",  "ttyUSB0:cp210x",  "ttyUSB1:cp210x"}
        << QStringList{"/dev/ttyACM0", "/dev/ttyACM1", "/dev/ttyUSB0", "/dev/ttyUSB1"};
    QTest::newRow("nothing known")
        << QStringList{"ttyUSB0:ftdi_sio", "ttyS0:", "ttyS1:serial8250"} << QStringList();
    QTest::newRow("no ttys at all") << QStringList{} << QStringList();
}

void TestPortFinder::choosesByDriverThenNumber()
{
    QFETCH(QStringList, ttys);
    QFETCH(QStringList, expected);

    QTemporaryDir root;
    QVERIFY(root.isValid());
    QVERIFY(QDir().mkpath(root.path() + "/class/tty"));
    for (const QString& t : ttys)
        AddTty(root.path(), t.section(':', 0, 0), t.section(':', 1));

    QString device;
    QStringList candidates;
    const PortFinder finder(root.path());
    const PortFinder::Result result = finder.Find(&device);
    QCOMPARE(finder.Candidates(&candidates), result);
    QCOMPARE(candidates, expected);
    if (expected.isEmpty()) {
        QCOMPARE(result, PortFinder::Result::NoDevice);
    } else {
        QCOMPARE(result, PortFinder::Result::Found);
        QCOMPARE(device, expected.constFirst());
    }
}

void TestPortFinder::unreadableClassDirectory()
{
    QTemporaryDir root;
    QString device;
    QCOMPARE(PortFinder(root.path()).Find(&device), PortFinder::Result::ClassUnreadable);
}

QTEST_GUILESS_MAIN(TestPortFinder)
#include "tst_portfinder.moc"
