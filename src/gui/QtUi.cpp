#include "gui/QtUi.h"

#include <QApplication>
#include <QCheckBox>
#include <QClipboard>
#include <QDesktopServices>
#include <QDialog>
#include <QEventLoop>
#include <QFileDialog>
#include <QLabel>
#include <QMessageBox>
#include <QPointer>
#include <QTimer>
#include <QUrl>

#include "gui/Keyboard.h"
#include "platform/Dialog.h"

namespace nulvane::gui {

using platform::Answer;

QString ToDisplayText(const std::string& text) {
  QString display = QString::fromStdString(text);
  display.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
  return display;
}

QString ToWindowTitle(const std::string& title) {
  QString shown = QString::fromStdString(title);
  // The toolkit shows "[*][*]" as "[*]".
  shown.replace(QStringLiteral("[*]"), QStringLiteral("[*][*]"));
  return shown;
}

std::string FromDisplayText(const QString& text) {
  QString program = text;
  program.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
  program.replace(QStringLiteral("\n"), QStringLiteral("\r\n"));
  return program.toStdString();
}

QString ToQtFilter(const std::string& filter) {
  QStringList filters;
  const QString text = QString::fromStdString(filter);
  const QStringList parts = text.split(QLatin1Char('|'));
  for (int i = 0; i + 1 < parts.size(); i += 2) {
    QString patterns = parts[i + 1].trimmed();
    patterns.replace(QStringLiteral("*.*"), QStringLiteral("*"));
    filters << QStringLiteral("%1 (%2)").arg(parts[i].trimmed(),
                                             patterns.replace(QLatin1Char(';'), QLatin1Char(' ')));
  }
  return filters.join(QStringLiteral(";;"));
}

void ApplyFilter(QFileDialog& dialog, const std::string& filter) {
  dialog.setOption(QFileDialog::HideNameFilterDetails);
  dialog.setNameFilter(ToQtFilter(filter));
}

void QtUi::RegisterDialogView(platform::Dialog& dialog, QDialog* view) {
  views_[&dialog] = view;
}

QWidget* QtUi::ActiveParent() const {
  if (QWidget* modal = QApplication::activeModalWidget()) return modal;
  if (QWidget* active = QApplication::activeWindow()) return active;
  return parent_;
}

Answer QtUi::Message(const std::string& title, const std::string& text, platform::Buttons buttons,
                     platform::Icon icon, Answer defaultButton) {
  return ShowMessage(title, text, buttons, icon, defaultButton, nullptr, nullptr);
}

Answer QtUi::MessageWithCheckBox(const std::string& title, const std::string& text, platform::Buttons buttons,
                                 platform::Icon icon, Answer defaultButton, const std::string& checkBox,
                                 bool& checked) {
  return ShowMessage(title, text, buttons, icon, defaultButton, &checkBox, &checked);
}

Answer QtUi::ShowMessage(const std::string& title, const std::string& text, platform::Buttons buttons,
                         platform::Icon icon, Answer defaultButton, const std::string* checkBox,
                         bool* checked) {
  QMessageBox box(ActiveParent());
  box.setWindowTitle(ToWindowTitle(title));
  // Names in the text are shown as they are: "<b>Data</b>" is not bold, and no line break is lost.
  box.setTextFormat(Qt::PlainText);
  box.setText(ToDisplayText(text));
  // Read to assistive tools as shown, "&" included.
  if (auto* label = box.findChild<QLabel*>(QStringLiteral("qt_msgbox_label")))
    label->setAccessibleName(box.text());
  switch (icon) {
    case platform::Icon::Information:
      box.setIcon(QMessageBox::Information);
      break;
    case platform::Icon::Warning:
      box.setIcon(QMessageBox::Warning);
      break;
    case platform::Icon::Error:
      box.setIcon(QMessageBox::Critical);
      break;
    case platform::Icon::Question:
      box.setIcon(QMessageBox::Question);
      break;
    case platform::Icon::None:
      break;
  }
  const std::map<Answer, QMessageBox::StandardButton> kButtons = {{Answer::Ok, QMessageBox::Ok},
                                                                  {Answer::Cancel, QMessageBox::Cancel},
                                                                  {Answer::Yes, QMessageBox::Yes},
                                                                  {Answer::No, QMessageBox::No}};
  switch (buttons) {
    case platform::Buttons::Ok:
      box.setStandardButtons(QMessageBox::Ok);
      break;
    case platform::Buttons::OkCancel:
      box.setStandardButtons(QMessageBox::Ok | QMessageBox::Cancel);
      break;
    case platform::Buttons::YesNo:
      box.setStandardButtons(QMessageBox::Yes | QMessageBox::No);
      break;
    case platform::Buttons::YesNoCancel:
      box.setStandardButtons(QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel);
      break;
  }
  if (defaultButton != Answer::None) box.setDefaultButton(kButtons.at(defaultButton));
  if (checkBox != nullptr) {
    // The box owns it; its caption is also its accessible name.
    auto* check = new QCheckBox(QString::fromStdString(*checkBox), &box);
    check->setChecked(*checked);
    box.setCheckBox(check);
  }
  int pressed = 0;
  {
    const KeyboardReturn keyboard(parent_);
    pressed = box.exec();
  }
  if (checkBox != nullptr && box.checkBox() != nullptr) *checked = box.checkBox()->isChecked();
  for (const auto& [answer, button] : kButtons) {
    if (pressed == button) return answer;
  }
  // Closed without a button: the box's escape answer.
  if (buttons == platform::Buttons::Ok) return Answer::Ok;
  if (buttons == platform::Buttons::YesNo) return Answer::No;
  return Answer::Cancel;
}

void QtUi::ShowModal(platform::Dialog& dialog) {
  const auto found = views_.find(&dialog);
  // Taken before the dialog is shown: a dialog that comes up while it prepares (the subfolder dialog reads
  // the folder with its window up) must not be taken for the window that had the keyboard.
  const KeyboardReturn keyboard(parent_);
  dialog.BeginShow();
  if (found == views_.end() || found->second.isNull()) {
    dialog.CloseRequested();
    return;
  }
  QDialog* view = found->second;
  const int subscription = dialog.Subscribe([&dialog, view] {
    if (!dialog.IsVisible() && view->isVisible()) view->done(QDialog::Accepted);
  });
  if (dialog.IsVisible()) view->exec();
  dialog.Unsubscribe(subscription);
  if (dialog.IsVisible()) dialog.CloseRequested();
}

platform::FileDialogResult QtUi::OpenFileDialog(const platform::FileDialogRequest& request) {
  const QString start =
      QString::fromStdString(request.initialFolder.empty() ? request.fileName : request.initialFolder);
  QFileDialog chooser(ActiveParent(), ToWindowTitle(request.title), start);
  chooser.setAcceptMode(QFileDialog::AcceptOpen);
  chooser.setFileMode(QFileDialog::ExistingFile);
  ApplyFilter(chooser, request.filter);
  const KeyboardReturn keyboard(parent_);
  if (chooser.exec() != QDialog::Accepted || chooser.selectedFiles().isEmpty()) return {true, ""};
  return {true, chooser.selectedFiles().first().toStdString()};
}

platform::FileDialogResult QtUi::SaveFileDialog(const platform::FileDialogRequest& request) {
  QString start = QString::fromStdString(request.initialFolder);
  if (!request.fileName.empty()) {
    if (!start.isEmpty() && !start.endsWith(QLatin1Char('/'))) start += QLatin1Char('/');
    start += QString::fromStdString(request.fileName);
  }
  QFileDialog chooser(ActiveParent(), ToWindowTitle(request.title), start);
  ApplyFilter(chooser, request.filter);
  chooser.setAcceptMode(QFileDialog::AcceptSave);
  // The program asks itself whether an existing file is to be replaced.
  chooser.setOption(QFileDialog::DontConfirmOverwrite);
  if (!request.defaultExtension.empty())
    chooser.setDefaultSuffix(QString::fromStdString(request.defaultExtension));
  const KeyboardReturn keyboard(parent_);
  if (chooser.exec() != QDialog::Accepted || chooser.selectedFiles().isEmpty()) return {true, ""};
  return {true, chooser.selectedFiles().first().toStdString()};
}

std::string QtUi::BrowseForFolder(const std::string& prompt) {
  const KeyboardReturn keyboard(parent_);
  return QFileDialog::getExistingDirectory(ActiveParent(), ToDisplayText(prompt)).toStdString();
}

void QtUi::SetClipboardText(const std::string& text) {
  QApplication::clipboard()->setText(ToDisplayText(text));
}

bool QtUi::OpenUrl(const std::string& url) {
  // A local file's path is taken as it is: blanks, "#" or "%" in a folder's name are no part of an address.
  constexpr std::string_view kFileScheme = "file://";
  if (url.rfind(kFileScheme, 0) == 0) {
    return QDesktopServices::openUrl(
        QUrl::fromLocalFile(QString::fromStdString(url.substr(kFileScheme.size()))));
  }
  return QDesktopServices::openUrl(QUrl(QString::fromStdString(url)));
}

void QtUi::Yield() {
  // Called once per written block: only let events run every 20 ms so the call costs next to nothing.
  const auto now = std::chrono::steady_clock::now();
  if (now - lastEvents_ < std::chrono::milliseconds(20)) return;
  lastEvents_ = now;
  QApplication::processEvents();
}

void QtUi::Wait(int milliseconds) {
  QEventLoop loop;
  QTimer::singleShot(milliseconds, &loop, &QEventLoop::quit);
  loop.exec();
}

}  // namespace nulvane::gui
