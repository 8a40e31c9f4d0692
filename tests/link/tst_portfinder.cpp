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
    void systemPortsNeedTheTtyClass();
};

namespace {

// "ttyACM0:cdc_acm" or "ttyACM0:cdc_acm:SERIAL": a port of the fake list, as the system
// would list it; an empty driver gives a tty without a device (like ttyS0 on many machines).
PortRecord Port(const QString& text)
{
    PortRecord port;
    port.device = QStringLiteral("/dev/") + text.section(':', 0, 0);
    port.driver = text.section(':', 1, 1);
    port.serial = text.section(':', 2, 2);
    return port;
}

} // namespace

void TestPortFinder::choosesByDriverThenNumber_data()
{
    QTest::addColumn<QStringList>("ttys");     // name:driver[:serial]
    QTest::addColumn<QString>("remembered");   // the last meter's serial number
    QTest::addColumn<QStringList>("expected"); // the candidates, best first; empty: none

    QTest::newRow("ACM before cp210x") << QStringList{"ttyUSB0:cp210x", "ttyACM0:cdc_acm"} << ""
                                       << QStringList{"/dev/ttyACM0", "/dev/ttyUSB0"};
    QTest::newRow("first ACM before second") << QStringList{"ttyACM1:cdc_acm", "ttyACM0:cdc_acm"}
                                             << "" << QStringList{"/dev/ttyACM0", "/dev/ttyACM1"};
    QTest::newRow("numeric, not text, order") << QStringList{"ttyACM10:cdc_acm", "ttyACM2:cdc_acm"}
                                              << "" << QStringList{"/dev/ttyACM2", "/dev/ttyACM10"};
    QTest::newRow("second ACM when the first is gone")
        << QStringList{"ttyACM1:cdc_acm", "ttyUSB0:cp210x"} << ""
        << QStringList{"/dev/ttyACM1", "/dev/ttyUSB0"};
    QTest::newRow("first cp210x before second")
        << QStringList{"ttyUSB1:cp210x", "ttyUSB0:cp210x"} << ""
        << QStringList{"/dev/ttyUSB0", "/dev/ttyUSB1"};
    QTest::newRow("other drivers ignored")
        << QStringList{"ttyUSB0:ftdi_sio", "ttyUSB1:cp210x", "ttyS0:"} << ""
        << QStringList{"/dev/ttyUSB1"};
    QTest::newRow("two ports per driver")
        << QStringList{"ttyACM2:cdc_acm", "ttyACM0:cdc_acm", "ttyACM1:cdc_acm",
                       "ttyUSB2:cp210x",  "ttyUSB0:cp210x",  "ttyUSB1:cp210x"}
        << "" << QStringList{"/dev/ttyACM0", "/dev/ttyACM1", "/dev/ttyUSB0", "/dev/ttyUSB1"};
    QTest::newRow("nothing known")
        << QStringList{"ttyUSB0:ftdi_sio", "ttyS0:", "ttyS1:serial8250"} << "" << QStringList();
    QTest::newRow("no ttys at all") << QStringList{} << "" << QStringList();
    // Another USB serial device on ttyACM0 is not taken for the meter.
    QTest::newRow("remembered meter first")
        << QStringList{"ttyACM0:cdc_acm:MODEM1", "ttyACM1:cdc_acm:QX42"} << "QX42"
        << QStringList{"/dev/ttyACM1", "/dev/ttyACM0"};
    QTest::newRow("remembered meter beyond two per driver")
        << QStringList{"ttyUSB0:cp210x:A", "ttyUSB1:cp210x:B", "ttyUSB2:cp210x:QX42"} << "QX42"
        << QStringList{"/dev/ttyUSB2", "/dev/ttyUSB0", "/dev/ttyUSB1"};
    QTest::newRow("remembered meter absent")
        << QStringList{"ttyUSB0:cp210x:A", "ttyACM0:cdc_acm:B"} << "QX42"
        << QStringList{"/dev/ttyACM0", "/dev/ttyUSB0"};
    QTest::newRow("remembered serial on another driver ignored")
        << QStringList{"ttyUSB0:ftdi_sio:QX42", "ttyUSB1:cp210x:B"} << "QX42"
        << QStringList{"/dev/ttyUSB1"};
}

void TestPortFinder::choosesByDriverThenNumber()
{
    QFETCH(QStringList, ttys);
    QFETCH(QString, remembered);
    QFETCH(QStringList, expected);

    QList<PortRecord> list;
    for (const QString& t : ttys)
        list << Port(t);
    const PortFinder finder([list] { return std::optional(list); }, remembered);

    QString device;
    QStringList candidates;
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
    const PortFinder finder([] { return std::optional<QList<PortRecord>>(); }, {});
    QString device;
    QCOMPARE(finder.Find(&device), PortFinder::Result::ClassUnreadable);
}

void TestPortFinder::systemPortsNeedTheTtyClass()
{
    QTemporaryDir root;
    QVERIFY(root.isValid());
    QVERIFY(!SystemPorts(root.path(), root.path()));
    QVERIFY(QDir().mkpath(root.path() + "/class/tty"));
    QVERIFY(SystemPorts(root.path(), root.path()));
}

QTEST_GUILESS_MAIN(TestPortFinder)
#include "tst_portfinder.moc"
