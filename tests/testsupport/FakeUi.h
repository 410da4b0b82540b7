#pragma once

#include <deque>
#include <functional>
#include <map>
#include <string>
#include <vector>

#include "platform/Dialog.h"
#include "platform/Ui.h"

namespace nulvane::testing {

// A scripted Ui: records every interaction and answers from queues. An interaction that has no scripted
// answer fails the running test, so a test states every question it expects.
class FakeUi : public platform::Ui {
 public:
  struct MessageRecord {
    std::string title;
    std::string text;
    platform::Buttons buttons;
    platform::Icon icon;
    platform::Answer defaultButton;
    std::string checkBox;  // the check box's caption, empty without one
  };
  using DialogScript = std::function<void(platform::Dialog&)>;

  // Queues the answer to the next message box.
  void Answer(platform::Answer answer) { answers_.push_back(answer); }
  // Queues the state the user leaves the next check box of a message box in.
  void CheckNextBox(bool checked) { checks_.push_back(checked); }
  // Answers every further message box with OK (for the many information boxes of a run), unless queued.
  void AnswerOkByDefault(bool value = true) { okByDefault_ = value; }
  // Queues what the next showing of the named dialog does (it must hide the dialog).
  void OnDialog(const std::string& name, DialogScript script) { dialogs_[name].push_back(std::move(script)); }
  void QueueFolder(std::string path) { folders_.push_back(std::move(path)); }
  void QueueOpenFile(platform::FileDialogResult result) { openFiles_.push_back(std::move(result)); }
  void QueueSaveFile(platform::FileDialogResult result) { saveFiles_.push_back(std::move(result)); }
  // Runs `action` during every yield, with the running count of yields (1-based), e.g. to click Pause.
  void OnYield(std::function<void(long)> action) { yieldActions_.push_back(std::move(action)); }

  const std::vector<MessageRecord>& messages() const { return messages_; }
  const MessageRecord& LastMessage() const;
  std::vector<std::string> DialogsShown() const { return dialogsShown_; }
  const std::string& clipboard() const { return clipboard_; }
  const std::vector<std::string>& urlsOpened() const { return urls_; }
  const std::vector<std::string>& folderPrompts() const { return folderPrompts_; }
  const std::vector<platform::FileDialogRequest>& fileRequests() const { return fileRequests_; }
  long yields() const { return yields_; }
  const std::vector<int>& waits() const { return waits_; }
  bool AllAnswersUsed() const {
    return answers_.empty() && checks_.empty() && folders_.empty() && openFiles_.empty() &&
           saveFiles_.empty() && AllDialogScriptsUsed();
  }
  void ClearMessages() { messages_.clear(); }

  platform::Answer Message(const std::string& title, const std::string& text, platform::Buttons buttons,
                           platform::Icon icon, platform::Answer defaultButton) override;
  platform::Answer MessageWithCheckBox(const std::string& title, const std::string& text,
                                       platform::Buttons buttons, platform::Icon icon,
                                       platform::Answer defaultButton, const std::string& checkBox,
                                       bool& checked) override;
  void ShowModal(platform::Dialog& dialog) override;
  platform::FileDialogResult OpenFileDialog(const platform::FileDialogRequest& request) override;
  platform::FileDialogResult SaveFileDialog(const platform::FileDialogRequest& request) override;
  std::string BrowseForFolder(const std::string& prompt) override;
  void SetClipboardText(const std::string& text) override { clipboard_ = text; }
  bool OpenUrl(const std::string& url) override {
    urls_.push_back(url);
    return openUrlResult_;
  }
  // What OpenUrl answers: false as when no program is there for the address.
  void SetOpenUrlResult(bool result) { openUrlResult_ = result; }
  void Yield() override;
  // Records the wait without sleeping, so tests of retry loops stay fast.
  void Wait(int milliseconds) override { waits_.push_back(milliseconds); }

 private:
  bool AllDialogScriptsUsed() const;

  std::deque<platform::Answer> answers_;
  std::deque<bool> checks_;
  bool okByDefault_ = false;
  std::map<std::string, std::deque<DialogScript>> dialogs_;
  std::deque<std::string> folders_;
  std::deque<platform::FileDialogResult> openFiles_;
  std::deque<platform::FileDialogResult> saveFiles_;
  std::vector<std::function<void(long)>> yieldActions_;
  std::vector<MessageRecord> messages_;
  std::vector<std::string> dialogsShown_;
  std::string clipboard_;
  std::vector<std::string> urls_;
  bool openUrlResult_ = true;
  std::vector<std::string> folderPrompts_;
  std::vector<platform::FileDialogRequest> fileRequests_;
  long yields_ = 0;
  bool inYieldAction_ = false;
  std::vector<int> waits_;
};

}  // namespace nulvane::testing
