#include "cli/Console.h"

#include <sys/ioctl.h>
#include <unistd.h>

#include <cerrno>

namespace nulvane::cli {

namespace {

void WriteAll(int descriptor, std::string_view text) {
  while (!text.empty()) {
    const ssize_t written = ::write(descriptor, text.data(), text.size());
    if (written < 0) {
      if (errno == EINTR) continue;
      return;  // a closed pipe: the reader has gone, nothing more can be said there
    }
    text.remove_prefix(static_cast<std::size_t>(written));
  }
}

}  // namespace

Console::Console()
    : interactive_(::isatty(STDIN_FILENO) == 1),
      outputIsTerminal_(::isatty(STDOUT_FILENO) == 1),
      errorIsTerminal_(::isatty(STDERR_FILENO) == 1) {}

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
  WriteAll(STDOUT_FILENO, Printable(text, outputIsTerminal_));
}

void Console::Error(std::string_view text) {
  ClearProgress();
  WriteAll(STDERR_FILENO, Printable(text, errorIsTerminal_));
}

void Console::Progress(std::string_view line) {
  if (!errorIsTerminal_) return;
  WriteAll(STDERR_FILENO, "\r\033[K" + Printable(line, true));
  progressShown_ = true;
}

void Console::ClearProgress() {
  if (!progressShown_) return;
  WriteAll(STDERR_FILENO, "\r\033[K");
  progressShown_ = false;
}

std::optional<std::string> Console::Ask(std::string_view question) {
  Error(question);
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

int TerminalColumns() {
  winsize size{};
  if (::ioctl(STDERR_FILENO, TIOCGWINSZ, &size) == 0 && size.ws_col > 10) return size.ws_col;
  return 80;
}

}  // namespace nulvane::cli
