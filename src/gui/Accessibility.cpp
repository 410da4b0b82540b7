#include "gui/Accessibility.h"

#include <QAbstractButton>
#include <QAbstractItemView>
#include <QAccessible>
#include <QAccessibleWidget>
#include <QApplication>
#include <QComboBox>
#include <QFrame>
#include <QKeyEvent>
#include <QKeySequence>
#include <QLabel>
#include <QLineEdit>
#include <QMouseEvent>
#include <QPushButton>
#include <QTimer>
#include <utility>

namespace nulvane::gui {

namespace {

// A drop-down list as assistive tools see it: the list of entries (and the text box of an editable list) as
// children, its name from its label, its current entry as its value, and the actions that open the list.
// The current entry is also its (read-only) text: with the label as its name, the text is where a screen
// reader finds the entry it announces beside the label.
class ComboBoxAccessible : public QAccessibleWidget, public QAccessibleTextInterface {
 public:
  explicit ComboBoxAccessible(QComboBox* box) : QAccessibleWidget(box, QAccessible::ComboBox) {}

  // Its list opens and closes: a screen reader says so, as it does for any expandable control.
  QAccessible::State state() const override {
    QAccessible::State state = QAccessibleWidget::state();
    state.expandable = true;
    state.expanded = comboBox()->view()->isVisible();
    return state;
  }

  void* interface_cast(QAccessible::InterfaceType type) override {
    // An editable list has a text box of its own among its children.
    if (type == QAccessible::TextInterface && !comboBox()->isEditable())
      return static_cast<QAccessibleTextInterface*>(this);
    return QAccessibleWidget::interface_cast(type);
  }

  // The text interface: the current entry, read-only, without a caret or selection of its own.
  QString text(int startOffset, int endOffset) const override {
    const QString entry = CurrentText();
    if (startOffset < 0) startOffset = 0;
    if (endOffset < 0 || endOffset > entry.size()) endOffset = static_cast<int>(entry.size());
    return startOffset >= endOffset ? QString() : entry.mid(startOffset, endOffset - startOffset);
  }
  int characterCount() const override { return static_cast<int>(CurrentText().size()); }
  void selection(int, int* startOffset, int* endOffset) const override { *startOffset = *endOffset = 0; }
  int selectionCount() const override { return 0; }
  void addSelection(int, int) override {}
  void removeSelection(int) override {}
  void setSelection(int, int, int) override {}
  int cursorPosition() const override { return 0; }
  void setCursorPosition(int) override {}
  QRect characterRect(int) const override { return {}; }
  int offsetAtPoint(const QPoint&) const override { return -1; }
  void scrollToSubstring(int, int) override {}
  QString attributes(int, int* startOffset, int* endOffset) const override {
    *startOffset = 0;
    *endOffset = characterCount();
    return {};
  }

  int childCount() const override { return comboBox()->isEditable() ? 2 : 1; }

  QAccessibleInterface* child(int index) const override {
    if (index == 0) return QAccessible::queryAccessibleInterface(comboBox()->view());
    if (index == 1 && comboBox()->isEditable())
      return QAccessible::queryAccessibleInterface(comboBox()->lineEdit());
    return nullptr;
  }

  int indexOfChild(const QAccessibleInterface* child) const override {
    if (child == nullptr) return -1;
    if (child->object() == comboBox()->view()) return 0;
    if (comboBox()->isEditable() && child->object() == comboBox()->lineEdit()) return 1;
    return -1;
  }

  QAccessibleInterface* childAt(int x, int y) const override {
    QLineEdit* edit = comboBox()->isEditable() ? comboBox()->lineEdit() : nullptr;
    if (edit != nullptr && edit->rect().contains(edit->mapFromGlobal(QPoint(x, y)))) return child(1);
    return nullptr;
  }

  QString text(QAccessible::Text kind) const override {
    if (kind == QAccessible::Value) return CurrentText();
    const QString text = QAccessibleWidget::text(kind);
    // Without any label the entry is all there is to say.
    if (kind == QAccessible::Name && text.isEmpty()) return CurrentText();
    return text;
  }

  QStringList actionNames() const override {
    return QStringList{showMenuAction(), pressAction()} + QAccessibleWidget::actionNames();
  }

  void doAction(const QString& actionName) override {
    if (actionName != showMenuAction() && actionName != pressAction()) {
      QAccessibleWidget::doAction(actionName);
      return;
    }
    if (comboBox()->view()->isVisible()) {
      comboBox()->hidePopup();
    } else {
      comboBox()->showPopup();
    }
  }

  QStringList keyBindingsForAction(const QString&) const override { return {}; }

 private:
  QComboBox* comboBox() const { return static_cast<QComboBox*>(widget()); }
  QString CurrentText() const {
    return comboBox()->isEditable() ? comboBox()->lineEdit()->text() : comboBox()->currentText();
  }
};

// The text of a caption without its mnemonic marks ("&Yes" is "Yes", "&&" one "&").
QString WithoutMnemonics(const QString& caption) {
  QString plain;
  for (qsizetype i = 0; i < caption.size(); ++i) {
    if (caption[i] == QLatin1Char('&')) {
      if (i + 1 >= caption.size()) break;
      ++i;
    }
    plain += caption[i];
  }
  return plain;
}

// A push button, check box or option button as the toolkit presents it, except that its actions are
// refused while a modal window stands over it. The toolkit keeps the mouse and the keyboard from a window
// under a modal one, but runs an assistive tool's "Press" or "Toggle" anywhere; so a screen reader could
// start a second command, or change a choice the open question is about, where no other user can.
class ButtonAccessible : public QAccessibleWidget {
 public:
  explicit ButtonAccessible(QAbstractButton* button) : QAccessibleWidget(button) {
    addControllingSignal(button->isCheckable() ? QStringLiteral("toggled(bool)")
                                               : QStringLiteral("clicked()"));
  }

  QAccessible::Role role() const override {
    if (!button()->isCheckable()) return QAccessible::Button;
    return button()->autoExclusive() ? QAccessible::RadioButton : QAccessible::CheckBox;
  }

  QAccessible::State state() const override {
    QAccessible::State state = QAccessibleWidget::state();
    state.checkable = button()->isCheckable();
    state.checked = button()->isChecked();
    state.pressed = button()->isDown();
    if (const auto* push = qobject_cast<const QPushButton*>(button()))
      state.defaultButton = push->isDefault();
    return state;
  }

  QString text(QAccessible::Text kind) const override {
    QString text;
    if (kind == QAccessible::Name) {
      text = widget()->accessibleName();
      if (text.isEmpty()) text = WithoutMnemonics(button()->text());
    } else if (kind == QAccessible::Accelerator) {
      const auto* push = qobject_cast<const QPushButton*>(button());
      if (push != nullptr && push->isDefault())
        text = QKeySequence(Qt::Key_Enter).toString(QKeySequence::NativeText);
      if (text.isEmpty()) text = QKeySequence::mnemonic(button()->text()).toString(QKeySequence::NativeText);
    }
    return text.isEmpty() ? QAccessibleWidget::text(kind) : text;
  }

  QStringList actionNames() const override {
    QStringList names;
    if (widget()->isEnabled()) names << (button()->isCheckable() ? toggleAction() : pressAction());
    return names + QAccessibleWidget::actionNames();
  }

  void doAction(const QString& actionName) override {
    if (actionName == pressAction() || actionName == toggleAction()) {
      if (!widget()->isEnabled() || !TakesUserInput(widget())) return;
      if (actionName == pressAction()) {
        button()->animateClick();
      } else {
        button()->toggle();
      }
      return;
    }
    QAccessibleWidget::doAction(actionName);
  }

  QStringList keyBindingsForAction(const QString& actionName) const override {
    if (actionName == pressAction()) return {button()->shortcut().toString()};
    return {};
  }

 private:
  QAbstractButton* button() const { return static_cast<QAbstractButton*>(widget()); }
};

// What following a link does, kept with the label it belongs to, and the clicks and keys that follow it.
class LinkFollower : public QObject {
 public:
  static constexpr const char* kName = "nulvaneLinkFollower";
  LinkFollower(QLabel* label, std::function<void()> follow) : follow_(std::move(follow)) {
    // Named before it joins the label, so that it is found whenever the label is presented from now on.
    setObjectName(QString::fromLatin1(kName));
    setParent(label);
    label->installEventFilter(this);
  }
  void Follow() const { follow_(); }

  static const LinkFollower* Of(const QObject* label) {
    return dynamic_cast<const LinkFollower*>(
        label->findChild<QObject*>(QString::fromLatin1(kName), Qt::FindDirectChildrenOnly));
  }

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override {
    auto* label = static_cast<QLabel*>(watched);
    switch (event->type()) {
      case QEvent::MouseButtonPress:
        if (static_cast<QMouseEvent*>(event)->button() != Qt::LeftButton) break;
        mousePressed_ = true;
        return true;
      case QEvent::MouseButtonRelease: {
        const auto* mouse = static_cast<QMouseEvent*>(event);
        if (mouse->button() != Qt::LeftButton) break;
        // The press began elsewhere, or the pointer left the link before the button came up: no click.
        const bool click = mousePressed_ && label->rect().contains(mouse->position().toPoint());
        mousePressed_ = false;
        if (click) Follow();
        return true;
      }
      case QEvent::KeyPress:
      case QEvent::KeyRelease: {
        const auto* key = static_cast<QKeyEvent*>(event);
        if (!IsActivationKey(key->key())) break;
        if (key->isAutoRepeat()) return true;
        if (event->type() == QEvent::KeyPress) {
          pressedKey_ = key->key();
        } else if (std::exchange(pressedKey_, 0) == key->key()) {
          Follow();
        }
        return true;
      }
      case QEvent::FocusOut:
      case QEvent::Hide:
      case QEvent::EnabledChange:
        mousePressed_ = false;
        pressedKey_ = 0;
        break;
      default:
        break;
    }
    return false;
  }

 private:
  static bool IsActivationKey(int key) {
    return key == Qt::Key_Return || key == Qt::Key_Enter || key == Qt::Key_Space;
  }

  std::function<void()> follow_;
  bool mousePressed_ = false;
  int pressedKey_ = 0;
};

class LinkAccessible : public QAccessibleWidget {
 public:
  explicit LinkAccessible(QLabel* label) : QAccessibleWidget(label, QAccessible::Link) {}

  QString text(QAccessible::Text kind) const override {
    if (kind == QAccessible::Name) {
      const QString name = widget()->accessibleName();
      return name.isEmpty() ? static_cast<QLabel*>(widget())->text() : name;
    }
    return QAccessibleWidget::text(kind);
  }

  QStringList actionNames() const override {
    QStringList names;
    if (widget()->isEnabled()) names << pressAction();
    return names + QAccessibleWidget::actionNames();
  }

  void doAction(const QString& actionName) override {
    if (actionName != pressAction()) {
      QAccessibleWidget::doAction(actionName);
      return;
    }
    if (!widget()->isEnabled() || !TakesUserInput(widget())) return;
    // Run from the event loop, as a button's press is: what it opens must not hold up the tool's call.
    QLabel* label = static_cast<QLabel*>(widget());
    QTimer::singleShot(0, label, [label] {
      if (const LinkFollower* follower = LinkFollower::Of(label)) follower->Follow();
    });
  }

  QStringList keyBindingsForAction(const QString&) const override { return {}; }
};

QAccessibleInterface* AccessibleFor(const QString& className, QObject* object) {
  if (object == nullptr || !object->isWidgetType()) return nullptr;
  if (className == QLatin1String("QComboBox")) return new ComboBoxAccessible(static_cast<QComboBox*>(object));
  // The same kinds of button the toolkit presents with its own button interface.
  if (className == QLatin1String("QPushButton") || className == QLatin1String("QCheckBox") ||
      className == QLatin1String("QRadioButton") || className == QLatin1String("QAbstractButton")) {
    return new ButtonAccessible(static_cast<QAbstractButton*>(object));
  }
  if (className == QLatin1String("QLabel") && LinkFollower::Of(object) != nullptr)
    return new LinkAccessible(static_cast<QLabel*>(object));
  // A plain frame groups controls inside a window; the toolkit would present it as a frame, the role of a
  // window, and a screen reader would announce a window that is not there.
  if (className == QLatin1String("QFrame"))
    return new QAccessibleWidget(static_cast<QWidget*>(object), QAccessible::Grouping);
  return nullptr;
}

}  // namespace

bool TakesUserInput(const QWidget* widget) {
  const QWidget* modal = QApplication::activeModalWidget();
  if (modal == nullptr) return true;
  // Inside the modal window, or in a window it opened (a list's popup): reachable.
  for (const QWidget* window = widget->window(); window != nullptr; window = window->parentWidget()) {
    if (window == modal) return true;
  }
  return false;
}

void MakeLink(QLabel* label, std::function<void()> follow) {
  new LinkFollower(label, std::move(follow));
  label->setFocusPolicy(Qt::StrongFocus);
  // A label that presented itself already (its text set at creation does that) is presented anew.
  QAccessibleInterface* before = QAccessible::queryAccessibleInterface(label);
  if (before != nullptr && before->role() != QAccessible::Link)
    QAccessible::deleteAccessibleInterface(QAccessible::uniqueId(before));
}

void InstallAccessibility() {
  // Factories installed later are asked first, so this one answers before the toolkit's own.
  static const bool installed = [] {
    QAccessible::installFactory(AccessibleFor);
    return true;
  }();
  (void)installed;
}

}  // namespace nulvane::gui
