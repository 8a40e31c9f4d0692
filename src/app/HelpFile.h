#pragma once

#include <QString>

inline const QString helpFileName = QStringLiteral("QX390D_enHelp.chm");

// Where the Help command finds the help file, given the directory of the program's
// executable: beside it (the build tree), else in the installed tree's data folder
// relative to it (bin/../share/qx390d). When neither holds the file, the path beside the
// executable, whose opening then fails without a message.
QString HelpFilePath(const QString& programDir);
