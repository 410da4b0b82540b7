#pragma once

#include <QMainWindow>
#include <QPointer>
#include <QTimer>
#include <functional>
#include <map>
#include <string>
#include <vector>

#include "platform/Controls.h"

class QLabel;
class QPushButton;

namespace nulvane::mainwindow {
class MainWindow;
}

namespace nulvane::gui {

// The main window: the command panel on the left, the operation's target and settings on the right. It
// renders the MainWindow logic's controls and forwards button releases, hovering, F10, the guard timer and
// the close box to it. A main window of the toolkit, so assistive tools meet it as the program's frame.
class MainWindowView : public QMainWindow {
  Q_OBJECT

 public:
  explicit MainWindowView(mainwindow::MainWindow& logic, QWidget* parent = nullptr);
  ~MainWindowView() override;

  QPushButton* quitButton() const { return Button("cmdQuit"); }
  // The widgets by their logic names ("cmdProcessFiles(1)", "lblDirectory"); null when there is none.
  QPushButton* Button(const std::string& name) const;
  QLabel* Label(const std::string& name) const;

  // Files or folders given from outside (the command line, a drop), handed to the logic once the event
  // that brought them has ended: its questions then never run inside a drag and drop or before the window
  // is up.
  void TakeGivenPaths(std::vector<std::string> paths);

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;
  void keyReleaseEvent(QKeyEvent* event) override;
  void closeEvent(QCloseEvent* event) override;
  void showEvent(QShowEvent* event) override;
  // Local files and folders may be dropped onto the window while it waits for a command.
  void dragEnterEvent(QDragEnterEvent* event) override;
  void dragMoveEvent(QDragMoveEvent* event) override;
  void dropEvent(QDropEvent* event) override;

 private:
  struct ButtonBinding {
    QPushButton* widget;
    const platform::Button* state;
    bool inMenu;
  };
  struct LabelBinding {
    QLabel* widget;
    const platform::Label* state;
    bool inverse;           // white on black, hidden while empty
    QString spokenCaption;  // what the value is, for its name, where no caption is on screen
    QLabel* captionLabel;   // the caption beside it on screen, if any
  };

  QPushButton* AddButton(const std::string& name, const platform::Button& state, bool inMenu,
                         std::function<void()> handler);
  QLabel* AddLabel(const std::string& name, const platform::Label& state, bool inverse = false,
                   const QString& spokenCaption = {});
  void Refresh();
  // Whether a control of this window can take the keyboard now.
  bool TakesKeyboard(const QWidget* control) const;
  // The manual's link gets the keyboard only from the user (Tab, a click); where the program's own changes
  // passed it there, it goes back to the control the user was on, or to the first command.
  void KeepKeyboardOffTheLink(QWidget* userWasOn);

  mainwindow::MainWindow& logic_;
  int subscription_ = 0;
  QTimer clock2_;
  QWidget* setupPanel_ = nullptr;
  QWidget* saveSetupPanel_ = nullptr;
  std::map<std::string, ButtonBinding> buttons_;
  std::vector<QPushButton*> commands_;  // the command panel's buttons, top to bottom
  QPointer<QWidget> userWasOn_;  // the control the keyboard was on before the program passed it to the link
  bool keyboardParked_ = false;  // the window itself holds the keyboard until a command takes it
  std::map<std::string, LabelBinding> labels_;
  std::map<QObject*, std::string> hoverNames_;
  int appliedFocusRequest_ = 0;
  bool shownByLogic_ = true;
  bool closing_ = false;
};

}  // namespace nulvane::gui
