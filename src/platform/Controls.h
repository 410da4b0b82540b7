#pragma once

#include <string>
#include <vector>

// Toolkit-neutral state of the controls that logic objects own and views render.
// Widths are in twips (1/1440 inch); a view may map them to its own units or ignore them.
namespace nulvane::platform {

struct Label {
  std::string caption;
  bool visible = true;
  bool bold = false;
};

struct Button {
  std::string caption;
  bool visible = true;
  bool enabled = true;
  int width = 0;
};

struct CheckBox {
  std::string caption;
  bool checked = false;
  bool visible = true;
  bool enabled = true;
};

struct OptionButton {
  std::string caption;
  bool selected = false;
  bool visible = true;
  bool enabled = true;
};

struct TextField {
  std::string text;
  bool visible = true;
  bool enabled = true;
};

// A drop-down list or a list box; `selected` is -1 when nothing is selected.
struct ListControl {
  std::vector<std::string> items;
  int selected = -1;
  bool visible = true;
  bool enabled = true;

  std::string SelectedText() const {
    return selected >= 0 && selected < static_cast<int>(items.size()) ? items[selected] : std::string();
  }
};

}  // namespace nulvane::platform
