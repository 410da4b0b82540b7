#pragma once

#include <cstdint>
#include <map>
#include <string>

namespace nulvane::support {

// The day number that stands for "no date restriction".
constexpr std::int32_t kNoDateRestriction = 9000000;

// The main window's operation state: what is to be purged or listed and the per-run counters that the
// report window, the dialogs and the engine read. Plain data; the main window owns the behaviour.
// Per-drive tables are keyed by volume (mount point here, drive letter on Windows).
struct OperationState {
  std::string strTargetFolder;
  std::string strFilespec;
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

  float SpeedOf(const std::string& drive) const {
    const auto found = sngSpeedByDrive.find(drive);
    return found == sngSpeedByDrive.end() ? 0.0f : found->second;
  }
};

}  // namespace nulvane::support
