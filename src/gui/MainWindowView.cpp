#include "gui/MainWindowView.h"

#include <QApplication>
#include <QPushButton>
#include <QVBoxLayout>

namespace nulvane::gui {

MainWindowView::MainWindowView(QWidget* parent) : QWidget(parent) {
  setWindowTitle(QStringLiteral("Nulvane"));
  auto* layout = new QVBoxLayout(this);
  quit_ = new QPushButton(QStringLiteral("Quit"), this);
  quit_->setObjectName(QStringLiteral("cmdQuit"));
  layout->addWidget(quit_);
  layout->addStretch();
  connect(quit_, &QPushButton::clicked, qApp, &QApplication::closeAllWindows);
}

}  // namespace nulvane::gui
