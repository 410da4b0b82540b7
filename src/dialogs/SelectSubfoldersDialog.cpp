#include "dialogs/SelectSubfoldersDialog.h"

#include <algorithm>
#include <cerrno>
#include <new>

#include "platform/PlatformError.h"
#include "support/Format.h"
#include "support/Locale.h"
#include "support/Match.h"
#include "support/QuickSort.h"

namespace nulvane::dialogs {

namespace {

// A tree walk for a row's size stops after this many files, so that a huge subfolder cannot hold up the
// reading; its size is then a lower bound ("over").
constexpr std::int32_t kTreeWalkLimit = 200;

std::string Grouped(std::int64_t n) {
  return support::FormatGrouped(static_cast<double>(n), 0);
}

std::string FilesPhrase(std::int32_t files) {
  if (files == 0) return "no files and ";
  if (files == 1) return "1 file and ";
  return Grouped(files) + " files and ";
}

std::string SubfoldersPhrase(std::int32_t subfolders) {
  if (subfolders == 0) return "no subfolders";
  if (subfolders == 1) return "1 subfolder";
  return Grouped(subfolders) + " subfolders";
}

// What a row says about its subfolder: the text after the name. The rules that read a row look only here,
// so that a folder called "Cover letters" is not taken for a size marked "over".
std::string DetailsOf(const SelectSubfoldersDialog::Row& row) {
  return support::LowerCase(row.text.substr(std::min(row.name.size(), row.text.size())));
}

bool Selectable(const SelectSubfoldersDialog::Row& row) {
  return SelectSubfoldersDialog::IsSelectable(DetailsOf(row));
}

}  // namespace

SelectSubfoldersDialog::SelectSubfoldersDialog(platform::FileSystem& fileSystem, platform::Ui& ui)
    : platform::Dialog("frmSelectSubfolders"), fileSystem_(fileSystem), ui_(ui) {
  caption = strCaption;
}

std::int32_t SelectSubfoldersDialog::BackColor() const {
  return lngBackColor == -1 ? kDefaultBackColor : lngBackColor;
}

std::int32_t SelectSubfoldersDialog::LabelForeColor() const {
  return lngBackColor == -1 ? 0x000000 : lngLabelForeColor;
}

bool SelectSubfoldersDialog::IsSelectable(const std::string& rowText) {
  const std::string lowered = support::LowerCase(rowText);
  return lowered.find("permission denied") == std::string::npos &&
         lowered.find("no files and no subfolders") == std::string::npos;
}

void SelectSubfoldersDialog::SetBusy(bool busy) {
  busy_ = busy;
  // Buttons that would do nothing while the rows are read say so.
  cmdSelectAll.enabled = !busy;
  cmdDeselectAll.enabled = !busy;
  cmdAcceptButton.enabled = !busy;
}

void SelectSubfoldersDialog::RequestFocus(Focus target) {
  focus = target;
  ++focusRequests;
}

void SelectSubfoldersDialog::Activate() {
  SetBusy(true);
  cancelled_ = false;
  blnFolderSelectionAccepted = false;
  strFoldersReturnedFromSelectFoldersForm.clear();
  dblTotalBytesSelected = 0;
  blnOver = false;
  rows_.clear();
  first_ = 0;
  chkSubfolder.clear();
  lblNumSubfolders.caption.clear();
  picSubfolders.caption = kReadingText;
  picSubfolders.visible = true;
  caption = strCaption;
  vsbScrollBar = ScrollBar{};
  focus = Focus::Cancel;
  NotifyChanged();

  support::EnsureTrailingBackslash(strTopFolder);
  std::string error;
  std::vector<platform::DirEntry> entries;
  platform::FolderHandle top;
  try {
    top = fileSystem_.OpenFolder(strTopFolder);
    entries = fileSystem_.List(*top);
  } catch (const platform::PlatformError& failure) {
    error = "Error: " + failure.description;  // as the subfolder count words it
  } catch (const std::bad_alloc&) {
    error = "Error: " + platform::ErrorFromErrno(ENOMEM).description;
  }
  if (!error.empty()) {
    ui_.Message("Select subfolders", error, platform::Buttons::Ok, platform::Icon::Warning);
    Hide();
    return;
  }

  for (const platform::DirEntry& entry : entries) {
    // Links and other file systems mounted here are not subfolders that a purge would enter.
    if (entry.kind != platform::FileKind::Directory) continue;
    rows_.push_back(ReadRow(*top, entry.name));
    ui_.Yield();
    if (cancelled_ || !IsVisible()) return;
  }

  std::vector<std::string> texts;
  texts.reserve(rows_.size());
  for (const Row& row : rows_) texts.push_back(row.text);
  std::vector<Row> sorted;
  sorted.reserve(rows_.size());
  for (const std::size_t at : support::SortedOrder(texts, true, 1)) sorted.push_back(std::move(rows_[at]));
  rows_ = std::move(sorted);

  // Names are matched exactly: on a case-sensitive disk "data" is not the "Data" chosen last time.
  for (Row& row : rows_) {
    const auto& passed = strFoldersPassedToSelectFoldersForm;
    row.checked =
        !row.empty && Selectable(row) && std::find(passed.begin(), passed.end(), row.name) != passed.end();
  }

  if (rows_.empty()) {
    // Nothing to choose; the dialog stays busy and only Cancel closes it, but it does not claim to be
    // still reading.
    picSubfolders.caption = "No subfolders.";
    NotifyChanged();
    return;
  }
  const int n = static_cast<int>(rows_.size());
  const int pageSize = std::min(n, std::max<int>(1, intMaxNumCheckboxes));
  if (n > pageSize) {
    vsbScrollBar.visible = true;
    vsbScrollBar.minimum = 0;
    vsbScrollBar.maximum = n - pageSize;
    vsbScrollBar.value = 0;
    vsbScrollBar.smallChange = 1;
    vsbScrollBar.largeChange = std::max(1, intMaxNumCheckboxes - 1);
  }
  chkSubfolder.assign(static_cast<std::size_t>(pageSize), platform::CheckBox{});
  picSubfolders.visible = false;
  first_ = 0;
  ShowPage();
  UpdateCountLabel();
  RequestFocus(Focus::Cancel);
  SetBusy(false);
  NotifyChanged();
}

SelectSubfoldersDialog::Row SelectSubfoldersDialog::ReadRow(const platform::Folder& top,
                                                            const std::string& name) {
  Row row;
  row.name = name;
  row.text = name + " {";
  // Counted as a purge finds them: regular files, and folders on the same file system. Sizes come with
  // the listing, read relative to the folder, so a large top folder reads about as fast as du.
  platform::FolderHandle folder;
  std::vector<platform::DirEntry> entries;
  try {
    folder = fileSystem_.OpenSubfolder(top, name);
    entries = fileSystem_.List(*folder, !blnOmitTotalFilesize);
  } catch (const platform::PlatformError& error) {
    row.empty = true;
    row.text += error.description + "}";
    return row;
  } catch (const std::bad_alloc&) {
    row.empty = true;
    row.text += platform::ErrorFromErrno(ENOMEM).description + "}";
    return row;
  }
  std::int32_t files = 0;
  std::int32_t subfolders = 0;
  double direct = 0;
  for (const platform::DirEntry& entry : entries) {
    if (entry.kind == platform::FileKind::Regular) {
      ++files;
      direct += static_cast<double>(entry.size);
    } else if (entry.kind == platform::FileKind::Directory) {
      ++subfolders;
    }
  }
  row.empty = files == 0 && subfolders == 0;
  row.text += FilesPhrase(files) + SubfoldersPhrase(subfolders);
  if (!blnOmitTotalFilesize && !row.empty) {
    std::string sizeText;
    row.size = direct;
    if (subfolders == 0) {
      sizeText = support::FormatSize(direct, 1);
    } else {
      double walked = 0;
      bool limitReached = false;
      if (WalkTree(folder, entries, walked, limitReached)) {
        sizeText = (limitReached ? "over " : "") + support::FormatSize(walked, 1);
        row.size = walked;
      } else {
        sizeText = "over " + support::FormatSize(direct, 1);
      }
    }
    row.text += ", " + sizeText;
  }
  row.text += "}";
  return row;
}

bool SelectSubfoldersDialog::WalkTree(const platform::FolderHandle& folder,
                                      const std::vector<platform::DirEntry>& entries, double& bytes,
                                      bool& limitReached) {
  // Depth first, each folder's files before its subfolders, until kTreeWalkLimit files are counted; an
  // explicit stack of held folders, so a deep tree cannot exhaust the call stack.
  struct Level {
    platform::FolderHandle folder;
    std::vector<std::string> subfolders;
    std::size_t next = 0;
  };
  std::vector<Level> stack;
  std::int32_t count = 0;
  // Counts a listed folder's files and pushes it; false once the limit is reached.
  const auto take = [&](const platform::FolderHandle& held, const std::vector<platform::DirEntry>& listed) {
    Level level{held, {}, 0};
    for (const platform::DirEntry& entry : listed) {
      if (entry.kind == platform::FileKind::Directory) {
        level.subfolders.push_back(entry.name);
      } else if (entry.kind == platform::FileKind::Regular) {
        bytes += static_cast<double>(entry.size);
        if (++count >= kTreeWalkLimit) return false;
      }
    }
    stack.push_back(std::move(level));
    return true;
  };
  limitReached = !take(folder, entries);
  try {
    while (!limitReached && !stack.empty()) {
      Level& top = stack.back();
      if (top.next == top.subfolders.size()) {
        stack.pop_back();
        continue;
      }
      platform::FolderHandle child;
      std::vector<platform::DirEntry> listed;
      try {
        child = fileSystem_.OpenSubfolder(*top.folder, top.subfolders[top.next++]);
        listed = fileSystem_.List(*child, true);
      } catch (const platform::PlatformError& error) {
        // A subfolder removed since its parent was listed holds nothing, and one mounted on since is no part
        // of the tree.
        if (error.number == platform::kErrorFileNotFound ||
            error.number == platform::ErrorNumberFromErrno(EXDEV))
          continue;
        throw;
      }
      limitReached = !take(child, listed);
    }
  } catch (const platform::PlatformError&) {
    return false;
  } catch (const std::bad_alloc&) {
    return false;
  }
  return true;
}

void SelectSubfoldersDialog::ShowPage() {
  for (std::size_t i = 0; i < chkSubfolder.size(); ++i) {
    const std::size_t at = static_cast<std::size_t>(first_) + i;
    platform::CheckBox& box = chkSubfolder[i];
    box.visible = at < rows_.size();
    // The name as it reads on screen: a line break or a direction mark in it is shown as an escape.
    box.caption = box.visible
                      ? support::DisplayName(rows_[at].name) + rows_[at].text.substr(rows_[at].name.size())
                      : std::string();
    box.checked = box.visible && rows_[at].checked;
  }
}

void SelectSubfoldersDialog::UpdateCountLabel() {
  dblTotalBytesSelected = 0;
  blnOver = false;
  std::int64_t k = 0;
  for (const Row& row : rows_) {
    if (!row.checked) continue;
    ++k;
    dblTotalBytesSelected += row.size;
    if (DetailsOf(row).find("over") != std::string::npos) blnOver = true;
  }
  const auto n = static_cast<std::int64_t>(rows_.size());
  if (k == 0) {
    lblNumSubfolders.caption = "No subfolders selected.";
    return;
  }
  if (k == 1) {
    lblNumSubfolders.caption = "One subfolder selected.";
  } else if (k == n) {
    lblNumSubfolders.caption = "All " + std::to_string(k) + " subfolders selected.";
  } else {
    lblNumSubfolders.caption = Grouped(k) + " selected (of " + Grouped(n) + ").";
  }
  if (support::LowerCase(strCaption).find("included") != std::string::npos) {
    lblNumSubfolders.caption += "\r\nA total of " + std::string(blnOver ? "over " : "") +
                                support::FormatSizeGB(dblTotalBytesSelected, 1) + ".";
  }
}

void SelectSubfoldersDialog::chkSubfolder_Click(int index, bool checked) {
  const std::size_t at = static_cast<std::size_t>(first_) + static_cast<std::size_t>(index);
  if (!busy_ && index >= 0 && index < PageSize() && at < rows_.size()) {
    if (checked && !Selectable(rows_[at])) checked = false;
    rows_[at].checked = checked;
    chkSubfolder[static_cast<std::size_t>(index)].checked = checked;
    UpdateCountLabel();
  }
  // Also when the click was refused: the box goes back to what its row says.
  NotifyChanged();
}

void SelectSubfoldersDialog::vsbScrollBar_Change(int value) {
  if (!busy_ && vsbScrollBar.visible) {
    vsbScrollBar.value = std::clamp(value, vsbScrollBar.minimum, vsbScrollBar.maximum);
    first_ = vsbScrollBar.value;
    ShowPage();
    RequestFocus(Focus::Accept);
  }
  NotifyChanged();
}

void SelectSubfoldersDialog::cmdSelectDeselectAllSubfolders_Click(int index) {
  if (busy_) return;
  for (Row& row : rows_) row.checked = index == 1 && Selectable(row);
  ShowPage();
  UpdateCountLabel();
  RequestFocus(Focus::Accept);
  NotifyChanged();
}

void SelectSubfoldersDialog::cmdAccept() {
  if (busy_) return;
  strFoldersReturnedFromSelectFoldersForm.clear();
  for (const Row& row : rows_) {
    if (row.checked) strFoldersReturnedFromSelectFoldersForm.push_back(row.name);
  }
  blnFolderSelectionAccepted = true;
  chkSubfolder.clear();
  Hide();
}

void SelectSubfoldersDialog::cmdCancel() {
  blnFolderSelectionAccepted = false;
  cancelled_ = true;
  chkSubfolder.clear();
  Hide();
}

void SelectSubfoldersDialog::CloseRequested() {
  if (IsVisible()) {
    ui_.Message("Select Folders", "Please exit this window only by clicking on 'Accept' or 'Cancel'.",
                platform::Buttons::Ok, platform::Icon::None);
  }
  cmdCancel();
}

}  // namespace nulvane::dialogs
