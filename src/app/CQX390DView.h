#pragma once

#include "app/CommandEnabling.h"

#include <QWidget>

class CAdjustWin;
class CDownLoadWin;
class CPowerChartWin;
class CSetThrWin;
class FileDialogs;
class Prompter;
class QTabWidget;

// The main view: the three working pages in one tab control. It decides which page
// receives the meter's answers and which commands are enabled, and hands File/Open,
// File/Save, File/Export as Excel Workbook and File/Export Report (PDF) to the data page.
// It passes the threshold page's limits on to the data page, which judges its records by
// them, and opens the power chart of the data page's table.
class CQX390DView : public QWidget
{
    Q_OBJECT

public:
    CQX390DView(Prompter& prompter, FileDialogs& dialogs, QWidget* parent = nullptr);

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

    int CurrentTab() const { return currentTab_; }
    ViewFlags Flags() const { return flags_; }
    QTabWidget* TabControl() const { return tabControl_; }
    CDownLoadWin* DataPage() const { return dataPage_; }
    CSetThrWin* ThresholdPage() const { return thresholdPage_; }
    CAdjustWin* CalibrationPage() const { return calibrationPage_; }
    // Nothing until the chart was first opened.
    CPowerChartWin* PowerChartWindow() const { return powerChart_; }

private:
    void OnTabChanged(int index);
    QObject* Page(TargetPage page) const;

    Prompter& prompter_;
    FileDialogs& dialogs_;
    QTabWidget* tabControl_;
    // Created in this order, as the pages have always been.
    CDownLoadWin* dataPage_;
    CAdjustWin* calibrationPage_;
    CSetThrWin* thresholdPage_;
    CPowerChartWin* powerChart_ = nullptr;
    ViewFlags flags_;
    int currentTab_ = DataTab;
};
