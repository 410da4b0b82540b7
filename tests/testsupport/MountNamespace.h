#pragma once

#include <gtest/gtest.h>
#include <sched.h>
#include <sys/mount.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <functional>

namespace nulvane::testing {

// Runs `body` in a forked child with a mount namespace of its own, so that whatever it mounts is gone with
// the child, however it ends. Its checks are reported from the child (GoogleTest prints them there) and
// fail the test through the child's exit status. False, with nothing run, where no namespace can be made.
inline bool InOwnMountNamespace(const std::function<void()>& body) {
  std::fflush(nullptr);
  const pid_t child = ::fork();
  if (child == 0) {
    if (::unshare(CLONE_NEWNS) != 0 || ::mount(nullptr, "/", nullptr, MS_REC | MS_PRIVATE, nullptr) != 0)
      ::_exit(77);
    body();
    std::fflush(nullptr);
    ::_exit(::testing::Test::HasFailure() ? 1 : 0);
  }
  int status = 0;
  ::waitpid(child, &status, 0);
  if (WIFEXITED(status) && WEXITSTATUS(status) == 77) return false;
  EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << "the checks in the child failed (see above)";
  return true;
}

}  // namespace nulvane::testing
