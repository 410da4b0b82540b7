#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "engine/ClusterSizeTable.h"
#include "engine/Overwriter.h"
#include "engine/PurgeResult.h"
#include "platform/FileSystem.h"
#include "platform/Ui.h"
#include "support/OperationState.h"

namespace nulvane::engine {

// Pattern codes: a byte value written throughout, or random bytes.
constexpr int kRandomPattern = 256;

// The pattern codes of one repetition of a purge type, in the order they are written; empty for an
// invalid type.
std::vector<int> PatternSequence(int purgeType);

// Overwrites, flushes and deletes single files on the user-interface thread, and keeps what the purge
// drivers share for a run: the protection rules and the cluster sizes. Not re-entrant: its pattern
// buffers serve every file it purges itself. Worker threads purge with overwriters of their own, from
// requests made here (Request).
class PurgeEngine {
 public:
  PurgeEngine(platform::FileSystem& fileSystem, platform::Ui& ui, ClusterSizeTable& clusterSizes,
              const support::OperationState& state);

  // Purges one regular file: checks its attributes against the permissions, overwrites it, and either
  // deletes it or gives it back its length and times. Returns true when `resultCode` is 0 or positive.
  // A link or anything but a regular file is left alone with -2. Write failures throw PlatformError.
  bool PurgeFile(const std::string& path, int purgeType, int repetitions, bool deleteAfter, bool okReadOnly,
                 bool okSystem, std::int16_t& resultCode);
  // The PurgeFile call as a worker thread can carry it out, for the entry `name` of a folder a walk holds:
  // cluster size and restoring decided here. `drive` is the folder's volume when the caller knows it.
  PurgeRequest Request(platform::FolderHandle folder, const std::string& name, int purgeType, int repetitions,
                       bool deleteAfter, bool okReadOnly, bool okSystem, const std::string& drive = {});
  // The same for one file the caller names by its path: its folder is opened here, once. Throws when the
  // folder cannot be opened.
  PurgeRequest Request(const std::string& path, int purgeType, int repetitions, bool deleteAfter,
                       bool okReadOnly, bool okSystem);
  // Carries out a request here, with this engine's buffers and yields: the result code of PurgeFile, and in
  // `notes` what it met beyond the file's main contents and what became of the file's name.
  std::int16_t Purge(const PurgeRequest& request, PurgeNotes* notes = nullptr);

  // Overwrites the file with the type's patterns `repetitions` times and deletes it when asked.
  // Failures to open or write the file throw PlatformError.
  std::int16_t OverwriteFile(const std::string& path, int purgeType, int repetitions, bool deleteAfter);
  // Writes one pattern over the whole file (its length as read by the last OverwriteFile) and flushes it:
  // 0, or -7 when the flush fails.
  std::int16_t WritePatternPass(const std::string& path, int patternCode, std::int32_t clusterSize);
  // Fills the five constant buffers and the random buffer (drawn afresh) with `clusterSize` bytes each.
  void BuildPatternBuffers(std::int32_t clusterSize);
  // The buffer written for a pattern code (empty before BuildPatternBuffers).
  const std::vector<unsigned char>& PatternBuffer(int patternCode) const;

  // 0; 1 in the program's folder or the folder it reads its data from; 2 page or swap file; 3 a file with
  // other names (hard links); 7 sensitive extension not yet allowed; 8 refused. `known` is the file's status
  // when the caller has just read it, `holder` the folder that holds it when a walk holds that (its identity
  // is then the folder's); otherwise the folder's identity is read once for the files of one folder in a
  // row.
  int ClassifyProtectedFile(const std::string& path, const platform::FileStatus* known = nullptr,
                            const platform::Folder* holder = nullptr);
  void InitSensitiveExtensions(int permission);
  void SetExtensionPermission(const std::string& extension, int permission);

  // True when the file is gone: at most four delete attempts with a wait of 500 ms between them.
  bool DeleteFileForced(const std::string& path, bool clearHidden, bool clearReadOnly, bool clearSystem);
  bool DeleteFileForced(const platform::Folder& folder, const std::string& name, bool clearHidden,
                        bool clearReadOnly, bool clearSystem);
  std::int16_t ChangeFileSize(const std::string& path, std::int64_t size);
  bool FlushFile(const std::string& path);

 private:
  struct Identity {
    std::uint64_t device = 0;
    std::uint64_t inode = 0;
    friend bool operator==(const Identity&, const Identity&) = default;
  };

  // A folder whose files are the program's own, as spelled (lower case, trailing separator) and as found.
  struct OwnFolder {
    std::string lowered;
    std::optional<Identity> identity;
  };

  // With `resolveLinks`, a path through a link gives what the link leads to.
  std::optional<Identity> IdentityOf(const std::string& path, bool resolveLinks);
  void LearnProtectedPaths();
  // By identity where both are known, else by spelling.
  bool InOwnFolder(const std::string& loweredFolder, const std::optional<Identity>& identity) const;

  // The engine's own purges let the user's events run at every block and wait in the event loop.
  class UiPacer final : public Pacer {
   public:
    explicit UiPacer(platform::Ui& ui) : ui_(ui) {}
    void Yield() override { ui_.Yield(); }
    void Wait(int milliseconds) override { ui_.Wait(milliseconds); }

   private:
    platform::Ui& ui_;
  };

  std::int32_t ClusterSizeOf(const std::string& path);

  platform::FileSystem& fileSystem_;
  platform::Ui& ui_;
  ClusterSizeTable& clusterSizes_;
  const support::OperationState& state_;
  UiPacer pacer_{ui_};
  Overwriter overwriter_{fileSystem_, pacer_};

  std::vector<std::pair<std::string, int>> sensitiveExtensions_;
  // The program's own folders and the active swap files, read once per run (the table reset starts a run).
  bool protectedPathsKnown_ = false;
  std::vector<OwnFolder> ownFolders_;
  std::vector<std::string> swapFiles_;
  std::vector<Identity> swapFileIdentities_;
  // The folder of the files classified last, and its identity.
  std::string lastFolder_;
  std::optional<Identity> lastFolderIdentity_;
};

}  // namespace nulvane::engine
