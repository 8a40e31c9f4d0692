// The program as a desktop installs it: this build installed into a temporary prefix with
// `cmake --install`, the tree checked as a desktop and a package would use it, the
// installed program run from there, and this build's Debian package checked by lintian.

#include "startup/CommandLine.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QImage>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>

namespace {

// A generous bound for a process on a loaded machine; no result depends on it.
constexpr int kProcessWaitMs = 60000;

const QString kHelp = QStringLiteral(QX_DATADIR "/qx390d/QX390D_enHelp.chm");
const QString kHelpPage = QStringLiteral(QX_DATADIR "/qx390d/QX390D_enHelp.html");
const QString kDesktopEntry =
    QStringLiteral(QX_DATADIR "/applications/com.ardenvale.qx390d.desktop");
const QString kMetainfo = QStringLiteral(QX_DATADIR "/metainfo/com.ardenvale.qx390d.metainfo.xml");

} // namespace

class TestInstall : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void treeHoldsEveryFile_data();
    void treeHoldsEveryFile();
    void installedProgramTellsItsVersion();
    void installedToolReadsAnXlsWorkbook();
    void desktopFilesAreValid_data();
    void desktopFilesAreValid();
    void installedProgramFindsItsHelpFile_data();
    void installedProgramFindsItsHelpFile();
    void packageHasNoLintianError();

private:
    QString Installed(const QString& relative) const
    {
        return QDir(prefix_.path()).filePath(relative);
    }

    QTemporaryDir prefix_;
};

void TestInstall::initTestCase()
{
    QVERIFY(prefix_.isValid());
    QProcess install;
    install.setProcessChannelMode(QProcess::MergedChannels);
    install.start(QStringLiteral(QX_CMAKE_COMMAND),
                  {"--install", QStringLiteral(QX_BUILD_DIR), "--prefix", prefix_.path()});
    QVERIFY(install.waitForFinished(kProcessWaitMs));
    QVERIFY2(install.exitStatus() == QProcess::NormalExit && install.exitCode() == 0,
             install.readAll().constData());
}

void TestInstall::treeHoldsEveryFile_data()
{
    QTest::addColumn<QString>("path");
    QTest::addColumn<bool>("program");
    QTest::addColumn<int>("iconSize"); // pixels of a square PNG; 0 for other files

    const QString bin = QStringLiteral(QX_BINDIR "/");
    const QString icons = QStringLiteral(QX_DATADIR "/icons/hicolor/");
    QTest::newRow("program") << bin + "qx390d" << true << 0;
    QTest::newRow("virtual meter") << bin + "qx390d-meter-sim" << true << 0;
    QTest::newRow("command-line tool") << bin + "qx390d-cli" << true << 0;
    QTest::newRow("reader of .xls workbooks") << bin + "qx390d-xls-reader" << true << 0;
    QTest::newRow("drawer of job reports") << bin + "qx390d-job-report" << true << 0;
    QTest::newRow("help file") << kHelp << false << 0;
    QTest::newRow("help page") << kHelpPage << false << 0;
    for (const char* preset : {"gpon-b-plus", "gpon-c-plus", "xgs-pon-n1-n2-e1"})
        QTest::addRow("preset %s", preset)
            << QStringLiteral(QX_DATADIR "/qx390d/presets/%1.json").arg(QLatin1String(preset))
            << false << 0;
    QTest::newRow("menu entry") << kDesktopEntry << false << 0;
    QTest::newRow("metainfo") << kMetainfo << false << 0;
    QTest::newRow("scalable icon") << icons + "scalable/apps/qx390d.svg" << false << 0;
    QTest::newRow("48 icon") << icons + "48x48/apps/qx390d.png" << false << 48;
    QTest::newRow("256 icon") << icons + "256x256/apps/qx390d.png" << false << 256;
    for (const char* page :
         {"qx390d", "qx390d-cli", "qx390d-meter-sim", "qx390d-xls-reader", "qx390d-job-report"})
        QTest::addRow("manual page %s", page)
            << QStringLiteral(QX_MANDIR "/man1/%1.1.gz").arg(QLatin1String(page)) << false << 0;
    QTest::newRow("copyright") << QStringLiteral(QX_DOCDIR "/copyright") << false << 0;
    QTest::newRow("changelog") << QStringLiteral(QX_DOCDIR "/changelog.gz") << false << 0;
}

void TestInstall::treeHoldsEveryFile()
{
    QFETCH(QString, path);
    QFETCH(bool, program);
    QFETCH(int, iconSize);

    const QFileInfo file(Installed(path));
    QVERIFY2(file.isFile() && file.size() > 0, qPrintable(file.filePath()));
    QCOMPARE(file.isExecutable(), program);
    if (iconSize)
        QCOMPARE(QImage(file.filePath()).size(), QSize(iconSize, iconSize));
}

void TestInstall::installedProgramTellsItsVersion()
{
    QProcess program;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.remove(QStringLiteral("DISPLAY"));
    env.remove(QStringLiteral("WAYLAND_DISPLAY"));
    program.setProcessEnvironment(env);
    program.start(Installed(QStringLiteral(QX_BINDIR "/qx390d")), {QStringLiteral("--version")});
    QVERIFY(program.waitForFinished(kProcessWaitMs));
    QCOMPARE(program.exitCode(), 0);
    QCOMPARE(QString::fromLocal8Bit(program.readAllStandardOutput()), ProgramVersionText() + '\n');
}

void TestInstall::installedToolReadsAnXlsWorkbook()
{
    // Through the reader installed beside it, into an archive of the test's own.
    QTemporaryDir archive;
    QVERIFY(archive.isValid());
    QProcess tool;
    tool.start(Installed(QStringLiteral(QX_BINDIR "/qx390d-cli")),
               {"--archive", archive.filePath("archive.sqlite"), "archive", "import",
                QStringLiteral(QX_FIXTURES "/records5.xls")});
    QVERIFY(tool.waitForFinished(kProcessWaitMs));
    const QString err = QString::fromUtf8(tool.readAllStandardError());
    QVERIFY2(tool.exitStatus() == QProcess::NormalExit && tool.exitCode() == 0, qPrintable(err));
    QVERIFY2(err.contains(QStringLiteral("records5.xls: 5 records, 5 new")), qPrintable(err));
}

void TestInstall::desktopFilesAreValid_data()
{
    QTest::addColumn<QString>("tool");
    QTest::addColumn<QStringList>("arguments");
    QTest::newRow("menu entry") << "desktop-file-validate" << QStringList{Installed(kDesktopEntry)};
    QTest::newRow("metainfo") << "appstreamcli"
                              << QStringList{"validate", "--no-net", Installed(kMetainfo)};
}

void TestInstall::desktopFilesAreValid()
{
    QFETCH(QString, tool);
    QFETCH(QStringList, arguments);
    const QString path = QStandardPaths::findExecutable(tool);
    if (path.isEmpty())
        QSKIP(qPrintable(tool + QStringLiteral(" is not installed")));
    QProcess validator;
    validator.setProcessChannelMode(QProcess::MergedChannels);
    validator.start(path, arguments);
    QVERIFY(validator.waitForFinished(kProcessWaitMs));
    QVERIFY2(validator.exitStatus() == QProcess::NormalExit && validator.exitCode() == 0,
             validator.readAll().constData());
}

void TestInstall::installedProgramFindsItsHelpFile_data()
{
    QTest::addColumn<bool>("chmViewer");
    QTest::addColumn<QString>("opened");
    QTest::addColumn<QByteArray>("start");
    QTest::newRow("CHM viewer on the search path") << true << kHelp << QByteArray("ITSF");
    QTest::newRow("no CHM viewer") << false << kHelpPage << QByteArray("<!DOCTYPE html>");
}

void TestInstall::installedProgramFindsItsHelpFile()
{
    QFETCH(bool, chmViewer);
    QFETCH(QString, opened);
    QFETCH(QByteArray, start);

    // The installed tree has no help file beside the program: it is in the data folder.
    QVERIFY(!QFileInfo::exists(Installed(QStringLiteral(QX_BINDIR "/QX390D_enHelp.chm"))));
    QTemporaryDir runtimeDir;
    QVERIFY(runtimeDir.isValid());
    // The program's search path holds a CHM viewer, or nothing at all (not even xdg-mime).
    QTemporaryDir searchPath;
    QVERIFY(searchPath.isValid());
    if (chmViewer) {
        QFile viewer(searchPath.filePath(QStringLiteral("xchm")));
        QVERIFY(viewer.open(QIODevice::WriteOnly));
        QVERIFY(viewer.setPermissions(QFile::ReadOwner | QFile::ExeOwner));
    }
    QProcess program;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
    env.insert(QStringLiteral("QT_PLUGIN_PATH"), QStringLiteral(BOXREPORTER_PLUGIN_PATH));
    env.insert(QStringLiteral("QT_QPA_GENERIC_PLUGINS"), QStringLiteral("qxboxreporter"));
    env.insert(QStringLiteral("QXBOXREPORTER_TRIGGER"), QStringLiteral("Help"));
    env.insert(QStringLiteral("XDG_RUNTIME_DIR"), runtimeDir.path());
    env.insert(QStringLiteral("PATH"), searchPath.path());
    program.setProcessEnvironment(env);
    program.start(Installed(QStringLiteral(QX_BINDIR "/qx390d")));

    const QString expected = QStringLiteral("open\t") + QDir::cleanPath(Installed(opened));
    QString output;
    while (!output.contains(expected) && program.waitForReadyRead(kProcessWaitMs))
        output += QString::fromUtf8(program.readAllStandardOutput());
    program.kill();
    program.waitForFinished(kProcessWaitMs);
    QVERIFY2(output.contains(expected), qPrintable(output));
    QFile help(Installed(opened));
    QVERIFY(help.open(QIODevice::ReadOnly));
    QCOMPARE(help.read(start.size()), start);
}

void TestInstall::packageHasNoLintianError()
{
    const QString lintian = QStandardPaths::findExecutable(QStringLiteral("lintian"));
    if (lintian.isEmpty())
        QSKIP("lintian is not installed");
    // The package `make package` makes, from this build.
    QTemporaryDir packageDir;
    QVERIFY(packageDir.isValid());
    QProcess cpack;
    cpack.setProcessChannelMode(QProcess::MergedChannels);
    cpack.start(
        QStringLiteral(QX_CPACK_COMMAND),
        {"--config", QStringLiteral(QX_BUILD_DIR "/CPackConfig.cmake"), "-B", packageDir.path()});
    QVERIFY(cpack.waitForFinished(kProcessWaitMs));
    QVERIFY2(cpack.exitStatus() == QProcess::NormalExit && cpack.exitCode() == 0,
             cpack.readAll().constData());
    const QStringList packages =
        QDir(packageDir.path()).entryList({QStringLiteral("*.deb")}, QDir::Files);
    QCOMPARE(packages.size(), 1);

    // Any error, and only an error, makes lintian fail; its report says which.
    QProcess check;
    check.setProcessChannelMode(QProcess::MergedChannels);
    check.start(lintian,
                {"--fail-on", "error", QDir(packageDir.path()).filePath(packages.first())});
    QVERIFY(check.waitForFinished(kProcessWaitMs));
    QVERIFY2(check.exitStatus() == QProcess::NormalExit && check.exitCode() == 0,
             check.readAll().constData());
}

QTEST_MAIN(TestInstall)
#include "tst_install.moc"
