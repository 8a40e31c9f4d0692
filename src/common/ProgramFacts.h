#pragma once

#include <QString>

// Facts about this program and its user that files it writes may name.

// The version of this build, "1.2.0".
QString ProgramVersion();

// The login name of the user the program runs as (from the password database, else $USER).
QString LoginName();
