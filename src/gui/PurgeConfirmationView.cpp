#include "gui/PurgeConfirmationView.h"

#include <QCheckBox>
#include <QComboBox>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

#include "gui/QtUi.h"

namespace nulvane::gui {

PurgeConfirmationView::PurgeConfirmationView(dialogs::PurgeConfirmationDialog& dialog, QWidget* parent)
    : DialogView(dialog, parent), dialog_(dialog) {
  auto* layout = new QVBoxLayout(this);
  message_ = NewTextLabel(this);
  message_->setWordWrap(true);
  message_->setMinimumWidth(480);
  layout->addWidget(message_);
  layout->addSpacing(8);

  for (platform::CheckBox* box :
       {&dialog_.chkDoNotDeletePurgedFiles, &dialog_.chkOKToPurgeReadOnlyFiles,
        &dialog_.chkOKToPurgeSystemFiles, &dialog_.chkOKToPurgeSensitiveFiles, &dialog_.chkFolderNamesOnly,
        &dialog_.chkDeleteEmptyFolders, &dialog_.chkConfirmFiles}) {
    auto* check = new QCheckBox(this);
    layout->addWidget(check);
    checks_.emplace_back(box, check);
    Bind().CheckBox(check, [this, box](bool checked) { dialog_.ClickCheck(*box, checked); });
  }

  // Carries the detected cluster size only; the user never sees it.
  clusterFrame_ = new QGroupBox(this);
  auto* frameLayout = new QHBoxLayout(clusterFrame_);
  clusterLabel_ = NewTextLabel(clusterFrame_);
  clusterSizes_ = new QComboBox(clusterFrame_);
  fileSystem_ = NewTextLabel(clusterFrame_);
  frameLayout->addWidget(clusterLabel_);
  frameLayout->addWidget(clusterSizes_);
  frameLayout->addWidget(fileSystem_);
  layout->addWidget(clusterFrame_);
  Bind().List(clusterSizes_, [this](int index) { dialog_.SelectClusterSize(index); });

  const auto buttonRow = AddButtonRow(layout, 2);
  doPurge_ = buttonRow[0];
  cancel_ = buttonRow[1];
  connect(doPurge_, &QPushButton::clicked, this, [this] { dialog_.cmdDoPurge(); });
  connect(cancel_, &QPushButton::clicked, this, [this] { dialog_.cmdCancel(); });

  Follow();
}

QCheckBox* PurgeConfirmationView::checkBoxFor(const platform::CheckBox& box) const {
  for (const auto& [state, check] : checks_) {
    if (state == &box) return check;
  }
  return nullptr;
}

void PurgeConfirmationView::Render() {
  setWindowTitle(ToWindowTitle(dialog_.caption));
  ShowLabelText(message_, ToDisplayText(dialog_.lblMessage.caption));
  // Announced with the window, so a screen reader user hears the question before the options.
  setAccessibleDescription(message_->text());
  for (const auto& [state, check] : checks_) ShowCheckBox(check, *state);
  doPurge_->setText(QString::fromStdString(dialog_.cmdDoPurgeButton.caption));
  cancel_->setText(QString::fromStdString(dialog_.cmdCancelButton.caption));

  clusterFrame_->setVisible(dialog_.fraClusterSizeVisible);
  ShowLabelText(clusterLabel_, QString::fromStdString(dialog_.lblClusterSize.caption));
  ShowLabelText(fileSystem_, QString::fromStdString(dialog_.lblFileSystem.caption));
  ShowList(clusterSizes_, dialog_.cboClusterSize);
  NameControl(clusterSizes_, dialog_.lblClusterSize.caption);
}

void PurgeConfirmationView::ApplyFocus() {
  using Focus = dialogs::PurgeConfirmationDialog::Focus;
  if (dialog_.focus == Focus::Cancel) cancel_->setFocus();
  if (dialog_.focus == Focus::DoPurge) doPurge_->setFocus();
}

}  // namespace nulvane::gui
