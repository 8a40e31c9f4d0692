// The Help command's choice between the .chm, the web page and a notice, through a fake
// desktop. Which programs the real desktop offers is tst_install's (the installed program
// with and without a CHM viewer on its search path).

#include "ShownBoxes.h"
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

QTEST_GUILESS_MAIN(TestHelpFile)
#include "tst_helpfile.moc"
