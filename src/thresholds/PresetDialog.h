#pragma once

#include "thresholds/ThresholdPreset.h"

#include <QDialog>
#include <optional>

class QComboBox;
class QDoubleSpinBox;
class QLabel;
class QSpinBox;
class Prompter;
class ThresholdsPage;

// "Apply Threshold Preset...": the operator picks a preset, the group (1 to 3) and the
// margin, and reads the limits it gives and their sources before they go to the page.
class PresetDialog : public QDialog
{
    Q_OBJECT

public:
    PresetDialog(QList<ThresholdPreset> presets, int group, QWidget* parent = nullptr);

    const ThresholdPreset& Preset() const;
    int Group() const;
    // Nothing for an operator's own preset, whose Pass limits stay as saved.
    std::optional<float> Margin() const;
    // The limits and sources shown, as the page will be given them.
    QString Preview() const;
    // Adds a preset just saved, and selects it.
    void AddPreset(const ThresholdPreset& preset);

Q_SIGNALS:
    // "Save Group as Preset...": the operator wants group Group() kept as a preset.
    void SaveRequested();

private:
    void Update();

    QList<ThresholdPreset> presets_;
    QComboBox* preset_;
    QSpinBox* group_;
    QDoubleSpinBox* margin_;
    QLabel* preview_;
};

// The whole command on the threshold page: the dialog over the presets found from the
// program's folder; Apply fills the page's cells, Save keeps a group of the page as the
// operator's own preset.
void RunPresetDialog(ThresholdsPage& page, Prompter& prompter, const QString& programDir);
