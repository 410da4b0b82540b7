// The free-space purge against `dd if=/dev/zero of=FILE bs=1M` until the volume is full, each on its own
// fresh 256 MiB ext4 image, loop-mounted, measured in one run.
//
// Ours is the program's fill (random bytes, each file flushed) followed by the deletion of what it wrote and
// a flush of the volume. The reference is what one would type: dd until full, then `sync -f` so that the
// bytes are on the device as ours are, then `rm` and `sync -f` again. Both are timed to the bytes on the
// device (fill) and to the volume being free again (cycle).
//
// Needs root (loop devices, mount) and mkfs.ext4. Usage: FreeSpaceBench [rounds]   (default 5);
// NULVANE_BENCH_SHORT=1: one round

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

#include "ReportBenchSupport.h"
#include "engine/FreeSpaceFill.h"
#include "platform/PlatformError.h"
#include "platform/PosixFileSystem.h"
#include "platform/Random.h"
#include "testsupport/LoopImage.h"

namespace {

using Clock = std::chrono::steady_clock;
using nulvane::bench::Seconds;
using nulvane::testing::LoopImage;
constexpr int kImageMiB = 256;

int Run(const std::vector<std::string>& command) {
  return LoopImage::Run(command);
}

void Fail(const std::string& what) {
  std::fprintf(stderr, "FreeSpaceBench: %s\n", what.c_str());
  std::exit(1);
}

const std::string& MadeFolder(const std::string& folder) {
  ::mkdir(folder.c_str(), 0755);
  return folder;
}

// A fresh ext4 image of its own, in `folder` (which ends with a separator); unmounted and detached when it
// goes.
struct Image {
  explicit Image(const std::string& folder) : loop(MadeFolder(folder), "ext4", kImageMiB, "") {
    if (!loop.mounted()) Fail("cannot make and mount an ext4 image in " + folder + " (e2fsprogs installed?)");
  }
  LoopImage loop;
};

struct Timing {
  double fill = 0;   // until the bytes are on the device
  double cycle = 0;  // until the volume is free again
  std::int64_t bytes = 0;
};

Timing Ours(const std::string& volume) {
  nulvane::platform::PosixFileSystem fileSystem;
  nulvane::platform::Random random;
  const nulvane::platform::FolderHandle root = fileSystem.OpenFolder(volume);
  nulvane::support::FolderServices::OwnFolder folder{root, "_nv_free1",
                                                     fileSystem.MakeFolderAt(*root, "_nv_free1")};
  const std::int64_t cluster = fileSystem.QueryDisk(volume).clusterSize;
  Timing timing;
  const Clock::time_point start = Clock::now();
  nulvane::engine::FreeSpaceFill fill(fileSystem, random, std::move(folder), "_nv_free");
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

}  // namespace

int main(int argc, char** argv) {
  const int rounds = nulvane::bench::Rounds(argc, argv, 1, 5);
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
  std::printf("%s at start\n", nulvane::bench::Load().c_str());

  nulvane::bench::Ratio fillRatios, cycleRatios;
  for (int round = 1; round <= rounds; ++round) {
    Timing ours, dd;
    {
      Image a(folder + "ours/");
      Image b(folder + "dd/");
      // In turn, so that neither always runs on a cache the other warmed.
      if (round % 2 == 1) {
        ours = Ours(a.loop.mountPoint());
        dd = Dd(b.loop.mountPoint());
      } else {
        dd = Dd(b.loop.mountPoint());
        ours = Ours(a.loop.mountPoint());
      }
    }
    const auto rate = [](std::int64_t bytes, double seconds) {
      return static_cast<double>(bytes) / 1e6 / seconds;
    };
    fillRatios.Add(rate(ours.bytes, ours.fill) / rate(dd.bytes, dd.fill));
    cycleRatios.Add(rate(ours.bytes, ours.cycle) / rate(dd.bytes, dd.cycle));
    std::printf(
        "round %d: ours %.1f MB in %.3f s (%.1f MB/s), free again after %.3f s; "
        "dd %.1f MB in %.3f s (%.1f MB/s), free again after %.3f s\n",
        round, ours.bytes / 1e6, ours.fill, rate(ours.bytes, ours.fill), ours.cycle, dd.bytes / 1e6, dd.fill,
        rate(dd.bytes, dd.fill), dd.cycle);
    std::fflush(stdout);
  }
  nulvane::bench::RemoveTree(folder);
  std::printf("%s at end\n", nulvane::bench::Load().c_str());
  std::printf("ratios per round, median (min-max):\n");
  nulvane::bench::PrintVerdict("ours/dd, bytes on the device per second", fillRatios, true, 0.90);
  std::printf("  %-44s %s\n", "ours/dd, until the volume is free again", cycleRatios.Text().c_str());
  return 0;
}
