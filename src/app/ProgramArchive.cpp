#include "app/ProgramArchive.h"

#include "app/CommandIds.h"
#include "app/MainView.h"
#include "app/MainWindow.h"
#include "archive/writer/ArchiveWriter.h"
#include "archivewindow/ArchiveSettingsDialog.h"
#include "archivewindow/ArchiveWindow.h"
#include "common/Prompter.h"
#include "jobs/PlaceEdit.h"
#include "link/DeviceLink.h"
#include "records/RecordsPage.h"

#include <QAction>
#include <QSet>
#include <QSettings>
#include <QTabWidget>
#include <QTableView>
#include <QTimer>
#include <algorithm>
#include <utility>

ProgramArchive::ProgramArchive(const ProgramOptions& options, DeviceLink& link, Prompter& prompter,
                               FileDialogs& dialogs, QSettings& settings, const QString& localPath,
                               QObject* parent)
    : QObject(parent), options_(options), link_(link), prompter_(prompter), dialogs_(dialogs),
      settings_(settings), localPath_(localPath)
{
    UseTarget(SessionArchive(options_, settings_.value(settingKey).toString(), &targetError_));
    connect(&link_.State(), &LinkState::Changed, this, [this] {
        RememberPortIdentity();
        ShowHeldMessage();
    });
}

ProgramArchive::~ProgramArchive()
{
    // The writer writes what is queued before it goes.
    writer_.reset();
}

void ProgramArchive::UseTarget(const std::optional<ArchiveTarget>& target)
{
    target_ = target;
    if (!target_ || options_.noArchive) {
        writer_.reset();
    } else if (writer_) {
        writer_->SetTarget(*target_);
    } else {
        writer_ = std::make_unique<ArchiveWriter>(*target_, nullptr, localPath_);
        connect(writer_.get(), &ArchiveWriter::Failed, this, &ProgramArchive::OnFailed);
        const auto refresh = [this] {
            if (window_)
                window_->Refresh();
        };
        connect(writer_.get(), &ArchiveWriter::Written, this, refresh);
        connect(writer_.get(), &ArchiveWriter::LimitsAttached, this, refresh);
        connect(writer_.get(), &ArchiveWriter::Delivered, this, &ProgramArchive::OnDelivered);
        connect(writer_.get(), &ArchiveWriter::Assigned, this, [this](int, const QString& error) {
            if (!error.isEmpty()) {
                prompter_.Notify(main_, assignFailedText().arg(error), Prompter::Icon::Warning);
                return;
            }
            if (window_)
                window_->Reread(); // its rows show the places as they were
            writer_->ReadPlaceTexts();
            ReadLastPlaces();
        });
        connect(writer_.get(), &ArchiveWriter::Written, this, &ProgramArchive::ReadLastPlaces);
        connect(writer_.get(), &ArchiveWriter::PlacesRead, this, &ProgramArchive::OnPlacesRead);
        connect(writer_.get(), &ArchiveWriter::PlaceTextsRead, this,
                [this](const std::array<QStringList, RecordPlace::kFields>& texts) {
                    placeTexts_ = texts;
                });
        // Once a download is archived its rows may be given a job: the texts to offer then.
        connect(writer_.get(), &ArchiveWriter::Written, writer_.get(),
                &ArchiveWriter::ReadPlaceTexts);
    }
    EnableAssignJob();
    if (window_ && target_)
        window_->SetTarget(*target_);
}

void ProgramArchive::Attach(MainWindow& window)
{
    main_ = &window;
    RecordsPage* page = window.View()->Records();
    connect(page, &RecordsPage::DownloadEnded, this, &ProgramArchive::OnDownloadEnded);
    connect(page, &RecordsPage::ImportSucceeded, this, &ProgramArchive::OnImportSucceeded);
    connect(&page->Limits(), &KnownLimits::Changed, this, &ProgramArchive::AttachKnownLimits);
    QAction* open = window.Action(Cmd::Archive);
    QAction* settings = window.Action(Cmd::ArchiveSettings);
    connect(open, &QAction::triggered, this, &ProgramArchive::OpenWindow);
    connect(settings, &QAction::triggered, this, &ProgramArchive::OpenSettings);
    open->setEnabled(true);
    settings->setEnabled(true);
    QAction* assign = window.Action(Cmd::AssignJob);
    connect(assign, &QAction::triggered, this, &ProgramArchive::OnAssignJob);
    // Also on the data page's table, by its rows.
    page->List()->setContextMenuPolicy(Qt::ActionsContextMenu);
    page->List()->addAction(assign);
    EnableAssignJob();
    // A setting that cannot be used is told once the window is up.
    if (!targetError_.isEmpty())
        QTimer::singleShot(0, this, [this] { OnFailed(targetError_); });
}

void ProgramArchive::RememberPortIdentity()
{
    // Taken once per connection, while its port is open: another meter may come on the
    // same device path, and an unplugged port is no longer listed. What was taken stays
    // for a download that ends after the port went away.
    const LinkState& state = link_.State();
    if (!state.connected) {
        if (!state.connectPending)
            identityTaken_ = false;
        return;
    }
    if (identityTaken_)
        return;
    identityTaken_ = true;
    connectionDownloads_.clear();
    identityPort_ = state.portName;
    identity_ = PortIdentityOf(identityPort_);
}

void ProgramArchive::OnDownloadEnded(DownloadEnding how, int expected, int arrived,
                                     const QList<QStringList>& rows)
{
    if (!writer_ || !main_)
        return;
    const QString& port = link_.State().portName;
    const PortIdentity identity = port == identityPort_ ? identity_ : PortIdentityOf(port);
    const DownloadFacts facts = DownloadFacts::ForMeter(port, identity, how, expected, arrived);
    connectionDownloads_ << facts.uuid;
    lastUuid_ = facts.uuid;
    lastRows_ = rows;
    writer_->Submit(facts, rows, main_->View()->Records()->Limits().Table());
}

void ProgramArchive::AttachKnownLimits()
{
    // Records downloaded before the thresholds (or a threshold file) are judged too.
    if (writer_ && main_ && !connectionDownloads_.isEmpty())
        writer_->AttachLimits(connectionDownloads_, main_->View()->Records()->Limits().Table());
}

void ProgramArchive::OnImportSucceeded(const QString& file, const QList<QStringList>& rows)
{
    if (!writer_ || !main_)
        return;
    const DownloadFacts facts = DownloadFacts::ForImport(file, static_cast<int>(rows.size()));
    lastUuid_ = facts.uuid;
    lastRows_ = rows;
    writer_->Submit(facts, rows, main_->View()->Records()->Limits().Table());
}

void ProgramArchive::OnFailed(const QString& message)
{
    heldMessage_ = message;
    ShowHeldMessage();
}

void ProgramArchive::ShowHeldMessage()
{
    // Not in the middle of a download: its own boxes come first.
    if (heldMessage_.isEmpty() || link_.State().downloadBusy)
        return;
    const QString message = std::exchange(heldMessage_, QString());
    prompter_.Notify(main_, message, Prompter::Icon::Warning);
}

void ProgramArchive::OnDelivered(int downloads)
{
    // Told in the Archive window's status line, never in a box of its own.
    deliveredNotice_ = tr("Sent %n download(s) kept on this PC to the archive", nullptr, downloads);
    if (window_) {
        window_->SetNotice(deliveredNotice_);
        window_->Refresh();
    }
}

void ProgramArchive::OpenWindow()
{
    if (writer_)
        writer_->DeliverPending();
    if (!window_) {
        const ArchiveTarget target =
            target_.value_or(ArchiveTarget::SqliteFile(DefaultArchivePath()));
        window_ = new ArchiveWindow(target, prompter_, dialogs_, main_);
        connect(window_, &ArchiveWindow::OpenInDataPage, this, &ProgramArchive::ShowRowsInDataPage);
        connect(window_, &ArchiveWindow::PlacesAssigned, this, &ProgramArchive::OnPlacesAssigned);
        window_->SetNotice(deliveredNotice_);
    }
    window_->show();
    window_->raise();
    window_->activateWindow();
}

void ProgramArchive::ReadLastPlaces()
{
    if (writer_ && !lastUuid_.isNull())
        writer_->ReadPlaces(lastUuid_);
}

void ProgramArchive::OnPlacesRead(const QUuid& download, const QList<RecordPlace>& places)
{
    if (!main_ || download != lastUuid_)
        return;
    RecordsPage* page = main_->View()->Records();
    if (!link_.State().downloadBusy && page->Table().Rows() == lastRows_)
        page->SetPlaces(places);
}

void ProgramArchive::OnPlacesAssigned(const QList<qint64>& ids, const RecordPlace& change)
{
    ReadLastPlaces();
    if (!main_ || openedIds_.isEmpty() || link_.State().downloadBusy)
        return;
    RecordsPage* page = main_->View()->Records();
    if (page->Table().Rows() != openedRows_)
        return; // the page shows other rows now
    const QSet<qint64> assigned(ids.cbegin(), ids.cend());
    QList<RecordPlace> places = page->Places();
    places.resize(openedIds_.size());
    bool changed = false;
    for (qsizetype i = 0; i < openedIds_.size(); ++i) {
        if (!assigned.contains(openedIds_[i]))
            continue;
        places[i] = AppliedPlace(places[i], change);
        changed = true;
    }
    if (changed)
        page->SetPlaces(places);
}

void ProgramArchive::ShowRowsInDataPage(const QList<QStringList>& rows,
                                        const QList<RecordPlace>& places, const QList<qint64>& ids)
{
    if (!main_)
        return;
    if (link_.State().downloadBusy) {
        prompter_.Notify(window_, downloadRunsText(), Prompter::Icon::Warning);
        return;
    }
    main_->View()->TabControl()->setCurrentIndex(DataTab);
    main_->raise();
    main_->activateWindow();
    main_->View()->Records()->OpenRows(rows);
    main_->View()->Records()->SetPlaces(places);
    openedRows_ = main_->View()->Records()->Table().Rows();
    openedIds_ = ids;
}

void ProgramArchive::OpenSettings()
{
    if (settingsDialog_) {
        settingsDialog_->raise();
        return;
    }
    settingsDialog_ = new ArchiveSettingsDialog(settings_.value(settingKey).toString(),
                                                options_.archiveChosenBy, prompter_, main_);
    settingsDialog_->setAttribute(Qt::WA_DeleteOnClose);
    connect(settingsDialog_, &QDialog::accepted, this,
            [this, dialog = settingsDialog_] { ApplySetting(dialog->Location()); });
    settingsDialog_->open();
}

void ProgramArchive::ApplySetting(const QString& location)
{
    if (location.isEmpty())
        settings_.remove(settingKey);
    else
        settings_.setValue(settingKey, location);
    settings_.sync();
    if (options_.archive)
        return;
    targetError_.clear();
    UseTarget(SessionArchive(options_, location, &targetError_));
}

void ProgramArchive::EnableAssignJob()
{
    if (!main_)
        return;
    QAction* assign = main_->Action(Cmd::AssignJob);
    assign->setEnabled(writer_ != nullptr);
    // Why it is off, where the menu and the table's context menu can say so.
    assign->setToolTip(writer_ ? QString() : noArchiveText());
    assign->setStatusTip(writer_ ? QString() : noArchiveText());
}

void ProgramArchive::OnAssignJob()
{
    if (!writer_ || !main_ || assignDialog_)
        return;
    RecordsPage* page = main_->View()->Records();
    QList<int> positions;
    for (const QModelIndex& index : page->List()->selectionModel()->selectedRows())
        positions << index.row();
    std::sort(positions.begin(), positions.end());
    if (positions.isEmpty())
        return;
    if (link_.State().downloadBusy || lastUuid_.isNull() || page->Table().Rows() != lastRows_) {
        prompter_.Notify(main_, notArchivedText(), Prompter::Icon::Warning);
        return;
    }
    // What the records have is in the archive: the fields start empty, and only those filled
    // in are assigned.
    assignDialog_ = new AssignPlaceDialog(static_cast<int>(positions.size()), RecordPlace(),
                                          placeTexts_, main_);
    assignDialog_->setAttribute(Qt::WA_DeleteOnClose);
    connect(assignDialog_, &QDialog::accepted, this,
            [this, positions, uuid = lastUuid_, dialog = assignDialog_] {
                if (writer_)
                    writer_->Assign(uuid, positions, dialog->Change());
            });
    assignDialog_->open();
}
