#pragma once

#include <QIcon>

// The toolbar's 32-by-32 pictures and the program's icon, drawn here so the program ships
// no image files.
QIcon CommandIcon(int commandId);
QIcon ApplicationIcon();
