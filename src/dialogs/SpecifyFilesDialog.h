#pragma once

#include <cstdint>
#include <string>

#include "platform/Controls.h"
#include "platform/Dialog.h"
#include "platform/FileSystem.h"
#include "platform/Ui.h"

namespace nulvane::dialogs {

// Asks which files of a folder an operation acts on: one file of the folder, all files, all files with
// one extension, or the files that satisfy a wildcard pattern. The caller sets strOperation, intNumFiles,
// blnBold, the colours and the folder, shows the dialog and reads blnAccept and the chosen option.
class SpecifyFilesDialog : public platform::Dialog {
 public:
  enum class Focus { None, Accept, Cancel, FileList, Extension, Filespec };
  enum class Choice { SingleFile, AllFiles, Extension, MultipleFiles };

  SpecifyFilesDialog(platform::FileSystem& fileSystem, platform::Ui& ui);

  // The folder whose files the list shows.
  void SetFolder(std::string folder) { strFolder = std::move(folder); }

  Choice SelectedChoice() const;
  // The file picked in the list (empty when none).
  std::string FileName() const { return File.SelectedText(); }
  // The operation's file specification for the accepted choice: the picked name as it is on disk, "*.*",
  // "*." + the extension lower-cased, or the typed pattern (lower-cased when it holds a wildcard; a plain
  // name is kept as typed because names are matched exactly).
  std::string ChosenFilespec() const;

  // User events.
  void ClickOption(Choice choice);
  void ChooseFile(int index);
  void ClickTextBox(Choice choice);  // Extension or MultipleFiles
  void SetExtensionText(std::string text) { txbExtension.text = std::move(text); }
  void SetFilespecText(std::string text) { txbFilespec.text = std::move(text); }
  // Text typed into a box, by keyboard or screen reader: typing there chooses the box's option, as
  // clicking into it does, so the option shown is the one Accept uses.
  void TypeExtensionText(std::string text);
  void TypeFilespecText(std::string text);
  void TextBoxEnter() { cmdAccept(); }
  void cmdAccept();
  void cmdCancel();
  void CloseRequested() override { cmdCancel(); }

  std::string strOperation;
  std::int16_t intNumFiles = 0;
  bool blnBold = false;
  bool blnAccept = false;
  std::string strFolder;
  // Colours as 0x00BBGGRR: dark red background, white text.
  std::int32_t lngBackColor = 0x000080;
  std::int32_t lngForeColor = 0xFFFFFF;

  platform::OptionButton optSingleFile;
  platform::ListControl File;
  platform::OptionButton optAllFiles;
  platform::OptionButton optExtension;
  platform::TextField txbExtension;
  platform::OptionButton optMultipleFiles;
  platform::TextField txbFilespec;
  platform::Button cmdAcceptButton;
  platform::Button cmdCancelButton;
  Focus focus = Focus::None;

 protected:
  void Activate() override;

 private:
  void Select(Choice choice);
  void RefreshFileList();
  void Close(bool accept);

  platform::FileSystem& fileSystem_;
  platform::Ui& ui_;
};

}  // namespace nulvane::dialogs
