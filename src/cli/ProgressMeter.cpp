#include "cli/ProgressMeter.h"

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>

#include "support/Format.h"
#include "support/Locale.h"

namespace nulvane::cli {

namespace {

constexpr double kRedrawInterval = 0.1;
constexpr int kBarWidth = 20;
// What a file weighs beyond its bytes, per pass: about what its flushes take while that many bytes could
// be written.
constexpr double kBytesPerFilePass = 256 * 1024;

std::string ClockText(double seconds) {
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

ProgressMeter::ProgressMeter(Console& console, Clock clock) : console_(console), clock_(std::move(clock)) {}

double ProgressMeter::SteadySeconds() {
  return std::chrono::duration<double>(std::chrono::steady_clock::now().time_since_epoch()).count();
}

void ProgressMeter::Start(Totals totals) {
  totals_ = totals;
  if (totals_.passes < 1) totals_.passes = 1;
  start_ = clock_();
  held_ = 0;
  holdStart_ = -1;
  filesDone_ = 0;
  bytesDone_ = 0;
  running_ = console_.canShowProgress();
  if (!running_) return;
  lastDrawn_ = start_;
  // At once, so that the bar is there from the start and begins at 0 %.
  console_.Progress(Line(totals_, 0, 0, 0, TerminalColumns() - 1));
}

double ProgressMeter::ActiveSeconds() const {
  const double now = holdStart_ >= 0 ? holdStart_ : clock_();
  return std::max(0.0, now - start_ - held_);
}

void ProgressMeter::Update(std::int64_t filesDone, double bytesDone) {
  if (!running_) return;
  filesDone_ = filesDone;
  bytesDone_ = bytesDone;
  if (holdStart_ >= 0) return;
  const double now = clock_();
  if (now - lastDrawn_ < kRedrawInterval) return;
  lastDrawn_ = now;
  console_.Progress(Line(totals_, filesDone, bytesDone, ActiveSeconds(), TerminalColumns() - 1));
}

void ProgressMeter::Hold() {
  if (!running_ || holdStart_ >= 0) return;
  holdStart_ = clock_();
}

void ProgressMeter::Resume() {
  if (!running_ || holdStart_ < 0) return;
  const double now = clock_();
  held_ += now - holdStart_;
  holdStart_ = -1;
  lastDrawn_ = now;
  console_.Progress(Line(totals_, filesDone_, bytesDone_, ActiveSeconds(), TerminalColumns() - 1));
}

void ProgressMeter::Stop() {
  if (!running_) return;
  running_ = false;
  console_.ClearProgress();
}

double ProgressMeter::Share(const Totals& totals, std::int64_t filesDone, double bytesDone) {
  const double files = static_cast<double>(std::max<std::int64_t>(totals.files, 0));
  const double allBytes = std::max(totals.bytes, 0.0) * totals.passes;
  const double perFile = kBytesPerFilePass * totals.passes;
  const double whole = allBytes + perFile * files;
  if (!(whole > 0)) return totals.files > 0 && filesDone >= totals.files ? 1 : 0;
  const double done = std::clamp(bytesDone, 0.0, allBytes) +
                      perFile * static_cast<double>(std::clamp<std::int64_t>(filesDone, 0, totals.files));
  return std::clamp(done / whole, 0.0, 1.0);
}

std::string ProgressMeter::Line(const Totals& totals, std::int64_t filesDone, double bytesDone,
                                double seconds, int columns) {
  const double allBytes = std::max(totals.bytes, 0.0) * totals.passes;
  const double bytes = std::clamp(bytesDone, 0.0, allBytes);
  const std::int64_t files = std::clamp<std::int64_t>(filesDone, 0, std::max<std::int64_t>(totals.files, 0));
  const double share = Share(totals, files, bytes);
  const int filled = static_cast<int>(share * kBarWidth);
  std::string line(1, '[');
  line.append(static_cast<std::size_t>(filled), '#');
  line.append(static_cast<std::size_t>(kBarWidth - filled), '.');
  char percent[8];
  std::snprintf(percent, sizeof percent, "%3d%%", static_cast<int>(share * 100));
  line += "] " + std::string(percent) + "  ";
  line += support::FormatGrouped(static_cast<double>(files), 0) + "/" +
          support::FormatGrouped(static_cast<double>(totals.files), 0) + " files  " +
          support::FormatSizeGB(bytes, 1) + "/" + support::FormatSizeGB(allBytes, 1);
  if (seconds > 0.5) {
    line += "  " + support::FormatSizeGB(bytes / seconds, 1) + "/s";
    if (share > 0.001 && share < 1) line += "  " + ClockText(seconds / share - seconds) + " left";
  }
  if (columns > 0 && static_cast<int>(line.size()) > columns) line.resize(static_cast<std::size_t>(columns));
  return line;
}

}  // namespace nulvane::cli
