#pragma once

#include "archive/data/ArchiveTypes.h"

#include <QByteArray>
#include <QCoreApplication>
#include <QRectF>
#include <QWidget>
#include <optional>

class FileDialogs;
class Prompter;
class QChart;
class QChartView;
class QComboBox;
class QPainter;
class QPushButton;
class QTableWidget;

// Filter of the history's save dialog: the name's extension chooses the format.
inline QString historyFileFilter()
{
    return QCoreApplication::translate("OntHistoryWindow",
                                       "PNG Image (*.png);;PDF Document (*.pdf)");
}

// ONT History...: every archived record of one ONT, its powers by measurement date-time
// (all four channels, or one with the Over, Pass and Fail lines of the group its records
// name when they name one), each reading on a disc of its verdict's colour and LOW readings
// marked at the foot; the records beneath, oldest first. Saved as a PNG image of the chart
// or a PDF document of the chart and the table.
class OntHistoryWindow : public QWidget
{
    Q_OBJECT

public:
    OntHistoryWindow(const QString& ont, const QList<ArchivedRecord>& records, Prompter& prompter,
                     FileDialogs& dialogs, QWidget* parent = nullptr);

    QChart* Chart() const { return chart_; }
    QComboBox* ChannelChoice() const { return channelChoice_; }
    QTableWidget* Table() const { return table_; }
    QPushButton* SaveButton() const { return saveButton_; }

    void OnSave();
    // The file as written to `path`: a PDF document when it ends in ".pdf", else a PNG image.
    std::optional<QByteArray> File(const QString& path) const;

private:
    void Redraw();
    // The chart as chosen, drawn into `chart`.
    void Draw(QChart& chart) const;
    // A chart of its own laid out at the saved size, drawn into `target` (vector graphics on
    // a PDF page).
    void Render(QPainter& painter, const QRectF& target) const;
    void FillTable();
    std::optional<QByteArray> Pdf() const;

    QString ont_;
    QList<ArchivedRecord> records_; // oldest first
    Prompter& prompter_;
    FileDialogs& dialogs_;
    QString exportPath_;
    QChart* chart_;
    QChartView* view_;
    QComboBox* channelChoice_;
    QTableWidget* table_;
    QPushButton* saveButton_;
};
