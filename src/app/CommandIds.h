#pragma once

// Command ids of the main window's menus and toolbar. They stay the meter program's own
// numbers: the enabling rules and the operator documentation refer to them.
namespace Cmd {
inline constexpr int Save = 1003;
inline constexpr int Open = 1026;
inline constexpr int Connect = 32783;
inline constexpr int Disconnect = 32822;
inline constexpr int DownloadData = 32797;
inline constexpr int DownloadThreshold = 32798;
inline constexpr int UploadThreshold = 32801;
inline constexpr int DeleteCurrentData = 32802;
inline constexpr int DeleteAllData = 32805;
inline constexpr int Exit = 57665;
inline constexpr int ToggleToolbar = 59392;
inline constexpr int About = 57664;
inline constexpr int Help = 57670;
// This program's own addition: File/Export as Excel Workbook, enabled with Save.
inline constexpr int ExportWorkbook = 32900;
// The threshold page's file commands, added after the meter's own Manage items.
inline constexpr int SaveThresholdFile = 32901;
inline constexpr int LoadThresholdFile = 32902;
// File/Export Report (PDF), enabled with Save; View/Power Chart, always enabled.
inline constexpr int ExportReport = 32903;
inline constexpr int PowerChart = 32904;
// File/Apply Threshold Preset..., enabled on the threshold page like its file commands.
inline constexpr int ApplyThresholdPreset = 32905;
// View/Archive... and View/Archive Settings..., enabled once the program's archive is attached.
inline constexpr int Archive = 32910;
inline constexpr int ArchiveSettings = 32911;
// Manage/Assign Job..., after the meter's own items: the selected rows of the last download
// or import, served by the program's archive (disabled without one).
inline constexpr int AssignJob = 32912;
} // namespace Cmd

// Tabs of the main view, in tab order.
enum ViewTab : int { DataTab = 0, ThresholdTab = 1, CalibrationTab = 2 };
