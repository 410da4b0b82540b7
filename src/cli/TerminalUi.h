#pragma once

#include <functional>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "cli/Console.h"
#include "platform/Dialog.h"
#include "platform/Ui.h"

namespace nulvane::cli {

// The terminal's Ui: message boxes become lines on standard error, questions become prompts on the terminal
// (with the window's own texts), and the choosers and dialogs are answered from the command line. Without a
// terminal, a question nobody answered gets its refusal (No, or Cancel where there is no No), so nothing is
// purged or deleted that the command line did not ask for.
class TerminalUi final : public platform::Ui {
 public:
  enum class Output { Quiet, Errors, Report };
  // What the command line answers in the user's place, and where the message is shown.
  struct Rule {
    std::string title;                                 // empty: any title
    std::string textStart;                             // the message's text begins with this
    platform::Answer answer = platform::Answer::None;  // None: asked (or refused) as usual
    Output output = Output::Quiet;
    bool onlyWithoutTerminal = false;  // the answer stands in only where nobody can be asked
  };
  using DialogAnswer = std::function<void(platform::Dialog&)>;

  explicit TerminalUi(Console& console) : console_(console) {}

  void AddRule(Rule rule) { rules_.push_back(std::move(rule)); }
  void ClearRules() { rules_.clear(); }
  // How the command line answers a dialog each time it is shown; a dialog still open afterwards is closed
  // with its close button (which cancels).
  void OnDialog(const platform::Dialog& dialog, DialogAnswer answer) {
    dialogs_[&dialog] = std::move(answer);
  }
  // The next file dialog or folder chooser returns this path.
  void ChoosePath(std::string path) { chosenPath_ = std::move(path); }
  void OnYield(std::function<void()> hook) { yieldHook_ = std::move(hook); }
  // Every run ends by copying its report to the clipboard; here that marks the report as complete.
  void OnRunFinished(std::function<void()> hook) { runFinishedHook_ = std::move(hook); }
  // Told when a question is put at the terminal (true) and when it has been answered (false).
  void OnAsking(std::function<void(bool asking)> hook) { askingHook_ = std::move(hook); }

  // Asks on the terminal; returns one of the letters of `choices` (an empty answer takes `defaultChoice`
  // when it is not 0). Nothing without a terminal, at the end of input, or once a stop was requested.
  std::optional<char> Ask(const std::string& question, const std::string& choices, char defaultChoice);

  bool interactive() const { return console_.interactive(); }
  Console& console() { return console_; }
  // Messages about errors shown so far (title "Error" or the error icon).
  int errorsShown() const { return errorsShown_; }
  // Messages with a warning or an error icon shown so far.
  int warningsShown() const { return warningsShown_; }
  // Questions the user answered with Cancel at the terminal.
  int cancelsAnswered() const { return cancelsAnswered_; }
  // Questions the user answered with No or Cancel at the terminal.
  int refusalsAnswered() const { return refusalsAnswered_; }
  // Titles of the questions that got their refusal because nobody could be asked.
  const std::vector<std::string>& unanswered() const { return unanswered_; }

  platform::Answer Message(const std::string& title, const std::string& text, platform::Buttons buttons,
                           platform::Icon icon, platform::Answer defaultButton) override;
  void ShowModal(platform::Dialog& dialog) override;
  platform::FileDialogResult OpenFileDialog(const platform::FileDialogRequest& request) override;
  platform::FileDialogResult SaveFileDialog(const platform::FileDialogRequest& request) override;
  std::string BrowseForFolder(const std::string& prompt) override;
  void SetClipboardText(const std::string& text) override;
  bool OpenUrl(const std::string& url) override;
  void Yield() override;
  void Wait(int milliseconds) override;

 private:
  std::optional<char> AskUntilAnswered(const std::string& question, const std::string& choices,
                                       char defaultChoice);
  const Rule* FindRule(const std::string& title, const std::string& text) const;
  void Show(Output output, const std::string& title, const std::string& text);

  Console& console_;
  std::vector<Rule> rules_;
  std::map<const platform::Dialog*, DialogAnswer> dialogs_;
  std::string chosenPath_;
  std::function<void()> yieldHook_;
  std::function<void()> runFinishedHook_;
  std::function<void(bool)> askingHook_;
  int errorsShown_ = 0;
  int warningsShown_ = 0;
  int cancelsAnswered_ = 0;
  int refusalsAnswered_ = 0;
  std::vector<std::string> unanswered_;
};

}  // namespace nulvane::cli
