#pragma once

#include <gtest/gtest.h>

#include <deque>
#include <string>
#include <vector>

#include "gui/QtUi.h"
#include "platform/Ui.h"

namespace nulvane::testing {

// The Qt Ui with message boxes and the folder chooser answered from queues; everything else (the dialogs'
// views, the clipboard, yielding) is the real Qt Ui.
class ScriptedQtUi : public platform::Ui {
 public:
  explicit ScriptedQtUi(gui::QtUi& real) : real_(real) {}

  void QueueAnswer(platform::Answer answer) { answers_.push_back(answer); }
  void QueueFolder(std::string folder) { folders_.push_back(std::move(folder)); }
  const std::vector<std::string>& texts() const { return texts_; }

  platform::Answer Message(const std::string& title, const std::string& text, platform::Buttons buttons,
                           platform::Icon, platform::Answer) override {
    texts_.push_back(text);
    if (answers_.empty()) {
      ADD_FAILURE() << "unexpected message box: " << title << ": " << text;
      return buttons == platform::Buttons::Ok ? platform::Answer::Ok : platform::Answer::Cancel;
    }
    const platform::Answer answer = answers_.front();
    answers_.pop_front();
    return answer;
  }
  void ShowModal(platform::Dialog& dialog) override { real_.ShowModal(dialog); }
  platform::FileDialogResult OpenFileDialog(const platform::FileDialogRequest& request) override {
    ADD_FAILURE() << "unexpected file dialog: " << request.title;
    return {true, ""};
  }
  platform::FileDialogResult SaveFileDialog(const platform::FileDialogRequest& request) override {
    ADD_FAILURE() << "unexpected file dialog: " << request.title;
    return {true, ""};
  }
  std::string BrowseForFolder(const std::string& prompt) override {
    if (folders_.empty()) {
      ADD_FAILURE() << "unexpected folder chooser: " << prompt;
      return {};
    }
    std::string folder = folders_.front();
    folders_.pop_front();
    return folder;
  }
  void SetClipboardText(const std::string& text) override { real_.SetClipboardText(text); }
  bool OpenUrl(const std::string&) override { return true; }
  void Yield() override { real_.Yield(); }
  void Wait(int milliseconds) override { real_.Wait(milliseconds); }

 private:
  gui::QtUi& real_;
  std::deque<platform::Answer> answers_;
  std::deque<std::string> folders_;
  std::vector<std::string> texts_;
};

}  // namespace nulvane::testing
