#pragma once

#include <QHash>
#include <QMainWindow>

class ConnectionCommands;
class DeviceLink;
class MainView;
class FileDialogs;
class Prompter;
class QMenu;
class QToolBar;

// The main window: a fixed 1000 by 600 frame with the menus, the toolbar and the view; on
// a smaller screen it may take the screen's available area with the view scrolling.
class MainWindow : public QMainWindow
{
    Q_OBJECT

public:
    static QString mainTitle() { return tr("VB4417 XGPON Power Meter Data Management Software"); }
    static QString quitQuestion() { return tr("Are you sure to quit the management software?"); }
    static constexpr QSize windowSize{1000, 600};

    MainWindow(DeviceLink& link, Prompter& prompter, FileDialogs& dialogs,
               QWidget* parent = nullptr);

    // The Manage menu's commands and their toolbar buttons run `commands`, which must
    // outlive this window.
    void AttachCommands(ConnectionCommands& commands);

    // The menu or toolbar action of a command id (CommandIds.h); nullptr for other ids.
    QAction* Action(int commandId) const { return actions_.value(commandId); }
    MainView* View() const { return view_; }
    QToolBar* ToolBar() const { return toolBar_; }

    // Fits the window to a screen's `available` area (its geometry less panels): when the
    // area is smaller than the fixed window, the window takes what there is, centred in it,
    // and the view scrolls at its full size; otherwise nothing changes.
    void FitTo(const QRect& available);

    // One pass of the view's enabling rules, applied to the actions. It runs whenever a
    // state the rules read changes (link state, tab) and when a menu opens; nothing polls.
    void UpdateActions();

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    QAction* AddCommand(QMenu* menu, int id, const QString& text);
    void BuildMenus();
    void BuildToolBar();
    void OnAbout();

    Prompter& prompter_;
    MainView* view_;
    QToolBar* toolBar_;
    QHash<int, QAction*> actions_;
};
