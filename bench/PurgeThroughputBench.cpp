// Purge throughput against the physical reference (the same bytes written in place with 1 MiB writes and
// an fsync per overwrite) and against `shred -n 2`, all on one file system, measured in one run.
// Also the peak resident memory of a purge of a 64 MiB and a 256 MiB file, each in a child process.
//
// Usage: PurgeThroughputBench [rounds] [folder]   (defaults: 5 rounds, $TMPDIR or /tmp)

#include <fcntl.h>
#include <sys/statfs.h>
#include <sys/wait.h>
#include <unistd.h>

#include <QApplication>
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "engine/ClusterSizeTable.h"
#include "engine/PurgeEngine.h"
#include "gui/QtUi.h"
#include "platform/PosixFileSystem.h"
#include "platform/Random.h"
#include "support/OperationState.h"

namespace {

using namespace nulvane;
using Clock = std::chrono::steady_clock;

constexpr std::int64_t kMiB = 1 << 20;
constexpr std::int64_t kFileSize = 256 * kMiB;
constexpr int kOverwrites = 2;

double Seconds(Clock::time_point start) {
  return std::chrono::duration<double>(Clock::now() - start).count();
}

double MBPerSecond(std::int64_t bytes, double seconds) {
  return static_cast<double>(bytes) / 1e6 / seconds;
}

void Fail(const std::string& what) {
  std::perror(what.c_str());
  std::exit(1);
}

// Writes `size` bytes of `fill` (or of a fixed pseudo-random block when fill < 0) in place with 1 MiB
// pwrite calls, then fsyncs.
void WriteInPlace(int descriptor, std::int64_t size, int fill) {
  std::vector<unsigned char> buffer(static_cast<std::size_t>(kMiB));
  if (fill < 0) {
    unsigned state = 12345;
    for (auto& byte : buffer) byte = static_cast<unsigned char>((state = state * 1103515245u + 12345u) >> 16);
  } else {
    std::fill(buffer.begin(), buffer.end(), static_cast<unsigned char>(fill));
  }
  for (std::int64_t offset = 0; offset < size; offset += kMiB) {
    const auto chunk = static_cast<std::size_t>(std::min(kMiB, size - offset));
    std::size_t done = 0;
    while (done < chunk) {
      const ssize_t written = ::pwrite(descriptor, buffer.data() + done, chunk - done, offset + done);
      if (written <= 0) Fail("pwrite");
      done += static_cast<std::size_t>(written);
    }
  }
  if (::fsync(descriptor) != 0) Fail("fsync");
}

void CreateFile(const std::string& path, std::int64_t size) {
  const int descriptor = ::open(path.c_str(), O_RDWR | O_CREAT | O_TRUNC, 0600);
  if (descriptor < 0) Fail("open " + path);
  WriteInPlace(descriptor, size, 'x');
  ::close(descriptor);
}

// The physical reference: two overwrites of the whole file, each flushed.
double ReferenceSeconds(const std::string& path, std::int64_t size) {
  const auto start = Clock::now();
  const int descriptor = ::open(path.c_str(), O_RDWR);
  if (descriptor < 0) Fail("open " + path);
  WriteInPlace(descriptor, size, -1);
  WriteInPlace(descriptor, size, 0);
  ::close(descriptor);
  return Seconds(start);
}

double ShredSeconds(const std::string& path) {
  const auto start = Clock::now();
  const std::string command = "shred -n " + std::to_string(kOverwrites) + " '" + path + "'";
  if (std::system(command.c_str()) != 0) Fail("shred");
  return Seconds(start);
}

// Our purge: type 0 (random bytes, then zeros), one repetition, the file kept.
struct Purger {
  platform::PosixFileSystem fileSystem;
  gui::QtUi ui;
  platform::Random random;
  engine::ClusterSizeTable clusters{fileSystem};
  support::OperationState state;
  engine::PurgeEngine engine{fileSystem, ui, random, clusters, state};

  double Seconds(const std::string& path) {
    const auto start = Clock::now();
    std::int16_t code = 0;
    if (!engine.PurgeFile(path, 0, 1, false, true, true, code)) {
      std::fprintf(stderr, "purge failed: %d\n", code);
      std::exit(1);
    }
    return ::Seconds(start);
  }
};

long PeakResidentKiB() {
  std::ifstream status("/proc/self/status");
  std::string line;
  while (std::getline(status, line)) {
    if (line.rfind("VmHWM:", 0) == 0) return std::stol(line.substr(6));
  }
  return -1;
}

// Child process: purge one file and print the peak resident memory in KiB.
int MeasureMemory(int argc, char** argv, const std::string& path) {
  QApplication application(argc, argv);
  Purger purger;
  purger.Seconds(path);
  std::printf("%ld\n", PeakResidentKiB());
  return 0;
}

long PeakOfChild(const std::string& self, const std::string& path) {
  int pipeEnds[2];
  if (::pipe(pipeEnds) != 0) Fail("pipe");
  const pid_t child = ::fork();
  if (child < 0) Fail("fork");
  if (child == 0) {
    ::dup2(pipeEnds[1], STDOUT_FILENO);
    ::close(pipeEnds[0]);
    ::execl(self.c_str(), self.c_str(), "--memory", path.c_str(), static_cast<char*>(nullptr));
    _exit(127);
  }
  ::close(pipeEnds[1]);
  char text[64] = {};
  const ssize_t got = ::read(pipeEnds[0], text, sizeof text - 1);
  ::close(pipeEnds[0]);
  int status = 0;
  ::waitpid(child, &status, 0);
  return got > 0 ? std::atol(text) : -1;
}

double Median(std::vector<double> values) {
  std::sort(values.begin(), values.end());
  const std::size_t middle = values.size() / 2;
  return values.size() % 2 == 1 ? values[middle] : (values[middle - 1] + values[middle]) / 2;
}

std::string FileSystemType(const std::string& folder) {
  struct statfs info {};
  if (::statfs(folder.c_str(), &info) != 0) return "unknown";
  switch (static_cast<unsigned long>(info.f_type)) {
    case 0xEF53:
      return "ext4";
    case 0x01021994:
      return "tmpfs";
    case 0x9123683E:
      return "btrfs";
    case 0x58465342:
      return "xfs";
    case 0x794C7630:
      return "overlayfs";
    default:
      return "type 0x" + [&] {
        char hex[32];
        std::snprintf(hex, sizeof hex, "%lx", static_cast<unsigned long>(info.f_type));
        return std::string(hex);
      }();
  }
}

}  // namespace

int main(int argc, char** argv) {
  ::setenv("QT_QPA_PLATFORM", "offscreen", 0);
  if (argc == 3 && std::string(argv[1]) == "--memory") return MeasureMemory(argc, argv, argv[2]);

  const int rounds = argc > 1 ? std::max(1, std::atoi(argv[1])) : 5;
  const char* temp = std::getenv("TMPDIR");
  std::string base = argc > 2 ? argv[2] : (temp != nullptr && *temp != '\0' ? temp : "/tmp");
  std::string folder = base + "/nulvane-bench-XXXXXX";
  if (::mkdtemp(folder.data()) == nullptr) Fail("mkdtemp");
  const std::string ours = folder + "/ours.dat";
  const std::string reference = folder + "/reference.dat";
  const std::string peer = folder + "/shred.dat";

  QApplication application(argc, argv);
  Purger purger;
  std::printf("Folder %s (%s), file %lld MiB, %d overwrites per purge, %d rounds\n", folder.c_str(),
              FileSystemType(folder).c_str(), static_cast<long long>(kFileSize / kMiB), kOverwrites, rounds);
  for (const std::string& path : {ours, reference, peer}) CreateFile(path, kFileSize);

  const std::int64_t bytesPerPurge = kFileSize * kOverwrites;
  std::vector<double> toReference;
  std::vector<double> toShred;
  for (int round = 1; round <= rounds; ++round) {
    // The order turns from round to round so that no contender always meets a warm or a busy disk.
    double oursSpeed = 0;
    double referenceSpeed = 0;
    double shredSpeed = 0;
    for (int turn = 0; turn < 3; ++turn) {
      switch ((turn + round) % 3) {
        case 0:
          oursSpeed = MBPerSecond(bytesPerPurge, purger.Seconds(ours));
          break;
        case 1:
          referenceSpeed = MBPerSecond(bytesPerPurge, ReferenceSeconds(reference, kFileSize));
          break;
        default:
          shredSpeed = MBPerSecond(bytesPerPurge, ShredSeconds(peer));
      }
    }
    toReference.push_back(oursSpeed / referenceSpeed);
    toShred.push_back(oursSpeed / shredSpeed);
    std::printf("round %d: ours %.1f MB/s, reference %.1f MB/s, shred %.1f MB/s (per overwrite)\n", round,
                oursSpeed, referenceSpeed, shredSpeed);
    std::fflush(stdout);
  }
  std::printf("median ours/reference %.2f (target >= 0.90)\n", Median(toReference));
  std::printf("median ours/shred     %.2f (target >= 2.0)\n", Median(toShred));

  std::filesystem::remove(reference);
  std::filesystem::remove(peer);
  char self[4096];
  const ssize_t length = ::readlink("/proc/self/exe", self, sizeof self - 1);
  if (length <= 0) Fail("readlink");
  self[length] = '\0';
  for (const std::int64_t size : {64 * kMiB, kFileSize}) {
    CreateFile(ours, size);
    std::printf("peak resident memory, purge of %lld MiB: %ld KiB\n", static_cast<long long>(size / kMiB),
                PeakOfChild(self, ours));
  }
  std::filesystem::remove_all(folder);
  return 0;
}
