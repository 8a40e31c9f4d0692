#pragma once

// SIGINT, SIGTERM and SIGHUP end qx390d-cli at once (exit code 128 + the signal), a wait on
// the archive's server too, with one line on standard error; SIGINT even when the tool was
// started with it ignored, SIGTERM and SIGHUP not then (nohup). Only while a download is
// being kept on this PC does a signal wait for that to be committed: then nothing is left
// half-kept, and whatever was not delivered to the server goes at the next successful
// connection.
void InstallCliSignals();

// Holds the signals back while it lives, or until Release().
class CliKeeping
{
public:
    CliKeeping();
    ~CliKeeping() { Release(); }
    CliKeeping(const CliKeeping&) = delete;
    CliKeeping& operator=(const CliKeeping&) = delete;

    // A signal that came meanwhile ends the tool now.
    void Release();
};
