#pragma once

#include <fcntl.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <fstream>
#include <string>
#include <vector>

namespace nulvane::testing {

// A file system made in an image file of the test's folder and mounted on a folder beside it through a
// loop device of its own. Mounting needs root (as in CI); without it `mounted()` is false and the test
// skips itself. The destructor always unmounts and detaches, whatever the test did.
class LoopImage {
 public:
  // `folder` ends with a separator; `type` is "btrfs" or "ext4"; `options` are mount options ("" for none).
  LoopImage(const std::string& folder, const std::string& type, int megabytes, std::string options)
      : image_(folder + type + ".img"), mountPoint_(folder + type), options_(std::move(options)) {
    if (::geteuid() != 0) return;
    ::mkdir(mountPoint_.c_str(), 0755);
    const int file = ::open(image_.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
    if (file < 0) return;
    const bool sized = ::ftruncate(file, static_cast<off_t>(megabytes) << 20) == 0;
    ::close(file);
    if (!sized) return;
    made_ = Run({type == "btrfs" ? "mkfs.btrfs" : "mkfs." + type, "-q", image_}) == 0;
    if (!made_) return;
    std::string device;
    if (Run({"losetup", "--find", "--show", image_}, &device) != 0) return;
    while (!device.empty() && (device.back() == '\n' || device.back() == ' ')) device.pop_back();
    device_ = device;
    Mount();
  }
  ~LoopImage() {
    Unmount();
    if (mounted_) Run({"umount", "-l", mountPoint_});
    if (!device_.empty()) Run({"losetup", "-d", device_});
  }
  LoopImage(const LoopImage&) = delete;
  LoopImage& operator=(const LoopImage&) = delete;

  bool made() const { return made_; }
  bool mounted() const { return mounted_; }
  const std::string& mountPoint() const { return mountPoint_; }

  bool Mount() {
    if (mounted_ || device_.empty()) return mounted_;
    std::vector<std::string> command = {"mount"};
    if (!options_.empty()) command.insert(command.end(), {"-o", options_});
    command.insert(command.end(), {device_, mountPoint_});
    mounted_ = Run(command) == 0;
    return mounted_;
  }
  void Unmount() {
    if (mounted_ && Run({"umount", mountPoint_}) == 0) mounted_ = false;
  }

  // How often `marker` occurs in the raw image, read past the file system.
  std::size_t Count(const std::string& marker) const {
    std::ifstream in(image_, std::ios::binary);
    std::string carry;
    std::vector<char> block(1 << 20);
    std::size_t count = 0;
    while (in.read(block.data(), static_cast<std::streamsize>(block.size())) || in.gcount() > 0) {
      std::string text = carry + std::string(block.data(), static_cast<std::size_t>(in.gcount()));
      for (std::size_t at = text.find(marker); at != std::string::npos; at = text.find(marker, at + 1))
        ++count;
      // A marker cut at the block's end is found with the next block; one found whole is not found again.
      carry = text.size() >= marker.size() ? text.substr(text.size() - (marker.size() - 1)) : text;
    }
    return count;
  }

  // Runs a tool quietly; its exit status (127 when it cannot be started). With `out`, its standard output.
  static int Run(const std::vector<std::string>& command, std::string* out = nullptr) {
    int pipe[2] = {-1, -1};
    if (out != nullptr && ::pipe(pipe) != 0) return 127;
    const pid_t child = ::fork();
    if (child == 0) {
      const int null = ::open("/dev/null", O_RDWR);
      ::dup2(null, 0);
      ::dup2(out != nullptr ? pipe[1] : null, 1);
      ::dup2(null, 2);
      std::vector<char*> argv;
      for (const std::string& word : command) argv.push_back(const_cast<char*>(word.c_str()));
      argv.push_back(nullptr);
      ::execvp(argv[0], argv.data());
      ::_exit(127);
    }
    if (out != nullptr) {
      ::close(pipe[1]);
      char buffer[256];
      for (ssize_t got; (got = ::read(pipe[0], buffer, sizeof buffer)) > 0;) out->append(buffer, got);
      ::close(pipe[0]);
    }
    int status = 0;
    ::waitpid(child, &status, 0);
    return WIFEXITED(status) ? WEXITSTATUS(status) : 128;
  }

 private:
  std::string image_;
  std::string mountPoint_;
  std::string options_;
  std::string device_;
  bool made_ = false;
  bool mounted_ = false;
};

}  // namespace nulvane::testing
