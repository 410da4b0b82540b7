#pragma once

// The yardstick of the purge benchmarks: plain code that makes, for every file of a tree, the system calls a
// purge of one pass of type 0 cannot do without, from as many threads as the program purges with, and
// nothing else. The walk reads each folder once through a handle (getdents64), looks at each regular file
// relative to its folder (fstatat: its size, date and identity for the report and the protection rules)
// and hands it to the threads, which, per file:
//
//   openat2 relative to the folder (no link, no mount crossed), fcntl (F_SETSIG) and fcntl (F_SETLEASE): a
//   write lease tells whether another program has the file open, fstat, then for each overwrite pwritev
//   (random bytes, then zeros), fsync and fcntl (F_GETLEASE: nobody took the file up meanwhile); fstatat
//   (the name still holds the file), renameat2 to a random name as long as its own (never over another
//   file), fstatat (the new name holds it), unlinkat, close
//
// drawing the random bytes and names from the program's own generator, fresh for each file. Folders stay.

#include <dirent.h>
#include <fcntl.h>
#include <linux/openat2.h>
#include <sys/stat.h>
#include <sys/syscall.h>
#include <sys/uio.h>
#include <unistd.h>

#include <atomic>
#include <condition_variable>
#include <csignal>
#include <cstring>
#include <deque>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "platform/RandomStream.h"

namespace nulvane::bench {

class PurgeProbe {
 public:
  static constexpr const char* kCalls =
      "per folder: openat, getdents64, close; per file: fstatat in the walk, then openat2, fcntl F_SETSIG, "
      "fcntl F_SETLEASE, fstat, pwritev, fsync, fcntl F_GETLEASE, pwritev, fsync, fcntl F_GETLEASE, fstatat, "
      "renameat2, fstatat, unlinkat, close";

  explicit PurgeProbe(int threads) : threads_(threads < 1 ? 1 : threads) {}

  // Purges every regular file below `root`; returns how many were purged.
  long Run(const std::string& root) {
    purged_ = 0;
    walking_ = true;
    std::vector<std::thread> workers;
    if (threads_ > 1) {
      for (int i = 0; i < threads_; ++i) workers.emplace_back([this] { Work(); });
    }
    const int top = ::open(root.c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
    if (top >= 0) Walk(top);
    {
      const std::lock_guard lock(mutex_);
      walking_ = false;
    }
    ready_.notify_all();
    for (std::thread& worker : workers) worker.join();
    return purged_;
  }

 private:
  // An open folder, closed when its last file is done.
  struct Folder {
    explicit Folder(DIR* listing) : listing(listing), descriptor(::dirfd(listing)) {}
    ~Folder() { ::closedir(listing); }
    DIR* listing;
    int descriptor;
  };
  struct Job {
    std::shared_ptr<Folder> folder;
    std::string name;
  };

  void Walk(int descriptor) {
    DIR* listing = ::fdopendir(descriptor);
    if (listing == nullptr) {
      ::close(descriptor);
      return;
    }
    auto folder = std::make_shared<Folder>(listing);
    std::vector<std::string> subfolders;
    while (const dirent* entry = ::readdir(listing)) {
      if (entry->d_type == DT_DIR) {
        if (std::strcmp(entry->d_name, ".") != 0 && std::strcmp(entry->d_name, "..") != 0)
          subfolders.emplace_back(entry->d_name);
      } else if (entry->d_type == DT_REG) {
        struct stat seen {};
        if (::fstatat(folder->descriptor, entry->d_name, &seen, AT_SYMLINK_NOFOLLOW) == 0 &&
            S_ISREG(seen.st_mode))
          Hand({folder, entry->d_name});
      }
    }
    for (const std::string& name : subfolders) {
      const int sub =
          ::openat(folder->descriptor, name.c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
      if (sub >= 0) Walk(sub);
    }
  }

  void Hand(Job job) {
    if (threads_ == 1) {
      Purge(job, random_);
      return;
    }
    {
      const std::lock_guard lock(mutex_);
      jobs_.push_back(std::move(job));
    }
    ready_.notify_one();
  }

  void Work() {
    platform::RandomStream random;
    for (;;) {
      Job job;
      {
        std::unique_lock lock(mutex_);
        ready_.wait(lock, [this] { return !jobs_.empty() || !walking_; });
        if (jobs_.empty()) return;
        job = std::move(jobs_.front());
        jobs_.pop_front();
      }
      Purge(job, random);
    }
  }

  void Purge(const Job& job, platform::RandomStream& random) {
    constexpr std::size_t kCluster = 4096;
    const int folder = job.folder->descriptor;
    open_how how{};
    how.flags = O_RDWR | O_NOFOLLOW | O_CLOEXEC | O_NOCTTY | O_NONBLOCK;
    how.resolve = RESOLVE_BENEATH | RESOLVE_NO_SYMLINKS | RESOLVE_NO_MAGICLINKS | RESOLVE_NO_XDEV;
    const int file = static_cast<int>(::syscall(SYS_openat2, folder, job.name.c_str(), &how, sizeof how));
    if (file < 0) return;
    // The lease is refused (and the file left) while anyone else has the file open.
    if (::fcntl(file, F_SETSIG, SIGURG) != 0 || ::fcntl(file, F_SETLEASE, F_WRLCK) != 0) {
      ::close(file);
      return;
    }
    struct stat opened {};
    bool written = ::fstat(file, &opened) == 0;
    const std::size_t length =
        opened.st_size <= 0 ? kCluster
                            : (static_cast<std::size_t>(opened.st_size) + kCluster - 1) / kCluster * kCluster;
    std::vector<unsigned char> block(length);
    random.Fill(block.data(), block.size());
    const auto overwrite = [&] {
      const iovec vector{block.data(), block.size()};
      return ::pwritev(file, &vector, 1, 0) == static_cast<ssize_t>(block.size()) && ::fsync(file) == 0 &&
             ::fcntl(file, F_GETLEASE) == F_WRLCK;
    };
    written = written && overwrite();
    std::memset(block.data(), 0, block.size());
    written = written && overwrite();
    if (written && Holds(folder, job.name, opened)) {
      const std::string hidden = RandomName(job.name.size(), random);
      if (::renameat2(folder, job.name.c_str(), folder, hidden.c_str(), RENAME_NOREPLACE) == 0 &&
          Holds(folder, hidden, opened) && ::unlinkat(folder, hidden.c_str(), 0) == 0) {
        ++purged_;
      }
    }
    ::close(file);
  }

  // Whether the name in the folder still names the file that was opened.
  static bool Holds(int folder, const std::string& name, const struct stat& opened) {
    struct stat named {};
    return ::fstatat(folder, name.c_str(), &named, AT_SYMLINK_NOFOLLOW) == 0 &&
           named.st_ino == opened.st_ino && named.st_dev == opened.st_dev;
  }

  // Letters drawn at random, as many as the name has bytes.
  static std::string RandomName(std::size_t length, platform::RandomStream& random) {
    std::string name(length, 'a');
    random.Fill(reinterpret_cast<unsigned char*>(name.data()), name.size());
    for (char& c : name) c = static_cast<char>('a' + static_cast<unsigned char>(c) % 26);
    return name;
  }

  const int threads_;
  std::mutex mutex_;
  std::condition_variable ready_;
  std::deque<Job> jobs_;
  bool walking_ = false;
  std::atomic<long> purged_ = 0;
  platform::RandomStream random_;  // the one-thread probe's
};

}  // namespace nulvane::bench
