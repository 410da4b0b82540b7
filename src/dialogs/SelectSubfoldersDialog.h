#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "platform/Controls.h"
#include "platform/Dialog.h"
#include "platform/FileSystem.h"
#include "platform/Ui.h"

namespace nulvane::dialogs {

// frmSelectSubfolders: lists the immediate subfolders of a top folder, one row each with how many files
// and subfolders it holds and how large it is, sorted by name and shown a page at a time as check boxes,
// and hands back the names the user checked. It never changes anything on disk.
//
// The caller sets the input fields, shows the dialog and reads the output fields. Folder names are passed
// in and out exactly as they are on disk, one entry each: a name may hold blanks at its edges or even a
// line break, and a name that was trimmed or split would name another folder.
class SelectSubfoldersDialog : public platform::Dialog {
 public:
  struct Row {
    std::string name;  // the subfolder's name on disk
    std::string text;  // what the check box shows: name, " {", the counts and size or an error, "}"
    double size = 0;
    bool checked = false;
    bool empty = false;  // no files and no subfolders, or they could not be counted
  };
  struct ScrollBar {
    bool visible = false;
    int minimum = 0;
    int maximum = 0;
    int value = 0;
    int smallChange = 1;
    int largeChange = 1;
  };
  enum class Focus { None, Accept, Cancel };

  static constexpr std::int32_t kDefaultBackColor = 0xC0FFFF;  // light yellow (0x00BBGGRR)
  static constexpr const char* kReadingText = "Reading disk ...";

  SelectSubfoldersDialog(platform::FileSystem& fileSystem, platform::Ui& ui);

  // --- inputs
  std::string strCaption = "Select subfolders";
  std::string strTopFolder;
  std::int16_t intMaxNumCheckboxes = 11;
  // -1: light yellow with black label text; otherwise this background and lngLabelForeColor for the label.
  std::int32_t lngBackColor = -1;
  std::int32_t lngLabelForeColor = 0;
  // Subfolders to check in advance (exact names).
  std::vector<std::string> strFoldersPassedToSelectFoldersForm;
  bool blnOmitTotalFilesize = false;

  // --- outputs
  bool blnFolderSelectionAccepted = false;
  // The checked subfolders' exact names in row order.
  std::vector<std::string> strFoldersReturnedFromSelectFoldersForm;
  double dblTotalBytesSelected = 0;
  // True when the size of a checked row is only a lower bound.
  bool blnOver = false;

  // --- controls
  // picSubfolders: "Reading disk ..." while the rows are built, hidden once they are shown.
  platform::Label picSubfolders;
  // One page of check boxes; row FirstRowShown() + i is shown in item i, its name escaped for display.
  std::vector<platform::CheckBox> chkSubfolder;
  ScrollBar vsbScrollBar;
  platform::Label lblNumSubfolders;
  platform::Button cmdSelectAll{"Select all"};
  platform::Button cmdDeselectAll{"Deselect all"};
  platform::Button cmdAcceptButton{"Accept"};
  platform::Button cmdCancelButton{"Cancel"};
  // Where the keyboard focus is to go; each request counts up focusRequests.
  Focus focus = Focus::None;
  int focusRequests = 0;

  // Colours as 0x00BBGGRR, with the default applied.
  std::int32_t BackColor() const;
  std::int32_t LabelForeColor() const;

  const std::vector<Row>& Rows() const { return rows_; }
  int FirstRowShown() const { return first_; }
  int PageSize() const { return static_cast<int>(chkSubfolder.size()); }
  bool Busy() const { return busy_; }
  // Rows that say "permission denied" or "no files and no subfolders" cannot be checked.
  static bool IsSelectable(const std::string& rowText);

  // --- user events
  // Check box `index` of the page now shows `checked` (by mouse, keyboard or screen reader).
  void chkSubfolder_Click(int index, bool checked);
  void vsbScrollBar_Change(int value);
  // Index 1 is "Select all", index 0 "Deselect all".
  void cmdSelectDeselectAllSubfolders_Click(int index);
  void cmdAccept();
  void cmdCancel();
  void CloseRequested() override;

 protected:
  void Activate() override;

 private:
  // The subfolder `name` of the top folder, which is held, read relative to it.
  Row ReadRow(const platform::Folder& top, const std::string& name);
  // Sums the sizes of the files in the tree of the folder (whose own entries are given) up to the walk's
  // limit; false when a folder of the tree cannot be read.
  bool WalkTree(const platform::FolderHandle& folder, const std::vector<platform::DirEntry>& entries,
                double& bytes, bool& limitReached);
  void ShowPage();
  void UpdateCountLabel();
  void RequestFocus(Focus target);
  void SetBusy(bool busy);

  platform::FileSystem& fileSystem_;
  platform::Ui& ui_;
  std::vector<Row> rows_;
  int first_ = 0;
  bool busy_ = false;
  bool cancelled_ = false;
};

}  // namespace nulvane::dialogs
