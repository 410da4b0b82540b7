#pragma once

// The report window's files in flight during a purge: shared by the files that make up its logic.

#include <cstdint>
#include <string>

#include "engine/PurgePipeline.h"
#include "engine/PurgeResult.h"
#include "platform/Ui.h"
#include "report/ReportWindow.h"

namespace nulvane::report {

// One file of a purge run on its way through its passes, with what its report line needs.
struct ReportWindow::PendingFile : engine::PurgePipeline::File {
  std::string folder;
  std::string name;
  std::string extension;
  std::int64_t size = 0;
  bool indicator = false;
  bool lineBegun = false;  // the name was written before a question
  bool sizeShown = false;
  int passesShown = 0;
  int passesDone = 0;     // passes that came back purged
  bool stopSeen = false;  // the run stopped as its last pass came back
};

// The report window's side of the files in flight: the walk's order of lines, its Pause and Stop.
class ReportWindow::PurgeDriver final : public engine::PurgePipeline::Driver {
 public:
  explicit PurgeDriver(ReportWindow& window) : window_(window) {}

  using Next = engine::PurgePipeline::Next;

  Next AfterPass(engine::PurgePipeline::File& base) override {
    auto& file = static_cast<PendingFile&>(base);
    // A failure of the system ends the run unless its line says otherwise: nothing behind it starts
    // before its line is written.
    if (file.error) return Next::Block;
    // A pass cut short ends the file where the stop found it.
    if (file.code == engine::kCutShort || file.code == engine::kCutShortUnwritten) {
      file.stopSeen = window_.blnStop;
      return Next::End;
    }
    // A protection found on the open file (another name made since the walk looked) ends it as a failure
    // does.
    if (file.code != 0) return Next::End;
    file.passesDone = file.passesBack;
    if (file.passesBack < file.passes) return Next::Pass;
    file.stopSeen = window_.blnStop;
    return Next::End;
  }
  bool MayStart() override { return !window_.blnStop && !window_.blnPaused; }
  bool Stopping() override { return window_.blnStop; }
  void Show(engine::PurgePipeline::File& file) override {
    window_.ShowPendingFile(static_cast<PendingFile&>(file));
  }
  void Yield() override { window_.ui_.Yield(); }
  void Idle() override {
    window_.ui_.Yield();
    // Paused: sleep in the event loop between looks, as a pause between files does.
    if (window_.blnPaused && !window_.blnStop) window_.ui_.Wait(20);
  }

 private:
  ReportWindow& window_;
};

}  // namespace nulvane::report
