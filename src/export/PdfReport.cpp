#include "export/PdfReport.h"

#include "common/ExportFile.h"
#include "common/ProgramFacts.h"
#include "export/TableTexts.h"
#include "verdicts/PowerChart.h"
#include "verdicts/RecordRow.h"
#include "verdicts/Verdict.h"
#include "verdicts/VerdictModel.h"

#include <QAbstractTextDocumentLayout>
#include <QBuffer>
#include <QCoreApplication>
#include <QPageLayout>
#include <QPageSize>
#include <QPaintDevice>
#include <QPdfWriter>
#include <QTextCursor>
#include <QTextDocument>
#include <QTextObjectInterface>
#include <set>

namespace {

QString Title()
{
    return QCoreApplication::translate("PdfReport", "QX390D Power Meter Test Report");
}
// Where the chart goes in the laid-out text; replaced by the chart object.
const QString kChartPlace = QStringLiteral("[power chart]");
constexpr int kChartObject = QTextFormat::UserObject + 1;
// The chart's size in the document's pixels (1/96 in): the width between the page's margins.
constexpr QSizeF kChartSize(640, 380);

// The chart as an object in the text, drawn with the page's own painter, so it stays
// vector graphics in the PDF.
class ChartObject : public QObject, public QTextObjectInterface
{
    Q_OBJECT
    Q_INTERFACES(QTextObjectInterface)

public:
    ChartObject(const JudgedTable& table, std::optional<ChartChoice> choice)
        : table_(table), choice_(choice)
    {
    }

    QSizeF intrinsicSize(QTextDocument* document, int, const QTextFormat&) override
    {
        // In the units of the device the text is laid out for, as images are.
        const QPaintDevice* device = document->documentLayout()->paintDevice();
        return kChartSize * (device ? device->logicalDpiY() / 96.0 : 1.0);
    }

    void drawObject(QPainter* painter, const QRectF& rect, QTextDocument*, int,
                    const QTextFormat&) override
    {
        PowerChart::Draw(*painter, rect, table_.Judged(), table_.JudgedBy(), choice_, kChartSize);
    }

private:
    const JudgedTable& table_;
    std::optional<ChartChoice> choice_; // nothing: the chart's default
};

// A cell text as the page shows it, kept on one line.
QString Escaped(const QString& text)
{
    return text.trimmed().toHtmlEscaped().replace(QLatin1Char(' '), QStringLiteral("&nbsp;"));
}

// "1 (GPON-B+)": a group number with its name, when it has one other than the number.
QString GroupText(const RecordRow& row, const ReportFacts& facts)
{
    const QString number = row.Text(kGroupColumn);
    const QString name =
        row.group ? facts.groupNames[static_cast<size_t>(*row.group - 1)].trimmed() : QString();
    if (name.isEmpty() || name == number.trimmed())
        return Escaped(number);
    return Escaped(number) + QStringLiteral(" (") + name.toHtmlEscaped() + QLatin1Char(')');
}

// "USB serial number 5A3B, vendor 1a86, product 7523", as far as the system reports it.
QString MeterText(const PortIdentity& meter)
{
    QStringList parts;
    if (!meter.serial.isEmpty())
        parts << QCoreApplication::translate("PdfReport", "USB serial number %1").arg(meter.serial);
    if (meter.vendor)
        parts << QCoreApplication::translate("PdfReport", "vendor %1")
                     .arg(*meter.vendor, 4, 16, QLatin1Char('0'));
    if (meter.product)
        parts << QCoreApplication::translate("PdfReport", "product %1")
                     .arg(*meter.product, 4, 16, QLatin1Char('0'));
    return parts.join(QStringLiteral(", "));
}

QString FactsHtml(const JudgedRows& table, const ReportFacts& facts)
{
    const auto line = [](const char* label, const QString& value) {
        return QCoreApplication::translate("PdfReport", label).arg(value.toHtmlEscaped());
    };
    const QString device =
        facts.device.isEmpty()
            ? QCoreApplication::translate("PdfReport", "none (no meter connected)")
            : facts.device;
    QStringList lines{line(QT_TRANSLATE_NOOP("PdfReport", "Date: %1"),
                           facts.when.toString(QStringLiteral("yyyy-MM-dd HH:mm")))};
    // Records read from a file did not come through the port, whatever is connected now.
    if (!facts.file.isEmpty())
        lines << line(QT_TRANSLATE_NOOP("PdfReport", "File: %1"), facts.file);
    else
        lines << line(QT_TRANSLATE_NOOP("PdfReport", "Device: %1"), device);
    if (facts.file.isEmpty() && facts.meter.IsKnown())
        lines << line(QT_TRANSLATE_NOOP("PdfReport", "Meter: %1"), MeterText(facts.meter));
    if (!facts.login.isEmpty())
        lines << line(QT_TRANSLATE_NOOP("PdfReport", "Operator: %1"), facts.login);
    if (!facts.note.isEmpty())
        lines << line(QT_TRANSLATE_NOOP("PdfReport", "Note: %1"), facts.note);
    lines << line(QT_TRANSLATE_NOOP("PdfReport", "Program: qx390d %1"), ProgramVersion());
    lines << QCoreApplication::translate("PdfReport", "Records: %1").arg(table.rows.size());
    return QStringLiteral("<p>") + lines.join(QStringLiteral("<br>")) + QStringLiteral("</p>");
}

} // namespace

QString ReportCell(const QString& text, const std::optional<Verdict>& verdict, const char* tag)
{
    const QString colour =
        verdict ? QStringLiteral(" bgcolor=\"%1\"").arg(VerdictColour(*verdict).name()) : QString();
    return QStringLiteral("<%1 align=\"center\"%2>%3</%1>")
        .arg(QString::fromLatin1(tag), colour, text.isEmpty() ? QStringLiteral("&nbsp;") : text);
}

QString VerdictSummaryHtml(const VerdictCounts& counts)
{
    QString html = QStringLiteral("<h2>%1</h2>")
                       .arg(QCoreApplication::translate("PdfReport", "Verdicts").toHtmlEscaped());
    if (counts.Judged() == 0)
        return html + QStringLiteral("<p>%1</p>")
                          .arg(QCoreApplication::translate(
                                   "PdfReport", "No verdicts: the threshold groups of these "
                                                "records were not known to the program.")
                                   .toHtmlEscaped());
    html += QStringLiteral("<p>%1</p><table border=\"1\" cellspacing=\"0\" cellpadding=\"4\"><tr>")
                .arg(VerdictSummaryText(counts).toHtmlEscaped());
    for (Verdict v : {Verdict::Pass, Verdict::Marginal, Verdict::Over, Verdict::Fail})
        html += ReportCell(
            QStringLiteral("%1<br>%2").arg(VerdictLabel(v).toHtmlEscaped()).arg(counts.Of(v)), v);
    return html + QStringLiteral("</tr></table>");
}

namespace {

QString RecordsHtml(const QStringList& headers, const JudgedRows& table, const ReportFacts& facts)
{
    QString html = QStringLiteral("<h2>%1</h2><table border=\"1\" cellspacing=\"0\" "
                                  "cellpadding=\"2\" width=\"100%\"><thead><tr>")
                       .arg(QCoreApplication::translate("PdfReport", "Records").toHtmlEscaped());
    // Shares of the width: "No.", the powers, the group, the date-time, the verdict.
    constexpr int kWidths[] = {6, 11, 11, 11, 11, 14, 23, 13};
    const auto header = [&kWidths](int c, const QString& text) {
        return QStringLiteral("<th align=\"center\" width=\"%1%\">%2</th>")
            .arg(kWidths[c])
            .arg(text.toHtmlEscaped());
    };
    for (int c = 0; c < headers.size(); ++c)
        html += header(c, ShownHeader(headers.value(c)));
    html += header(headers.size(), QCoreApplication::translate("PdfReport", "Verdict")) +
            QStringLiteral("</tr></thead>");
    for (qsizetype r = 0; r < table.rows.size(); ++r) {
        const RecordRow& row = table.rows[r];
        const RowVerdict& verdict = table.verdicts[r];
        html += QStringLiteral("<tr>");
        for (int c = 0; c < headers.size(); ++c) {
            const std::optional<Verdict> shade =
                IsPowerColumn(c) ? verdict.channels[static_cast<size_t>(c - kFirstPowerColumn)]
                                 : std::nullopt;
            html +=
                ReportCell(c == kGroupColumn ? GroupText(row, facts) : Escaped(row.Text(c)), shade);
        }
        html += verdict.record
                    ? ReportCell(VerdictLabel(*verdict.record).toHtmlEscaped(), verdict.record)
                    : ReportCell(QStringLiteral("&ndash;"));
        html += QStringLiteral("</tr>");
    }
    return html + QStringLiteral("</table>");
}

QString PlacesHtml(const TableTexts& places)
{
    if (places.rows.isEmpty())
        return QString();
    QString html =
        QStringLiteral("<h2>%1</h2><table border=\"1\" cellspacing=\"0\" "
                       "cellpadding=\"2\" width=\"100%\"><thead><tr>")
            .arg(QCoreApplication::translate("PdfReport", "Where measured").toHtmlEscaped());
    for (const QString& header : places.headers)
        html += ReportCell(header.toHtmlEscaped(), std::nullopt, "th");
    html += QStringLiteral("</tr></thead>");
    for (const QStringList& row : places.rows) {
        html += QStringLiteral("<tr>");
        for (const QString& text : row)
            html += ReportCell(text.toHtmlEscaped());
        html += QStringLiteral("</tr>");
    }
    return html + QStringLiteral("</table>");
}

QString GroupsHtml(const QStringList& headers, const JudgedRows& table,
                   const ThresholdTable& thresholds, const ReportFacts& facts)
{
    std::set<int> used;
    for (const RecordRow& row : table.rows) {
        if (row.group)
            used.insert(*row.group);
    }
    QString html =
        QStringLiteral("<h2>%1</h2>")
            .arg(QCoreApplication::translate("PdfReport", "Threshold groups used").toHtmlEscaped());
    if (used.empty())
        return html + QStringLiteral("<p>%1</p>")
                          .arg(QCoreApplication::translate(
                                   "PdfReport", "The records name no threshold group 1 to 3.")
                                   .toHtmlEscaped());
    for (int group : used) {
        if (!thresholds.IsKnown(group)) {
            html += QStringLiteral("<p>%1</p>")
                        .arg(QCoreApplication::translate(
                                 "PdfReport", "Group %1: limits not known (not downloaded in "
                                              "this session); its records have no verdict.")
                                 .arg(group)
                                 .toHtmlEscaped());
            continue;
        }
        const QString name = facts.groupNames[static_cast<size_t>(group - 1)].trimmed();
        const QString heading =
            name.isEmpty() || name == QString::number(group)
                ? QCoreApplication::translate("PdfReport", "Group %1 (dBm)").arg(group)
                : QCoreApplication::translate("PdfReport", "Group %1, %2 (dBm)")
                      .arg(group)
                      .arg(name);
        html += QStringLiteral("<p>%1</p><table border=\"1\" cellspacing=\"0\" "
                               "cellpadding=\"3\"><tr>")
                    .arg(heading.toHtmlEscaped());
        html += ReportCell(QString(), std::nullopt, "th");
        for (Verdict v : {Verdict::Over, Verdict::Pass, Verdict::Fail})
            html += ReportCell(VerdictLabel(v).toHtmlEscaped(), std::nullopt, "th");
        html += QStringLiteral("</tr>");
        for (int column = kFirstPowerColumn; column < kFirstPowerColumn + kPowerColumns; ++column) {
            const ChannelLimits limits = *LimitsFor(thresholds, group, column);
            html += QStringLiteral("<tr>") +
                    ReportCell(Escaped(ShownHeader(headers.value(column))), std::nullopt, "th");
            for (float limit : {limits.over, limits.pass, limits.fail})
                html += ReportCell(LimitText(limit));
            html += QStringLiteral("</tr>");
        }
        html += QStringLiteral("</table>");
    }
    return html;
}

} // namespace

std::optional<QByteArray> BuildPdfReport(const QStringList& headers, const JudgedTable& table,
                                         const ReportFacts& facts)
{
    // The rows come judged: every part below reads their verdicts, none judges again.
    const JudgedRows& judged = table.Judged();
    QString html = QStringLiteral("<html><body><h1>%1</h1>").arg(Title().toHtmlEscaped());
    html += FactsHtml(judged, facts);
    html += VerdictSummaryHtml(CountVerdicts(judged.verdicts));
    html += QStringLiteral("<h2>%1</h2><p>%2</p>")
                .arg(QCoreApplication::translate("PdfReport", "Power chart").toHtmlEscaped(),
                     kChartPlace);
    html += RecordsHtml(headers, judged, facts);
    html += PlacesHtml(facts.places);
    html += GroupsHtml(headers, judged, table.JudgedBy(), facts);
    html += QStringLiteral("</body></html>");
    return PrintReportHtml(html, Title(), table, facts.chart);
}

QString ReportChartPlace()
{
    return kChartPlace;
}

std::optional<QByteArray> PrintReportHtml(const QString& html, const QString& title,
                                          const JudgedTable& chartTable,
                                          std::optional<ChartChoice> choice)
{
    ChartObject chart(chartTable, choice);
    QTextDocument document;
    document.documentLayout()->registerHandler(kChartObject, &chart);
    document.setHtml(html);
    QTextCursor place = document.find(kChartPlace);
    if (place.isNull())
        return std::nullopt;
    QTextCharFormat object;
    object.setObjectType(kChartObject);
    place.insertText(QString(QChar::ObjectReplacementCharacter), object);

    QBuffer buffer;
    buffer.open(QIODevice::WriteOnly);
    {
        QPdfWriter writer(&buffer);
        // The document keeps margins of 2 cm itself when it prints.
        writer.setPageLayout(QPageLayout(QPageSize(QPageSize::A4), QPageLayout::Portrait,
                                         QMarginsF(0, 0, 0, 0), QPageLayout::Millimeter));
        writer.setTitle(title);
        writer.setCreator(QStringLiteral("qx390d ") + ProgramVersion());
        document.print(&writer);
    }
    if (buffer.data().isEmpty())
        return std::nullopt;
    return buffer.data();
}

void ExportRecordReport(const QStringList& headers, const JudgedTable& table,
                        const ReportFacts& facts, Prompter& prompter, FileDialogs& dialogs,
                        QWidget* owner, QString& exportPath)
{
    ExportFileAs(prompter, dialogs, owner, exportPath, pdfFilter(), {QStringLiteral(".pdf")},
                 [&](const QString&) { return BuildPdfReport(headers, table, facts); });
}

#include "PdfReport.moc"
