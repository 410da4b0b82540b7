#include "support/DataFolder.h"

#include "platform/PlatformError.h"

namespace nulvane::support {

namespace {

// Every data folder holds the program texts, so they tell a data folder from any other.
constexpr const char* kMarkerFile = "nulvane.dat";

bool HoldsMarker(platform::FileSystem& fileSystem, const std::string& folder) {
  try {
    return fileSystem.Status(folder + kMarkerFile).kind == platform::FileKind::Regular;
  } catch (const platform::PlatformError&) {
    return false;
  }
}

}  // namespace

std::string DataFolder(platform::FileSystem& fileSystem) {
#ifdef NULVANE_INSTALLED_DATA_FOLDER
  return DataFolder(fileSystem, NULVANE_INSTALLED_DATA_FOLDER);
#else
  return DataFolder(fileSystem, "");
#endif
}

std::string DataFolder(platform::FileSystem& fileSystem, const std::string& installedFolder) {
  const std::string program = fileSystem.ProgramFolder();
  if (!program.empty()) {
    if (HoldsMarker(fileSystem, program)) return program;
    // The parent of the executable's folder, worked out on the text: the executable's folder is a real path.
    std::string prefix = program.substr(0, program.size() - 1);
    const std::size_t slash = prefix.find_last_of(platform::kPathSeparator);
    if (slash != std::string::npos) {
      prefix.resize(slash + 1);
      const std::string installed =
          prefix + "share" + platform::kPathSeparator + "nulvane" + platform::kPathSeparator;
      if (HoldsMarker(fileSystem, installed)) return installed;
    }
  }
  // Where the executable cannot be told (no /proc) or holds no texts near it: where the build installs them.
  if (!installedFolder.empty() && HoldsMarker(fileSystem, installedFolder)) return installedFolder;
  return program;
}

}  // namespace nulvane::support
