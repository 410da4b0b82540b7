#include "dialogs/SpecifyFilesDialog.h"

#include <algorithm>
#include <cctype>

#include "platform/PlatformError.h"

namespace nulvane::dialogs {

namespace {

std::string Trimmed(const std::string& text) {
  const auto first = text.find_first_not_of(' ');
  if (first == std::string::npos) return {};
  return text.substr(first, text.find_last_not_of(' ') - first + 1);
}

std::string Lower(std::string text) {
  for (char& c : text) {
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
  }
  return text;
}

bool HasWildcard(const std::string& text) {
  return text.find_first_of("*?") != std::string::npos;
}

}  // namespace

SpecifyFilesDialog::SpecifyFilesDialog(platform::FileSystem& fileSystem, platform::Ui& ui)
    : platform::Dialog("frmSpecifyFiles"), fileSystem_(fileSystem), ui_(ui) {
  caption = "Specify files";
  cmdAcceptButton.caption = "Accept";
  cmdCancelButton.caption = "Cancel";
}

void SpecifyFilesDialog::Activate() {
  blnAccept = false;
  txbExtension.text.clear();
  txbFilespec.text.clear();
  std::string verb = Lower(strOperation);
  if (!verb.empty() && verb[0] >= 'a' && verb[0] <= 'z') verb[0] = static_cast<char>(verb[0] - 'a' + 'A');
  optSingleFile.caption = verb + " a single file:";
  optAllFiles.caption = verb + " all files (*.*)";
  optExtension.caption = verb + " all files with a particular extension, e.g., txt or doc:";
  optMultipleFiles.caption = verb + " all files satisfying a file specification, e.g., a*.d*:";

  const bool haveFiles = intNumFiles > 0;
  optSingleFile.enabled = haveFiles;
  File.enabled = haveFiles;
  if (haveFiles) {
    Select(Choice::SingleFile);
    RefreshFileList();
  } else {
    File.items.clear();
    File.selected = -1;
    Select(Choice::AllFiles);
  }
  focus = Focus::Cancel;
}

void SpecifyFilesDialog::RefreshFileList() {
  File.items.clear();
  File.selected = -1;
  std::vector<platform::DirEntry> entries;
  try {
    entries = fileSystem_.List(*fileSystem_.OpenFolder(strFolder));
  } catch (const platform::PlatformError&) {
    return;  // an unreadable folder shows an empty list
  }
  for (const auto& entry : entries) {
    // The picked name becomes the file specification; a name holding "*" or "?" would read as a pattern and
    // reach other files, so such a file is not offered as the single file. Only files a purge can purge are
    // offered: links, pipes, devices and mount points never are.
    if (entry.kind == platform::FileKind::Regular && !HasWildcard(entry.name))
      File.items.push_back(entry.name);
  }
  std::sort(File.items.begin(), File.items.end(), [](const std::string& a, const std::string& b) {
    const std::string la = Lower(a), lb = Lower(b);
    return la != lb ? la < lb : a < b;
  });
}

SpecifyFilesDialog::Choice SpecifyFilesDialog::SelectedChoice() const {
  if (optSingleFile.selected) return Choice::SingleFile;
  if (optExtension.selected) return Choice::Extension;
  if (optMultipleFiles.selected) return Choice::MultipleFiles;
  return Choice::AllFiles;
}

void SpecifyFilesDialog::Select(Choice choice) {
  optSingleFile.selected = choice == Choice::SingleFile;
  optAllFiles.selected = choice == Choice::AllFiles;
  optExtension.selected = choice == Choice::Extension;
  optMultipleFiles.selected = choice == Choice::MultipleFiles;
}

std::string SpecifyFilesDialog::ChosenFilespec() const {
  switch (SelectedChoice()) {
    case Choice::SingleFile:
      return FileName();
    case Choice::AllFiles:
      return "*.*";
    case Choice::Extension:
      return "*." + Lower(txbExtension.text);
    case Choice::MultipleFiles:
      return HasWildcard(txbFilespec.text) ? Lower(txbFilespec.text) : txbFilespec.text;
  }
  return {};
}

void SpecifyFilesDialog::ClickOption(Choice choice) {
  if (choice == Choice::SingleFile && !optSingleFile.enabled) return;
  Select(choice);
  switch (choice) {
    case Choice::SingleFile:
    case Choice::AllFiles:
      focus = Focus::Accept;
      break;
    case Choice::Extension:
      focus = Focus::Extension;
      break;
    case Choice::MultipleFiles:
      focus = Focus::Filespec;
      break;
  }
  NotifyChanged();
}

void SpecifyFilesDialog::ChooseFile(int index) {
  if (!File.enabled || index < 0 || index >= static_cast<int>(File.items.size())) return;
  File.selected = index;
  Select(Choice::SingleFile);
  focus = Focus::Accept;
  NotifyChanged();
}

void SpecifyFilesDialog::ClickTextBox(Choice choice) {
  if (choice != Choice::Extension && choice != Choice::MultipleFiles) return;
  Select(choice);
  focus = choice == Choice::Extension ? Focus::Extension : Focus::Filespec;
  NotifyChanged();
}

void SpecifyFilesDialog::cmdAccept() {
  switch (SelectedChoice()) {
    case Choice::SingleFile:
      Close(!FileName().empty());
      return;
    case Choice::AllFiles:
      Close(true);
      return;
    case Choice::Extension: {
      std::string extension = Trimmed(txbExtension.text);
      if (extension.starts_with("*.")) {
        extension.erase(0, 2);
      } else if (extension.starts_with(".")) {
        extension.erase(0, 1);
      }
      txbExtension.text = extension;
      if (extension.find('.') != std::string::npos) {
        NotifyChanged();
        ui_.Message("Error", "Extension must not contain \".\".", platform::Buttons::Ok,
                    platform::Icon::Warning);
        return;
      }
      Close(!extension.empty());
      return;
    }
    case Choice::MultipleFiles:
      txbFilespec.text = Trimmed(txbFilespec.text);
      Close(!txbFilespec.text.empty());
      return;
  }
}

void SpecifyFilesDialog::cmdCancel() {
  Close(false);
}

void SpecifyFilesDialog::Close(bool accept) {
  blnAccept = accept;
  Hide();
}

void SpecifyFilesDialog::TypeExtensionText(std::string text) {
  SetExtensionText(std::move(text));
  if (!txbExtension.text.empty() && !optExtension.selected) ClickTextBox(Choice::Extension);
}

void SpecifyFilesDialog::TypeFilespecText(std::string text) {
  SetFilespecText(std::move(text));
  if (!txbFilespec.text.empty() && !optMultipleFiles.selected) ClickTextBox(Choice::MultipleFiles);
}

}  // namespace nulvane::dialogs
