// Every committed seed of every fuzz target, replayed through the target's own entry, so
// that the ordinary build checks the fuzz invariants on them (a failing one stops the run
// with its message).
#include "FuzzTargets.h"

#include <QDir>
#include <QFile>
#include <QTest>

class TestFuzzSeeds : public QObject
{
    Q_OBJECT

private slots:
    void seedHoldsTheInvariants_data();
    void seedHoldsTheInvariants();
};

void TestFuzzSeeds::seedHoldsTheInvariants_data()
{
    QTest::addColumn<int>("target");
    QTest::addColumn<QString>("path");
    const QList<FuzzTarget>& targets = FuzzTargets();
    for (qsizetype t = 0; t < targets.size(); ++t) {
        const QDir seeds(QStringLiteral(QX_FUZZ_CORPUS) + QLatin1Char('/') +
                         QLatin1String(targets[t].name));
        const QStringList files = seeds.entryList(QDir::Files, QDir::Name);
        // A target without seeds would go untested here.
        QVERIFY2(!files.isEmpty(), qPrintable(seeds.path()));
        for (const QString& file : files)
            QTest::addRow("%s/%s", targets[t].name, qPrintable(file))
                << int(t) << seeds.filePath(file);
    }
}

void TestFuzzSeeds::seedHoldsTheInvariants()
{
    QFETCH(int, target);
    QFETCH(QString, path);
    QFile file(path);
    QVERIFY(file.open(QIODevice::ReadOnly));
    const QByteArray bytes = file.readAll();
    QCOMPARE(FuzzTargets()[target].entry(reinterpret_cast<const uint8_t*>(bytes.constData()),
                                         size_t(bytes.size())),
             0);
}

QTEST_MAIN(TestFuzzSeeds)
#include "tst_fuzzseeds.moc"
