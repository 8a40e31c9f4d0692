#pragma once

#include "archive/location/ArchiveTarget.h"
#include "archive/writer/ArchiveSession.h"

#include <QDialog>
#include <functional>
#include <memory>

class Prompter;
class QLabel;
class QLineEdit;
class QPushButton;
class QThread;

// Archive Settings...: where the program keeps its archive when neither the command line
// nor QX390D_ARCHIVE says: an SQLite file, a PostgreSQL URL or a libpq service; empty for
// the default file. "Test Connection" connects as the program would, off the window's
// thread. OK keeps only what ChooseArchiveTarget accepts: never a password.
class ArchiveSettingsDialog : public QDialog
{
    Q_OBJECT

public:
    // Connects to a target as the program would; the text says what was found or why not.
    using Tester = std::function<bool(const ArchiveTarget& target, QString* message)>;

    // `location` as stored; `overriddenBy` names the option or variable that chooses this
    // session's archive instead ("--archive", "QX390D_ARCHIVE"), or is empty.
    ArchiveSettingsDialog(const QString& location, const QString& overriddenBy, Prompter& prompter,
                          QWidget* parent = nullptr, Tester tester = TestArchiveConnection);
    ~ArchiveSettingsDialog() override;

    // What the operator typed, trimmed (after OK: what to store).
    QString Location() const;
    // The target Location() names (the default file when empty); nothing for one that
    // cannot be used.
    std::optional<ArchiveTarget> Target(QString* error) const;

    // Runs the tester on a thread of its own; TestFinished tells the outcome.
    void OnTestConnection();
    bool Testing() const { return test_ != nullptr; }

    // Refuses (with a message, the dialog staying open) a location that cannot be used.
    void accept() override;

    QLineEdit* LocationEdit() const { return location_; }
    QPushButton* TestButton() const { return testButton_; }
    QLabel* TestResult() const { return result_; }

Q_SIGNALS:
    void TestFinished(bool ok, const QString& message);

private:
    void FitTexts();
    void ShowResult(bool ok, const QString& message);

    Prompter& prompter_;
    Tester tester_;
    QLineEdit* location_;
    QPushButton* testButton_;
    QLabel* result_;
    QThread* test_ = nullptr;
};
