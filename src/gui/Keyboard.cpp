#include "gui/Keyboard.h"

#include <QApplication>
#include <QKeyEvent>
#include <QWindow>
#include <map>

namespace nulvane::gui {

namespace {

// Remembers for each key the window its last press went to, and lets its release and repeats through only
// in that window. An event that travels from the focus widget up to its parents, or from the system's
// window to the focus widget, meets the filter once per stop; the verdict is the same at each.
class KeyPressGuard : public QObject {
 protected:
  bool eventFilter(QObject* watched, QEvent* event) override {
    switch (event->type()) {
      case QEvent::ApplicationStateChange:
        // Keys pressed while another program had the keyboard were never seen here.
        if (QGuiApplication::applicationState() != Qt::ApplicationActive) pressedIn_.clear();
        return false;
      case QEvent::ShortcutOverride:  // a press that a shortcut may take before it reaches any widget
      case QEvent::KeyPress:
      case QEvent::KeyRelease:
        break;
      default:
        return false;
    }
    const QObject* window = WindowOf(watched);
    const auto* key = static_cast<const QKeyEvent*>(event);
    if (window == nullptr || key->key() == 0 || key->key() == Qt::Key_unknown) return false;
    if (event->type() != QEvent::KeyRelease && !key->isAutoRepeat()) {
      pressedIn_[key->key()] = window;
      return false;
    }
    const auto found = pressedIn_.find(key->key());
    const bool pressedHere = found != pressedIn_.end() && found->second == window;
    return !pressedHere;
  }

 private:
  // The top-level window an event is for: a widget's window, or the widget behind the system's window.
  static const QObject* WindowOf(QObject* watched) {
    if (watched->isWidgetType()) return static_cast<QWidget*>(watched)->window();
    if (auto* window = qobject_cast<QWindow*>(watched)) {
      for (QWidget* topLevel : QApplication::topLevelWidgets()) {
        if (topLevel->windowHandle() == window) return topLevel;
      }
    }
    return nullptr;
  }

  std::map<int, QPointer<const QObject>> pressedIn_;
};

}  // namespace

void InstallKeyPressGuard() {
  // Lives with the application object, and is made again should that be replaced.
  static QPointer<KeyPressGuard> guard;
  if (!guard.isNull()) return;
  QCoreApplication* application = QCoreApplication::instance();
  if (application == nullptr) return;
  guard = new KeyPressGuard;
  guard->setParent(application);
  application->installEventFilter(guard);
}

KeyboardReturn::KeyboardReturn(QWidget* fallback) {
  InstallKeyPressGuard();
  QWidget* active = QApplication::activeWindow();
  window_ = active != nullptr && active->isVisible() ? active : fallback;
}

KeyboardReturn::~KeyboardReturn() {
  if (!window_ || !window_->isVisible()) return;
  // Another window on the screen took the keyboard meanwhile (the report window, brought to the front): it
  // keeps it. A closed window may still count as active until the system says otherwise, and the system may
  // announce the modal window's activation only after it closed; so the window that seems to have the
  // keyboard already asks for it again, and that request comes last.
  QWidget* active = QApplication::activeWindow();
  if (active != nullptr && active != window_ && active->isVisible()) return;
  window_->activateWindow();
}

}  // namespace nulvane::gui
