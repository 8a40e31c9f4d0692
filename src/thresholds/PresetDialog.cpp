#include "thresholds/PresetDialog.h"

#include "common/Prompter.h"
#include "thresholds/ThresholdFile.h"
#include "thresholds/ThresholdsPage.h"

#include <QComboBox>
#include <QDialogButtonBox>
#include <QDir>
#include <QDoubleSpinBox>
#include <QFormLayout>
#include <QInputDialog>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSpinBox>
#include <QVBoxLayout>

PresetDialog::PresetDialog(QList<ThresholdPreset> presets, int group, QWidget* parent)
    : QDialog(parent), presets_(std::move(presets)), preset_(new QComboBox(this)),
      group_(new QSpinBox(this)), margin_(new QDoubleSpinBox(this)), preview_(new QLabel(this))
{
    setWindowTitle(tr("Apply Threshold Preset"));
    for (const ThresholdPreset& preset : std::as_const(presets_))
        preset_->addItem(preset.title.isEmpty() ? preset.name : preset.title);
    group_->setRange(1, ThresholdTable::kGroups);
    group_->setValue(group);
    margin_->setRange(0.0, 30.0);
    margin_->setSingleStep(0.5);
    margin_->setDecimals(1);
    margin_->setSuffix(QStringLiteral(" dB"));
    margin_->setValue(kDefaultPresetMargin);
    preview_->setWordWrap(true);
    preview_->setTextInteractionFlags(Qt::TextSelectableByMouse);
    preview_->setMinimumWidth(520);

    auto* form = new QFormLayout;
    form->addRow(tr("Preset:"), preset_);
    form->addRow(tr("Group:"), group_);
    form->addRow(tr("Pass margin:"), margin_);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    buttons->button(QDialogButtonBox::Ok)->setText(tr("Apply to the Page"));
    buttons->button(QDialogButtonBox::Ok)->setEnabled(!presets_.isEmpty());
    QPushButton* save =
        buttons->addButton(tr("Save Group as Preset..."), QDialogButtonBox::ActionRole);
    connect(save, &QPushButton::clicked, this, &PresetDialog::SaveRequested);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(form);
    layout->addWidget(preview_);
    layout->addWidget(buttons);

    connect(preset_, &QComboBox::currentIndexChanged, this, &PresetDialog::Update);
    connect(group_, &QSpinBox::valueChanged, this, &PresetDialog::Update);
    connect(margin_, &QDoubleSpinBox::valueChanged, this, &PresetDialog::Update);
    Update();
}

const ThresholdPreset& PresetDialog::Preset() const
{
    return presets_[qMax(0, preset_->currentIndex())];
}

int PresetDialog::Group() const
{
    return group_->value();
}

std::optional<float> PresetDialog::Margin() const
{
    if (presets_.isEmpty() || !Preset().margin)
        return std::nullopt;
    return static_cast<float>(margin_->value());
}

QString PresetDialog::Preview() const
{
    if (presets_.isEmpty())
        return tr("No preset was found.");
    const ThresholdPreset& preset = Preset();
    const ThresholdGroup applied = AppliedPreset(ThresholdGroup{}, preset, Margin());
    QStringList lines;
    for (const PresetChannel& c : preset.channels) {
        const auto first = static_cast<size_t>(c.channel * 3);
        lines << tr("%1: Over %2, Pass %3, Fail %4 dBm\n    source: %5")
                     .arg(ChannelName(c.channel * 3), LimitText(applied.limits[first]),
                          LimitText(applied.limits[first + 1]),
                          LimitText(applied.limits[first + 2]), c.source);
    }
    lines << tr("The other channels of group %1 keep their limits. The meter gets the "
                "limits only with UpLoad Threshold.")
                 .arg(Group());
    if (!preset.rule.isEmpty())
        lines << tr("Rule: %1").arg(preset.rule);
    return lines.join(QLatin1Char('\n'));
}

void PresetDialog::AddPreset(const ThresholdPreset& preset)
{
    presets_.append(preset);
    preset_->addItem(preset.title.isEmpty() ? preset.name : preset.title);
    preset_->setCurrentIndex(preset_->count() - 1);
}

void PresetDialog::Update()
{
    margin_->setEnabled(!presets_.isEmpty() && Preset().margin.has_value());
    preview_->setText(Preview());
}

void RunPresetDialog(ThresholdsPage& page, Prompter& prompter, const QString& programDir)
{
    QStringList errors;
    PresetDialog dialog(ListPresets(PresetFolders(programDir), &errors), 1, &page);
    if (!errors.isEmpty())
        prompter.Notify(&page,
                        PresetDialog::tr("Some presets cannot be read:\n%1")
                            .arg(errors.join(QLatin1Char('\n'))),
                        Prompter::Icon::Warning);
    QObject::connect(&dialog, &PresetDialog::SaveRequested, &dialog, [&] {
        const std::optional<ThresholdGroup> limits = page.CellLimits(dialog.Group());
        if (!limits) {
            prompter.Notify(&dialog,
                            PresetDialog::tr("Group %1 has a cell without a number; fill it "
                                             "first.")
                                .arg(dialog.Group()),
                            Prompter::Icon::Warning);
            return;
        }
        bool ok = false;
        const QString name = QInputDialog::getText(
            &dialog, PresetDialog::tr("Save Group as Preset"),
            PresetDialog::tr("Name of the preset (letters, digits, '.', '_', '-'):"),
            QLineEdit::Normal, {}, &ok);
        if (!ok || name.isEmpty())
            return;
        QString error;
        if (!SaveOwnPreset(name, name, *limits, &error)) {
            prompter.Notify(&dialog, error, Prompter::Icon::Warning);
            return;
        }
        if (std::optional<ThresholdPreset> saved = ReadPreset(
                QDir(OwnPresetFolder()).filePath(name + QStringLiteral(".json")), &error))
            dialog.AddPreset(*saved);
    });
    if (dialog.exec() != QDialog::Accepted)
        return;
    page.ApplyPreset(dialog.Preset(), dialog.Group(), dialog.Margin());
}
