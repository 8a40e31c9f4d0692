#pragma once

#include "common/TabPage.h"
#include "link/MeterMessage.h"
#include "thresholds/ThresholdTable.h"

#include <array>
#include <optional>

class DeviceLink;
class FileDialogs;
class Prompter;
class QLineEdit;
class QTableWidget;
struct ThresholdPreset;

// The "Threshold Setting" page: the three threshold groups as a grid of cells under a
// two-level header, the checks of every change to a limit, and the page's side of the
// threshold download and upload with the meter.
class ThresholdsPage : public TabPage, public MeterMessageTarget
{
    Q_OBJECT

public:
    // Columns of a row: the group number, the twelve limits in the order the frames carry
    // them (1310, 1490, 1577, 1270 nm; each Over, Pass, Fail), then the name field.
    static constexpr int kNumberColumn = 0;
    static constexpr int kFirstLimitColumn = 1;
    static constexpr int kNameColumn = 13;
    static constexpr int kColumns = 14;

    ThresholdsPage(DeviceLink& link, Prompter& prompter, QWidget* parent = nullptr);

    // The cell of `group` (1 to 3) in `column` (as above).
    QLineEdit* Cell(int group, int column) const;
    QTableWidget* UpperHeader() const { return upperHeader_; }
    QTableWidget* LowerHeader() const { return lowerHeader_; }
    const ThresholdTable& Table() const { return table_; }

    // A threshold answer, part 1 to 3, with its frame copy.
    void OnThresholdPart(int part, const QByteArray& copy);
    // "UpLoad Threshold": asks, checks every group, then sends part 1 of group 1.
    void OnUploadStart();
    // Sends part `part` of `group`, built from the cells as they stand now.
    void OnUploadPart(int part, int group);

    // "Save Thresholds to File...": every limit cell must hold a number; the limits and the
    // names as the grid shows them go to the chosen file.
    void SaveToFile(FileDialogs& dialogs);
    // "Load Thresholds from File...": a file that passes its checks fills the limit and name
    // cells, each limit through the cell's own check; any other file changes nothing.
    void LoadFromFile(FileDialogs& dialogs);

    // Fills the cells of `group` (1 to 3) for the preset's channels, as typing would (the
    // others keep theirs); the meter has them only once the operator uploads. With a
    // margin, a standard preset's Pass limits follow it.
    void ApplyPreset(const ThresholdPreset& preset, int group, std::optional<float> margin);
    // The limits of `group` as its cells hold them; nothing while a cell holds no number.
    std::optional<ThresholdGroup> CellLimits(int group) const;

    // The threshold answers and the upload's steps; the rest is meant for other pages.
    void OnMeterMessage(const MeterMessage& message) override;

Q_SIGNALS:
    // New limits are in use: the page's table took a downloaded part or an upload frame
    // (`limits` is the table), or a threshold file was loaded (`limits` holds its groups).
    void ThresholdsChanged(const ThresholdTable& limits);

private:
    void BuildHeaders();
    void BuildGrid();
    void OnCellChanged(QLineEdit* cell);
    // Marks a channel's three cells whose limits are out of order (colour and tooltip).
    void MarkLimitOrder(int group, int channel);
    void SetCellText(QLineEdit* cell, const QString& text);
    bool IsGroupComplete(int group);

    DeviceLink& link_;
    Prompter& prompter_;
    ThresholdTable table_;
    QTableWidget* upperHeader_;
    QTableWidget* lowerHeader_;
    std::array<std::array<QLineEdit*, kColumns>, ThresholdTable::kGroups> cells_{};
};
