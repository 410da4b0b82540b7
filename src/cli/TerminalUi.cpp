#include "cli/TerminalUi.h"

#ifdef _WIN32
#include <chrono>
#include <thread>
#else
#include <time.h>
#endif

#include <cctype>
#include <utility>

#include "cli/StopSignals.h"

namespace nulvane::cli {

using platform::Answer;
using platform::Buttons;

namespace {

std::string ChoicesOf(Buttons buttons) {
  switch (buttons) {
    case Buttons::Ok:
      return "o";
    case Buttons::OkCancel:
      return "oc";
    case Buttons::YesNo:
      return "yn";
    case Buttons::YesNoCancel:
      return "ync";
  }
  return "o";
}

Answer AnswerOf(char choice) {
  switch (choice) {
    case 'y':
      return Answer::Yes;
    case 'n':
      return Answer::No;
    case 'c':
      return Answer::Cancel;
    default:
      return Answer::Ok;
  }
}

char ChoiceOf(Answer answer) {
  switch (answer) {
    case Answer::Yes:
      return 'y';
    case Answer::No:
      return 'n';
    case Answer::Cancel:
      return 'c';
    case Answer::Ok:
      return 'o';
    default:
      return 0;
  }
}

const char* NameOf(Answer answer) {
  switch (answer) {
    case Answer::Yes:
      return "Yes";
    case Answer::No:
      return "No";
    case Answer::Cancel:
      return "Cancel";
    default:
      return "OK";
  }
}

// What a question gets when nobody can answer it: the refusing default where the box has one, else No,
// else Cancel. A stop request prefers Cancel, which ends a run.
Answer Refusal(Buttons buttons, Answer defaultButton, bool stopping) {
  const std::string choices = ChoicesOf(buttons);
  if (stopping && choices.find('c') != std::string::npos) return Answer::Cancel;
  if (defaultButton == Answer::No || defaultButton == Answer::Cancel) return defaultButton;
  if (choices.find('n') != std::string::npos) return Answer::No;
  return choices.find('c') != std::string::npos ? Answer::Cancel : Answer::Ok;
}

std::string Hint(const std::string& choices, char defaultChoice) {
  std::string hint = "[";
  for (const char c : choices) {
    if (hint.size() > 1) hint += '/';
    hint += c == defaultChoice ? static_cast<char>(std::toupper(static_cast<unsigned char>(c))) : c;
  }
  return hint + "]";
}

}  // namespace

const TerminalUi::Rule* TerminalUi::FindRule(const std::string& title, const std::string& text) const {
  for (const Rule& rule : rules_) {
    if (rule.onlyWithoutTerminal && interactive() && !StopRequested()) continue;
    if (!rule.title.empty() && rule.title != title) continue;
    if (text.compare(0, rule.textStart.size(), rule.textStart) != 0) continue;
    return &rule;
  }
  return nullptr;
}

void TerminalUi::Show(Output output, const std::string& title, const std::string& text) {
  const std::string line = (title.empty() ? std::string() : title + ": ") + text + "\n";
  if (output == Output::Errors) console_.Error(line);
  if (output == Output::Report) console_.Report(text + "\n");
}

std::optional<char> TerminalUi::Ask(const std::string& question, const std::string& choices,
                                    char defaultChoice) {
  if (!interactive()) return std::nullopt;
  if (askingHook_) askingHook_(true);
  const std::optional<char> answer = AskUntilAnswered(question, choices, defaultChoice);
  if (askingHook_) askingHook_(false);
  return answer;
}

std::optional<char> TerminalUi::AskUntilAnswered(const std::string& question, const std::string& choices,
                                                 char defaultChoice) {
  for (;;) {
    if (StopRequested()) return std::nullopt;
    const bool ownLine = !question.empty() && question.back() == '\n';
    const std::optional<std::string> reply =
        console_.Ask(question + (ownLine ? "" : " ") + Hint(choices, defaultChoice) + " ");
    if (!reply) {
      console_.Error("\n");
      return std::nullopt;
    }
    std::string word;
    for (const char c : *reply) {
      if (!std::isspace(static_cast<unsigned char>(c))) word += static_cast<char>(std::tolower(c));
    }
    if (word.empty() && defaultChoice != 0) return defaultChoice;
    if (!word.empty() && choices.find(word[0]) != std::string::npos) return word[0];
  }
}

Answer TerminalUi::Message(const std::string& title, const std::string& text, Buttons buttons,
                           platform::Icon icon, Answer defaultButton) {
  if (title == "Error" || icon == platform::Icon::Error) ++errorsShown_;
  if (icon == platform::Icon::Warning || icon == platform::Icon::Error) ++warningsShown_;
  const Rule* rule = FindRule(title, text);
  if (rule != nullptr && rule->answer != Answer::None) {
    Show(rule->output, title, text);
    return rule->answer;
  }
  if (buttons == Buttons::Ok) {
    Show(rule != nullptr ? rule->output : Output::Errors, title, text);
    return Answer::Ok;
  }
  const std::string choices = ChoicesOf(buttons);
  if (const std::optional<char> choice = Ask(title + "\n" + text + "\n", choices, ChoiceOf(defaultButton))) {
    if (*choice == 'c') ++cancelsAnswered_;
    if (*choice == 'c' || *choice == 'n') ++refusalsAnswered_;
    return AnswerOf(*choice);
  }
  const Answer refusal = Refusal(buttons, defaultButton, StopRequested());
  if (!StopRequested()) {
    Show(Output::Errors, title, text + "\n(No terminal to answer on: " + NameOf(refusal) + ".)");
    unanswered_.push_back(title);
  }
  return refusal;
}

void TerminalUi::ShowModal(platform::Dialog& dialog) {
  dialog.BeginShow();
  const auto found = dialogs_.find(&dialog);
  if (found != dialogs_.end() && found->second) found->second(dialog);
  if (dialog.IsVisible()) dialog.CloseRequested();
}

platform::FileDialogResult TerminalUi::OpenFileDialog(const platform::FileDialogRequest&) {
  return {true, std::exchange(chosenPath_, {})};
}

platform::FileDialogResult TerminalUi::SaveFileDialog(const platform::FileDialogRequest&) {
  return {true, std::exchange(chosenPath_, {})};
}

std::string TerminalUi::BrowseForFolder(const std::string&) {
  return std::exchange(chosenPath_, {});
}

void TerminalUi::SetClipboardText(const std::string&) {
  if (runFinishedHook_) runFinishedHook_();
}

bool TerminalUi::OpenUrl(const std::string&) {
  return false;
}

void TerminalUi::Yield() {
  if (yieldHook_) yieldHook_();
}

void TerminalUi::Wait(int milliseconds) {
  if (milliseconds <= 0) return;
#ifdef _WIN32
  std::this_thread::sleep_for(std::chrono::milliseconds(milliseconds));
#else
  // A stop signal ends the wait early.
  const timespec pause{milliseconds / 1000, static_cast<long>(milliseconds % 1000) * 1000000L};
  ::nanosleep(&pause, nullptr);
#endif
}

}  // namespace nulvane::cli
