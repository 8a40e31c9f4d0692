#pragma once

#include "app/HelpFile.h"

// The desktop as the Help command finds it: a CHM viewer is one of the known viewers on
// the search path, or the program the desktop's MIME settings name for CHM files
// (xdg-mime); files are opened with xdg-open, whose exit code tells whether the desktop had
// a program for them (QDesktopServices without xdg-open).
class DesktopHelpOpener : public HelpOpener
{
public:
    bool HasChmViewer() override;
    bool OpenUrl(const QUrl& url) override;
};
