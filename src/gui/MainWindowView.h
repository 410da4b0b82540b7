#pragma once

#include <QWidget>

class QPushButton;

namespace nulvane::gui {

// The main window. For now it holds only the command that ends the program.
class MainWindowView : public QWidget {
  Q_OBJECT

 public:
  explicit MainWindowView(QWidget* parent = nullptr);

  QPushButton* quitButton() const { return quit_; }

 private:
  QPushButton* quit_;
};

}  // namespace nulvane::gui
