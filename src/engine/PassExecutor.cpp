#include "engine/PassExecutor.h"

#include "engine/PurgeEngine.h"

namespace nulvane::engine {

void InlinePassExecutor::Submit(std::uint64_t ticket, PurgeRequest request) {
  waiting_.emplace(ticket, std::move(request));
}

std::optional<PassExecutor::Done> InlinePassExecutor::Collect(std::chrono::milliseconds /*wait*/) {
  if (!waiting_) return std::nullopt;
  const auto [ticket, request] = std::move(*waiting_);
  waiting_.reset();
  Done done;
  done.ticket = ticket;
  try {
    done.code = engine_.Purge(request, &done.notes);
  } catch (...) {
    done.error = std::current_exception();
  }
  return done;
}

}  // namespace nulvane::engine
