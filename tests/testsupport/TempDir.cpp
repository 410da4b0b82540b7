#include "testsupport/TempDir.h"

#include <sys/stat.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <stdexcept>

namespace nulvane::testing {

namespace fs = std::filesystem;

TempDir::TempDir() {
  std::string pattern = (fs::temp_directory_path() / "nulvane-test-XXXXXX").string();
  if (::mkdtemp(pattern.data()) == nullptr) throw std::runtime_error("cannot create a temporary folder");
  // The program reaches nothing through a link, so a temporary folder behind one ($TMPDIR may be) is
  // resolved, as the program resolves a folder the user chooses.
  path_ = fs::canonical(pattern).string() + "/";
}

TempDir::~TempDir() {
  std::error_code ignored;
  // Tests may leave read-only entries behind; give the owner write permission back before removing.
  for (auto it = fs::recursive_directory_iterator(path_, ignored); it != fs::recursive_directory_iterator();
       it.increment(ignored)) {
    if (!it->is_symlink()) fs::permissions(it->path(), fs::perms::owner_all, fs::perm_options::add, ignored);
  }
  fs::remove_all(path_, ignored);
}

std::string TempDir::Write(const std::string& relative, const std::string& content) const {
  const fs::path target = fs::path(path_) / relative;
  fs::create_directories(target.parent_path());
  std::ofstream out(target, std::ios::binary | std::ios::trunc);
  out << content;
  if (!out) throw std::runtime_error("cannot write " + target.string());
  return target.string();
}

std::string TempDir::MakeFolder(const std::string& relative) const {
  const fs::path target = fs::path(path_) / relative;
  fs::create_directories(target);
  return target.string() + "/";
}

std::string ReadFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream text;
  text << in.rdbuf();
  return text.str();
}

bool Exists(const std::string& path) {
  struct stat info {};
  return ::lstat(path.c_str(), &info) == 0;
}

std::string SampleContent(std::size_t size, unsigned seed) {
  std::string content(size, '\0');
  unsigned state = seed * 2654435761u + 12345u;
  for (auto& byte : content) {
    state = state * 1103515245u + 12345u;
    byte = static_cast<char>('a' + (state >> 16) % 26);  // letters only: never a purge pattern's bytes
  }
  return content;
}

}  // namespace nulvane::testing
