// Help: the help file in the text viewer, and the user manual in the user's web browser.
#include <new>

#include "mainwindow/MainWindow.h"
#include "platform/PlatformError.h"
#include "support/DataFolder.h"
#include "support/Match.h"

namespace nulvane::mainwindow {

using platform::Buttons;
using platform::Icon;

namespace {

constexpr const char* kHelpFileName = "nv_help.txt";
constexpr const char* kFileScheme = "file://";

// The statuses of a launch: above 32 it worked; otherwise the reason, numbered as the platform's web
// launch numbers them.
constexpr int kLaunched = 33;
constexpr int kNoAssociatedProgram = 31;
constexpr int kOutOfMemory = 8;
constexpr int kFileNotFound = 2;

}  // namespace

void MainWindow::cmdHelp_Release() {
  // Help works even within the second after a file dialog closed: it changes nothing.
  ShowHelp();
}

void MainWindow::ShowHelp() {
  TextViewer& viewer = frmView;
  if (viewer.windowState == TextViewer::WindowState::Minimized) {
    viewer.SetWindowState(TextViewer::WindowState::Normal);
  }
  if (viewer.windowState == TextViewer::WindowState::Normal) viewer.PlaceBesideMainWindow();
  viewer.strFilename = support::DataFolder(fileSystem_) + kHelpFileName;
  viewer.caption = "Help for Nulvane";
  viewer.blnCopyToClipboardInvisible = true;
  viewer.blnMainWindowIcon = true;
  viewer.Show();
}

void MainWindow::lblOnlineDocumentation_Click() {
  if (strOnlineManualAddress.empty()) return;
  // An address without a scheme names a file shipped with the program, readable without a network.
  std::string address = strOnlineManualAddress;
  if (address.find("://") == std::string::npos)
    address = kFileScheme + support::DataFolder(fileSystem_) + address;
  OpenWebPage(address);
}

void MainWindow::OpenWebPage(const std::string& address) {
  int status = kLaunched;
  try {
    // A local file that is not there is said so here; the launcher would only report that it started.
    if (address.rfind(kFileScheme, 0) == 0) {
      platform::FileStatus file;
      try {
        file = fileSystem_.Status(address.substr(std::char_traits<char>::length(kFileScheme)));
      } catch (const platform::PlatformError&) {
      }
      if (file.kind == platform::FileKind::Missing) status = kFileNotFound;
    }
    if (status == kLaunched && !ui_.OpenUrl(address)) status = kNoAssociatedProgram;
  } catch (const std::bad_alloc&) {
    status = kOutOfMemory;
  }
  if (status > 32) return;

  std::string message = "Error launching web browser, error code = " + std::to_string(status) + ".";
  if (status == kNoAssociatedProgram) {
    message += "\r\n\r\nFile extension '" + support::ExtensionOf(address, true) +
               "' is not associated with any application program.";
  } else if (status == kOutOfMemory) {
    message += "\r\n\r\nOut of memory.";
  } else if (status == kFileNotFound) {
    message += "\r\n\r\nPlease try once more.";
  }
  ui_.Message("Cannot launch web browser", message, Buttons::Ok, Icon::Warning);
}

}  // namespace nulvane::mainwindow
