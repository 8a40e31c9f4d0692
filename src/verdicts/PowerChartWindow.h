#pragma once

#include "verdicts/PowerChart.h"

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
inline const QString chartImageFilter = QStringLiteral("PNG Image (*.png);;SVG Image (*.svg)");

// View/Power Chart: the record table's powers by record number, with the limit lines of
// the group and channel chosen at the top. It follows the table and the known limits as
// they change, and saves what it shows as a PNG or SVG image.
class PowerChartWindow : public QWidget
{
    Q_OBJECT

public:
    PowerChartWindow(const QAbstractItemModel& table, const KnownLimits& limits, Prompter& prompter,
                     FileDialogs& dialogs, QWidget* parent = nullptr);

    PowerChart* Chart() const { return chart_; }
    QComboBox* GroupChoice() const { return groupChoice_; }
    QComboBox* ChannelChoice() const { return channelChoice_; }
    QPushButton* SaveButton() const { return saveButton_; }

    // Asks for a file and writes the chart there, PNG unless the name ends in ".svg".
    void OnSaveImage();
    // The image as written to `path`: SVG when it ends in ".svg", else PNG.
    std::optional<QByteArray> ImageFile(const QString& path) const;

private:
    // Changes come in bursts (a download sets a row's cells one by one): redraw once after.
    void Schedule() { redraw_.start(); }
    void Redraw();

    const QAbstractItemModel& table_;
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
