#pragma once

#include <gtest/gtest.h>

#include <functional>

#include "testsupport/ChildProcess.h"

namespace nulvane::testing {

// Runs `body` in a forked child with a mount namespace of its own, so that whatever it mounts is gone with
// the child, however it ends. Its checks are reported from the child (GoogleTest prints them there) and
// fail the test through the child's exit status. False, with nothing run, where no namespace can be made.
inline bool InOwnMountNamespace(const std::function<void()>& body) {
  const ChildOutcome outcome = RunInChild(body, true);
  if (outcome == ChildOutcome::Skipped) return false;
  EXPECT_EQ(outcome, ChildOutcome::Passed) << "the checks in the child failed (see above)";
  return true;
}

}  // namespace nulvane::testing
