#pragma once

// What every room of qx390d-cli shares: its exit codes and the formats of its outputs.

// The tool's exit codes.
enum CliExit : int {
    ExitDone = 0,
    ExitFailed = 1, // the meter did not answer in time, went away or refused; output unwritable
    ExitUsage = 2,  // the command line, or the file it names, cannot be used
    ExitNoPort = 3, // the port cannot be found or opened
    // The download could be neither archived nor kept on this PC: it is only in the output.
    ExitNotArchived = 4,
};

enum class RecordFormat { Csv, Json };
