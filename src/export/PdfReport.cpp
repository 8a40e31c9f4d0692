#include "export/PdfReport.h"

#include "common/ExportFile.h"
#include "export/TableTexts.h"
#include "verdicts/PowerChart.h"
#include "verdicts/Verdict.h"
#include "verdicts/VerdictModel.h"

#include <QBuffer>
#include <QPageLayout>
#include <QPageSize>
#include <QPdfWriter>
#include <QTextDocument>
#include <QUrl>
#include <set>

namespace {

const QString kTitle = QStringLiteral("QX390D Power Meter Test Report");
const QUrl kChartUrl(QStringLiteral("qx390d:chart.png"));
// The chart is drawn larger than it stands on the page, so it prints sharply.
constexpr QSize kChartPixels(1020, 570);
constexpr int kChartWidthOnPage = 680;

// A cell text as the page shows it, kept on one line.
QString Escaped(const QString& text)
{
    return text.trimmed().toHtmlEscaped().replace(QLatin1Char(' '), QStringLiteral("&nbsp;"));
}

QString Cell(const QString& text, const std::optional<Verdict>& verdict = std::nullopt,
             const char* tag = "td")
{
    const QString colour =
        verdict ? QStringLiteral(" bgcolor=\"%1\"").arg(VerdictColour(*verdict).name()) : QString();
    return QStringLiteral("<%1 align=\"center\"%2>%3</%1>")
        .arg(QString::fromLatin1(tag), colour, text.isEmpty() ? QStringLiteral("&nbsp;") : text);
}

QString FactsHtml(const TableTexts& table, const ReportFacts& facts)
{
    const QString device =
        facts.device.isEmpty() ? QStringLiteral("none (no meter connected)") : facts.device;
    return QStringLiteral("<p>Date: %1<br>Device: %2<br>Records: %3</p>")
        .arg(facts.when.toString(QStringLiteral("yyyy-MM-dd HH:mm")), device.toHtmlEscaped())
        .arg(table.rows.size());
}

QString SummaryHtml(const VerdictCounts& counts)
{
    QString html = QStringLiteral("<h2>Verdicts</h2>");
    if (counts.Judged() == 0)
        return html + QStringLiteral("<p>No verdicts: the threshold groups of these records "
                                     "were not known to the program.</p>");
    html += QStringLiteral("<p>%1</p><table border=\"1\" cellspacing=\"0\" cellpadding=\"4\"><tr>")
                .arg(VerdictSummaryText(counts).toHtmlEscaped());
    for (Verdict v : {Verdict::Pass, Verdict::Marginal, Verdict::Over, Verdict::Fail})
        html += Cell(QStringLiteral("%1<br>%2").arg(VerdictName(v)).arg(counts.Of(v)), v);
    return html + QStringLiteral("</tr></table>");
}

QString RecordsHtml(const TableTexts& table, const ThresholdTable& thresholds)
{
    QString html = QStringLiteral("<h2>Records</h2><table border=\"1\" cellspacing=\"0\" "
                                  "cellpadding=\"2\" width=\"100%\"><thead><tr>");
    // Shares of the width: "No.", the powers, the group, the date-time, the verdict.
    constexpr int kWidths[] = {6, 11, 11, 11, 11, 14, 23, 13};
    const auto header = [&kWidths](int c, const QString& text) {
        return QStringLiteral("<th align=\"center\" width=\"%1%\">%2</th>")
            .arg(kWidths[c])
            .arg(text.toHtmlEscaped());
    };
    for (int c = 0; c < table.headers.size(); ++c)
        html += header(c, table.headers.value(c));
    html +=
        header(table.headers.size(), QStringLiteral("Verdict")) + QStringLiteral("</tr></thead>");
    for (const QStringList& row : table.rows) {
        const RowVerdict verdict = JudgeRow(row, thresholds);
        html += QStringLiteral("<tr>");
        for (int c = 0; c < table.headers.size(); ++c) {
            const std::optional<Verdict> shade =
                IsPowerColumn(c) ? verdict.channels[static_cast<size_t>(c - kFirstPowerColumn)]
                                 : std::nullopt;
            html += Cell(Escaped(row.value(c)), shade);
        }
        html += verdict.record ? Cell(VerdictName(*verdict.record), verdict.record)
                               : Cell(QStringLiteral("&ndash;"));
        html += QStringLiteral("</tr>");
    }
    return html + QStringLiteral("</table>");
}

QString GroupsHtml(const TableTexts& table, const ThresholdTable& thresholds)
{
    std::set<int> used;
    for (const QStringList& row : table.rows) {
        if (const std::optional<int> group = GroupOfText(row.value(kGroupColumn)))
            used.insert(*group);
    }
    QString html = QStringLiteral("<h2>Threshold groups used</h2>");
    if (used.empty())
        return html + QStringLiteral("<p>The records name no threshold group 1 to 3.</p>");
    for (int group : used) {
        if (!thresholds.IsKnown(group)) {
            html += QStringLiteral("<p>Group %1: limits not known (not downloaded in this "
                                   "session); its records have no verdict.</p>")
                        .arg(group);
            continue;
        }
        html += QStringLiteral("<p>Group %1 (dBm)</p><table border=\"1\" cellspacing=\"0\" "
                               "cellpadding=\"3\"><tr>")
                    .arg(group);
        html += Cell(QString(), std::nullopt, "th");
        for (const char* name : {"Over", "Pass", "Fail"})
            html += Cell(QString::fromLatin1(name), std::nullopt, "th");
        html += QStringLiteral("</tr>");
        for (int column = kFirstPowerColumn; column < kFirstPowerColumn + kPowerColumns; ++column) {
            const ChannelLimits limits = *LimitsFor(thresholds, group, column);
            html += QStringLiteral("<tr>") +
                    Cell(Escaped(table.headers.value(column)), std::nullopt, "th");
            for (float limit : {limits.over, limits.pass, limits.fail})
                html += Cell(LimitText(limit));
            html += QStringLiteral("</tr>");
        }
        html += QStringLiteral("</table>");
    }
    return html;
}

} // namespace

std::optional<QByteArray> BuildPdfReport(const TableTexts& table, const ThresholdTable& thresholds,
                                         const ReportFacts& facts)
{
    const QImage chart = PowerChart::Picture(
        table.rows, thresholds, PowerChart::DefaultChoice(table.rows, thresholds), kChartPixels);

    QTextDocument document;
    document.addResource(QTextDocument::ImageResource, kChartUrl, chart);
    QString html = QStringLiteral("<html><body><h1>%1</h1>").arg(kTitle);
    html += FactsHtml(table, facts);
    html += SummaryHtml(CountVerdicts(table.rows, thresholds));
    html += QStringLiteral("<h2>Power chart</h2><p><img src=\"%1\" width=\"%2\"></p>")
                .arg(kChartUrl.toString())
                .arg(kChartWidthOnPage);
    html += RecordsHtml(table, thresholds);
    html += GroupsHtml(table, thresholds);
    html += QStringLiteral("</body></html>");
    document.setHtml(html);

    QBuffer buffer;
    buffer.open(QIODevice::WriteOnly);
    {
        QPdfWriter writer(&buffer);
        // The document keeps margins of 2 cm itself when it prints.
        writer.setPageLayout(QPageLayout(QPageSize(QPageSize::A4), QPageLayout::Portrait,
                                         QMarginsF(0, 0, 0, 0), QPageLayout::Millimeter));
        writer.setTitle(kTitle);
        writer.setCreator(QStringLiteral("QX390D"));
        document.print(&writer);
    }
    if (buffer.data().isEmpty())
        return std::nullopt;
    return buffer.data();
}

void ExportRecordReport(const TableTexts& table, const ThresholdTable& thresholds,
                        const ReportFacts& facts, Prompter& prompter, FileDialogs& dialogs,
                        QWidget* owner, QString& exportPath)
{
    ExportFileAs(prompter, dialogs, owner, exportPath, pdfFilter, {QStringLiteral(".pdf")},
                 [&](const QString&) { return BuildPdfReport(table, thresholds, facts); });
}
