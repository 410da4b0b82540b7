// A purged file's name: the random name it is given before it is deleted, the renaming that never replaces
// another file, what the report learns when the file stays, and the filling of the folder's freed entries.
#include <cerrno>
#include <set>

#include "EngineFixture.h"
#include "engine/NameHiding.h"
#include "platform/PlatformError.h"
#include "platform/SystemFileSystem.h"
#include "testsupport/PathCalls.h"
#include "testsupport/Platform.h"

namespace nulvane::testing {
namespace {

std::size_t Utf16Units(const std::string& utf8) {
  std::size_t units = 0;
  for (std::size_t at = 0; at < utf8.size(); ++at) {
    const auto c = static_cast<unsigned char>(utf8[at]);
    if ((c & 0xC0) == 0x80) continue;  // a continuation byte
    units += c >= 0xF0 ? 2 : 1;
  }
  return units;
}

// Where each kind of character stands: letter case, digit, sign (as itself), or a character of n bytes.
std::string Shape(const std::string& name) {
  std::string shape;
  for (std::size_t at = 0; at < name.size(); ++at) {
    const char c = name[at];
    const auto byte = static_cast<unsigned char>(c);
    if (c >= 'a' && c <= 'z') {
      shape += 'a';
    } else if (c >= 'A' && c <= 'Z') {
      shape += 'A';
    } else if (c >= '0' && c <= '9') {
      shape += '9';
    } else if (byte < 0x80) {
      shape += c;
    } else if ((byte & 0xC0) != 0x80) {
      shape += byte >= 0xF0 ? '4' : byte >= 0xE0 ? '3' : '2';
    }
  }
  return shape;
}

std::vector<std::string> Names(platform::FileSystem& fs, const std::string& folder) {
  std::vector<std::string> names;
  for (const platform::DirEntry& entry : ListFolder(fs, folder)) names.push_back(entry.name);
  std::sort(names.begin(), names.end());
  return names;
}

TEST(RandomNameLike, TakesAsMuchRoomAsTheNameInEveryMeasure) {
  platform::RandomStream random;
  for (const std::string name : {"Divorce settlement draft.docx", "REPORT.TXT", ".hidden-2024_v3 (copy)",
                                 "Übersicht März.pdf", "報告書.txt", "notes \xF0\x9F\x98\x80.md", "a"}) {
    const std::string drawn = engine::RandomNameLike(name, random);
    EXPECT_NE(drawn, name);
    EXPECT_EQ(drawn.size(), name.size()) << name;
    EXPECT_EQ(Utf16Units(drawn), Utf16Units(name)) << name;
    EXPECT_EQ(Shape(drawn), Shape(name)) << name << " -> " << drawn;
  }
}

TEST(RandomNameLike, AByteThatIsNoUtf8BecomesOneLetterAndSignsAloneAreLeft) {
  platform::RandomStream random;
  const std::string drawn = engine::RandomNameLike("x\xFFy", random);
  ASSERT_EQ(drawn.size(), 3u);
  EXPECT_TRUE(drawn[1] >= 'a' && drawn[1] <= 'z');
  // Nothing in these names tells anything, and nothing could be drawn for them.
  EXPECT_EQ(engine::RandomNameLike("...", random), "");
  EXPECT_EQ(engine::RandomNameLike("-_- ()", random), "");
}

TEST(RandomNameLike, NeverANameWindowsKeepsForADevice) {
  platform::RandomStream random;
  std::set<std::string> drawn;
  // Three capitals: one draw in about 4,400 would be CON, PRN, AUX or NUL.
  for (int i = 0; i < 40000; ++i) drawn.insert(engine::RandomNameLike("ABC.txt", random).substr(0, 3));
  for (const char* device : {"CON", "PRN", "AUX", "NUL"}) EXPECT_EQ(drawn.count(device), 0u) << device;
  EXPECT_GT(drawn.size(), 15000u);  // and the rest are all drawn
}

TEST_F(EngineTest, APurgedFileIsRenamedLikeItselfBeforeItIsDeleted) {
  const std::string path = dir.Write("Divorce draft.docx", SampleContent(5000));
  dir.Write("other.txt", "other");
  std::string renamedTo;
  fs.SetHook([&](const std::string& operation, const std::string& at) {
    if (operation == "RenameTo") renamedTo = at.substr(dir.path().size());
  });
  std::int16_t code = 99;
  EXPECT_TRUE(engine.PurgeFile(path, 0, 1, true, true, true, code));
  EXPECT_EQ(code, engine::kPurged);
  EXPECT_EQ(Shape(renamedTo), Shape("Divorce draft.docx"));
  EXPECT_NE(renamedTo, "Divorce draft.docx");
  // The file is gone under either name, and nothing else is.
  EXPECT_EQ(Names(fs, dir.path()), std::vector<std::string>{"other.txt"});
  EXPECT_EQ(fs.Calls("Rename"), 1);
}

TEST_F(EngineTest, ARandomNameThatIsTakenIsNeverReplacedButAnotherIsDrawn) {
  const std::string path = dir.Write("secret.txt", SampleContent(100));
  std::vector<std::string> tried;
  // Another program takes the first name drawn just before the rename.
  fs.SetHook([&](const std::string& operation, const std::string& at) {
    if (operation != "RenameTo") return;
    tried.push_back(at);
    if (tried.size() == 1) platform::SystemFileSystem().CreateFile(at);
  });
  std::int16_t code = 99;
  EXPECT_TRUE(engine.PurgeFile(path, 0, 1, true, true, true, code));
  ASSERT_EQ(tried.size(), 2u);
  EXPECT_NE(tried[0], tried[1]);
  // The other program's file is as it made it, and the purged one is gone.
  EXPECT_TRUE(Exists(tried[0]));
  EXPECT_EQ(ReadFile(tried[0]), "");
  EXPECT_EQ(Names(fs, dir.path()).size(), 1u);
  EXPECT_FALSE(Exists(path));
  EXPECT_FALSE(Exists(tried[1]));
}

TEST_F(EngineTest, AFileSystemThatRefusesToRenameSafelyKeepsTheNameAndSaysSo) {
  const std::string path = dir.Write("secret.txt", SampleContent(100));
  // As a FUSE driver answers the no-replace flag it does not know.
  fs.Inject({"Rename", "secret.txt", EINVAL});
  engine::PurgeNotes name;
  EXPECT_EQ(engine.Purge(engine.Request(path, 0, 1, true, true, true), &name), engine::kPurged);
  EXPECT_TRUE(name.nameKept);
  EXPECT_TRUE(name.renamedTo.empty());
  EXPECT_FALSE(Exists(path));
  EXPECT_TRUE(Names(fs, dir.path()).empty());
}

TEST_F(EngineTest, ARenamedFileThatCannotBeDeletedIsFoundUnderItsNewName) {
  const std::string path = dir.Write("stuck.dat", SampleContent(5000));
  fs.Inject({"Remove", dir.path(), EBUSY});
  engine::PurgeNotes name;
  EXPECT_EQ(engine.Purge(engine.Request(path, 0, 1, true, true, true), &name), engine::kNotDeleted);
  ASSERT_FALSE(name.renamedTo.empty());
  EXPECT_FALSE(name.nameKept);
  EXPECT_FALSE(Exists(path));
  // Overwritten, and where the report says it is.
  const std::string now = dir / name.renamedTo;
  EXPECT_EQ(ReadFile(now), std::string(5000, '\0'));
  EXPECT_EQ(Names(fs, dir.path()), std::vector<std::string>{name.renamedTo});
}

TEST_F(EngineTest, FreedEntriesAreFilledWithRandomNamesThatGoAgain) {
  platform::RandomStream random;
  dir.Write("kept.txt", "kept");
  const auto folder = fs.OpenFolder(dir.path());
  fs.OverrideFreedEntriesKeepNames(true);
  std::vector<std::string> made;
  fs.SetHook([&](const std::string& operation, const std::string& at) {
    // All are made before any goes, or each would take the room of the one before.
    if (operation == "MakeEmptyFile") {
      EXPECT_EQ(fs.Calls("Remove"), 0);
      made.push_back(at.substr(dir.path().size()));
    }
  });
  const std::vector<std::string> removed = {"Divorce draft.docx", "a.txt", "Übersicht.pdf"};
  EXPECT_TRUE(engine::FillFreedEntries(fs, random, *folder, removed).empty());
  ASSERT_EQ(made.size(), 3u);
  for (std::size_t i = 0; i < made.size(); ++i) EXPECT_EQ(Shape(made[i]), Shape(removed[i]));
  EXPECT_EQ(Names(fs, dir.path()), std::vector<std::string>{"kept.txt"});

  // Where the file system wipes removed entries itself, nothing is made.
  fs.OverrideFreedEntriesKeepNames(false);
  EXPECT_TRUE(engine::FillFreedEntries(fs, random, *folder, removed).empty());
  EXPECT_EQ(fs.Calls("MakeEmptyFile"), 3);
}

TEST_F(EngineTest, AFillingFileThatCannotBeRemovedIsNamedAndAFailureToMakeOneEndsTheFilling) {
  platform::RandomStream random;
  const auto folder = fs.OpenFolder(dir.path());
  fs.OverrideFreedEntriesKeepNames(true);
  fs.Inject({"Remove", dir.path(), EACCES});
  const std::vector<std::string> left = engine::FillFreedEntries(fs, random, *folder, {"one.txt", "two.txt"});
  EXPECT_EQ(left.size(), 2u);
  EXPECT_EQ(Names(fs, dir.path()).size(), 2u);

  fs.ClearFaults();
  fs.Inject({"MakeEmptyFile", dir.path(), ENOSPC});
  EXPECT_TRUE(engine::FillFreedEntries(fs, random, *folder, {"three.txt", "four.txt"}).empty());
  EXPECT_EQ(fs.Calls("MakeEmptyFile"), 3);
}

}  // namespace
}  // namespace nulvane::testing
