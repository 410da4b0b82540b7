#include <filesystem>
#include <set>

#include "EngineFixture.h"
#include "testsupport/Platform.h"

namespace nulvane::testing {
namespace {

struct Case {
  const char* path;
  int expected;
};

#ifdef _WIN32
const std::string kProgramFolder = "C:\\Program Files\\Nulvane\\";
const std::string kElsewhere = "C:\\Data\\";
#else
const std::string kProgramFolder = "/opt/Nulvane/";
const std::string kElsewhere = "/tmp/";
#endif

#ifdef _WIN32

TEST_F(EngineTest, ProtectedFilesAreClassified) {
  fs.OverrideProgramFolder("C:\\Program Files\\Nulvane\\");
  fs.OverrideSwapFiles({"D:\\swap\\pagefile2.sys"});
  for (const Case c :
       {Case{"C:\\Program Files\\Nulvane\\data.txt", 1}, Case{"c:\\PROGRAM FILES\\nulvane\\readme", 1},
        Case{"C:\\Program Files\\Nulvane\\sub\\data.txt", 0}, Case{"C:\\pagefile.sys", 2},
        Case{"D:\\Data\\PageFile.SYS", 2}, Case{"C:\\Data\\edit.SWP", 2}, Case{"d:\\SWAP\\pagefile2.sys", 2},
        Case{"C:\\Data\\page.sys", 7}, Case{"C:\\Data\\setup.EXE", 7}, Case{"C:\\Data\\a.b.kbd", 7},
        Case{"C:\\Data\\x.txt", 0}, Case{"C:\\Data\\Makefile", 0}, Case{"C:\\Data\\exe", 0},
        Case{"C:\\Data.exe\\notes", 0}}) {
    SCOPED_TRACE(c.path);
    EXPECT_EQ(engine.ClassifyProtectedFile(c.path), c.expected);
  }
}

#else

TEST_F(EngineTest, ProtectedFilesAreClassified) {
  fs.OverrideProgramFolder("/opt/Nulvane/");
  fs.OverrideSwapFiles({"/swapfile"});
  // Only what the kernel swaps to is a swap file here: an editor's "*.swp" is text to purge, and a
  // "pagefile.sys" is a "sys" file like any other.
  for (const Case c : {Case{"/opt/Nulvane/data.txt", 1}, Case{"/OPT/nulvane/readme", 1},
                       Case{"/opt/Nulvane/sub/data.txt", 0}, Case{"/tmp/pagefile.sys", 7},
                       Case{"/tmp/PageFile.SYS", 7}, Case{"/tmp/edit.SWP", 0}, Case{"/tmp/.notes.txt.swp", 0},
                       Case{"/swapfile", 2}, Case{"/SWAPFILE", 0}, Case{"/tmp/page.sys", 7},
                       Case{"/tmp/setup.EXE", 7}, Case{"/tmp/a.b.kbd", 7}, Case{"/tmp/notes.txt", 0},
                       Case{"/tmp/Makefile", 0}, Case{"/tmp/exe", 0}, Case{"/tmp.exe/notes", 0}}) {
    SCOPED_TRACE(c.path);
    EXPECT_EQ(engine.ClassifyProtectedFile(c.path), c.expected);
  }
}

#endif

TEST_F(EngineTest, TheProgramFolderAndSwapFilesAreKnownByIdentityWhateverTheSpelling) {
  const std::string own = dir.Write("bin/own.dat", "program data");
  const std::string swap = dir.Write("swap.img", "swap");
  dir.Write("elsewhere/other.dat", "x");
  ASSERT_TRUE(MakeLink("bin", dir / "alias"));
  ASSERT_TRUE(MakeHardLink(swap, dir / "second-name.img"));
  fs.OverrideProgramFolder(dir / "bin/");
  fs.OverrideSwapFiles({swap});
  struct Case {
    std::string path;
    int expected;
  };
  for (const Case& c : {Case{own, 1}, Case{dir / "bin/../bin/own.dat", 1}, Case{dir / "bin//./own.dat", 1},
                        Case{dir / "alias/own.dat", 1}, Case{dir / "elsewhere/../bin/own.dat", 1},
                        Case{dir / "elsewhere/other.dat", 0}, Case{swap, 2}, Case{dir / "second-name.img", 2},
                        Case{dir / "./swap.img", 2}}) {
    SCOPED_TRACE(c.path);
    EXPECT_EQ(engine.ClassifyProtectedFile(c.path), c.expected);
  }
}

TEST_F(EngineTest, AnInstalledProgramsDataFolderIsItsOwnAsItsFolderIs) {
  // bin/ beside share/nulvane/, where the program reads its texts and help.
  fs.OverrideProgramFolder(dir.MakeFolder("usr/bin"));
  const std::string texts = dir.Write("usr/share/nulvane/nulvane.dat", "2\tNulvane\n");
  const std::string help = dir.Write("usr/share/nulvane/nv_help.txt", "help");
  dir.Write("usr/share/nulvane/sub/notes.txt", "x");
  dir.Write("usr/share/other/notes.txt", "x");
  ASSERT_TRUE(MakeLink(dir / "usr/share/nulvane", dir / "alias"));
  for (const Case c : {Case{texts.c_str(), 1}, Case{help.c_str(), 1}}) {
    SCOPED_TRACE(c.path);
    EXPECT_EQ(engine.ClassifyProtectedFile(c.path), c.expected);
  }
  EXPECT_EQ(engine.ClassifyProtectedFile(dir / "alias/nv_help.txt"), 1);
  EXPECT_EQ(engine.ClassifyProtectedFile(dir / "usr/share/other/../nulvane/nv_help.txt"), 1);
  EXPECT_EQ(engine.ClassifyProtectedFile(dir / "usr/bin/nulvane-cli"), 1);
  EXPECT_EQ(engine.ClassifyProtectedFile(dir / "usr/share/nulvane/sub/notes.txt"), 0);
  EXPECT_EQ(engine.ClassifyProtectedFile(dir / "usr/share/other/notes.txt"), 0);
}

TEST_F(EngineTest, AFileWithOtherNamesIsNeverOverwritten) {
  const std::string original = SampleContent(10000);
  const std::string path = dir.Write("chosen/report.txt", original);
  const std::string other = dir / "kept-elsewhere.txt";
  ASSERT_TRUE(MakeHardLink(path, other));
  EXPECT_EQ(engine.ClassifyProtectedFile(path), engine::kHasOtherNames);
  std::int16_t code = 0;
  EXPECT_TRUE(engine.PurgeFile(path, 2, 1, true, true, true, code));
  EXPECT_EQ(code, engine::kHasOtherNames);
  EXPECT_EQ(ReadFile(path), original);
  EXPECT_EQ(ReadFile(other), original);
  EXPECT_EQ(engine::PurgeResultText(code, ""),
            ": a file with other names (hard links) elsewhere, not purged.");

  // A second name made after the walk looked is seen on the open file, before any write.
  std::filesystem::remove(PathOf(other));
  EXPECT_EQ(engine.ClassifyProtectedFile(path), 0);
  fs.SetHook([&](const std::string& operation, const std::string&) {
    if (operation == "StatusOfFile" && !Exists(other)) MakeHardLink(path, other);
  });
  EXPECT_TRUE(engine.PurgeFile(path, 0, 1, true, true, true, code));
  EXPECT_EQ(code, engine::kHasOtherNames);
  EXPECT_EQ(ReadFile(path), original);
  EXPECT_TRUE(fs.snapshots.empty());
}

TEST_F(EngineTest, ExtensionPermissionsLastUntilTheTableIsReset) {
  fs.OverrideProgramFolder(kProgramFolder);
  engine.SetExtensionPermission("EXE", -1);
  engine.SetExtensionPermission("dll", 1);
  engine.SetExtensionPermission("txt", -1);  // not in the table: ignored
  EXPECT_EQ(engine.ClassifyProtectedFile(kElsewhere + "a.exe"), 8);
  EXPECT_EQ(engine.ClassifyProtectedFile(kElsewhere + "a.dll"), 0);
  EXPECT_EQ(engine.ClassifyProtectedFile(kElsewhere + "a.txt"), 0);
  EXPECT_EQ(engine.ClassifyProtectedFile(kElsewhere + "a.sys"), 7);

  engine.InitSensitiveExtensions(0);
  EXPECT_EQ(engine.ClassifyProtectedFile(kElsewhere + "a.exe"), 7);
  engine.InitSensitiveExtensions(1);
  for (const char* extension :
       {"bat", "bin", "com", "dll", "drv", "exe", "ini", "ovl", "pif", "sys", "ocx", "kbd"}) {
    EXPECT_EQ(engine.ClassifyProtectedFile(std::string(kElsewhere + "x.") + extension), 0) << extension;
  }
#ifdef _WIN32
  EXPECT_EQ(engine.ClassifyProtectedFile(kElsewhere + "pagefile.sys"), 2);
#else
  EXPECT_EQ(engine.ClassifyProtectedFile(kElsewhere + "pagefile.sys"), 0);
#endif
}

TEST(PurgeResultTextTest, EveryCodeHasItsText) {
  struct Case {
    std::int16_t code;
    const char* text;
  };
  for (const Case c : {
           Case{1, ": a file in the current application folder, not purged."},
           Case{2, ": the page file (swap file), not purged."},
           Case{3, ": a file with other names (hard links) elsewhere, not purged."},
           Case{7, ": \"exe\" files are not purged."},
           Case{-1, ": empty file name."},
           Case{-2, ": unable to open file for writing."},
           Case{-4, ": file overwritten but not deleted."},
           Case{-7, ": error when flushing file."},
           Case{-8, ": invalid purge type."},
           Case{-9, ": invalid cluster size."},
           Case{-53,
                ": file is a read-only file, not purged.\r\n(Perhaps file is in use by another program.)"},
           Case{-54, ": file is a system file, not purged."},
           Case{0, " not purged."},
           Case{-3, " not purged."},
           Case{8, " not purged."},
       }) {
    EXPECT_EQ(engine::PurgeResultText(c.code, "exe"), c.text) << c.code;
  }
}

TEST(PatternSequenceTest, WritesPerPassMatchTheSequences) {
  EXPECT_EQ(engine::PatternSequence(0), (std::vector<int>{256, 0}));
  EXPECT_EQ(engine::PatternSequence(1), (std::vector<int>{170, 85, 0}));
  EXPECT_EQ(engine::PatternSequence(2), (std::vector<int>{170, 85, 256, 10, 245, 256}));
  EXPECT_EQ(engine::NumOverwritesPerPass(0), 2);
  EXPECT_EQ(engine::NumOverwritesPerPass(1), 3);
  EXPECT_EQ(engine::NumOverwritesPerPass(2), 6);
  EXPECT_TRUE(engine::PatternSequence(3).empty());
}

// The random buffer is drawn whole, afresh for each repetition and by each overwriter: no piece of it
// repeats another, and what one file got tells nothing of the next.
TEST_F(EngineTest, RandomBufferIsDrawnWholeAndAfreshEachTime) {
  for (const std::int32_t size : {512, 4096, 65536}) {
    SCOPED_TRACE(size);
    engine.BuildPatternBuffers(size);
    const std::vector<unsigned char> buffer = engine.PatternBuffer(engine::kRandomPattern);
    ASSERT_EQ(buffer.size(), static_cast<std::size_t>(size));
    std::set<std::vector<unsigned char>> blocks;
    for (std::size_t at = 0; at < buffer.size(); at += 64)
      blocks.emplace(buffer.begin() + static_cast<std::ptrdiff_t>(at),
                     buffer.begin() + static_cast<std::ptrdiff_t>(at + 64));
    EXPECT_EQ(blocks.size(), buffer.size() / 64);

    engine.BuildPatternBuffers(size);
    EXPECT_NE(engine.PatternBuffer(engine::kRandomPattern), buffer);
    engine::PurgeEngine other(fs, ui, clusters, state);
    other.BuildPatternBuffers(size);
    EXPECT_NE(other.PatternBuffer(engine::kRandomPattern), buffer);
    for (const int code : {0, 10, 85, 170, 245}) {
      EXPECT_EQ(engine.PatternBuffer(code),
                std::vector<unsigned char>(static_cast<std::size_t>(size), static_cast<unsigned char>(code)));
    }
  }
}

}  // namespace
}  // namespace nulvane::testing
