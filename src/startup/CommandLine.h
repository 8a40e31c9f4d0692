#pragma once

#include "archive/location/ArchiveTarget.h"

#include <QProcessEnvironment>
#include <QString>
#include <QStringList>
#include <optional>

// What the program's command line asks for. It is read before the window system is
// touched, so --help, --version and mistakes are answered on a machine without a display.
struct ProgramOptions
{
    QString port;      // --port DEVICE: connect to DEVICE instead of searching the USB ports
    bool demo = false; // --demo: a virtual meter on a pseudo-terminal, connected at start
    bool platformGiven = false; // -platform NAME: the toolkit is told where to draw
    // The archive chosen by --archive, --archive-service or the environment variable
    // QX390D_ARCHIVE (in that order); nothing when none is given: then the setting of the
    // Archive Settings dialog, else the default file.
    std::optional<ArchiveTarget> archive;
    QString archiveChosenBy; // "--archive", "--archive-service" or "QX390D_ARCHIVE"
    bool noArchive = false;  // --no-archive: this session keeps nothing in the archive
};

struct CommandLine
{
    enum class Outcome { Run, Help, Version, Error };

    Outcome outcome = Outcome::Run;
    ProgramOptions options;
    // For Help and Version the text for standard output; for Error the message for standard
    // error.
    QString text;

    // 0 for Run, Help and Version; 2 for a command line that cannot be used.
    int ExitCode() const { return outcome == Outcome::Error ? 2 : 0; }
};

// Reads the arguments as the program gets them (arguments[0] is the program), with the value
// of the environment variable QX390D_ARCHIVE. The toolkit's own options (-platform, -style,
// ...) are let through for it. An archive URL that holds a password is a mistake, from the
// command line or the environment alike.
CommandLine ParseCommandLine(const QStringList& arguments, const QString& archiveEnvironment = {});

// The archive of a session: the command line's or the environment's choice, else the
// `setting` (a path, a URL or "service=NAME"; empty for none), else the default file.
// Nothing, with `error`, for a setting that cannot be used.
std::optional<ArchiveTarget> SessionArchive(const ProgramOptions& options, const QString& setting,
                                            QString* error);

// "qx390d <version>", the version of the build.
QString ProgramVersionText();

// Empty when the window system can be started; otherwise the message for standard error:
// no display is named (neither DISPLAY nor WAYLAND_DISPLAY in `environment`) and no
// platform is chosen (neither -platform nor QT_QPA_PLATFORM), where the toolkit would abort.
QString MissingDisplayText(const ProgramOptions& options, const QProcessEnvironment& environment);
