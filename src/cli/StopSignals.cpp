#include "cli/StopSignals.h"

#include <csignal>

#ifdef _WIN32
#include <windows.h>
#else
#include <initializer_list>
#endif

namespace nulvane::cli {

namespace {

volatile std::sig_atomic_t stopRequested = 0;

#ifdef _WIN32

// Runs on a thread of its own; answering TRUE keeps the process alive to finish the current pass. Closing
// the console window still ends the program once this returns, as Windows allows no more.
BOOL WINAPI OnConsoleEvent(DWORD event) {
  if (event == CTRL_C_EVENT || event == CTRL_BREAK_EVENT || event == CTRL_CLOSE_EVENT) {
    stopRequested = 1;
    return TRUE;
  }
  return FALSE;
}

#else

void OnStopSignal(int) {
  stopRequested = 1;
}

#endif

}  // namespace

void InstallStopSignals() {
#ifdef _WIN32
  ::SetConsoleCtrlHandler(OnConsoleEvent, TRUE);
#else
  struct sigaction action {};
  action.sa_handler = OnStopSignal;
  sigemptyset(&action.sa_mask);
  action.sa_flags = 0;
  for (const int signal : {SIGINT, SIGTERM, SIGHUP}) sigaction(signal, &action, nullptr);
  struct sigaction ignore {};
  ignore.sa_handler = SIG_IGN;
  sigemptyset(&ignore.sa_mask);
  sigaction(SIGPIPE, &ignore, nullptr);
#endif
}

bool StopRequested() {
  return stopRequested != 0;
}

}  // namespace nulvane::cli
