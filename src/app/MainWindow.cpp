#include "app/MainWindow.h"

#include "app/AboutDialog.h"
#include "app/CommandIds.h"
#include "app/MainView.h"
#include "app/ToolbarIcons.h"
#include "app/WindowPlacement.h"
#include "common/Prompter.h"
#include "link/ConnectionCommands.h"
#include "link/DeviceLink.h"

#include <QAction>
#include <QCloseEvent>
#include <QGuiApplication>
#include <QLayout>
#include <QMenuBar>
#include <QScreen>
#include <QScrollArea>
#include <QShortcut>
#include <QTabWidget>
#include <QToolBar>

namespace {

// Toolbar buttons left to right with their tooltips (translated where they are set); 0
// stands for a separator.
struct ToolButton
{
    int id;
    const char* toolTip;
};
constexpr ToolButton kToolButtons[] = {
    {Cmd::Save, QT_TRANSLATE_NOOP("MainWindow", "Save")},
    {Cmd::Open, QT_TRANSLATE_NOOP("MainWindow", "Open")},
    {0, nullptr},
    {Cmd::Connect, QT_TRANSLATE_NOOP("MainWindow", "Connect PON power meter...")},
    {Cmd::Disconnect, QT_TRANSLATE_NOOP("MainWindow", "Disconnected")},
    {0, nullptr},
    {Cmd::DownloadData, QT_TRANSLATE_NOOP("MainWindow", "DownLoad Data to PC")},
    {Cmd::DeleteCurrentData, QT_TRANSLATE_NOOP("MainWindow", "Delete current data")},
    {Cmd::DeleteAllData, QT_TRANSLATE_NOOP("MainWindow", "Delete all data")},
    {0, nullptr},
    {Cmd::DownloadThreshold, QT_TRANSLATE_NOOP("MainWindow", "DownLoad threshold to PC")},
    {Cmd::UploadThreshold, QT_TRANSLATE_NOOP("MainWindow", "Set threshold")},
};

} // namespace

MainWindow::MainWindow(DeviceLink& link, Prompter& prompter, FileDialogs& dialogs, QWidget* parent)
    : QMainWindow(parent), prompter_(prompter), view_(new MainView(link, prompter, dialogs, this)),
      toolBar_(new QToolBar(this))
{
    // Caption, system menu and minimise box only: the frame is neither sized nor maximised.
    setWindowFlags(Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                   Qt::WindowSystemMenuHint | Qt::WindowMinimizeButtonHint |
                   Qt::WindowCloseButtonHint);
    setWindowTitle(mainTitle());
    setWindowIcon(ApplicationIcon());
    setFixedSize(windowSize);
    if (const QScreen* screen = QGuiApplication::primaryScreen())
        move(CentredOrigin(screen->geometry().size(), windowSize));

    setCentralWidget(view_);
    BuildMenus();
    BuildToolBar();

    connect(Action(Cmd::Open), &QAction::triggered, view_, &MainView::OnFileOpen);
    connect(Action(Cmd::Save), &QAction::triggered, view_, &MainView::OnFileSave);
    connect(Action(Cmd::ExportWorkbook), &QAction::triggered, view_,
            &MainView::OnFileExportWorkbook);
    connect(Action(Cmd::ExportReport), &QAction::triggered, view_, &MainView::OnFileExportReport);
    // Not among the enabling rules: the workbook and report exports are allowed exactly
    // when Save is.
    for (int id : {Cmd::ExportWorkbook, Cmd::ExportReport})
        connect(Action(Cmd::Save), &QAction::enabledChanged, Action(id), &QAction::setEnabled);
    connect(Action(Cmd::PowerChart), &QAction::triggered, view_, &MainView::OnViewPowerChart);
    connect(Action(Cmd::Help), &QAction::triggered, view_, &MainView::OnHelp);
    // F1, the desktop's help key, as a window shortcut: the menu item stays as it is.
    connect(new QShortcut(QKeySequence(Qt::Key_F1), this), &QShortcut::activated, view_,
            &MainView::OnHelp);
    connect(Action(Cmd::About), &QAction::triggered, this, &MainWindow::OnAbout);
    connect(Action(Cmd::Exit), &QAction::triggered, this, &QWidget::close);
    connect(Action(Cmd::SaveThresholdFile), &QAction::triggered, view_,
            &MainView::OnSaveThresholds);
    connect(Action(Cmd::LoadThresholdFile), &QAction::triggered, view_,
            &MainView::OnLoadThresholds);
    connect(Action(Cmd::ApplyThresholdPreset), &QAction::triggered, view_,
            &MainView::OnApplyPreset);

    UpdateActions();
    connect(&link.State(), &LinkState::Changed, this, &MainWindow::UpdateActions);
    // After the view has accepted or refused the change.
    connect(view_->TabControl(), &QTabWidget::currentChanged, this, &MainWindow::UpdateActions);
}

QAction* MainWindow::AddCommand(QMenu* menu, int id, const QString& text)
{
    auto* action = menu->addAction(text);
    action->setData(id);
    actions_.insert(id, action);
    return action;
}

void MainWindow::BuildMenus()
{
    QMenu* file = menuBar()->addMenu(tr("&File"));
    AddCommand(file, Cmd::Open, tr("&Open..."))->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_O));
    AddCommand(file, Cmd::Save, tr("&Save"))->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_S));
    AddCommand(file, Cmd::ExportWorkbook, tr("Export as Excel Workbook..."));
    AddCommand(file, Cmd::ExportReport, tr("Export Report (PDF)..."));
    AddCommand(file, Cmd::ApplyThresholdPreset, tr("Apply Threshold Preset..."));
    file->addSeparator();
    AddCommand(file, Cmd::Exit, tr("E&xit"));

    QMenu* view = menuBar()->addMenu(tr("&View"));
    QAction* tool = toolBar_->toggleViewAction();
    tool->setText(tr("&Tool"));
    tool->setData(Cmd::ToggleToolbar);
    view->addAction(tool);
    actions_.insert(Cmd::ToggleToolbar, tool);
    AddCommand(view, Cmd::PowerChart, tr("Power Chart"));
    view->addSeparator();
    // Served by the program's archive (ProgramArchive::Attach), which enables them.
    AddCommand(view, Cmd::Archive, tr("Archive..."))->setEnabled(false);
    AddCommand(view, Cmd::ArchiveSettings, tr("Archive Settings..."))->setEnabled(false);

    QMenu* manage = menuBar()->addMenu(tr("&Manage"));
    AddCommand(manage, Cmd::Connect, tr("Connect PON power meter..."));
    AddCommand(manage, Cmd::Disconnect, tr("Disconneced"));
    manage->addSeparator();
    AddCommand(manage, Cmd::DownloadData, tr("DownLoad data to PC"));
    AddCommand(manage, Cmd::DownloadThreshold, tr("DownLoad threshold to PC"));
    AddCommand(manage, Cmd::UploadThreshold, tr("UpLoad Threshold"));
    AddCommand(manage, Cmd::DeleteCurrentData, tr("Delete current data"));
    AddCommand(manage, Cmd::DeleteAllData, tr("Delete all data"));
    manage->addSeparator();
    AddCommand(manage, Cmd::SaveThresholdFile, tr("Save Thresholds to File..."));
    AddCommand(manage, Cmd::LoadThresholdFile, tr("Load Thresholds from File..."));
    manage->addSeparator();
    // Served by the program's archive (ProgramArchive::Attach), which enables it.
    AddCommand(manage, Cmd::AssignJob, tr("Assign Job..."))->setEnabled(false);

    QMenu* help = menuBar()->addMenu(tr("&Help"));
    AddCommand(help, Cmd::About, tr("About PON power meter..."));
    AddCommand(help, Cmd::Help, tr("Help"));

    // A menu shows the states of the moment, not those of the last idle pass.
    for (QMenu* menu : {file, view, manage, help})
        connect(menu, &QMenu::aboutToShow, this, &MainWindow::UpdateActions);
}

void MainWindow::BuildToolBar()
{
    toolBar_->setObjectName(QStringLiteral("toolBar"));
    toolBar_->setIconSize(QSize(32, 32));
    for (const ToolButton& button : kToolButtons) {
        if (button.id == 0) {
            toolBar_->addSeparator();
            continue;
        }
        QAction* action = Action(button.id);
        action->setIcon(CommandIcon(button.id));
        action->setToolTip(tr(button.toolTip));
        toolBar_->addAction(action);
    }
    addToolBar(Qt::TopToolBarArea, toolBar_);
}

void MainWindow::AttachCommands(ConnectionCommands& commands)
{
    const std::pair<int, void (ConnectionCommands::*)()> handlers[] = {
        {Cmd::Connect, &ConnectionCommands::Connect},
        {Cmd::Disconnect, &ConnectionCommands::Disconnect},
        {Cmd::DownloadData, &ConnectionCommands::DownloadRecords},
        {Cmd::DownloadThreshold, &ConnectionCommands::DownloadThresholds},
        {Cmd::UploadThreshold, &ConnectionCommands::UploadThresholds},
        {Cmd::DeleteCurrentData, &ConnectionCommands::DeleteCurrent},
        {Cmd::DeleteAllData, &ConnectionCommands::DeleteAll},
    };
    for (const auto& [id, handler] : handlers)
        connect(Action(id), &QAction::triggered, &commands, handler);
}

void MainWindow::FitTo(const QRect& available)
{
    const QSize fitted = windowSize.boundedTo(available.size());
    if (fitted == windowSize)
        return;
    // The view keeps the size it has in the full window: the pages' positions stay.
    layout()->activate();
    const QSize viewSize = view_->size();
    auto* scroll = new QScrollArea(this);
    scroll->setFrameShape(QFrame::NoFrame);
    takeCentralWidget();
    view_->setFixedSize(viewSize);
    scroll->setWidget(view_);
    setCentralWidget(scroll);
    setFixedSize(fitted);
    move(available.topLeft() + CentredOrigin(available.size(), fitted));
}

void MainWindow::UpdateActions()
{
    const EnablingPass pass = view_->UpdateCommandStates();
    for (const auto& [id, enabled] : pass.states)
        Action(id)->setEnabled(enabled);
    // The file commands work on the threshold page's grid alone, connected or not.
    const bool onThresholds = view_->CurrentTab() == ThresholdTab;
    Action(Cmd::SaveThresholdFile)->setEnabled(onThresholds);
    Action(Cmd::LoadThresholdFile)->setEnabled(onThresholds);
    Action(Cmd::ApplyThresholdPreset)->setEnabled(onThresholds);
}

void MainWindow::OnAbout()
{
    AboutDialog about(this);
    about.exec();
}

void MainWindow::closeEvent(QCloseEvent* event)
{
    // Only No keeps the program; the link is left as it is either way.
    if (prompter_.Show(this, promptCaption(), quitQuestion(), Prompter::Yes | Prompter::No,
                       Prompter::Icon::Information) == Prompter::No) {
        event->ignore();
        return;
    }
    event->accept();
}
