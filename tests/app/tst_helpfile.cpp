// The Help command's choice between the .chm, the web page and a notice, through a fake
// desktop. Which programs the real desktop offers is tst_install's (the installed program
// with and without a CHM viewer on its search path).

#include "ShownBoxes.h"
#include "app/DesktopHelpOpener.h"
#include "app/HelpFile.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>
#include <QUrl>

namespace {

// A desktop with or without a CHM viewer that opens only the files it is told to.
class FakeOpener : public HelpOpener
{
public:
    bool HasChmViewer() override { return chmViewer; }
    bool OpenUrl(const QUrl& url) override
    {
        const QString name = QFileInfo(url.toLocalFile()).fileName();
        asked << name;
        return opens.contains(name);
    }

    bool chmViewer = false;
    QStringList opens;
    QStringList asked;
};

const QString kChm = QStringLiteral("QX390D_enHelp.chm");
const QString kPage = QStringLiteral("QX390D_enHelp.html");

} // namespace

class TestHelpFile : public QObject
{
    Q_OBJECT

private slots:
    void helpOpensWhatTheDesktopCanShow_data();
    void helpOpensWhatTheDesktopCanShow();
    void xdgOpensExitCodeTellsWhetherTheHelpOpened_data();
    void xdgOpensExitCodeTellsWhetherTheHelpOpened();
};

void TestHelpFile::helpOpensWhatTheDesktopCanShow_data()
{
    QTest::addColumn<bool>("chmViewer");
    QTest::addColumn<QStringList>("opens"); // the files the desktop can open
    QTest::addColumn<QStringList>("asked"); // the files handed to it, in order
    QTest::addColumn<bool>("notice");

    QTest::newRow("CHM viewer: the .chm")
        << true << QStringList{kChm, kPage} << QStringList{kChm} << false;
    QTest::newRow("no CHM viewer: the web page")
        << false << QStringList{kChm, kPage} << QStringList{kPage} << false;
    QTest::newRow("CHM viewer does not start: the web page")
        << true << QStringList{kPage} << QStringList{kChm, kPage} << false;
    QTest::newRow("nothing opens: the notice")
        << false << QStringList{} << QStringList{kPage} << true;
}

void TestHelpFile::helpOpensWhatTheDesktopCanShow()
{
    QFETCH(bool, chmViewer);
    QFETCH(QStringList, opens);
    QFETCH(QStringList, asked);
    QFETCH(bool, notice);

    QTemporaryDir programDir;
    QVERIFY(programDir.isValid());
    for (const QString& name : {kChm, kPage}) {
        QFile file(programDir.filePath(name));
        QVERIFY(file.open(QIODevice::WriteOnly));
    }
    FakeOpener opener;
    opener.chmViewer = chmViewer;
    opener.opens = opens;
    FakePrompter prompter;

    OpenHelp(programDir.path(), opener, prompter, nullptr);

    QCOMPARE(opener.asked, asked);
    QStringList boxes;
    if (notice)
        boxes << BoxLine("The help cannot be opened: no program to show it was found.\n"
                         "Open this file with a web browser:\n" +
                             programDir.filePath(kPage),
                         Prompter::Ok, Prompter::Icon::Warning);
    QCOMPARE(ShownBoxes(prompter), boxes);
}

void TestHelpFile::xdgOpensExitCodeTellsWhetherTheHelpOpened_data()
{
    QTest::addColumn<int>("exitCode");
    QTest::newRow("opened") << 0;
    QTest::newRow("no program for the file") << 4;
}

// The desktop's xdg-open, a script on the search path that ends with `exitCode`.
void TestHelpFile::xdgOpensExitCodeTellsWhetherTheHelpOpened()
{
    QFETCH(int, exitCode);
    QTemporaryDir bin;
    QVERIFY(bin.isValid());
    QFile script(bin.filePath(QStringLiteral("xdg-open")));
    QVERIFY(script.open(QIODevice::WriteOnly));
    script.write(QByteArray("#!/bin/sh\nexit ") + QByteArray::number(exitCode) + '\n');
    script.close();
    QVERIFY(script.setPermissions(QFile::ReadOwner | QFile::ExeOwner));
    const QByteArray path = qgetenv("PATH");
    qputenv("PATH", QFile::encodeName(bin.path()) + ':' + path);
    DesktopHelpOpener opener;
    const bool opened = opener.OpenUrl(QUrl::fromLocalFile(bin.filePath(kPage)));
    qputenv("PATH", path);
    QCOMPARE(opened, exitCode == 0);
}

QTEST_GUILESS_MAIN(TestHelpFile)
#include "tst_helpfile.moc"
