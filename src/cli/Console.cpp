#include "cli/Console.h"

#include <algorithm>
#include <cerrno>

#ifdef _WIN32
#include <windows.h>

#include "platform/PlatformError.h"
#include "platform/WindowsText.h"
#else
#include <sys/ioctl.h>
#include <unistd.h>
#endif

namespace nulvane::cli {

namespace {

enum class StdStream { Input, Output, Error };

StdStream ProcessStream(Console::Stream stream) {
  return stream == Console::Stream::Output ? StdStream::Output : StdStream::Error;
}

#ifdef _WIN32

HANDLE HandleOf(StdStream stream) {
  return ::GetStdHandle(stream == StdStream::Input    ? STD_INPUT_HANDLE
                        : stream == StdStream::Output ? STD_OUTPUT_HANDLE
                                                      : STD_ERROR_HANDLE);
}

bool IsConsole(HANDLE handle) {
  DWORD mode = 0;
  return handle != nullptr && handle != INVALID_HANDLE_VALUE && ::GetFileType(handle) == FILE_TYPE_CHAR &&
         ::GetConsoleMode(handle, &mode);
}

bool IsTerminal(StdStream stream) {
  return IsConsole(HandleOf(stream));
}

// The console shows UTF-16, whatever its code page; files and pipes get UTF-8 with the platform's CR LF.
void WriteAll(StdStream stream, std::string_view text) {
  const HANDLE handle = HandleOf(stream);
  if (IsConsole(handle)) {
    std::wstring wide;
    try {
      wide = platform::Widen(std::string(text));
    } catch (const platform::PlatformError&) {
      const int length =
          ::MultiByteToWideChar(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), nullptr, 0);
      wide.resize(static_cast<std::size_t>(length));
      ::MultiByteToWideChar(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), wide.data(), length);
    }
    for (std::size_t done = 0; done < wide.size();) {
      DWORD written = 0;
      const auto chunk = static_cast<DWORD>(std::min<std::size_t>(wide.size() - done, 8192));
      if (!::WriteConsoleW(handle, wide.data() + done, chunk, &written, nullptr) || written == 0) return;
      done += written;
    }
    return;
  }
  std::string bytes;
  bytes.reserve(text.size() + text.size() / 16);
  for (const char c : text) {
    if (c == '\n') bytes += '\r';
    bytes += c;
  }
  std::string_view rest = bytes;
  while (!rest.empty()) {
    DWORD written = 0;
    const auto chunk = static_cast<DWORD>(std::min<std::size_t>(rest.size(), 1u << 20));
    // A closed pipe: the reader has gone, nothing more can be said there.
    if (!::WriteFile(handle, rest.data(), chunk, &written, nullptr) || written == 0) return;
    rest.remove_prefix(written);
  }
}

// The progress line is redrawn with the terminal's escape sequences, which a console obeys once asked to.
bool CanRedraw(StdStream stream) {
  const HANDLE handle = HandleOf(stream);
  DWORD mode = 0;
  if (!IsConsole(handle) || !::GetConsoleMode(handle, &mode)) return false;
  return (mode & ENABLE_VIRTUAL_TERMINAL_PROCESSING) != 0 ||
         ::SetConsoleMode(handle, mode | ENABLE_VIRTUAL_TERMINAL_PROCESSING);
}

// One line from standard input without its line break; nothing at the end of input or when a stop
// interrupted the wait.
std::optional<std::string> ReadLine() {
  const HANDLE handle = HandleOf(StdStream::Input);
  if (IsConsole(handle)) {
    std::wstring line;
    for (;;) {
      wchar_t c = 0;
      DWORD got = 0;
      if (!::ReadConsoleW(handle, &c, 1, &got, nullptr) || got == 0) return std::nullopt;
      if (c == L'\n') break;
      if (c != L'\r') line += c;
    }
    return platform::Narrow(line);
  }
  std::string line;
  for (;;) {
    char c = 0;
    DWORD got = 0;
    if (!::ReadFile(handle, &c, 1, &got, nullptr) || got == 0) return std::nullopt;
    if (c == '\n') break;
    if (c != '\r') line += c;
  }
  return line;
}

#else

int DescriptorOf(StdStream stream) {
  return stream == StdStream::Input    ? STDIN_FILENO
         : stream == StdStream::Output ? STDOUT_FILENO
                                       : STDERR_FILENO;
}

bool IsTerminal(StdStream stream) {
  return ::isatty(DescriptorOf(stream)) == 1;
}

void WriteAll(StdStream stream, std::string_view text) {
  const int descriptor = DescriptorOf(stream);
  while (!text.empty()) {
    const ssize_t written = ::write(descriptor, text.data(), text.size());
    if (written < 0) {
      if (errno == EINTR) continue;
      return;  // a closed pipe: the reader has gone, nothing more can be said there
    }
    text.remove_prefix(static_cast<std::size_t>(written));
  }
}

bool CanRedraw(StdStream stream) {
  return IsTerminal(stream);
}

std::optional<std::string> ReadLine() {
  std::string line;
  for (;;) {
    char c = 0;
    const ssize_t got = ::read(STDIN_FILENO, &c, 1);
    if (got == 0) return std::nullopt;
    // A stop signal interrupts the wait (its handler is installed without SA_RESTART).
    if (got < 0) return std::nullopt;
    if (c == '\n') return line;
    line += c;
  }
}

#endif

}  // namespace

Console::Console()
    : interactive_(IsTerminal(StdStream::Input)),
      outputIsTerminal_(IsTerminal(StdStream::Output)),
      errorIsTerminal_(IsTerminal(StdStream::Error)),
      progressPossible_(CanRedraw(StdStream::Error)) {}

Console::Console(Terminals terminals, Sink sink)
    : interactive_(terminals.input),
      outputIsTerminal_(terminals.output),
      errorIsTerminal_(terminals.error),
      progressPossible_(terminals.error),
      sink_(std::move(sink)) {}

std::string Console::Printable(std::string_view text, bool toTerminal) {
  std::string out;
  out.reserve(text.size());
  for (std::size_t i = 0; i < text.size(); ++i) {
    const auto c = static_cast<unsigned char>(text[i]);
    if (c == '\r' && i + 1 < text.size() && text[i + 1] == '\n') continue;
    if (toTerminal) {
      const bool control = (c < 0x20 && c != '\n' && c != '\t') || c == 0x7F;
      // U+0080 to U+009F: the eight-bit control characters, which some terminals obey in UTF-8.
      const bool eightBitControl = c == 0xC2 && i + 1 < text.size() &&
                                   static_cast<unsigned char>(text[i + 1]) >= 0x80 &&
                                   static_cast<unsigned char>(text[i + 1]) <= 0x9F;
      if (control) {
        out += '?';
        continue;
      }
      if (eightBitControl) {
        out += '?';
        ++i;
        continue;
      }
    }
    out += static_cast<char>(c);
  }
  return out;
}

void Console::Write(Stream stream, std::string_view bytes) {
  if (sink_) {
    sink_(stream, bytes);
  } else {
    WriteAll(ProcessStream(stream), bytes);
  }
}

std::string Console::ForFile(std::string_view text) {
#ifdef _WIN32
  std::string out;
  out.reserve(text.size() + text.size() / 16);
  for (std::size_t i = 0; i < text.size(); ++i) {
    if (text[i] == '\n' && (i == 0 || text[i - 1] != '\r')) out += '\r';
    out += text[i];
  }
  return out;
#else
  return Printable(text, false);
#endif
}

void Console::Report(std::string_view text) {
  const std::string printable = Printable(text, outputIsTerminal_);
  // A report that goes elsewhere (a file, a pipe) leaves the progress line where it is.
  if (!progressShown_ || !outputIsTerminal_) {
    Write(Stream::Output, printable);
    return;
  }
  Write(Stream::Error, "\r\033[K");
  Write(Stream::Output, printable);
  Write(Stream::Error, "\r\033[K" + progressLine_);
}

void Console::Error(std::string_view text) {
  std::string bytes = Printable(text, errorIsTerminal_);
  if (progressShown_) bytes = "\r\033[K" + bytes + "\r\033[K" + progressLine_;
  Write(Stream::Error, bytes);
}

void Console::Progress(std::string_view line) {
  if (!progressPossible_) return;
  progressLine_ = Printable(line, true);
  Write(Stream::Error, "\r\033[K" + progressLine_);
  progressShown_ = true;
}

void Console::ClearProgress() {
  if (!progressShown_) return;
  Write(Stream::Error, "\r\033[K");
  progressShown_ = false;
  progressLine_.clear();
}

std::optional<std::string> Console::Ask(std::string_view question) {
  ClearProgress();
  Error(question);
  if (sink_) return std::nullopt;
  return ReadLine();
}

int TerminalColumns() {
#ifdef _WIN32
  CONSOLE_SCREEN_BUFFER_INFO screen{};
  if (::GetConsoleScreenBufferInfo(HandleOf(StdStream::Error), &screen)) {
    const int columns = screen.srWindow.Right - screen.srWindow.Left + 1;
    if (columns > 10) return columns;
  }
#else
  winsize size{};
  if (::ioctl(STDERR_FILENO, TIOCGWINSZ, &size) == 0 && size.ws_col > 10) return size.ws_col;
#endif
  return 80;
}

}  // namespace nulvane::cli
