#include "archivewindow/ArchiveSettingsDialog.h"

#include "common/Prompter.h"

#include <QDialogButtonBox>
#include <QDir>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QThread>
#include <QVBoxLayout>

namespace {

// Long enough for a finished test's thread to end, too short to notice when it cannot.
constexpr int kTestStopWaitMs = 200;

} // namespace

ArchiveSettingsDialog::ArchiveSettingsDialog(const QString& location, const QString& overriddenBy,
                                             Prompter& prompter, QWidget* parent, Tester tester)
    : QDialog(parent), prompter_(prompter), tester_(std::move(tester)),
      location_(new QLineEdit(location, this)),
      testButton_(new QPushButton(tr("Test Connection"), this)), result_(new QLabel(this))
{
    setWindowTitle(tr("Archive Settings"));
    setMinimumWidth(560);

    auto* explanation = new QLabel(
        tr("Every download and import is kept in the archive. Give an SQLite file, a PostgreSQL "
           "server as postgresql://HOST/DATABASE?user=ROLE, or a libpq service as service=NAME. "
           "Leave it empty for the file on this PC:\n%1\nPasswords belong in ~/.pgpass or the "
           "service file, never here.")
            .arg(QDir::toNativeSeparators(DefaultArchivePath())),
        this);
    explanation->setWordWrap(true);
    location_->setPlaceholderText(QDir::toNativeSeparators(DefaultArchivePath()));
    result_->setWordWrap(true);
    result_->setTextInteractionFlags(Qt::TextSelectableByMouse);

    auto* line = new QHBoxLayout;
    line->addWidget(location_, 1);
    line->addWidget(testButton_);

    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(explanation);
    layout->addLayout(line);
    layout->addWidget(result_);
    if (!overriddenBy.isEmpty()) {
        auto* note = new QLabel(tr("This session uses the archive that %1 names; the setting "
                                   "applies when neither the command line nor QX390D_ARCHIVE "
                                   "chooses one.")
                                    .arg(overriddenBy),
                                this);
        note->setWordWrap(true);
        layout->addWidget(note);
    }
    layout->addWidget(buttons);

    connect(testButton_, &QPushButton::clicked, this, &ArchiveSettingsDialog::OnTestConnection);
    connect(buttons, &QDialogButtonBox::accepted, this, &ArchiveSettingsDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &ArchiveSettingsDialog::reject);
}

ArchiveSettingsDialog::~ArchiveSettingsDialog()
{
    if (!test_)
        return;
    // A test held up by its server ends within the connection's own time limit; closing
    // does not wait for it: the thread then goes by itself (it holds nothing of the dialog).
    if (test_->wait(kTestStopWaitMs)) {
        delete test_;
        return;
    }
    connect(test_, &QThread::finished, test_, &QObject::deleteLater);
}

QString ArchiveSettingsDialog::Location() const
{
    return location_->text().trimmed();
}

std::optional<ArchiveTarget> ArchiveSettingsDialog::Target(QString* error) const
{
    return ChooseArchiveTarget(Location(), error);
}

void ArchiveSettingsDialog::OnTestConnection()
{
    if (test_)
        return;
    QString error;
    const std::optional<ArchiveTarget> target = Target(&error);
    if (!target) {
        ShowResult(false, error);
        return;
    }
    result_->setText(tr("Connecting to %1...").arg(target->Display()));
    FitTexts();
    testButton_->setEnabled(false);
    // Shared with the thread, which may outlive a closed dialog's widgets but not the dialog.
    auto outcome = std::make_shared<std::pair<bool, QString>>();
    test_ = QThread::create([tester = tester_, target = *target, outcome] {
        outcome->first = tester(target, &outcome->second);
    });
    connect(test_, &QThread::finished, this, [this, outcome] {
        test_->deleteLater();
        test_ = nullptr;
        testButton_->setEnabled(true);
        ShowResult(outcome->first, outcome->second);
    });
    test_->start();
}

void ArchiveSettingsDialog::ShowResult(bool ok, const QString& message)
{
    result_->setText((ok ? tr("Connected: %1") : tr("Not usable: %1")).arg(message));
    FitTexts();
    Q_EMIT TestFinished(ok, message);
}

void ArchiveSettingsDialog::FitTexts()
{
    // A window does not grow by itself for wrapped texts that need more lines: without this
    // a long result cut off the lines of the texts above it.
    layout()->activate();
    const int needed = heightForWidth(width());
    if (needed > height())
        resize(width(), needed);
}

void ArchiveSettingsDialog::accept()
{
    QString error;
    if (!Target(&error)) {
        prompter_.Notify(this, tr("The archive setting is not kept: %1").arg(error),
                         Prompter::Icon::Warning);
        return;
    }
    QDialog::accept();
}
