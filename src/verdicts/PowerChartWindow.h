#pragma once

#include "verdicts/PowerChart.h"

#include <QCoreApplication>
#include <QTimer>
#include <QWidget>

class FileDialogs;
class KnownLimits;
class Prompter;
class QChartView;
class QComboBox;
class QAbstractItemModel;
class QPushButton;

// Filter of the chart's save dialog: the name's extension chooses the format.
inline QString chartImageFilter()
{
    return QCoreApplication::translate("PowerChartWindow", "PNG Image (*.png);;SVG Image (*.svg)");
}

// View/Power Chart: the record table's powers by record number, the channel chosen at the
// top with the limit lines of the group chosen beside it, or all channels without limit
// lines. It follows the table and the known limits as they change, saves what it shows as
// a PNG or SVG image, and closes with Escape or Ctrl+W.
class PowerChartWindow : public QWidget
{
    Q_OBJECT

public:
    // `table` tells of changes; `judged` is the same table's rows with their verdicts.
    PowerChartWindow(const QAbstractItemModel& table, const JudgedTable& judged,
                     const KnownLimits& limits, Prompter& prompter, FileDialogs& dialogs,
                     QWidget* parent = nullptr);

    PowerChart* Chart() const { return chart_; }
    QComboBox* GroupChoice() const { return groupChoice_; }
    QComboBox* ChannelChoice() const { return channelChoice_; }
    QPushButton* SaveButton() const { return saveButton_; }
    // What the chart shows now; the report draws the same while the window is open.
    PowerChart::Choice CurrentChoice() const;

    // Asks for a file and writes the chart there, PNG unless the name ends in ".svg".
    void OnSaveImage();
    // The image as written to `path`: SVG when it ends in ".svg", else PNG.
    std::optional<QByteArray> ImageFile(const QString& path) const;

private:
    // Changes come in bursts (a download adds a row per record): the chart is redrawn at
    // most once per display frame while they last, and once after the last.
    void Schedule()
    {
        if (!redraw_.isActive())
            redraw_.start();
    }
    void Redraw();

    const JudgedTable& judged_;
    const KnownLimits& limits_;
    Prompter& prompter_;
    FileDialogs& dialogs_;
    QString exportPath_;
    PowerChart* chart_;
    QChartView* view_;
    QComboBox* groupChoice_;
    QComboBox* channelChoice_;
    QPushButton* saveButton_;
    QTimer redraw_;
    // The group follows the records until the operator picks one.
    bool groupChosen_ = false;
};
