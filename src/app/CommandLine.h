#pragma once

#include <QProcessEnvironment>
#include <QString>
#include <QStringList>

// What the program's command line asks for. It is read before the window system is
// touched, so --help, --version and mistakes are answered on a machine without a display.
struct ProgramOptions
{
    QString port;      // --port DEVICE: connect to DEVICE instead of searching the USB ports
    bool demo = false; // --demo: a virtual meter on a pseudo-terminal, connected at start
    bool platformGiven = false; // -platform NAME: the toolkit is told where to draw
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

// Reads the arguments as the program gets them (arguments[0] is the program). The toolkit's
// own options (-platform, -style, ...) are let through for it.
CommandLine ParseCommandLine(const QStringList& arguments);

// "qx390d <version>", the version of the build.
QString ProgramVersionText();

// Empty when the window system can be started; otherwise the message for standard error:
// no display is named (neither DISPLAY nor WAYLAND_DISPLAY in `environment`) and no
// platform is chosen (neither -platform nor QT_QPA_PLATFORM), where the toolkit would abort.
QString MissingDisplayText(const ProgramOptions& options, const QProcessEnvironment& environment);
