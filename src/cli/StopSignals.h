#pragma once

namespace nulvane::cli {

// Ctrl-C (SIGINT), SIGTERM and SIGHUP (on Windows Ctrl-C, Ctrl-Break and closing the console) ask the
// running command to stop as the report window's Stop button does: the run ends at its next check, after the
// current pass of the current file, and the report says what was done. The handlers are installed without
// SA_RESTART, so a question waiting for an answer is given up. A closed standard output (SIGPIPE) does not
// end the program in the middle of a file either.
void InstallStopSignals();
bool StopRequested();

}  // namespace nulvane::cli
