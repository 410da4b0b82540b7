#pragma once

#include <functional>
#include <optional>
#include <string>
#include <string_view>

namespace nulvane::cli {

// The command line's standard streams: the report on standard output; messages, questions and the progress
// bar on standard error; answers from standard input. Texts arrive with the program's CR LF line breaks and
// leave with LF. On a terminal, control characters (which file names may hold) are shown as "?", so that a
// name cannot move the cursor or change the terminal's settings.
class Console {
 public:
  enum class Stream { Output, Error };
  // Receives every write: the stream and the bytes, as one write call would pass them.
  using Sink = std::function<void(Stream stream, std::string_view bytes)>;
  struct Terminals {
    bool input = false;
    bool output = false;
    bool error = false;
  };

  // The process's standard streams.
  Console();
  // Streams that are, or are not, terminals as given, written to `sink` (a recorded terminal in tests).
  Console(Terminals terminals, Sink sink);

  // Standard input is a terminal: questions can be asked.
  bool interactive() const { return interactive_; }
  // Standard error is a terminal: a progress bar can be drawn there.
  bool canShowProgress() const { return progressPossible_; }

  // Text on a terminal goes above the progress line, which is drawn again at once, so it never goes away.
  void Report(std::string_view text);
  void Error(std::string_view text);
  // Replaces the progress line on standard error, in one write; ClearProgress removes it for good.
  void Progress(std::string_view line);
  void ClearProgress();
  // Shows the question on standard error (the progress line gives way to it) and reads one line of answer;
  // nothing at the end of input or when a stop signal interrupted the wait.
  std::optional<std::string> Ask(std::string_view question);

  // The text as written to a stream: CR LF as LF, and, for a terminal, control characters as "?".
  static std::string Printable(std::string_view text, bool toTerminal);
  // The text as written to a file of the user's: with the platform's line breaks (CR LF on Windows, as the
  // console's own streams write them there; LF elsewhere).
  static std::string ForFile(std::string_view text);

 private:
  void Write(Stream stream, std::string_view bytes);

  bool interactive_ = false;
  bool outputIsTerminal_ = false;
  bool errorIsTerminal_ = false;
  bool progressPossible_ = false;  // standard error is a terminal that redraws a line
  bool progressShown_ = false;
  std::string progressLine_;
  Sink sink_;  // empty: the process's own streams
};

// Width of the terminal on standard error, 80 when it cannot be told.
int TerminalColumns();

}  // namespace nulvane::cli
