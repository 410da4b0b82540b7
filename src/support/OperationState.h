#pragma once

#include <cstdint>
#include <map>
#include <string>
#include <vector>

namespace nulvane::support {

// The day number that stands for "no date restriction".
constexpr std::int32_t kNoDateRestriction = 9000000;

// The main window's operation state: what is to be purged or listed and the per-run counters that the
// report window, the dialogs and the engine read. Plain data; the main window owns the behaviour.
// Per-drive tables are keyed by volume (mount point here, drive letter on Windows).
struct OperationState {
  std::string strTargetFolder;
  std::string strFilespec;
  // The command line's --files patterns, read as the shell reads them: when there are any, they decide which
  // files take part and strFilespec only names them (support::FileMatcher). The window never sets them.
  std::vector<std::string> strShellPatterns;
  bool blnSubdirectories = false;
  bool blnMultipleFiles = false;
  bool blnConfirmFiles = false;
  bool blnDateRestriction = false;
  std::int32_t lngOnlyBeforeThisJDN = kNoDateRestriction;
  std::int16_t intNumFiles = 0;
  bool blnStop = false;
  bool blnPerformingSpeedTest = false;
  std::map<std::string, float> sngSpeedByDrive;
  std::map<std::string, std::int16_t> intSpeedTestsByDrive;
  bool blnStartupCompleted = false;
  std::int16_t intCharWidth = 123;
  double dblAF_A = 0.917;
  double dblAF_B = 0.2;
  std::string strDummyFileFolderStub = "_nv_dummy";
  std::string strCurrentFilePath;
  std::string strProgramTextFile;
  std::string strNotSpecifiedText;
  std::string strSetupFilePath;
  std::string strTopLevelFolder;
  std::string strSavedFilesCaption;
  std::string strSavedSubfoldersCaption;
  std::string strLastSpeedTestDrive;
  bool blnDialogJustClosed = false;
  bool blnSavedSubdirectories = false;
  bool blnSavedConfirmFiles = false;
  std::string strSavedFolder;
  std::string strSavedFilespec;
  std::int32_t lngSavedOnlyBeforeThisJDN = kNoDateRestriction;

  // Folder mode ("Purge folders"). The selection lasts for the program's run and is offered again when the
  // same top folder is chosen: full paths of the checked subfolders (the top folder with its trailing
  // separator, then the subfolder's exact name), the number of them, and the top folder they belong to.
  std::vector<std::string> strSelectedFolders;
  std::int16_t intNumSelectedFolders = 0;
  std::string strLastSelectionTopFolder;
  // Counters of one folder-mode run, reset when its counting pass starts.
  bool blnCountingOnly = false;
  std::int32_t lngFilesToPurge = 0;
  std::int32_t lngFilesPurged = 0;  // handled by the purge pass, whatever the outcome
  std::int16_t intFilesNotDeleted = 0;
  std::int16_t intFoldersNotRemoved = 0;
  std::int32_t lngFilesNotPurged = 0;    // not every pass succeeded, or an error skipped it
  std::int32_t lngEntriesLeftAlone = 0;  // links, pipes, devices and mount points in the walked folders

  float SpeedOf(const std::string& drive) const {
    const auto found = sngSpeedByDrive.find(drive);
    return found == sngSpeedByDrive.end() ? 0.0f : found->second;
  }
};

}  // namespace nulvane::support
