#include "gui/TypeOfPurgeView.h"

#include <QButtonGroup>
#include <QComboBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>

#include "gui/QtUi.h"

namespace nulvane::gui {

TypeOfPurgeView::TypeOfPurgeView(dialogs::TypeOfPurgeDialog& dialog, QWidget* parent)
    : DialogView(dialog, parent), dialog_(dialog) {
  auto* layout = new QVBoxLayout(this);
  optionGroup_ = new QButtonGroup(this);
  for (int type = 0; type < dialogs::TypeOfPurgeDialog::kNumTypes; ++type) {
    options_[type] = new QRadioButton(this);
    descriptions_[type] = NewTextLabel(this);
    descriptions_[type]->setWordWrap(true);
    descriptions_[type]->setContentsMargins(24, 0, 0, 6);
    optionGroup_->addButton(options_[type], type);
    layout->addWidget(options_[type]);
    layout->addWidget(descriptions_[type]);
  }
  Bind().Options(optionGroup_, [this](int type) { dialog_.ClickOption(type); });

  auto* passesRow = new QHBoxLayout;
  numberOfTimes_ = NewTextLabel(this);
  passesRow->addWidget(numberOfTimes_);
  for (int type = 0; type < dialogs::TypeOfPurgeDialog::kNumTypes; ++type) {
    passLists_[type] = new QComboBox(this);
    passesRow->addWidget(passLists_[type]);
    Bind().List(passLists_[type], [this, type](int index) { dialog_.ChoosePasses(type, index); });
  }
  passesRow->addStretch();
  layout->addLayout(passesRow);

  dod_ = NewTextLabel(this);
  dod_->setWordWrap(true);
  layout->addWidget(dod_);

  const auto buttonRow = AddButtonRow(layout, 2);
  accept_ = buttonRow[0];
  cancel_ = buttonRow[1];
  connect(accept_, &QPushButton::clicked, this, [this] { dialog_.cmdAccept(); });
  connect(cancel_, &QPushButton::clicked, this, [this] { dialog_.cmdCancel(); });

  setAutoFillBackground(true);
  QPalette colours = palette();
  colours.setColor(QPalette::Window, ColorFromBgr(dialog_.lngBackColor));
  colours.setColor(QPalette::WindowText, Qt::white);
  setPalette(colours);
  setMinimumWidth(560);

  Follow();
}

void TypeOfPurgeView::Render() {
  setWindowTitle(ToWindowTitle(dialog_.caption));
  std::vector<const platform::OptionButton*> options;
  for (const auto& option : dialog_.optPurgeType) options.push_back(&option);
  ShowOptions(optionGroup_, options);
  for (int type = 0; type < dialogs::TypeOfPurgeDialog::kNumTypes; ++type) {
    ShowLabelText(descriptions_[type], ToDisplayText(dialog_.lblPurgeType[type].caption));
    // A screen reader announces the option together with what it does.
    options_[type]->setAccessibleDescription(descriptions_[type]->text());
    ShowList(passLists_[type], dialog_.cboNumberOfPasses[type]);
    NameControl(passLists_[type], dialog_.lblNumberOfTimes.caption);
  }
  ShowLabelText(numberOfTimes_, QString::fromStdString(dialog_.lblNumberOfTimes.caption));
  ShowLabelText(dod_, ToDisplayText(dialog_.lblDOD.caption));
  accept_->setText(QString::fromStdString(dialog_.cmdAcceptButton.caption));
  cancel_->setText(QString::fromStdString(dialog_.cmdCancelButton.caption));
}

void TypeOfPurgeView::ApplyFocus() {
  using Focus = dialogs::TypeOfPurgeDialog::Focus;
  if (dialog_.focus == Focus::Accept) accept_->setFocus();
  if (dialog_.focus == Focus::Cancel) cancel_->setFocus();
}

}  // namespace nulvane::gui
