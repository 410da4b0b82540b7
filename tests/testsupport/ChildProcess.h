#pragma once

#include <gtest/gtest.h>
#include <sched.h>
#include <sys/mount.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <functional>
#include <string>

namespace nulvane::testing {

// How a test's body run in a child process ended.
enum class ChildOutcome { Passed, Failed, Skipped };

// Runs `body` in a forked child and returns how it ended: its checks (EXPECT_...) report there, and its
// verdict comes back as its exit status. With `ownMounts` the child has a mount namespace of its own with
// private propagation: whatever it mounts is gone when it ends, even when it crashes, and no unmounting can
// reach into the test's own namespace. Skipped where the namespace cannot be had (without root), or where
// the body ends the child with SkipChild().
inline ChildOutcome RunInChild(const std::function<void()>& body, bool ownMounts) {
  std::fflush(nullptr);
  const pid_t child = ::fork();
  if (child < 0) return ChildOutcome::Failed;
  if (child == 0) {
    if (ownMounts &&
        (::unshare(CLONE_NEWNS) != 0 || ::mount(nullptr, "/", nullptr, MS_REC | MS_PRIVATE, nullptr) != 0))
      ::_exit(77);
    body();
    std::fflush(nullptr);
    ::_exit(::testing::Test::HasFailure() ? 1 : 0);
  }
  int status = 0;
  while (::waitpid(child, &status, 0) < 0 && errno == EINTR) {
  }
  if (WIFEXITED(status) && WEXITSTATUS(status) == 77) return ChildOutcome::Skipped;
  return WIFEXITED(status) && WEXITSTATUS(status) == 0 ? ChildOutcome::Passed : ChildOutcome::Failed;
}

// Ends the child of RunInChild as skipped (a tool or a file system the machine does not have).
[[noreturn]] inline void SkipChild(const std::string& why) {
  std::fprintf(stderr, "skipped: %s\n", why.c_str());
  std::fflush(nullptr);
  ::_exit(77);
}

// In the child's own mount namespace: `from` (a folder or a file) bound onto `onto`.
inline bool BindMount(const std::string& from, const std::string& onto) {
  return ::mount(from.c_str(), onto.c_str(), nullptr, MS_BIND, nullptr) == 0;
}

// In the child's own mount namespace: a small memory file system on the folder.
inline bool MountMemory(const std::string& onto, const std::string& size = "4m") {
  const std::string options = "size=" + size;
  return ::mount("nulvane-test", onto.c_str(), "tmpfs", MS_NOSUID | MS_NODEV, options.c_str()) == 0;
}

}  // namespace nulvane::testing
