#include "jobswindow/JobReportPdf.h"

#include "common/ProgramFacts.h"
#include "export/PdfReport.h"
#include "export/TableTexts.h"
#include "records/RecordTable.h"
#include "verdicts/RecordRow.h"

#include <QCoreApplication>

namespace {

QString Escaped(const QString& text)
{
    return text.trimmed().toHtmlEscaped();
}

// "2024-03-01 09:05" of an ISO date-time.
QString Moment(const QString& iso)
{
    return iso.isEmpty() ? QStringLiteral("–")
                         : QString(iso).replace(QLatin1Char('T'), QLatin1Char(' '));
}

QString CoverHtml(const JobReportFacts& facts, const QDateTime& when)
{
    const auto line = [](const char* label, const QString& value) {
        return QStringLiteral("<b>%1</b> %2")
            .arg(QCoreApplication::translate("JobReport", label).toHtmlEscaped(),
                 value.toHtmlEscaped());
    };
    const QString none = QStringLiteral("–");
    const auto list = [&none](const QStringList& texts) {
        return texts.isEmpty() ? none : texts.join(QStringLiteral(", "));
    };
    QStringList lines{
        line(QT_TRANSLATE_NOOP("JobReport", "Customer / job:"), facts.job),
        line(QT_TRANSLATE_NOOP("JobReport", "Sites:"), list(facts.sites)),
        line(QT_TRANSLATE_NOOP("JobReport", "Technicians:"), list(facts.technicians)),
        line(QT_TRANSLATE_NOOP("JobReport", "First measurement:"), Moment(facts.firstMeasured)),
        line(QT_TRANSLATE_NOOP("JobReport", "Last measurement:"), Moment(facts.lastMeasured)),
        line(QT_TRANSLATE_NOOP("JobReport", "Meters (USB serial numbers):"), list(facts.meters)),
        line(QT_TRANSLATE_NOOP("JobReport", "Records:"), QString::number(facts.records)),
        line(QT_TRANSLATE_NOOP("JobReport", "Report made:"),
             when.toString(QStringLiteral("yyyy-MM-dd HH:mm"))),
        line(QT_TRANSLATE_NOOP("JobReport", "Program:"),
             QStringLiteral("qx390d ") + ProgramVersion()),
    };
    return QStringLiteral("<p>") + lines.join(QStringLiteral("<br>")) + QStringLiteral("</p>");
}

QString SiteHtml(const JobReportFacts::Site& site)
{
    const QString heading =
        site.site.isEmpty() ? QCoreApplication::translate("JobReport", "Records without a site")
                            : QCoreApplication::translate("JobReport", "Site: %1").arg(site.site);
    QString html = QStringLiteral("<h2>%1</h2><table border=\"1\" cellspacing=\"0\" "
                                  "cellpadding=\"2\" width=\"100%\"><thead><tr>")
                       .arg(heading.toHtmlEscaped());
    QStringList headers{PlaceFieldLabel(RecordPlace::Ont), PlaceFieldLabel(RecordPlace::PonPort)};
    for (const QString& header : RecordTable::Headers())
        headers << ShownHeader(header);
    headers << QCoreApplication::translate("JobReport", "Verdict");
    for (const QString& header : std::as_const(headers))
        html += ReportCell(header.toHtmlEscaped(), std::nullopt, "th");
    html += QStringLiteral("</tr></thead>");
    for (const ArchivedRecord& r : site.records) {
        const RowVerdict verdict = JudgeRow(r.texts, r.limits);
        html += QStringLiteral("<tr>") + ReportCell(Escaped(r.place.Text(RecordPlace::Ont))) +
                ReportCell(Escaped(r.place.Text(RecordPlace::PonPort)));
        for (int c = 0; c < r.texts.size(); ++c) {
            const std::optional<Verdict> shade =
                IsPowerColumn(c) ? verdict.channels[static_cast<size_t>(c - kFirstPowerColumn)]
                                 : std::nullopt;
            html += ReportCell(Escaped(r.texts[c]), shade);
        }
        html += verdict.record
                    ? ReportCell(VerdictLabel(*verdict.record).toHtmlEscaped(), verdict.record)
                    : ReportCell(QStringLiteral("&ndash;"));
        html += QStringLiteral("</tr>");
    }
    return html + QStringLiteral("</table>");
}

QString SignaturesHtml()
{
    const QString blank = QStringLiteral("_______________________________");
    QString html = QStringLiteral("<h2>%1</h2><table cellspacing=\"0\" cellpadding=\"12\" "
                                  "width=\"100%\"><tr>")
                       .arg(QCoreApplication::translate("JobReport", "Signatures").toHtmlEscaped());
    for (const char* who :
         {QT_TRANSLATE_NOOP("JobReport", "Technician"), QT_TRANSLATE_NOOP("JobReport", "Customer")})
        html += QStringLiteral("<td width=\"50%\">%1<br><br>%2<br>%3</td>")
                    .arg(QCoreApplication::translate("JobReport", who).toHtmlEscaped(), blank,
                         QCoreApplication::translate("JobReport", "Name, date, signature")
                             .toHtmlEscaped());
    return html + QStringLiteral("</tr></table>");
}

} // namespace

std::optional<QByteArray> BuildJobReport(const JobReportFacts& facts, const QDateTime& when)
{
    // The chart shows every record of the job, oldest first, by the limits kept with them.
    QList<QStringList> rows;
    for (const JobReportFacts::Site& site : facts.bySite)
        for (const ArchivedRecord& r : site.records)
            rows << r.texts;
    const FixedJudgedTable chart(RecordRowsOfTexts(rows), facts.limits);
    const QString title = QCoreApplication::translate("JobReport", "Job Report: %1").arg(facts.job);
    QString html = QStringLiteral("<html><body><h1>%1</h1>").arg(title.toHtmlEscaped());
    html += CoverHtml(facts, when);
    html += VerdictSummaryHtml(facts.counts);
    html += QStringLiteral("<h2>%1</h2><p>%2</p>")
                .arg(QCoreApplication::translate("JobReport", "Power chart").toHtmlEscaped(),
                     ReportChartPlace());
    for (const JobReportFacts::Site& site : facts.bySite)
        html += SiteHtml(site);
    html += SignaturesHtml();
    html += QStringLiteral("</body></html>");
    return PrintReportHtml(html, title, chart, std::nullopt);
}
