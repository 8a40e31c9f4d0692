#include "app/MainView.h"

#include "app/HelpFile.h"
#include "calibration/CalibrationPage.h"
#include "link/DeviceLink.h"
#include "link/LinkState.h"
#include "records/RecordsPage.h"
#include "thresholds/ThresholdsPage.h"
#include "verdicts/PowerChartWindow.h"

#include <QCoreApplication>
#include <QDesktopServices>
#include <QSignalBlocker>
#include <QTabBar>
#include <QTabWidget>
#include <QUrl>
#include <QVBoxLayout>

namespace {

// Every tab is 150 by 30 pixels, whatever its label.
class FixedTabBar : public QTabBar
{
public:
    using QTabBar::QTabBar;

protected:
    QSize tabSizeHint(int) const override { return {150, 30}; }
    QSize minimumTabSizeHint(int index) const override { return tabSizeHint(index); }
};

class PageTabs : public QTabWidget
{
public:
    explicit PageTabs(QWidget* parent) : QTabWidget(parent) { setTabBar(new FixedTabBar(this)); }
};

LinkSnapshot CurrentLink()
{
    return {linkConnected != 0, downloadBusy != 0, storedRecordCount};
}

} // namespace

MainView::MainView(Prompter& prompter, FileDialogs& dialogs, QWidget* parent)
    : QWidget(parent), prompter_(prompter), dialogs_(dialogs), tabControl_(new PageTabs(this)),
      recordsPage_(new RecordsPage(prompter, dialogs, tabControl_)),
      calibrationPage_(new CalibrationPage(prompter, tabControl_)),
      thresholdsPage_(new ThresholdsPage(prompter, tabControl_))
{
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(tabControl_);

    tabControl_->addTab(recordsPage_, QStringLiteral("DownLoad Data"));
    tabControl_->addTab(thresholdsPage_, QStringLiteral("Threshold Setting"));
    tabControl_->addTab(calibrationPage_, QStringLiteral("Calibration"));
    tabControl_->setCurrentIndex(DataTab);
    connect(tabControl_, &QTabWidget::currentChanged, this, &MainView::OnTabChanged);
    connect(thresholdsPage_, &ThresholdsPage::ThresholdsChanged, &recordsPage_->Limits(),
            &KnownLimits::Take);
}

QObject* MainView::Page(TargetPage page) const
{
    switch (page) {
    case TargetPage::Data:
        return recordsPage_;
    case TargetPage::Threshold:
        return thresholdsPage_;
    case TargetPage::Calibration:
        break;
    }
    return calibrationPage_;
}

void MainView::OnTabChanged(int index)
{
    DeviceLink* link = DeviceLink::Instance();
    const TabChange change = ChangeTab(index, currentTab_, CurrentLink(), flags_);
    if (change.index != index) {
        // Springs back without reporting a second change.
        const QSignalBlocker quiet(tabControl_);
        tabControl_->setCurrentIndex(change.index);
    }
    currentTab_ = change.index;
    flags_ = change.flags;
    link->targetWindow = Page(change.target);
}

EnablingPass MainView::UpdateCommandStates()
{
    // The first pass after start-up is what creates the link.
    DeviceLink* link = DeviceLink::Instance();
    const EnablingPass pass =
        RunEnablingPass(CurrentLink(), tabControl_->currentIndex(), currentTab_, flags_);
    flags_ = pass.flags;
    if (pass.target)
        link->targetWindow = Page(*pass.target);
    return pass;
}

void MainView::OnFileOpen()
{
    recordsPage_->OnImportSheet();
}

void MainView::OnFileSave()
{
    recordsPage_->OnExportCsv();
}

void MainView::OnFileExportWorkbook()
{
    recordsPage_->OnExportWorkbook();
}

void MainView::OnFileExportReport()
{
    recordsPage_->OnExportReport();
}

void MainView::OnViewPowerChart()
{
    if (!powerChart_)
        powerChart_ = new PowerChartWindow(recordsPage_->Table(), recordsPage_->Limits(), prompter_,
                                           dialogs_, this);
    powerChart_->show();
    powerChart_->raise();
    powerChart_->activateWindow();
}

void MainView::OnHelp()
{
    const QString path = HelpFilePath(QCoreApplication::applicationDirPath());
    QDesktopServices::openUrl(QUrl::fromLocalFile(path));
}

void MainView::OnSaveThresholds()
{
    thresholdsPage_->SaveToFile(dialogs_);
}

void MainView::OnLoadThresholds()
{
    thresholdsPage_->LoadFromFile(dialogs_);
}
