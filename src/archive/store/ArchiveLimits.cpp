// Limits that became known after a download was archived: the thresholds downloaded or a
// threshold file loaded after the records, in the same connection.
#include "archive/store/ArchiveStore.h"

#include "verdicts/Verdict.h"

#include <QCoreApplication>
#include <QSqlQuery>
#include <QVariant>

std::optional<int> ArchiveStore::AttachLimits(const QList<QUuid>& downloads,
                                              const ThresholdTable& limits)
{
    if (downloads.isEmpty() || !limits.AnyKnown())
        return 0;
    if (!Open() || !BeginWrite())
        return std::nullopt;
    const QString what = target_.Display();
    QStringList marks;
    for (qsizetype i = 0; i < downloads.size(); ++i)
        marks << QStringLiteral("?");
    // Only records without limits: a record judged when it arrived keeps its own.
    QSqlQuery select(db_);
    select.setForwardOnly(true);
    select.prepare(QStringLiteral("SELECT DISTINCT r.id, r.group_no, r.text_no, r.text_p1, "
                                  "r.text_p2, r.text_p3, r.text_p4, r.text_group, r.text_time "
                                  "FROM records r JOIN download_records l ON l.record_id = r.id "
                                  "JOIN downloads d ON d.id = l.download_id "
                                  "WHERE d.uuid IN (%1) AND r.limit_set_id IS NULL "
                                  "AND r.group_no IS NOT NULL")
                       .arg(marks.join(QStringLiteral(", "))));
    for (const QUuid& uuid : downloads)
        select.addBindValue(uuid.toString(QUuid::WithoutBraces));
    if (!Exec(select, what)) {
        Rollback();
        return std::nullopt;
    }
    struct Unjudged
    {
        qint64 id;
        int group;
        QStringList texts;
    };
    QList<Unjudged> unjudged;
    while (select.next()) {
        const int group = select.value(1).toInt();
        if (!limits.IsKnown(group))
            continue;
        QStringList texts;
        for (int c = 2; c < 9; ++c)
            texts << select.value(c).toString();
        unjudged.append({select.value(0).toLongLong(), group, texts});
    }
    select.finish();
    int attached = 0;
    for (const Unjudged& u : std::as_const(unjudged)) {
        const std::optional<qint64> set = LimitSetId(u.group, limits);
        if (!set) {
            Rollback();
            return std::nullopt;
        }
        const std::optional<Verdict> verdict = JudgeRow(u.texts, limits).record;
        QSqlQuery update(db_);
        update.prepare(QStringLiteral("UPDATE records SET limit_set_id = ?, verdict = ? "
                                      "WHERE id = ? AND limit_set_id IS NULL"));
        update.addBindValue(*set);
        update.addBindValue(verdict ? QVariant(VerdictName(*verdict))
                                    : QVariant(QMetaType::fromType<QString>()));
        update.addBindValue(u.id);
        if (!Exec(update, what)) {
            Rollback();
            return std::nullopt;
        }
        attached += update.numRowsAffected() > 0 ? 1 : 0;
    }
    if (!Commit())
        return std::nullopt;
    return attached;
}
