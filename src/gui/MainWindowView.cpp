#include "gui/MainWindowView.h"

#include <QApplication>
#include <QCloseEvent>
#include <QDropEvent>
#include <QFile>
#include <QFrame>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QMimeData>
#include <QPushButton>
#include <QUrl>
#include <QVBoxLayout>
#include <optional>

#include "gui/Accessibility.h"
#include "gui/ControlBinding.h"
#include "gui/Keyboard.h"
#include "gui/QtUi.h"
#include "mainwindow/MainWindow.h"

namespace nulvane::gui {

namespace {

constexpr int kButtonWidth = 190;
constexpr int kRowHeight = 30;

// Windows' virtual-key codes of the function keys, which the logic speaks.
int VirtualKeyOf(int qtKey) {
  if (qtKey >= Qt::Key_F1 && qtKey <= Qt::Key_F24) return 112 + (qtKey - Qt::Key_F1);
  return 0;
}

// The local files and folders a drag carries, as the file system spells them; nothing when it carries
// anything else too (a web address, text), since only local items can be purged.
std::vector<std::string> LocalPathsOf(const QMimeData* data) {
  std::vector<std::string> paths;
  if (data == nullptr || !data->hasUrls()) return paths;
  for (const QUrl& url : data->urls()) {
    if (!url.isLocalFile()) return {};
    paths.push_back(QFile::encodeName(url.toLocalFile()).toStdString());
  }
  return paths;
}

// A drop never moves: a source told "moved" would delete its item itself, unpurged. A link or a copy
// leaves the item where it is for the purge to find.
std::optional<Qt::DropAction> HarmlessDropAction(Qt::DropActions possible) {
  if (possible & Qt::LinkAction) return Qt::LinkAction;
  if (possible & Qt::CopyAction) return Qt::CopyAction;
  return std::nullopt;
}

QLabel* StaticLabel(const char* text, QWidget* parent) {
  QLabel* label = NewTextLabel(parent);
  label->setText(QString::fromUtf8(text));
  label->setStyleSheet(QStringLiteral("color: #555;"));
  return label;
}

}  // namespace

MainWindowView::MainWindowView(mainwindow::MainWindow& logic, QWidget* parent)
    : QMainWindow(parent), logic_(logic) {
  using mainwindow::MainWindow;
  InstallAccessibility();  // before any control of the window is presented to an assistive tool
  InstallKeyPressGuard();
  setWindowTitle(ToWindowTitle(logic_.caption));
  setObjectName(QStringLiteral("frmMain"));
  auto* central = new QWidget(this);
  setCentralWidget(central);
  // Widgets are made in the order a sighted user meets them, which is also the keyboard's order: the
  // commands from top to bottom, then the target's controls.
  auto* grid = new QGridLayout(central);
  grid->setHorizontalSpacing(14);
  grid->setVerticalSpacing(6);
  grid->setContentsMargins(12, 12, 12, 12);

  // fraMenu: a framed column of the command buttons, drawn behind them.
  auto* menuFrame = new QFrame(this);
  menuFrame->setObjectName(QStringLiteral("fraMenu"));
  menuFrame->setFrameShape(QFrame::StyledPanel);
  menuFrame->setStyleSheet(
      QStringLiteral("QFrame#fraMenu { background: #dfe6ee; border: 1px solid #9aa8b8; }"));
  // Row 0 and the row after the last button are the frame's margins.
  constexpr int kRows = 15;
  grid->addWidget(menuFrame, 0, 0, kRows + 2, 1);
  grid->setRowMinimumHeight(0, 2);
  grid->setRowMinimumHeight(kRows + 1, 2);
  grid->setColumnMinimumWidth(0, kButtonWidth + 24);

  MainWindow& w = logic_;
  const auto menuButton = [&](int row, const std::string& name, const platform::Button& state,
                              std::function<void()> handler) {
    QPushButton* button = AddButton(name, state, true, std::move(handler));
    button->setFixedSize(kButtonWidth, kRowHeight);
    commands_.push_back(button);
    grid->addWidget(button, row + 1, 0, Qt::AlignHCenter);
  };
  menuButton(0, "cmdSpecifyDirectory(0)", w.cmdSpecifyDirectory[0],
             [&w] { w.cmdSpecifyDirectory_Release(0); });
  menuButton(1, "cmdSpecifyFiles", w.cmdSpecifyFiles, [&w] { w.cmdSpecifyFiles_Release(); });
  menuButton(2, "cmdSingleFile", w.cmdSingleFile, [&w] { w.cmdSingleFile_Release(); });
  menuButton(3, "cmdSubdirectories", w.cmdSubdirectories, [&w] { w.cmdSubdirectories_Release(); });
  menuButton(4, "cmdOnlyBefore", w.cmdOnlyBefore, [&w] { w.cmdOnlyBefore_Release(); });
  menuButton(5, "cmdTypeOfPurge", w.cmdTypeOfPurge, [&w] { w.cmdTypeOfPurge_Release(); });
  menuButton(6, "cmdProcessFiles(2)", w.cmdProcessFiles[2], [&w] { w.cmdProcessFiles_Release(2); });
  menuButton(7, "cmdProcessFiles(1)", w.cmdProcessFiles[1], [&w] { w.cmdProcessFiles_Release(1); });
  menuButton(8, "cmdSpecifyDirectory(1)", w.cmdSpecifyDirectory[1],
             [&w] { w.cmdSpecifyDirectory_Release(1); });
  menuButton(9, "cmdTestPurgeSpeed", w.cmdTestPurgeSpeed, [&w] { w.cmdTestPurgeSpeed_Click(); });
  menuButton(10, "cmdPurgeFreeSpace", w.cmdPurgeFreeSpace, [&w] { w.cmdPurgeFreeSpace_Click(); });
  menuButton(11, "cmdReportScreen", w.cmdReportScreen, [&w] { w.cmdReportScreen_Release(); });
  menuButton(12, "cmdSetup", w.cmdSetup, [&w] { w.cmdSetup_Release(); });
  menuButton(13, "cmdHelp", w.cmdHelp, [&w] { w.cmdHelp_Release(); });
  menuButton(14, "cmdQuit", w.cmdQuit, [&w] { w.cmdQuit_Release(); });

  // A row of the target's controls beside a command button. It grows with a text of several lines (the
  // folder-mode purge's count, the F10 hint), so nothing the program says is cut.
  const auto row = [&](int at, QWidget* first, QWidget* second = nullptr) {
    auto* layout = new QHBoxLayout;
    layout->setSpacing(10);
    layout->addWidget(first);
    if (second != nullptr) layout->addWidget(second);
    layout->addStretch();
    grid->addLayout(layout, at + 1, 2);
    grid->setRowMinimumHeight(at + 1, kRowHeight);
    return layout;
  };

  // A value stands beside its caption ("Folder:"), which is its label for assistive tools too: the value
  // keeps its own text as its name, so a screen reader reading in order says the caption once.
  const auto captioned = [&](int at, const char* caption, const std::string& name,
                             const platform::Label& state) {
    QLabel* captionLabel = StaticLabel(caption, this);
    grid->addWidget(captionLabel, at, 1);
    QLabel* value = AddLabel(name, state);
    captionLabel->setBuddy(value);
    labels_[name].captionLabel = captionLabel;
    return value;
  };
  QHBoxLayout* folderRow = row(0, captioned(1, "Folder:", "lblDirectory", w.lblDirectory));
  QPushButton* clear = AddButton("cmdClear", w.cmdClear, false, [&w] { w.cmdClear_Click(); });
  clear->setFixedHeight(kRowHeight - 4);
  folderRow->insertWidget(1, clear);

  row(1, captioned(2, "Files:", "lblFiles", w.lblFiles), AddLabel("lblFiles2", w.lblFiles2));
  QLabel* hint = AddLabel("lblSingleFile", w.lblSingleFile);
  hint->setStyleSheet(QStringLiteral("color: #7a4b00; font-style: italic;"));
  row(2, hint);
  row(3, captioned(4, "Subfolders:", "lblSubdirectories", w.lblSubdirectories),
      AddLabel("lblSubdirectories2", w.lblSubdirectories2, true));
  row(4, captioned(5, "Date:", "lblDateRestriction", w.lblDateRestriction));
  row(5, captioned(6, "Type of purge:", "lblTypeOfPurge", w.lblTypeOfPurge));
  // A bare duration on screen, beside the file it is for; with no caption on screen, its name says what it
  // is.
  row(6, AddLabel("lblEstimatedTime", w.lblEstimatedTime, false, QStringLiteral("Estimated purge time")));
  row(7, AddLabel("lblLargePurgeMessage", w.lblLargePurgeMessage, true));
  row(8, AddLabel("lblTopLevelFolder", w.lblTopLevelFolder));
  row(9, AddLabel("lblPurgeSpeed", w.lblPurgeSpeed, true));
  row(10, AddLabel("lblPurgeFoldersMessage", w.lblPurgeFoldersMessage));
  row(11, AddLabel("lblSetupFilename", w.lblSetupFilename));
  QLabel* manual = AddLabel("lblOnlineDocumentation", w.lblOnlineDocumentation);
  manual->setStyleSheet(QStringLiteral("color: #0645ad; text-decoration: underline;"));
  manual->setCursor(Qt::PointingHandCursor);
  // Reachable by the keyboard too: Tab to it, then Enter or Space; a screen reader follows it as a link.
  MakeLink(manual, [this] { logic_.lblOnlineDocumentation_Click(); });
  row(12, manual);

  // fraSetup and picSaveSetup: small panels beside the "Setup" button, hidden until asked for.
  struct PanelButton {
    std::string name;
    const platform::Button* state;
    std::function<void()> handler;
  };
  const auto panel = [&](std::initializer_list<PanelButton> members) {
    auto* frame = new QFrame(this);
    frame->setFrameShape(QFrame::StyledPanel);
    auto* layout = new QHBoxLayout(frame);
    layout->setContentsMargins(6, 2, 6, 2);
    for (const PanelButton& member : members) {
      layout->addWidget(AddButton(member.name, *member.state, false, member.handler));
    }
    layout->addStretch();
    frame->hide();
    grid->addWidget(frame, 13, 2);
    return frame;
  };
  setupPanel_ = panel({{"cmdSaveSetup", &w.cmdSaveSetup, [&w] { w.cmdSaveSetup_Click(); }},
                       {"cmdLoadSetup", &w.cmdLoadSetup, [&w] { w.cmdLoadSetup_Click(); }},
                       {"cmdClearSetup", &w.cmdClearSetup, [&w] { w.cmdClearSetup_Click(); }},
                       {"cmdRestoreSetup", &w.cmdRestoreSetup, [&w] { w.cmdRestoreSetup_Click(); }},
                       {"cmdKeepSetup", &w.cmdKeepSetup, [&w] { w.cmdKeepSetup_Click(); }}});
  saveSetupPanel_ = panel(
      {{"cmdSaveSetupAsOperationFile", &w.cmdSaveSetupAsOperationFile,
        [&w] { w.cmdSaveSetupAsOperationFile_Click(); }},
       {"cmdSaveSetupForNextRun", &w.cmdSaveSetupForNextRun, [&w] { w.cmdSaveSetupForNextRun_Click(); }},
       {"cmdDontSaveSetup", &w.cmdDontSaveSetup, [&w] { w.cmdDontSaveSetup_Click(); }}});

  setAcceptDrops(true);
  grid->setColumnStretch(2, 1);
  grid->setRowStretch(kRows + 2, 1);
  resize(940, 560);

  clock2_.setSingleShot(true);
  clock2_.setInterval(1000);
  connect(&clock2_, &QTimer::timeout, this, [this] { logic_.Clock2Tick(); });

  logic_.onQuit = [this] {
    if (closing_) return;
    closing_ = true;
    QApplication::closeAllWindows();
    QCoreApplication::quit();
  };
  subscription_ = logic_.Subscribe([this] { Refresh(); });
  Refresh();
}

MainWindowView::~MainWindowView() {
  logic_.Unsubscribe(subscription_);
  logic_.onQuit = nullptr;
}

QPushButton* MainWindowView::AddButton(const std::string& name, const platform::Button& state, bool inMenu,
                                       std::function<void()> handler) {
  auto* button = new QPushButton(QString::fromStdString(state.caption), this);
  button->setObjectName(QString::fromStdString(name));
  // clicked() comes with the release of the mouse button over the button, which is when commands act.
  connect(button, &QPushButton::clicked, this, [handler = std::move(handler)] { handler(); });
  button->installEventFilter(this);
  hoverNames_[button] = name;
  buttons_[name] = {button, &state, inMenu};
  return button;
}

QLabel* MainWindowView::AddLabel(const std::string& name, const platform::Label& state, bool inverse,
                                 const QString& spokenCaption) {
  QLabel* label = NewTextLabel(this);
  label->setObjectName(QString::fromStdString(name));
  label->setTextInteractionFlags(Qt::NoTextInteraction);
  // A text of several lines is never squeezed.
  label->setSizePolicy(QSizePolicy::Preferred, QSizePolicy::Minimum);
  if (inverse) {
    label->setStyleSheet(QStringLiteral("background: black; color: white; padding: 2px 6px;"));
  }
  labels_[name] = {label, &state, inverse, spokenCaption, nullptr};
  return label;
}

QPushButton* MainWindowView::Button(const std::string& name) const {
  const auto found = buttons_.find(name);
  return found == buttons_.end() ? nullptr : found->second.widget;
}

QLabel* MainWindowView::Label(const std::string& name) const {
  const auto found = labels_.find(name);
  return found == labels_.end() ? nullptr : found->second.widget;
}

void MainWindowView::Refresh() {
  QWidget* userWasOn = focusWidget();
  setWindowTitle(ToWindowTitle(logic_.caption));
  for (const auto& [name, binding] : buttons_) {
    binding.widget->setText(QString::fromStdString(binding.state->caption));
    binding.widget->setVisible(binding.state->visible);
    bool enabled = binding.state->enabled;
    if (binding.inMenu) enabled = enabled && logic_.fraMenuEnabled;
    binding.widget->setEnabled(enabled);
  }
  for (const auto& [name, binding] : labels_) {
    const QString text = ToDisplayText(binding.state->caption);
    if (binding.spokenCaption.isEmpty() || text.isEmpty()) {
      ShowLabelText(binding.widget, text);
    } else {
      binding.widget->setText(text);
      binding.widget->setAccessibleName(binding.spokenCaption + QStringLiteral(": ") + text);
    }
    QFont font = binding.widget->font();
    font.setBold(binding.state->bold);
    binding.widget->setFont(font);
    // A value with nothing to say is not shown: a screen reader would name it after its caption, and say
    // the caption twice.
    const bool hiddenWhileEmpty = binding.inverse || binding.captionLabel != nullptr;
    const bool visible = binding.state->visible && (!hiddenWhileEmpty || !binding.state->caption.empty());
    binding.widget->setVisible(visible);
    // A caption goes with its value: while the folder-mode purge hides the target, no "Folder:" stands alone.
    if (binding.captionLabel != nullptr) binding.captionLabel->setVisible(binding.state->visible);
  }
  setupPanel_->setVisible(logic_.fraSetupVisible);
  setupPanel_->setEnabled(logic_.fraSetupEnabled);
  saveSetupPanel_->setVisible(logic_.picSaveSetupVisible);

  if (logic_.clock2Enabled && !clock2_.isActive()) clock2_.start();
  if (!logic_.clock2Enabled && clock2_.isActive()) clock2_.stop();

  if (logic_.focusRequests != appliedFocusRequest_) {
    appliedFocusRequest_ = logic_.focusRequests;
    if (QPushButton* button = Button(logic_.focusedControl)) button->setFocus(Qt::OtherFocusReason);
  }
  KeepKeyboardOffTheLink(userWasOn);
  if (logic_.windowVisible != shownByLogic_) {
    shownByLogic_ = logic_.windowVisible;
    setVisible(shownByLogic_);
  }
  // Commands run inside their handlers, so what they show must be laid out and painted now.
  if (isVisible()) {
    layout()->activate();
    for (QLayout* row : findChildren<QLayout*>()) row->activate();
    repaint();
  }
}

bool MainWindowView::TakesKeyboard(const QWidget* control) const {
  return control != nullptr && control != this && control->window() == this && control->isVisibleTo(this) &&
         control->isEnabled() && (control->focusPolicy() & Qt::TabFocus) != 0;
}

void MainWindowView::KeepKeyboardOffTheLink(QWidget* userWasOn) {
  QWidget* now = focusWidget();
  // The control the user was on went away (Clear hides once it has cleared; a running purge disables the
  // commands). The toolkit passes the keyboard on down the Tab order, where the link comes last, at once or,
  // while a question has the keyboard, when the window gets it back; an Enter still held from that question
  // would meet the link there.
  const bool passedToLink = now == Label("lblOnlineDocumentation") && userWasOn != now;
  const bool lost = now != nullptr && now != this && !TakesKeyboard(now);
  if (!passedToLink && !lost) {
    if (now != nullptr && now != this) keyboardParked_ = false;
    if (!keyboardParked_) return;
  } else {
    userWasOn_ = passedToLink ? userWasOn : now;
  }
  QWidget* target = TakesKeyboard(userWasOn_) ? userWasOn_.data() : nullptr;
  for (QPushButton* command : commands_) {
    if (target == nullptr && TakesKeyboard(command)) target = command;
  }
  // No command takes it now: the window itself holds the keyboard (F10 still reaches it) until the
  // commands come back.
  keyboardParked_ = target == nullptr;
  if (target == nullptr) target = this;
  if (target != now) target->setFocus(Qt::OtherFocusReason);
}

bool MainWindowView::eventFilter(QObject* watched, QEvent* event) {
  if (event->type() == QEvent::Enter) {
    const auto found = hoverNames_.find(watched);
    if (found != hoverNames_.end()) logic_.MouseOver(found->second);
  }
  return QMainWindow::eventFilter(watched, event);
}

void MainWindowView::keyReleaseEvent(QKeyEvent* event) {
  if (!event->isAutoRepeat()) logic_.KeyReleased(VirtualKeyOf(event->key()));
  QMainWindow::keyReleaseEvent(event);
}

void MainWindowView::showEvent(QShowEvent* event) {
  QMainWindow::showEvent(event);
  // Shown, at start or back from a report, the window takes the keyboard, so the focus the logic gave a
  // button is where the keys go; without a window manager (or with one that leaves new windows alone) the
  // keyboard would reach nothing.
  activateWindow();
}

void MainWindowView::TakeGivenPaths(std::vector<std::string> paths) {
  QTimer::singleShot(0, this, [this, paths = std::move(paths)] { logic_.TakeGivenPaths(paths); });
}

void MainWindowView::dragEnterEvent(QDragEnterEvent* event) {
  const std::optional<Qt::DropAction> action = HarmlessDropAction(event->possibleActions());
  // Not while a question or a dialog is open, nor while a run or a panel has the window.
  if (action && QApplication::activeModalWidget() == nullptr && logic_.AcceptsGivenPaths() &&
      !LocalPathsOf(event->mimeData()).empty()) {
    event->setDropAction(*action);
    event->accept();
  } else {
    event->ignore();
  }
}

void MainWindowView::dragMoveEvent(QDragMoveEvent* event) {
  const std::optional<Qt::DropAction> action = HarmlessDropAction(event->possibleActions());
  if (action) event->setDropAction(*action);
  event->setAccepted(action.has_value());
}

void MainWindowView::dropEvent(QDropEvent* event) {
  const std::optional<Qt::DropAction> action = HarmlessDropAction(event->possibleActions());
  std::vector<std::string> paths = LocalPathsOf(event->mimeData());
  if (!action || paths.empty() || QApplication::activeModalWidget() != nullptr ||
      !logic_.AcceptsGivenPaths()) {
    event->ignore();
    return;
  }
  event->setDropAction(*action);
  event->accept();
  TakeGivenPaths(std::move(paths));
}

void MainWindowView::closeEvent(QCloseEvent* event) {
  event->accept();
  if (!closing_) logic_.CloseRequested();
}

}  // namespace nulvane::gui
