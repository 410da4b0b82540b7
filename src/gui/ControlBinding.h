#pragma once

#include <QMetaObject>
#include <QString>
#include <functional>
#include <string>
#include <vector>

#include "platform/Controls.h"

class QAbstractButton;
class QButtonGroup;
class QComboBox;
class QLabel;
class QLineEdit;
class QListWidget;
class QObject;
class QWidget;

namespace nulvane::gui {

// Ties a view's controls to the logic state they show, in both directions, so that the window always shows
// what the program will do.
//
// To the logic: every change of a control's state is forwarded, whatever made it: the mouse, the keyboard,
// a screen reader's "Toggle" or "set text", or setChecked/setCurrentIndex/setText from code. So the binder
// listens to the state signals (toggled, currentIndexChanged, a list's selection, textChanged), never to
// clicked or activated.
// Back to the control: after each forwarded change the view renders the logic's state again, so a change
// the logic refuses is undone on screen at once. The Show functions below render with the controls'
// signals blocked, so drawing never comes back as a change of the user's.
class ControlBinder {
 public:
  // `render` draws the logic's state onto the controls; `owner` ends the connections when it goes.
  ControlBinder(QObject* owner, std::function<void()> render);
  // Ends the connections, so nothing reaches a view that is being taken down.
  ~ControlBinder();
  ControlBinder(const ControlBinder&) = delete;
  ControlBinder& operator=(const ControlBinder&) = delete;

  void CheckBox(QAbstractButton* box, std::function<void(bool checked)> changed);
  // The option buttons of a group; `selected` receives the id of the option turned on.
  void Options(QButtonGroup* group, std::function<void(int id)> selected);
  void List(QComboBox* list, std::function<void(int index)> chosen);
  void List(QListWidget* list, std::function<void(int row)> chosen);
  void Text(QLineEdit* box, std::function<void(const std::string& text)> changed);

  // True while a change of a control's state is being forwarded to the logic.
  bool Forwarding() const { return forwarding_ > 0; }

 private:
  void Forward(const QWidget* control, const std::function<void()>& change);

  int forwarding_ = 0;
  QObject* owner_;
  std::function<void()> render_;
  std::vector<QMetaObject::Connection> connections_;
};

void ShowCheckBox(QAbstractButton* box, const platform::CheckBox& state);
// The options of a group, `options[id]` for the button of each id. Any of them may be off, even all.
void ShowOptions(QButtonGroup* group, const std::vector<const platform::OptionButton*>& options);
void ShowList(QComboBox* list, const platform::ListControl& state);
// `itemText` turns an entry into the text shown for it.
void ShowList(QListWidget* list, const platform::ListControl& state,
              const std::function<QString(const std::string&)>& itemText);
void ShowText(QLineEdit* box, const platform::TextField& state);

// A label for a text of the program's: always plain text, so that a name such as "<b>Data</b>" shows as it is
// and keeps its line breaks; the toolkit would otherwise guess that it is markup.
QLabel* NewTextLabel(QWidget* parent);
// Shows a text of the program's in such a label as it is, to assistive tools as well: they would otherwise
// hear a name without its "&"s, which the toolkit takes for the mark of a shortcut key ("R&D" read as "RD").
void ShowLabelText(QLabel* label, const QString& text);

// Gives an editable control or list the accessible name a screen reader announces: the text of the label
// that names it on screen, without a trailing colon.
void NameControl(QWidget* control, const std::string& labelText);

// Whether the user's last input was a mouse button rather than a key. A dialog moves the focus on after a
// choice (to Accept, say) only when the choice was clicked: a keyboard or screen-reader user arrowing through
// a list or a group of options stays where they are.
bool LastInputWasPointer();

}  // namespace nulvane::gui
