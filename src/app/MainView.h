#pragma once

#include "app/CommandEnabling.h"
#include "verdicts/ChartPlan.h"

#include <QWidget>

class CalibrationPage;
class DeviceLink;
class RecordsPage;
class PowerChartWindow;
class ThresholdsPage;
class FileDialogs;
class Prompter;
class QTabWidget;

// The main view: the three working pages in one tab control. It decides which page
// receives the meter's answers and which commands are enabled, and hands File/Open,
// File/Save, File/Export as Excel Workbook and File/Export Report (PDF) to the data page.
// It passes the threshold page's limits on to the data page, which judges its records by
// them, and opens the power chart of the data page's table.
class MainView : public QWidget
{
    Q_OBJECT

public:
    MainView(DeviceLink& link, Prompter& prompter, FileDialogs& dialogs, QWidget* parent = nullptr);

    // Runs the enabling rules in toolbar order, keeps their effect on the flags and on the
    // link's target page, and returns the states for the commands.
    EnablingPass UpdateCommandStates();

    void OnFileOpen();
    void OnFileSave();
    void OnFileExportWorkbook();
    void OnFileExportReport();
    // Shows the power chart window, made at the first call.
    void OnViewPowerChart();
    // Opens the help found from the executable's directory with the desktop's programs
    // (OpenHelp): the .chm with a CHM viewer, else the web page; else says so.
    void OnHelp();
    // The threshold page's file commands of the Manage menu.
    void OnSaveThresholds();
    void OnLoadThresholds();
    // File/Apply Threshold Preset...: a preset's limits into a group of the threshold page.
    void OnApplyPreset();

    int CurrentTab() const { return currentTab_; }
    ViewFlags Flags() const { return flags_; }
    QTabWidget* TabControl() const { return tabControl_; }
    RecordsPage* Records() const { return recordsPage_; }
    ThresholdsPage* Thresholds() const { return thresholdsPage_; }
    CalibrationPage* Calibration() const { return calibrationPage_; }
    // Nothing until the chart was first opened.
    PowerChartWindow* ChartWindow() const { return powerChart_; }
    // What the report's chart shows: the chart window's choice while it is open; nothing
    // (the report's own default) otherwise.
    std::optional<ChartChoice> ReportChartChoice() const;

private:
    void OnTabChanged(int index);
    // Makes the page of `page` the one the link hands the meter's answers to.
    void Target(TargetPage page);

    DeviceLink& link_;
    Prompter& prompter_;
    FileDialogs& dialogs_;
    QTabWidget* tabControl_;
    // Created in this order, as the pages have always been.
    RecordsPage* recordsPage_;
    CalibrationPage* calibrationPage_;
    ThresholdsPage* thresholdsPage_;
    PowerChartWindow* powerChart_ = nullptr;
    ViewFlags flags_;
    int currentTab_ = DataTab;
};
