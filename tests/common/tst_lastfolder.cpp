// The folder the export and import dialogs open in, kept from one run to the next.
#include "common/LastFolder.h"

#include <QDir>
#include <QSettings>
#include <QTemporaryDir>
#include <QTest>

class TestLastFolder : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void nextRunOpensInTheLastFolder_data()
    {
        QTest::addColumn<QStringList>("chosen"); // files chosen in turn; empty: cancelled
        QTest::addColumn<QString>("removed");    // a folder deleted before the next run
        QTest::addColumn<QString>("folder");     // where the next dialog opens; empty: default

        QTest::newRow("nothing chosen yet") << QStringList{} << ""
                                            << "";
        QTest::newRow("folder of the last file") << QStringList{"a/x.csv", "b/y.xls"} << ""
                                                 << "b";
        QTest::newRow("cancel keeps it") << QStringList{"a/x.csv", ""} << ""
                                         << "a";
        QTest::newRow("folder gone") << QStringList{"a/x.csv"} << "a"
                                     << "";
    }
    void nextRunOpensInTheLastFolder()
    {
        QFETCH(QStringList, chosen);
        QFETCH(QString, removed);
        QFETCH(QString, folder);

        QTemporaryDir scratch;
        QVERIFY(scratch.isValid());
        const QDir dir(scratch.path());
        QVERIFY(dir.mkpath(QStringLiteral("a")) && dir.mkpath(QStringLiteral("b")));
        const QString file = dir.filePath(QStringLiteral("settings.ini"));
        {
            QSettings settings(file, QSettings::IniFormat);
            LastFolder last(settings);
            for (const QString& path : chosen)
                last.Remember(path.isEmpty() ? QString() : dir.filePath(path));
        }
        if (!removed.isEmpty())
            QVERIFY(QDir(dir.filePath(removed)).removeRecursively());

        QSettings settings(file, QSettings::IniFormat);
        QCOMPARE(LastFolder(settings).Folder(),
                 folder.isEmpty() ? QString() : dir.filePath(folder));
    }
};

QTEST_GUILESS_MAIN(TestLastFolder)
#include "tst_lastfolder.moc"
