#pragma once

#include <string>

#include "platform/Observable.h"

namespace nulvane::platform {

// The logic object of a modal dialog. Ui::ShowModal makes it visible, runs Activate() and returns
// once the logic has hidden it again (by Accept, Cancel and the like).
class Dialog : public Observable {
 public:
  explicit Dialog(std::string name) : name_(std::move(name)) {}
  virtual ~Dialog() = default;

  const std::string& Name() const { return name_; }
  bool IsVisible() const { return visible_; }

  // Called by Ui implementations when the dialog is shown.
  void BeginShow() {
    visible_ = true;
    Activate();
    NotifyChanged();
  }
  // The window's close button: by default the same as hiding without an answer.
  virtual void CloseRequested() { Hide(); }

  std::string caption;

 protected:
  virtual void Activate() {}
  void Hide() {
    visible_ = false;
    NotifyChanged();
  }

 private:
  std::string name_;
  bool visible_ = false;
};

}  // namespace nulvane::platform
