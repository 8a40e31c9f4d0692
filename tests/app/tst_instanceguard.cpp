#include "FakePrompter.h"
#include "app/CMainFrame.h"
#include "app/CQX390DApp.h"
#include "app/InstanceGuard.h"

#include <QApplication>
#include <QDir>
#include <QFileInfo>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>
#include <optional>

Q_DECLARE_METATYPE(InstanceGuard::Outcome)

class TestInstanceGuard : public QObject
{
    Q_OBJECT

private slots:
    void init();

    void firstCopyOwnsTheLockFile();
    void secondGuardIsRefusedWhileTheFirstLives();
    void lockIsFreeAgainOnceTheOwnerIsGone();
    void programsStartedByTheOwnerDoNotKeepTheLock();
    void unusableDirectoryLeavesTheProgramUnguarded();
    void lockDirectory_data();
    void lockDirectory();
    void firstCopyOpensItsWindow();
    void secondCopyTellsTheOperatorAndOpensNoWindow();
    void unguardedStartStillOpensTheWindow();

private:
    std::optional<QTemporaryDir> dir_;
};

void TestInstanceGuard::init()
{
    dir_.emplace();
    QVERIFY(dir_->isValid());
}

void TestInstanceGuard::firstCopyOwnsTheLockFile()
{
    InstanceGuard guard(dir_->path());
    QCOMPARE(guard.Acquire(), InstanceGuard::Outcome::Owned);
    QCOMPARE(guard.FilePath(), dir_->filePath(QStringLiteral("Ardenvale Orlix_TestDesk")));
    QVERIFY(QFileInfo::exists(guard.FilePath()));
}

void TestInstanceGuard::secondGuardIsRefusedWhileTheFirstLives()
{
    InstanceGuard first(dir_->path());
    InstanceGuard second(dir_->path());
    QCOMPARE(first.Acquire(), InstanceGuard::Outcome::Owned);
    QCOMPARE(second.Acquire(), InstanceGuard::Outcome::HeldElsewhere);
    // Asking again changes nothing for either.
    QCOMPARE(second.Acquire(), InstanceGuard::Outcome::HeldElsewhere);
    QCOMPARE(first.Acquire(), InstanceGuard::Outcome::Owned);
}

void TestInstanceGuard::lockIsFreeAgainOnceTheOwnerIsGone()
{
    {
        InstanceGuard first(dir_->path());
        QCOMPARE(first.Acquire(), InstanceGuard::Outcome::Owned);
    }
    InstanceGuard next(dir_->path());
    QCOMPARE(next.Acquire(), InstanceGuard::Outcome::Owned);
}

void TestInstanceGuard::programsStartedByTheOwnerDoNotKeepTheLock()
{
    // A viewer started from the program (the help file) may outlive it.
    QProcess child;
    {
        InstanceGuard owner(dir_->path());
        QCOMPARE(owner.Acquire(), InstanceGuard::Outcome::Owned);
        child.start(QStringLiteral("/bin/sh"), {QStringLiteral("-c"), QStringLiteral("read x")});
        QVERIFY(child.waitForStarted());
    }
    QCOMPARE(child.state(), QProcess::Running);
    InstanceGuard next(dir_->path());
    QCOMPARE(next.Acquire(), InstanceGuard::Outcome::Owned);

    child.closeWriteChannel();
    QVERIFY(child.waitForFinished());
}

void TestInstanceGuard::unusableDirectoryLeavesTheProgramUnguarded()
{
    InstanceGuard guard(dir_->filePath(QStringLiteral("missing")));
    QCOMPARE(guard.Acquire(), InstanceGuard::Outcome::Unavailable);
}

void TestInstanceGuard::lockDirectory_data()
{
    QTest::addColumn<std::optional<QString>>("runtimeDir");
    QTest::addColumn<bool>("usesRuntimeDir");

    QTest::newRow("runtime directory set") << std::optional<QString>(QStringLiteral("dir")) << true;
    QTest::newRow("runtime directory not set") << std::optional<QString>() << false;
    QTest::newRow("runtime directory empty") << std::optional<QString>(QString()) << false;
    QTest::newRow("runtime directory missing")
        << std::optional<QString>(QStringLiteral("missing")) << false;
}

void TestInstanceGuard::lockDirectory()
{
    QFETCH(std::optional<QString>, runtimeDir);
    QFETCH(bool, usesRuntimeDir);

    const QByteArray saved = qgetenv("XDG_RUNTIME_DIR");
    const bool wasSet = qEnvironmentVariableIsSet("XDG_RUNTIME_DIR");
    QDir(dir_->path()).mkdir(QStringLiteral("dir"));
    if (runtimeDir)
        qputenv("XDG_RUNTIME_DIR",
                QFile::encodeName(runtimeDir->isEmpty() ? QString() : dir_->filePath(*runtimeDir)));
    else
        qunsetenv("XDG_RUNTIME_DIR");

    const QString got = InstanceGuard::DefaultDirectory();

    if (wasSet)
        qputenv("XDG_RUNTIME_DIR", saved);
    else
        qunsetenv("XDG_RUNTIME_DIR");
    QCOMPARE(got, usesRuntimeDir ? dir_->filePath(*runtimeDir) : QDir::tempPath());
}

void TestInstanceGuard::firstCopyOpensItsWindow()
{
    FakePrompter prompter;
    FakeFileDialogs dialogs;
    CQX390DApp app(prompter, dialogs, dir_->path());
    QVERIFY(app.InitInstance());
    QVERIFY(app.MainFrame());
    QVERIFY(app.MainFrame()->isVisible());
    QCOMPARE(app.MainFrame()->windowTitle(), CMainFrame::mainTitle);
    QVERIFY(prompter.boxes.isEmpty());
}

void TestInstanceGuard::secondCopyTellsTheOperatorAndOpensNoWindow()
{
    InstanceGuard running(dir_->path());
    QCOMPARE(running.Acquire(), InstanceGuard::Outcome::Owned);

    FakePrompter prompter;
    FakeFileDialogs dialogs;
    CQX390DApp app(prompter, dialogs, dir_->path());
    QVERIFY(!app.InitInstance());

    QCOMPARE(prompter.boxes.size(), 1);
    const FakePrompter::Box& box = prompter.boxes.first();
    QCOMPARE(box.owner, nullptr);
    QCOMPARE(box.caption, QStringLiteral("PON Prompt Message"));
    QCOMPARE(box.text, QStringLiteral("There has been a same software operating now!"));
    QCOMPARE(box.buttons, int(Prompter::Ok));
    QCOMPARE(box.icon, Prompter::Icon::None);
    QCOMPARE(app.MainFrame(), nullptr);
    for (QWidget* widget : QApplication::topLevelWidgets())
        QVERIFY(!qobject_cast<CMainFrame*>(widget));
}

void TestInstanceGuard::unguardedStartStillOpensTheWindow()
{
    FakePrompter prompter;
    FakeFileDialogs dialogs;
    CQX390DApp app(prompter, dialogs, dir_->filePath(QStringLiteral("missing")));
    QVERIFY(app.InitInstance());
    QVERIFY(app.MainFrame()->isVisible());
    QVERIFY(prompter.boxes.isEmpty());
}

QTEST_MAIN(TestInstanceGuard)
#include "tst_instanceguard.moc"
