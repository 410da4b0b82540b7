#include "cli/ProgressMeter.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

#include "support/Format.h"
#include "support/Locale.h"

namespace nulvane::cli {

namespace {

constexpr auto kRedrawInterval = std::chrono::milliseconds(100);
constexpr int kBarWidth = 20;

std::string Clock(double seconds) {
  const auto total = static_cast<long long>(std::llround(std::max(0.0, seconds)));
  const long long hours = total / 3600;
  const long long minutes = total / 60 % 60;
  const long long rest = total % 60;
  char text[48];
  if (hours > 0) {
    std::snprintf(text, sizeof text, "%lld:%02lld:%02lld", hours, minutes, rest);
  } else {
    std::snprintf(text, sizeof text, "%lld:%02lld", minutes, rest);
  }
  return text;
}

}  // namespace

void ProgressMeter::Start(Totals totals, std::int64_t bytesWrittenBefore) {
  totals_ = totals;
  if (totals_.overwrites < 1) totals_.overwrites = 1;
  bytesBefore_ = bytesWrittenBefore;
  start_ = std::chrono::steady_clock::now();
  lastDrawn_ = start_ - kRedrawInterval;
  running_ = console_.canShowProgress();
}

void ProgressMeter::Update(std::int64_t filesDone, std::int64_t bytesWritten) {
  if (!running_) return;
  const auto now = std::chrono::steady_clock::now();
  if (now - lastDrawn_ < kRedrawInterval) return;
  lastDrawn_ = now;
  const double elapsed = std::chrono::duration<double>(now - start_).count();
  const double bytesDone = static_cast<double>(bytesWritten - bytesBefore_) / totals_.overwrites;
  console_.Progress(Line(totals_, filesDone, bytesDone, elapsed, TerminalColumns() - 1));
}

void ProgressMeter::Stop() {
  if (!running_) return;
  running_ = false;
  console_.ClearProgress();
}

std::string ProgressMeter::Line(const Totals& totals, std::int64_t filesDone, double bytesDone,
                                double elapsed, int columns) {
  const double bytes = std::clamp(bytesDone, 0.0, std::max(totals.bytes, 0.0));
  const std::int64_t files = std::clamp<std::int64_t>(filesDone, 0, std::max<std::int64_t>(totals.files, 0));
  // The share done counts files and bytes alike: many small files take their time in the flushes.
  const double fileShare =
      totals.files > 0 ? static_cast<double>(files) / static_cast<double>(totals.files) : 1;
  const double byteShare = totals.bytes > 0 ? bytes / totals.bytes : fileShare;
  const double share = std::clamp((fileShare + byteShare) / 2, 0.0, 1.0);
  const int filled = static_cast<int>(share * kBarWidth);
  std::string line(1, '[');
  line.append(static_cast<std::size_t>(filled), '#');
  line.append(static_cast<std::size_t>(kBarWidth - filled), '.');
  line += "] ";
  line += support::FormatGrouped(static_cast<double>(files), 0) + "/" +
          support::FormatGrouped(static_cast<double>(totals.files), 0) + " files  " +
          support::FormatSize(bytes, 1) + "/" + support::FormatSize(totals.bytes, 1);
  if (elapsed > 0.5) {
    line += "  " + support::FormatSize(bytes / elapsed, 1) + "/s";
    if (share > 0.001) line += "  " + Clock(elapsed / share - elapsed) + " left";
  }
  if (columns > 0 && static_cast<int>(line.size()) > columns) line.resize(static_cast<std::size_t>(columns));
  return line;
}

}  // namespace nulvane::cli
