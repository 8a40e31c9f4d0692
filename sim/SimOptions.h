#pragma once

#include "sim/VirtualMeter.h"

#include <QString>
#include <QStringList>

// How the virtual meter is hosted on its pseudo-terminal: the meter itself and the faults
// of the line.
struct SimOptions
{
    MeterOptions meter;
    bool pace = false;   // answers leave at 9600-baud timing
    int chunk = 0;       // each answer written in pieces of at most this many bytes; 0: whole
    int noise = 0;       // random bytes written before every answer
    double drop = 0.0;   // probability that an answer is lost
    int unplugAfter = 0; // the line closes on this received frame; 0: never
    QString logFile;     // one hex line per received frame; empty: no file
    // One line per frame taken from the line and per answer through it, each with the
    // monotonic clock's time in nanoseconds; empty: no file.
    QString timingFile;
    int lateAnswer = 0; // the answer to this received frame leaves late; 0: none
    int lateMs = 5000;  // how late it leaves
};

// The outcome of reading the simulator's command line: options to run with, or the help
// text, or an error message.
struct SimCommandLine
{
    enum Outcome { Run, Help, Error };
    Outcome outcome = Error;
    SimOptions options;
    QString message;
};

// Reads arguments as the executable gets them (arguments[0] is the program).
SimCommandLine ParseSimCommandLine(const QStringList& arguments);
