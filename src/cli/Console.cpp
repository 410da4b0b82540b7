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

enum class Stream { Input, Output, Error };

#ifdef _WIN32

HANDLE HandleOf(Stream stream) {
  return ::GetStdHandle(stream == Stream::Input    ? STD_INPUT_HANDLE
                        : stream == Stream::Output ? STD_OUTPUT_HANDLE
                                                   : STD_ERROR_HANDLE);
}

bool IsConsole(HANDLE handle) {
  DWORD mode = 0;
  return handle != nullptr && handle != INVALID_HANDLE_VALUE && ::GetFileType(handle) == FILE_TYPE_CHAR &&
         ::GetConsoleMode(handle, &mode);
}

bool IsTerminal(Stream stream) {
  return IsConsole(HandleOf(stream));
}

// The console shows UTF-16, whatever its code page; files and pipes get UTF-8 with the platform's CR LF.
void WriteAll(Stream stream, std::string_view text) {
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
bool CanRedraw(Stream stream) {
  const HANDLE handle = HandleOf(stream);
  DWORD mode = 0;
  if (!IsConsole(handle) || !::GetConsoleMode(handle, &mode)) return false;
  return (mode & ENABLE_VIRTUAL_TERMINAL_PROCESSING) != 0 ||
         ::SetConsoleMode(handle, mode | ENABLE_VIRTUAL_TERMINAL_PROCESSING);
}

// One line from standard input without its line break; nothing at the end of input or when a stop
// interrupted the wait.
std::optional<std::string> ReadLine() {
  const HANDLE handle = HandleOf(Stream::Input);
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

int DescriptorOf(Stream stream) {
  return stream == Stream::Input ? STDIN_FILENO : stream == Stream::Output ? STDOUT_FILENO : STDERR_FILENO;
}

bool IsTerminal(Stream stream) {
  return ::isatty(DescriptorOf(stream)) == 1;
}

void WriteAll(Stream stream, std::string_view text) {
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

bool CanRedraw(Stream stream) {
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
    : interactive_(IsTerminal(Stream::Input)),
      outputIsTerminal_(IsTerminal(Stream::Output)),
      errorIsTerminal_(IsTerminal(Stream::Error)),
      progressPossible_(CanRedraw(Stream::Error)) {}

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

void Console::Report(std::string_view text) {
  ClearProgress();
  WriteAll(Stream::Output, Printable(text, outputIsTerminal_));
}

void Console::Error(std::string_view text) {
  ClearProgress();
  WriteAll(Stream::Error, Printable(text, errorIsTerminal_));
}

void Console::Progress(std::string_view line) {
  if (!progressPossible_) return;
  WriteAll(Stream::Error, "\r\033[K" + Printable(line, true));
  progressShown_ = true;
}

void Console::ClearProgress() {
  if (!progressShown_) return;
  WriteAll(Stream::Error, "\r\033[K");
  progressShown_ = false;
}

std::optional<std::string> Console::Ask(std::string_view question) {
  Error(question);
  return ReadLine();
}

int TerminalColumns() {
#ifdef _WIN32
  CONSOLE_SCREEN_BUFFER_INFO screen{};
  if (::GetConsoleScreenBufferInfo(HandleOf(Stream::Error), &screen)) {
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
