#pragma once

namespace nulvane::cli {

// Ctrl-C (SIGINT), SIGTERM and SIGHUP (on Windows Ctrl-C and Ctrl-Break) ask the running command to stop as
// the report window's Stop button does: the run ends at its next check, after the current pass of each file
// in flight, and the report says what was done. The handlers are installed without SA_RESTART, so a question
// waiting for an answer is given up. A closed standard output (SIGPIPE) does not end the program in the
// middle of a file either.
//
// On Windows, closing the console window (or logging off, or shutting down) ends the program a few seconds
// after it is told, whatever it does. So it is a stop that cannot wait for a pass to end: CloseRequested()
// is then true as well, the files in flight stop at their next block, and the handler holds the program
// alive until it has written its report and ends by itself (or until Windows ends it).
void InstallStopSignals();
bool StopRequested();
bool CloseRequested();

}  // namespace nulvane::cli
