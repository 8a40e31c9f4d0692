#pragma once

#include <QString>

class Prompter;
class QUrl;
class QWidget;

inline const QString helpFileName = QStringLiteral("QX390D_enHelp.chm");
// The same help as one web page, built from the pages of the .chm, for desktops without a
// viewer for CHM files (none is installed by default).
inline const QString helpPageName = QStringLiteral("QX390D_enHelp.html");

// Where the Help command finds a help file (`name`), given the directory of the program's
// executable: beside it (the build tree), else in the installed tree's data folder
// relative to it (bin/../share/qx390d). When neither holds the file, the path beside the
// executable.
QString HelpFilePath(const QString& programDir, const QString& name = helpFileName);

// What the Help command needs of the desktop.
class HelpOpener
{
public:
    virtual ~HelpOpener() = default;
    // Whether a program that shows CHM files is installed.
    virtual bool HasChmViewer() = 0;
    // Hands `url` to the desktop's program for it; false when none could be started.
    virtual bool OpenUrl(const QUrl& url) = 0;
};

// The box shown when no program could open the help; it names the web page of the help,
// which any browser shows.
QString HelpNotOpenedText(const QString& pagePath);

// The Help command: the .chm with the CHM viewer when one is installed and the file is
// there, else the web page with the desktop's browser; when nothing opens either, a
// notice (HelpNotOpenedText, owned by `owner`).
void OpenHelp(const QString& programDir, HelpOpener& opener, Prompter& prompter, QWidget* owner);
