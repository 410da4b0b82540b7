// The free-space purge against `dd if=/dev/zero of=FILE bs=1M` until the volume is full, each on its own
// fresh 256 MiB ext4 image, loop-mounted, measured in one run.
//
// Ours is the program's fill (random bytes, each file flushed) followed by the deletion of what it wrote and
// a flush of the volume. The reference is what one would type: dd until full, then `sync -f` so that the
// bytes are on the device as ours are, then `rm` and `sync -f` again. Both are timed to the bytes on the
// device (fill) and to the volume being free again (cycle).
//
// Needs root (loop devices, mount) and mkfs.ext4. Usage: FreeSpaceBench [rounds]   (default 5)

#include <fcntl.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <string>
#include <vector>

#include "engine/FreeSpaceFill.h"
#include "platform/PlatformError.h"
#include "platform/PosixFileSystem.h"
#include "platform/Random.h"

namespace {

using Clock = std::chrono::steady_clock;
constexpr int kImageMiB = 256;

double Seconds(Clock::time_point start) {
  return std::chrono::duration<double>(Clock::now() - start).count();
}

int Run(const std::vector<std::string>& command, std::string* out = nullptr) {
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

void Fail(const std::string& what) {
  std::fprintf(stderr, "FreeSpaceBench: %s\n", what.c_str());
  std::exit(1);
}

std::string Load() {
  std::ifstream in("/proc/loadavg");
  std::string a, b, c;
  in >> a >> b >> c;
  return a + " " + b + " " + c;
}

// A fresh ext4 image, loop-mounted; unmounted and detached on destruction.
class Image {
 public:
  Image(const std::string& folder, const std::string& name)
      : file_(folder + name + ".img"), mount_(folder + name) {
    ::mkdir(mount_.c_str(), 0755);
    const int made = ::open(file_.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
    if (made < 0 || ::ftruncate(made, std::int64_t{kImageMiB} << 20) != 0) Fail("cannot make " + file_);
    ::close(made);
    if (Run({"mkfs.ext4", "-q", "-F", file_}) != 0) Fail("mkfs.ext4 failed (e2fsprogs installed?)");
    if (Run({"losetup", "--find", "--show", file_}, &device_) != 0) Fail("losetup failed");
    while (!device_.empty() && device_.back() == '\n') device_.pop_back();
    if (Run({"mount", device_, mount_}) != 0) Fail("mount failed");
  }
  ~Image() {
    Run({"umount", mount_});
    Run({"losetup", "-d", device_});
    ::unlink(file_.c_str());
    ::rmdir(mount_.c_str());
  }
  const std::string& mountPoint() const { return mount_; }

 private:
  std::string file_;
  std::string mount_;
  std::string device_;
};

struct Timing {
  double fill = 0;   // until the bytes are on the device
  double cycle = 0;  // until the volume is free again
  std::int64_t bytes = 0;
};

Timing Ours(const std::string& volume) {
  nulvane::platform::PosixFileSystem fileSystem;
  nulvane::platform::Random random;
  const std::string folder = volume + "/_nv_free1";
  fileSystem.MakeFolder(folder);
  const std::int64_t cluster = fileSystem.QueryDisk(volume).clusterSize;
  Timing timing;
  const Clock::time_point start = Clock::now();
  nulvane::engine::FreeSpaceFill fill(fileSystem, random, folder, "_nv_free");
  const auto result = fill.Fill(cluster, [](std::int64_t) { return true; });
  timing.fill = Seconds(start);
  std::string problem;
  if (!fill.Clear(problem)) Fail(problem);
  timing.cycle = Seconds(start);
  if (result.outcome != nulvane::engine::FreeSpaceFill::Outcome::Full)
    Fail("our fill ended early: " + result.error);
  timing.bytes = result.written;
  return timing;
}

Timing Dd(const std::string& volume) {
  const std::string file = volume + "/fill";
  Timing timing;
  const Clock::time_point start = Clock::now();
  Run({"dd", "if=/dev/zero", "of=" + file, "bs=1M"});  // ends with "No space left on device"
  if (Run({"sync", "-f", file}) != 0) Fail("sync -f failed");
  timing.fill = Seconds(start);
  std::ifstream size(file, std::ios::ate | std::ios::binary);
  timing.bytes = static_cast<std::int64_t>(size.tellg());
  Run({"rm", "-f", file});
  Run({"sync", "-f", volume});
  timing.cycle = Seconds(start);
  return timing;
}

double Median(std::vector<double> values) {
  std::sort(values.begin(), values.end());
  const std::size_t n = values.size();
  return n % 2 == 1 ? values[n / 2] : (values[n / 2 - 1] + values[n / 2]) / 2;
}

}  // namespace

int main(int argc, char** argv) {
  const int rounds = argc > 1 ? std::max(1, std::atoi(argv[1])) : 5;
  if (::geteuid() != 0) {
    std::printf("FreeSpaceBench needs root to loop-mount its images; nothing measured.\n");
    return 0;
  }
  const char* temporary = std::getenv("TMPDIR");
  std::string folder =
      std::string(temporary != nullptr && *temporary != '\0' ? temporary : "/tmp") + "/nulvane-bench-XXXXXX";
  if (::mkdtemp(folder.data()) == nullptr) Fail("cannot make a folder in the temporary folder");
  folder += "/";
  std::printf("Free-space purge against dd if=/dev/zero bs=1M, %d MiB ext4 images in %s\n", kImageMiB,
              folder.c_str());
  std::printf("load average at start: %s\n", Load().c_str());

  std::vector<double> fillRatios, cycleRatios;
  for (int round = 1; round <= rounds; ++round) {
    Timing ours, dd;
    {
      Image a(folder, "ours");
      Image b(folder, "dd");
      // In turn, so that neither always runs on a cache the other warmed.
      if (round % 2 == 1) {
        ours = Ours(a.mountPoint());
        dd = Dd(b.mountPoint());
      } else {
        dd = Dd(b.mountPoint());
        ours = Ours(a.mountPoint());
      }
    }
    const auto rate = [](std::int64_t bytes, double seconds) {
      return static_cast<double>(bytes) / 1e6 / seconds;
    };
    fillRatios.push_back(rate(ours.bytes, ours.fill) / rate(dd.bytes, dd.fill));
    cycleRatios.push_back(rate(ours.bytes, ours.cycle) / rate(dd.bytes, dd.cycle));
    std::printf(
        "round %d: ours %.1f MB in %.3f s (%.1f MB/s), free again after %.3f s; "
        "dd %.1f MB in %.3f s (%.1f MB/s), free again after %.3f s\n",
        round, ours.bytes / 1e6, ours.fill, rate(ours.bytes, ours.fill), ours.cycle, dd.bytes / 1e6, dd.fill,
        rate(dd.bytes, dd.fill), dd.cycle);
  }
  ::rmdir(folder.c_str());
  std::printf("load average at end: %s\n", Load().c_str());
  std::printf("median ours/dd, bytes on the device per second: %.2f (target at least 0.90)\n",
              Median(fillRatios));
  std::printf("median ours/dd, until the volume is free again:  %.2f\n", Median(cycleRatios));
  return 0;
}
