// Purge throughput of one 256 MiB file, deletion included (type 0, one pass: random bytes, then zeros, each
// flushed, then the file deleted), against the same done by dd twice and rm, against the physical reference
// (the same bytes written in place with 1 MiB pwrite calls, an fsync after each overwrite, then unlink), and
// against shred -n 2 -u, all on one file system, in alternating rounds. Also the peak resident memory of a
// purge of a 64 MiB and of a 256 MiB file, each in a child process.
//
// Usage: PurgeThroughputBench [rounds] [folder]   (defaults: 5 rounds, $TMPDIR or /tmp);
//        NULVANE_BENCH_SHORT=1: one round

#include <fcntl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "ReportBenchSupport.h"
#include "engine/PassPool.h"
#include "engine/PurgeEngine.h"

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

// The physical reference: two overwrites of the whole file, each flushed, and the file deleted.
double ReferenceSeconds(const std::string& path, std::int64_t size) {
  const auto start = Clock::now();
  const int descriptor = ::open(path.c_str(), O_RDWR);
  if (descriptor < 0) Fail("open " + path);
  WriteInPlace(descriptor, size, -1);
  WriteInPlace(descriptor, size, 0);
  ::close(descriptor);
  if (::unlink(path.c_str()) != 0) Fail("unlink");
  return Seconds(start);
}

double ShellSeconds(const std::string& command) {
  const auto start = Clock::now();
  if (std::system(command.c_str()) != 0) Fail(command);
  return Seconds(start);
}

// The same bytes as our purge by the shell's tools: each overwrite in place and flushed, then rm.
std::string DdCommand(const std::string& path, std::int64_t size) {
  const std::string dd = "dd if=/dev/zero of='" + path + "' bs=1M count=" + std::to_string(size / kMiB) +
                         " conv=notrunc,fsync status=none";
  return dd + " && " + dd + " && rm -f '" + path + "'";
}

// Our purge as the program's worker threads carry it out: type 0, one pass, the file deleted.
struct Purger {
  platform::PosixFileSystem fileSystem;
  bench::SilentUi ui;
  engine::ClusterSizeTable clusters{fileSystem};
  support::OperationState state;
  engine::PurgeEngine engine{fileSystem, ui, clusters, state};
  engine::PassPool workers{fileSystem, engine::kPurgeThreads};

  double Seconds(const std::string& path) {
    const auto start = Clock::now();
    workers.Submit(1, engine.Request(path, 0, 1, true, true, true));
    std::optional<engine::PassExecutor::Done> done;
    while (!(done = workers.Collect(std::chrono::milliseconds(100)))) {
    }
    if (done->error || done->code != 0 || std::filesystem::exists(path)) {
      std::fprintf(stderr, "purge failed: %d\n", done->code);
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
int MeasureMemory(const std::string& path) {
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

}  // namespace

int main(int argc, char** argv) {
  if (argc == 3 && std::string(argv[1]) == "--memory") return MeasureMemory(argv[2]);

  const int rounds = bench::Rounds(argc, argv, 1, 5);
  const std::string base = argc > 2 ? argv[2] : bench::TempBase();
  std::string folder = base + "/nulvane-bench-XXXXXX";
  if (::mkdtemp(folder.data()) == nullptr) Fail("mkdtemp");
  const std::string path = folder + "/purged.dat";

  Purger purger;
  std::printf("PurgeThroughputBench: folder %s (%s), file %lld MiB, %s, %s\n", folder.c_str(),
              bench::FileSystemType(folder).c_str(), static_cast<long long>(kFileSize / kMiB),
              bench::Rounds(rounds).c_str(), bench::Load().c_str());
  std::printf(
      "ours: type 0 (random bytes plus zeros once), 1 pass, %d overwrites, each flushed, then deleted, "
      "on a worker thread\n",
      kOverwrites);
  std::printf("dd: dd if=/dev/zero bs=1M conv=notrunc,fsync twice, then rm\n");

  const std::int64_t bytesPerPurge = kFileSize * kOverwrites;
  enum Contender { kOurs, kDd, kReference, kShred, kContenders };
  bench::Ratio toDd, toReference, toShred;
  for (int round = 1; round <= rounds; ++round) {
    // The order turns from round to round so that no contender always meets a warm or a busy disk; each
    // meets a file written and flushed just before its clock starts.
    double speed[kContenders] = {};
    for (int turn = 0; turn < kContenders; ++turn) {
      const int contender = (turn + round) % kContenders;
      CreateFile(path, kFileSize);
      ::sync();
      double seconds = 0;
      switch (contender) {
        case kOurs:
          seconds = purger.Seconds(path);
          break;
        case kDd:
          seconds = ShellSeconds(DdCommand(path, kFileSize));
          break;
        case kReference:
          seconds = ReferenceSeconds(path, kFileSize);
          break;
        default:
          seconds = ShellSeconds("shred -n " + std::to_string(kOverwrites) + " -u '" + path + "'");
      }
      speed[contender] = MBPerSecond(bytesPerPurge, seconds);
    }
    toDd.Add(speed[kOurs] / speed[kDd]);
    toReference.Add(speed[kOurs] / speed[kReference]);
    toShred.Add(speed[kOurs] / speed[kShred]);
    std::printf("round %d (%s): ours %.1f, dd %.1f, reference %.1f, shred %.1f MB/s per overwrite\n", round,
                bench::Load().c_str(), speed[kOurs], speed[kDd], speed[kReference], speed[kShred]);
    std::fflush(stdout);
  }
  std::printf("ratios of MB/s per round, median (min-max):\n");
  bench::PrintVerdict("ours/in-place reference (the buffered limit)", toReference, true, 0.95);
  bench::PrintVerdict("ours/(dd twice + rm)", toDd, true, 0.95);
  bench::PrintVerdict("ours/shred", toShred, true, 2.0);

  char self[4096];
  const ssize_t length = ::readlink("/proc/self/exe", self, sizeof self - 1);
  if (length <= 0) Fail("readlink");
  self[length] = '\0';
  std::vector<long> peaks;
  for (const std::int64_t size : {64 * kMiB, kFileSize}) {
    CreateFile(path, size);
    peaks.push_back(PeakOfChild(self, path));
    std::printf("peak resident memory, purge of %lld MiB: %ld KiB\n", static_cast<long long>(size / kMiB),
                peaks.back());
  }
  const bool flat = peaks[0] > 0 && std::labs(peaks[1] - peaks[0]) <= 1024;
  std::printf("memory flat in file size (within 1 MiB): %s\n", bench::Verdict(flat));
  std::printf("(%s at the end)\n", bench::Load().c_str());
  std::filesystem::remove_all(folder);
  return 0;
}
