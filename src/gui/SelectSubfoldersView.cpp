#include "gui/SelectSubfoldersView.h"

#include <QApplication>
#include <QCheckBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QScrollBar>
#include <QSignalBlocker>
#include <QVBoxLayout>
#include <QWheelEvent>

#include "gui/Accessibility.h"
#include "gui/QtUi.h"

namespace nulvane::gui {

namespace {

// A folder's name is shown as it is: "&" would otherwise underline the next letter as a shortcut.
std::string Literal(const std::string& text) {
  std::string shown;
  for (const char c : text) {
    shown += c;
    if (c == '&') shown += '&';
  }
  return shown;
}

}  // namespace

SelectSubfoldersView::SelectSubfoldersView(dialogs::SelectSubfoldersDialog& dialog, QWidget* parent)
    : DialogView(dialog, parent), dialog_(dialog) {
  setObjectName(QStringLiteral("frmSelectSubfolders"));
  // Shown by the logic before the modal loop runs (see Render), so it must be modal from the start.
  setWindowModality(Qt::ApplicationModal);
  auto* layout = new QVBoxLayout(this);

  auto* page = new QHBoxLayout;
  rows_ = new QWidget(this);
  rows_->setObjectName(QStringLiteral("picSubfolders"));
  rowsLayout_ = new QVBoxLayout(rows_);
  rowsLayout_->setContentsMargins(0, 0, 0, 0);
  reading_ = NewTextLabel(rows_);
  QFont large = reading_->font();
  large.setPointSizeF(12);
  reading_->setFont(large);
  rowsLayout_->addWidget(reading_);
  rowsLayout_->addStretch();
  rows_->installEventFilter(this);
  page->addWidget(rows_, 1);
  scrollBar_ = new QScrollBar(Qt::Vertical, this);
  scrollBar_->setObjectName(QStringLiteral("vsbScrollBar"));
  scrollBar_->setAccessibleName(QStringLiteral("Subfolders shown"));
  // Reachable by the keyboard too: the arrow and page keys move through the rows.
  scrollBar_->setFocusPolicy(Qt::StrongFocus);
  page->addWidget(scrollBar_);
  layout->addLayout(page, 1);

  auto* buttons = new QHBoxLayout;
  selectAll_ = new QPushButton(this);
  deselectAll_ = new QPushButton(this);
  count_ = NewTextLabel(this);
  count_->setObjectName(QStringLiteral("lblNumSubfolders"));
  count_->setAutoFillBackground(true);
  count_->setMargin(4);
  accept_ = new QPushButton(this);
  cancel_ = new QPushButton(this);
  buttons->addWidget(selectAll_);
  buttons->addWidget(deselectAll_);
  buttons->addWidget(count_, 1);
  buttons->addWidget(accept_);
  buttons->addWidget(cancel_);
  layout->addLayout(buttons);

  connect(scrollBar_, &QScrollBar::valueChanged, this, [this](int value) {
    // Under another modal window only an assistive tool reaches the bar; the page stays as it is.
    if (TakesUserInput(scrollBar_)) {
      dialog_.vsbScrollBar_Change(value);
    } else {
      Render();
    }
  });
  connect(selectAll_, &QPushButton::clicked, this,
          [this] { dialog_.cmdSelectDeselectAllSubfolders_Click(1); });
  connect(deselectAll_, &QPushButton::clicked, this,
          [this] { dialog_.cmdSelectDeselectAllSubfolders_Click(0); });
  connect(accept_, &QPushButton::clicked, this, [this] { dialog_.cmdAccept(); });
  connect(cancel_, &QPushButton::clicked, this, [this] { dialog_.cmdCancel(); });

  setAutoFillBackground(true);
  setMinimumSize(640, 420);
  Follow();
}

void SelectSubfoldersView::MatchPageSize() {
  // Boxes are made once for the largest page seen and reused; those beyond the page stay hidden.
  while (boxes_.size() < dialog_.chkSubfolder.size()) {
    const int index = static_cast<int>(boxes_.size());
    auto* box = new QCheckBox(rows_);
    box->setObjectName(QStringLiteral("chkSubfolder(%1)").arg(index));
    box->installEventFilter(this);
    Bind().CheckBox(box, [this, index](bool checked) { dialog_.chkSubfolder_Click(index, checked); });
    rowsLayout_->insertWidget(index + 1, box);
    boxes_.push_back(box);
  }
}

void SelectSubfoldersView::Render() {
  // The logic reads the top folder while it is being shown; the window comes up at once so that the
  // reading can be watched and cancelled.
  if (dialog_.IsVisible() && !isVisible()) show();

  setWindowTitle(ToWindowTitle(dialog_.caption));
  QPalette colours = palette();
  colours.setColor(QPalette::Window, ColorFromBgr(dialog_.BackColor()));
  colours.setColor(QPalette::WindowText, ColorFromBgr(dialog_.LabelForeColor()));
  setPalette(colours);
  count_->setPalette(colours);

  ShowLabelText(reading_, QString::fromStdString(dialog_.picSubfolders.caption));
  reading_->setVisible(dialog_.picSubfolders.visible);

  MatchPageSize();
  for (std::size_t i = 0; i < boxes_.size(); ++i) {
    if (i >= dialog_.chkSubfolder.size()) {
      boxes_[i]->hide();
      continue;
    }
    // "&" in a folder's name must not underline the next letter as a shortcut.
    platform::CheckBox shown = dialog_.chkSubfolder[i];
    NameControl(boxes_[i], shown.caption);
    shown.caption = Literal(shown.caption);
    ShowCheckBox(boxes_[i], shown);
  }

  {
    const QSignalBlocker blocker(scrollBar_);
    const auto& bar = dialog_.vsbScrollBar;
    scrollBar_->setRange(bar.minimum, bar.maximum);
    scrollBar_->setSingleStep(bar.smallChange);
    scrollBar_->setPageStep(bar.largeChange);
    scrollBar_->setValue(bar.value);
    scrollBar_->setVisible(bar.visible);
  }

  count_->setText(ToDisplayText(dialog_.lblNumSubfolders.caption));
  NameControl(count_, FromDisplayText(count_->text()));
  const auto button = [](QPushButton* widget, const platform::Button& state) {
    widget->setText(QString::fromStdString(state.caption));
    widget->setEnabled(state.enabled);
    widget->setVisible(state.visible);
  };
  button(selectAll_, dialog_.cmdSelectAll);
  button(deselectAll_, dialog_.cmdDeselectAll);
  button(accept_, dialog_.cmdAcceptButton);
  button(cancel_, dialog_.cmdCancelButton);
}

void SelectSubfoldersView::ApplyFocus() {
  using Focus = dialogs::SelectSubfoldersDialog::Focus;
  // Only a new request of the logic's moves the focus, so a click on a check box leaves it there.
  if (dialog_.focusRequests == appliedFocusRequest_) return;
  appliedFocusRequest_ = dialog_.focusRequests;
  // Someone paging with the keyboard keeps the scroll bar; the logic's move to Accept is for the mouse.
  if (dialog_.focus == Focus::Accept && scrollBar_->hasFocus() && !LastInputWasPointer()) return;
  if (dialog_.focus == Focus::Accept) accept_->setFocus(Qt::OtherFocusReason);
  if (dialog_.focus == Focus::Cancel) cancel_->setFocus(Qt::OtherFocusReason);
}

void SelectSubfoldersView::showEvent(QShowEvent* event) {
  appliedFocusRequest_ = -1;  // the window's first focus is the logic's, whatever was asked before
  DialogView::showEvent(event);
}

bool SelectSubfoldersView::eventFilter(QObject* watched, QEvent* event) {
  // The wheel over the rows moves through them, as over the scroll bar.
  if (event->type() == QEvent::Wheel && scrollBar_->isVisible()) {
    QApplication::sendEvent(scrollBar_, event);
    return true;
  }
  return DialogView::eventFilter(watched, event);
}

}  // namespace nulvane::gui
