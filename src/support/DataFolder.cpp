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
  const std::string program = fileSystem.ProgramFolder();
  if (program.empty() || HoldsMarker(fileSystem, program)) return program;
  // The parent of the executable's folder, worked out on the text: the executable's folder is a real path.
  std::string prefix = program.substr(0, program.size() - 1);
  const std::size_t slash = prefix.find_last_of(platform::kPathSeparator);
  if (slash == std::string::npos) return program;
  prefix.resize(slash + 1);
  const std::string installed =
      prefix + "share" + platform::kPathSeparator + "nulvane" + platform::kPathSeparator;
  return HoldsMarker(fileSystem, installed) ? installed : program;
}

}  // namespace nulvane::support
