#include "cli/StopSignals.h"

#include <atomic>
#include <csignal>

#ifdef _WIN32
#include <windows.h>
#else
#include <initializer_list>
#endif

namespace nulvane::cli {

namespace {

// Lock-free, so a signal handler may set them; on Windows the handler runs on a thread of its own.
std::atomic<bool> stopRequested = false;
std::atomic<bool> closeRequested = false;
static_assert(std::atomic<bool>::is_always_lock_free);

#ifdef _WIN32

// Runs on a thread of its own, which Windows starts for each event.
BOOL WINAPI OnConsoleEvent(DWORD event) {
  switch (event) {
    case CTRL_C_EVENT:
    case CTRL_BREAK_EVENT:
      stopRequested = true;
      return TRUE;
    case CTRL_CLOSE_EVENT:
    case CTRL_LOGOFF_EVENT:
    case CTRL_SHUTDOWN_EVENT:
      closeRequested = true;
      stopRequested = true;
      // Windows ends the process as soon as this returns. Waiting here leaves the run its few seconds to
      // stop each file, flush it and write the report; the program's own end then ends this thread too.
      ::Sleep(INFINITE);
      return TRUE;
    default:
      return FALSE;
  }
}

#else

void OnStopSignal(int) {
  stopRequested = true;
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
  return stopRequested;
}

bool CloseRequested() {
  return closeRequested;
}

}  // namespace nulvane::cli
