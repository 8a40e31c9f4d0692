#pragma once

#include "archive/data/ArchiveTypes.h"
#include "archivewindow/ArchiveSettingsDialog.h"
#include "archivewindow/ArchiveWindow.h"
#include "jobswindow/AssignPlaceDialog.h"
#include "records/RecordDownload.h"
#include "startup/CommandLine.h"

#include <QObject>
#include <QPointer>
#include <memory>
#include <optional>

class ArchiveWriter;
class DeviceLink;
class FileDialogs;
class MainWindow;
class Prompter;
class QSettings;

// The program's archive: every download of the data page, however it ended, and every import
// that brought rows are handed to an ArchiveWriter, which writes them on a thread of its own.
// The first failure of a session is told once (held back while a download runs); View/
// Archive... and View/Archive Settings... are served here. The archive is the command line's
// (or QX390D_ARCHIVE's) choice, else the setting, else the default file.
class ProgramArchive : public QObject
{
    Q_OBJECT

public:
    // Where the program's settings (~/.config/QX390D/QX390D.conf) keep the archive's location.
    inline static const QString settingKey = QStringLiteral("Archive/location");
    // The data page cannot take archived records while a download fills it.
    static QString downloadRunsText()
    {
        return tr("A download is running; open the archived records when it has ended.");
    }

    // `localPath`: the SQLite file that keeps what cannot reach a server archive.
    ProgramArchive(const ProgramOptions& options, DeviceLink& link, Prompter& prompter,
                   FileDialogs& dialogs, QSettings& settings,
                   const QString& localPath = DefaultArchivePath(), QObject* parent = nullptr);
    ~ProgramArchive() override;

    // Keeps what the window's data page downloads and imports, and serves its archive
    // commands; the window owns the boxes and the archive's windows.
    void Attach(MainWindow& window);

    // This session's archive; nothing when the setting cannot be used.
    const std::optional<ArchiveTarget>& Target() const { return target_; }
    // Nothing with --no-archive or without a usable archive.
    ArchiveWriter* Writer() const { return writer_.get(); }
    // Nothing until View/Archive... first opened it.
    ArchiveWindow* Window() const { return window_; }
    // Nothing unless Archive Settings is open.
    ArchiveSettingsDialog* SettingsDialog() const { return settingsDialog_; }
    // Nothing unless the data page's Assign Job dialog is open.
    AssignPlaceDialog* AssignDialog() const { return assignDialog_; }

    // Manage/Assign Job... without an archive, as its tooltip says.
    static QString noArchiveText()
    {
        return tr("The archive is off (--no-archive): there are no archived records to give a "
                  "job.");
    }
    // The data page no longer shows the rows as they were archived.
    static QString notArchivedText()
    {
        return tr("The data page does not show the last download or import as it was archived; "
                  "give these records a job in View/Archive... instead.");
    }
    static QString assignFailedText() { return tr("The job could not be assigned: %1"); }

    // View/Archive...
    void OpenWindow();
    // Manage/Assign Job...: the selected rows of the data page, when it shows the last
    // download or import as it was archived.
    void OnAssignJob();
    // View/Archive Settings... (window-modal; OK stores and applies the setting).
    void OpenSettings();
    // Stores `location` as the setting (empty: the default file) and, unless the command
    // line or the environment chose this session's archive, archives there from now on.
    void ApplySetting(const QString& location);

private:
    void OnDownloadEnded(DownloadEnding how, int expected, int arrived,
                         const QList<QStringList>& rows);
    void OnImportSucceeded(const QString& file, const QList<QStringList>& rows);
    void OnFailed(const QString& message);
    void OnDelivered(int downloads);
    void ShowHeldMessage();
    void ShowRowsInDataPage(const QList<QStringList>& rows, const QList<RecordPlace>& places,
                            const QList<qint64>& ids);
    // Places assigned in the Archive window: the data page's rows of the last download, and
    // those it opened from the window, take them.
    void OnPlacesAssigned(const QList<qint64>& ids, const RecordPlace& change);
    // The data page's records' places, when it shows the last download or import as it was
    // archived: read after each write and assignment.
    void ReadLastPlaces();
    void OnPlacesRead(const QUuid& download, const QList<RecordPlace>& places);
    void RememberPortIdentity();
    void AttachKnownLimits();
    void UseTarget(const std::optional<ArchiveTarget>& target);
    void EnableAssignJob();

    ProgramOptions options_;
    DeviceLink& link_;
    Prompter& prompter_;
    FileDialogs& dialogs_;
    QSettings& settings_;
    QString localPath_;
    std::optional<ArchiveTarget> target_;
    QString targetError_; // why the setting cannot be used
    std::unique_ptr<ArchiveWriter> writer_;
    QPointer<MainWindow> main_;
    QPointer<ArchiveWindow> window_;
    QPointer<ArchiveSettingsDialog> settingsDialog_;
    QPointer<AssignPlaceDialog> assignDialog_;
    // The last download or import handed to the archive, as the data page showed it.
    QUuid lastUuid_;
    QList<QStringList> lastRows_;
    // The data page's rows as opened from the Archive window, and their records there.
    QList<QStringList> openedRows_;
    QList<qint64> openedIds_;
    // The texts the Assign Job dialog offers, as the archive last said.
    std::array<QStringList, RecordPlace::kFields> placeTexts_;
    // The USB identity of the connected port, looked up while the port is there.
    QString identityPort_;
    PortIdentity identity_;
    bool identityTaken_ = false; // for this connection
    // The downloads of this connection: limits that become known later are theirs too.
    QList<QUuid> connectionDownloads_;
    // A failure told while a download ran, shown once it has ended.
    QString heldMessage_;
    // How many downloads that waited on this PC were sent, for the Archive window.
    QString deliveredNotice_;
};
