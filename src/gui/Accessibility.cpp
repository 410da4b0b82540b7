#include "gui/Accessibility.h"

#include <QAbstractItemView>
#include <QAccessible>
#include <QAccessibleWidget>
#include <QComboBox>
#include <QLineEdit>

namespace nulvane::gui {

namespace {

// A drop-down list as assistive tools see it: the list of entries (and the text box of an editable list) as
// children, its name from its label, its current entry as its value, and the actions that open the list.
class ComboBoxAccessible : public QAccessibleWidget {
 public:
  explicit ComboBoxAccessible(QComboBox* box) : QAccessibleWidget(box, QAccessible::ComboBox) {}

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

QAccessibleInterface* AccessibleFor(const QString& className, QObject* object) {
  if (className == QLatin1String("QComboBox") && object != nullptr && object->isWidgetType()) {
    return new ComboBoxAccessible(static_cast<QComboBox*>(object));
  }
  return nullptr;
}

}  // namespace

void InstallAccessibility() {
  // Factories installed later are asked first, so this one answers before the toolkit's own.
  static const bool installed = [] {
    QAccessible::installFactory(AccessibleFor);
    return true;
  }();
  (void)installed;
}

}  // namespace nulvane::gui
