#include "gui/ControlBinding.h"

#include <QAbstractButton>
#include <QButtonGroup>
#include <QComboBox>
#include <QCoreApplication>
#include <QEvent>
#include <QItemSelectionModel>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPointer>
#include <QSignalBlocker>

#include "gui/Accessibility.h"

namespace nulvane::gui {

namespace {

// Watches every input event of the application for what the user used last.
class InputWatcher : public QObject {
 public:
  bool pointer = false;

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override {
    switch (event->type()) {
      case QEvent::MouseButtonPress:
      case QEvent::MouseButtonDblClick:
      case QEvent::TouchBegin:
        pointer = true;
        break;
      case QEvent::KeyPress:
      case QEvent::Shortcut:
        pointer = false;
        break;
      default:
        break;
    }
    return QObject::eventFilter(watched, event);
  }
};

}  // namespace

bool LastInputWasPointer() {
  // Lives with the application object, and is made again should that be replaced.
  static QPointer<InputWatcher> watcher;
  if (watcher.isNull()) {
    QCoreApplication* application = QCoreApplication::instance();
    if (application == nullptr) return false;
    watcher = new InputWatcher;
    watcher->setParent(application);
    application->installEventFilter(watcher);
  }
  return watcher->pointer;
}

ControlBinder::ControlBinder(QObject* owner, std::function<void()> render)
    : owner_(owner), render_(std::move(render)) {}

ControlBinder::~ControlBinder() {
  for (const QMetaObject::Connection& connection : connections_) QObject::disconnect(connection);
}

void ControlBinder::Forward(const QWidget* control, const std::function<void()>& change) {
  ++forwarding_;
  // Only an assistive tool reaches a control under a modal window; the change is undone, not taken.
  if (TakesUserInput(control)) change();
  render_();
  --forwarding_;
}

void ControlBinder::CheckBox(QAbstractButton* box, std::function<void(bool checked)> changed) {
  connections_.push_back(QObject::connect(
      box, &QAbstractButton::toggled, owner_,
      [this, box, changed = std::move(changed)](bool checked) { Forward(box, [&] { changed(checked); }); }));
}

void ControlBinder::Options(QButtonGroup* group, std::function<void(int id)> selected) {
  // An option going off is the other half of one going on; only that one is news to the logic.
  connections_.push_back(
      QObject::connect(group, &QButtonGroup::idToggled, owner_,
                       [this, group, selected = std::move(selected)](int id, bool checked) {
                         if (checked) Forward(group->button(id), [&] { selected(id); });
                       }));
}

void ControlBinder::List(QComboBox* list, std::function<void(int index)> chosen) {
  connections_.push_back(QObject::connect(
      list, &QComboBox::currentIndexChanged, owner_,
      [this, list, chosen = std::move(chosen)](int index) { Forward(list, [&] { chosen(index); }); }));
  // A screen reader chooses an entry of a closed drop-down list by selecting it in the list's entries
  // ("Toggle" on the entry); the list itself does not follow that, so it is made to here.
  connections_.push_back(QObject::connect(list->view()->selectionModel(),
                                          &QItemSelectionModel::selectionChanged, owner_,
                                          [list](const QItemSelection& selected) {
                                            if (list->view()->isVisible() || selected.indexes().isEmpty())
                                              return;
                                            const int row = selected.indexes().first().row();
                                            if (row != list->currentIndex()) list->setCurrentIndex(row);
                                          }));
}

void ControlBinder::List(QListWidget* list, std::function<void(int row)> chosen) {
  // The selected entry is the choice, however it came to be selected (a click, the arrow keys, a screen
  // reader's "Toggle"). The current entry alone is not: the focus entering the list by Tab makes its first
  // entry current, and passing through the list must not choose a file.
  connections_.push_back(QObject::connect(
      list, &QListWidget::itemSelectionChanged, owner_, [this, list, chosen = std::move(chosen)] {
        const QList<QListWidgetItem*> selected = list->selectedItems();
        if (selected.isEmpty()) {
          Forward(list, [] {});  // nothing to take; the logic's choice is drawn again
          return;
        }
        const int row = list->row(selected.first());
        Forward(list, [&] { chosen(row); });
      }));
}

void ControlBinder::Text(QLineEdit* box, std::function<void(const std::string& text)> changed) {
  connections_.push_back(QObject::connect(box, &QLineEdit::textChanged, owner_,
                                          [this, box, changed = std::move(changed)](const QString& text) {
                                            Forward(box, [&] { changed(text.toStdString()); });
                                          }));
}

void ShowCheckBox(QAbstractButton* box, const platform::CheckBox& state) {
  const QSignalBlocker blocker(box);
  const QString caption = QString::fromStdString(state.caption);
  if (box->text() != caption) box->setText(caption);
  box->setChecked(state.checked);
  box->setVisible(state.visible);
  box->setEnabled(state.enabled);
}

void ShowOptions(QButtonGroup* group, const std::vector<const platform::OptionButton*>& options) {
  // The group reports each button's change itself, so both are kept quiet.
  const QSignalBlocker groupBlocker(group);
  // An exclusive group refuses to turn its last option off; the logic may have none selected.
  const bool exclusive = group->exclusive();
  group->setExclusive(false);
  for (std::size_t id = 0; id < options.size(); ++id) {
    QAbstractButton* button = group->button(static_cast<int>(id));
    if (button == nullptr) continue;
    const QSignalBlocker blocker(button);
    const platform::OptionButton& state = *options[id];
    const QString caption = QString::fromStdString(state.caption);
    if (button->text() != caption) button->setText(caption);
    button->setChecked(state.selected);
    button->setVisible(state.visible);
    button->setEnabled(state.enabled);
  }
  group->setExclusive(exclusive);
}

void ShowList(QComboBox* list, const platform::ListControl& state) {
  const QSignalBlocker blocker(list);
  bool same = list->count() == static_cast<int>(state.items.size());
  for (int i = 0; same && i < list->count(); ++i)
    same = list->itemText(i) == QString::fromStdString(state.items[static_cast<std::size_t>(i)]);
  if (!same) {
    list->clear();
    for (const auto& item : state.items) list->addItem(QString::fromStdString(item));
  }
  list->setCurrentIndex(state.selected);
  // The entry shown is also the selected one of the list's entries, which is where a screen reader looks.
  QItemSelectionModel* entries = list->view()->selectionModel();
  const QModelIndex current = list->model()->index(state.selected, list->modelColumn());
  if (current.isValid() && !entries->isSelected(current)) {
    entries->select(current, QItemSelectionModel::ClearAndSelect);
  } else if (!current.isValid()) {
    entries->clearSelection();
  }
  list->setVisible(state.visible);
  list->setEnabled(state.enabled);
}

void ShowList(QListWidget* list, const platform::ListControl& state,
              const std::function<QString(const std::string&)>& itemText) {
  const QSignalBlocker blocker(list);
  QStringList items;
  for (const auto& item : state.items) items << itemText(item);
  bool same = list->count() == items.size();
  for (int i = 0; same && i < items.size(); ++i) same = list->item(i)->text() == items[i];
  if (!same) {
    list->clear();
    list->addItems(items);
  }
  list->setCurrentRow(state.selected);
  if (state.selected < 0) list->clearSelection();
  list->setVisible(state.visible);
  list->setEnabled(state.enabled);
}

void ShowText(QLineEdit* box, const platform::TextField& state) {
  const QSignalBlocker blocker(box);
  const QString text = QString::fromStdString(state.text);
  // Only a real difference is written back, so the caret stays where the user is typing.
  if (box->text() != text) box->setText(text);
  box->setVisible(state.visible);
  box->setEnabled(state.enabled);
}

QLabel* NewTextLabel(QWidget* parent) {
  auto* label = new QLabel(parent);
  label->setTextFormat(Qt::PlainText);
  return label;
}

void ShowLabelText(QLabel* label, const QString& text) {
  if (label->text() != text) label->setText(text);
  if (label->accessibleName() != text) label->setAccessibleName(text);
}

void NameControl(QWidget* control, const std::string& labelText) {
  InstallAccessibility();
  QString name = QString::fromStdString(labelText).trimmed();
  if (name.endsWith(QLatin1Char(':'))) name.chop(1);
  if (control->accessibleName() != name) control->setAccessibleName(name);
  // A drop-down list's entries are a list of their own to a screen reader; it takes the same name.
  if (auto* list = qobject_cast<QComboBox*>(control);
      list != nullptr && list->view()->accessibleName() != name)
    list->view()->setAccessibleName(name);
}

}  // namespace nulvane::gui
