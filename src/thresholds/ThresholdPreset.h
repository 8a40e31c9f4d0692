#pragma once

#include "thresholds/ThresholdTable.h"

#include <QByteArray>
#include <QList>
#include <QString>
#include <QStringList>
#include <optional>

// A threshold preset: the limits of one group for the channels it has figures for, each
// with the place its figures come from. A preset file holds one group entry of a threshold
// file at its top level, with a title, the rule its limits follow and a source per channel:
//
//   {"version": 1, "title": "GPON class B+ (ITU-T G.984.2)", "rule": "...", "margin": 3,
//    "OLT:1490nm": {"Over": -8, "Pass": -24, "Fail": -27, "source": "ITU-T G.984.2 ..."}}
//
// The rule: for a receiver channel Over is the overload, Fail the sensitivity; for a
// transmitter channel Over is the maximum and Fail the minimum mean launch power; in both
// Pass is Fail plus a margin, at most Over. "margin" is the margin the file's Pass limits
// were made with; a file without one (an operator's own) keeps its Pass limits as they are.
// The preset's name is the file's name without ".json".
struct PresetChannel
{
    int channel = 0; // 0..3: ONT:1310nm, OLT:1490nm, OLT:1577nm, ONT:1270nm
    float over = 0.0f;
    float pass = 0.0f;
    float fail = 0.0f;
    QString source;
};

struct ThresholdPreset
{
    QString name;
    QString title;
    QString rule;
    std::optional<float> margin;
    QList<PresetChannel> channels;
    QString path; // the file it was read from
};

inline constexpr float kDefaultPresetMargin = 3.0f;

// Pass by the rule: Fail plus `margin`, at most Over.
float PresetPass(float over, float fail, float margin);

std::optional<ThresholdPreset> ParsePreset(const QByteArray& json, const QString& name,
                                           QString* error);
std::optional<ThresholdPreset> ReadPreset(const QString& path, QString* error);
QByteArray PresetJson(const ThresholdPreset& preset);

// Where presets are looked for, first found first: the operator's own
// (~/.local/share/QX390D/presets), then the shipped ones beside the program (the build
// tree, or share/qx390d/presets relative to an installed program), then in the install
// prefix.
QStringList PresetFolders(const QString& programDir);
QString OwnPresetFolder();
// Every preset in `folders`, by name; a name found twice is taken from the first folder.
// A file that cannot be read is left out and named in `errors`.
QList<ThresholdPreset> ListPresets(const QStringList& folders, QStringList* errors = nullptr);

// The limits a preset gives a group: its channels changed, the others as they were. With a
// margin, a standard preset's Pass limits follow the rule with it; an own preset's stay.
ThresholdGroup AppliedPreset(const ThresholdGroup& group, const ThresholdPreset& preset,
                             std::optional<float> margin);

// Saves a group's limits as the operator's own preset `name` in OwnPresetFolder(); every
// channel comes with the source "own limits saved on DATE".
bool SaveOwnPreset(const QString& name, const QString& title, const ThresholdGroup& group,
                   QString* error);

// A channel's limits out of order (Over below Pass, or Fail above Pass): how the order
// stands ("Over -30 is below Pass -24"), empty when in order.
QString LimitOrderProblem(float over, float pass, float fail);
// The same for each channel of a group that is out of order: "ONT:1310nm: Over ... ".
QStringList OutOfOrderChannels(const ThresholdGroup& group);
