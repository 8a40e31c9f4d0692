#pragma once

#include "archive/store/ArchiveStore.h"

#include <QList>
#include <QString>
#include <QStringList>
#include <QUuid>
#include <optional>

// A download waiting in the local file for a server archive.
struct PendingSubmission
{
    qint64 id = 0;
    ArchiveSubmission submission;
    QString reason;   // why it could not be written
    QString target;   // the name of the archive it was kept for
    QString archive;  // that archive's identity; empty while not known
    QString location; // where that archive was last seen from this PC
};

// The downloads this PC keeps for server archives it could not reach, in the local SQLite
// file, read and written over that file's store (its connection, on its thread); a failure
// leaves the store's Error().
class PendingQueue
{
public:
    explicit PendingQueue(ArchiveStore& store) : store_(store) {}

    // The queue of downloads waiting for the server `target` (an ArchiveTarget::Display()),
    // meant for the archive last seen there. Adding one that waits already only changes why
    // it waits.
    bool AddPending(const QString& target, const ArchiveSubmission& submission,
                    const QString& reason);
    // Those meant for the archive `archive` (an Identity(); by default the one last seen at
    // `target`), under whatever name, and those kept for `target` while its archive was not
    // known; every one for neither.
    std::optional<QList<PendingSubmission>> Pending(const QString& target,
                                                    const QString& archive = {});
    // `location` reached the archive `archive`: remembered, and what waits for `location`
    // without a known archive is meant for it.
    bool RememberLocation(const QString& location, const QString& archive);
    bool RemovePending(qint64 id);
    // The locations that downloads wait for while their archive is not known.
    std::optional<QStringList> UnknownPendingTargets();
    // Limits that became known after the downloads `downloads` (by UUID): the groups their
    // waiting entries lack are given them, so that they arrive judged. The number of entries
    // given limits.
    std::optional<int> AttachPendingLimits(const QList<QUuid>& downloads,
                                           const ThresholdTable& limits);
    // The archives (identities; empty while not known) the download `uuid` waits for.
    std::optional<QStringList> WaitingFor(const QUuid& uuid);

private:
    ArchiveStore& store_;
};
