#include "testsupport/FakeUi.h"

#include <gtest/gtest.h>

namespace nulvane::testing {

const FakeUi::MessageRecord& FakeUi::LastMessage() const {
  static const MessageRecord kNone{};
  if (messages_.empty()) {
    ADD_FAILURE() << "no message box was shown";
    return kNone;
  }
  return messages_.back();
}

platform::Answer FakeUi::Message(const std::string& title, const std::string& text, platform::Buttons buttons,
                                 platform::Icon icon, platform::Answer defaultButton) {
  messages_.push_back({title, text, buttons, icon, defaultButton});
  if (!answers_.empty()) {
    const platform::Answer answer = answers_.front();
    answers_.pop_front();
    return answer;
  }
  if (okByDefault_ && buttons == platform::Buttons::Ok) return platform::Answer::Ok;
  ADD_FAILURE() << "unexpected message box: title \"" << title << "\", text \"" << text << "\"";
  return buttons == platform::Buttons::Ok ? platform::Answer::Ok : platform::Answer::Cancel;
}

platform::Answer FakeUi::MessageWithCheckBox(const std::string& title, const std::string& text,
                                             platform::Buttons buttons, platform::Icon icon,
                                             platform::Answer defaultButton, const std::string& checkBox,
                                             bool& checked) {
  const platform::Answer answer = Message(title, text, buttons, icon, defaultButton);
  messages_.back().checkBox = checkBox;
  if (!checks_.empty()) {
    checked = checks_.front();
    checks_.pop_front();
  }
  return answer;
}

void FakeUi::ShowModal(platform::Dialog& dialog) {
  dialogsShown_.push_back(dialog.Name());
  dialog.BeginShow();
  auto& scripts = dialogs_[dialog.Name()];
  if (scripts.empty()) {
    ADD_FAILURE() << "unexpected dialog: " << dialog.Name();
    dialog.CloseRequested();
    return;
  }
  DialogScript script = std::move(scripts.front());
  scripts.pop_front();
  script(dialog);
  if (dialog.IsVisible()) {
    ADD_FAILURE() << "the script left dialog " << dialog.Name() << " open";
    dialog.CloseRequested();
  }
}

platform::FileDialogResult FakeUi::OpenFileDialog(const platform::FileDialogRequest& request) {
  fileRequests_.push_back(request);
  if (openFiles_.empty()) {
    ADD_FAILURE() << "unexpected file-open dialog: " << request.title;
    return {true, ""};
  }
  auto result = std::move(openFiles_.front());
  openFiles_.pop_front();
  return result;
}

platform::FileDialogResult FakeUi::SaveFileDialog(const platform::FileDialogRequest& request) {
  fileRequests_.push_back(request);
  if (saveFiles_.empty()) {
    ADD_FAILURE() << "unexpected file-save dialog: " << request.title;
    return {true, ""};
  }
  auto result = std::move(saveFiles_.front());
  saveFiles_.pop_front();
  return result;
}

std::string FakeUi::BrowseForFolder(const std::string& prompt) {
  folderPrompts_.push_back(prompt);
  if (folders_.empty()) {
    ADD_FAILURE() << "unexpected folder chooser: " << prompt;
    return {};
  }
  std::string folder = std::move(folders_.front());
  folders_.pop_front();
  return folder;
}

void FakeUi::Yield() {
  ++yields_;
  if (inYieldAction_) return;  // an action that yields itself must not re-enter the scripts
  inYieldAction_ = true;
  for (auto& action : yieldActions_) action(yields_);
  inYieldAction_ = false;
}

bool FakeUi::AllDialogScriptsUsed() const {
  for (const auto& [name, scripts] : dialogs_) {
    if (!scripts.empty()) return false;
  }
  return true;
}

}  // namespace nulvane::testing
