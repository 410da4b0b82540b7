// The habits shell users bring from rm, shred and find, end to end on real trees: patterns as find -name
// reads them, -r, a report file named before the confirmation, links and system folders named on the
// command line, a saved setup only when asked for, and usage errors that say what is wrong.
#include <gtest/gtest.h>
#include <sched.h>
#include <sys/mount.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <filesystem>
#include <set>

#include "cli/CliFixture.h"
#include "cli/Operation.h"
#include "platform/PosixFileSystem.h"
#include "platform/settings/QtSettingsBackend.h"
#include "support/Drive.h"

namespace nulvane::testing {
namespace {

bool Contains(const std::string& text, const std::string& part) {
  return text.find(part) != std::string::npos;
}

std::string WithoutTrailingSeparator(std::string path) {
  while (path.size() > 1 && path.back() == '/') path.pop_back();
  return path;
}

class ShellHabitsTest : public CliFixture {
 protected:
  // A project folder as shell users have them: dot files, names with several dots, a subfolder.
  std::string Tree(const std::string& name) {
    const std::string top = Folder(name);
    for (const char* file : {"a.txt", "Makefile", ".env", ".bash_history", "data.tar.gz", "NOTES.TXT",
                             "sub/notes.md", "sub/.hidden", "sub/data.csv"})
      temp.Write(name + "/" + file, SampleContent(500));
    return top;
  }
};

TEST_F(ShellHabitsTest, FilesTakesTheShellsPatternsAsFindNameReadsThem) {
  const std::set<std::string> all = {"a.txt",        "Makefile",      "NOTES.TXT",
                                     ".env",         ".bash_history", "data.tar.gz",
                                     "sub/notes.md", "sub/.hidden",   "sub/data.csv"};
  struct Case {
    std::vector<std::string> patterns;
    std::set<std::string> purged;
  };
  const Case cases[] = {
      {{".*"}, {".env", ".bash_history", "sub/.hidden"}},
      {{"*"}, all},
      {{"data.*"}, {"data.tar.gz", "sub/data.csv"}},
      {{"*.txt"}, {"a.txt"}},  // the case counts: NOTES.TXT stays
      {{"[MN]*"}, {"Makefile", "NOTES.TXT"}},
      {{"?.txt", "*.md"}, {"a.txt", "sub/notes.md"}},
  };
  int n = 0;
  for (const Case& c : cases) {
    const std::string top = Tree("tree" + std::to_string(n++));
    std::vector<std::string> arguments = {"purge", "--yes", "-r", "-n", "1"};
    std::string shown;
    for (const std::string& pattern : c.patterns) {
      arguments.insert(arguments.end(), {"--files", pattern});
      shown += (shown.empty() ? "" : ",") + pattern;
    }
    arguments.push_back(top);
    const CliRunner::Result run = cli.Run(arguments);
    EXPECT_EQ(run.status, 0) << shown << "\n" << run.out << run.err;
    std::set<std::string> left;
    std::set_difference(all.begin(), all.end(), c.purged.begin(), c.purged.end(),
                        std::inserter(left, left.begin()));
    EXPECT_EQ(FilesBelow(top), left) << shown;
    if (c.patterns.size() == 1 && c.patterns.front() != "*") {
      EXPECT_TRUE(Contains(run.out, "whose names match \"" + shown + "\" \n(including those in subfolders)"))
          << run.out;
    } else if (c.patterns.size() > 1) {
      EXPECT_TRUE(Contains(run.out, "whose names match \"{" + shown + "}\"")) << run.out;
    } else {
      EXPECT_TRUE(Contains(run.out, "Purging all files in")) << run.out;
    }
  }
  // A listing takes the same files.
  const std::string listed = Tree("listed");
  const CliRunner::Result listing = cli.Run({"list", "-R", "--files", ".*", listed});
  EXPECT_EQ(listing.status, 0) << listing.err;
  EXPECT_TRUE(Contains(listing.out, "Number of files: 3\n")) << listing.out;
  EXPECT_EQ(FilesBelow(listed), all);
}

// A folder whose files all lie in its subfolders: the window asks about "all files" only where the folder
// itself holds some, so the command line names them itself.
TEST_F(ShellHabitsTest, AFolderWithFilesOnlyInItsSubfoldersIsPurgedWhole) {
  for (const std::vector<std::string>& files :
       {std::vector<std::string>{}, std::vector<std::string>{"--files", "*"},
        std::vector<std::string>{"--files", "*.txt"}}) {
    const std::string top = Folder("nested" + std::to_string(files.size()) + (files.empty() ? "" : files[1]));
    temp.Write(top.substr(temp.path().size()) + "sub/a.txt", SampleContent(100));
    temp.Write(top.substr(temp.path().size()) + "sub/deeper/b.txt", SampleContent(100));
    const CliRunner::Result listed = cli.Run({"list", "-r", top});
    EXPECT_TRUE(Contains(listed.out, "Number of files: 2\n")) << listed.out << listed.err;
    std::vector<std::string> call = {"purge", "--yes", "-r", "-n", "1"};
    call.insert(call.end(), files.begin(), files.end());
    call.push_back(top);
    const CliRunner::Result run = cli.Run(call);
    EXPECT_EQ(run.status, 0) << run.out << run.err;
    EXPECT_TRUE(Contains(run.out, "Number of files purged: 2\n")) << run.out << run.err;
    EXPECT_EQ(FilesBelow(top), std::set<std::string>{});
  }
}

TEST_F(ShellHabitsTest, ShortOptionsKeepTheirHabitsAndNoneSkipsTheConfirmation) {
  const std::string top = Tree("short");
  // -rf, as rm users type it: refused, with the reason, before anything is done.
  for (const auto& [option, call] :
       std::vector<std::pair<std::string, std::vector<std::string>>>{{"-f", {"purge", "-rf", top}},
                                                                     {"-f", {"purge", "-f", "-y", top}},
                                                                     {"-u", {"purge", "-u", "-y", top}},
                                                                     {"-z", {"purge", "-z", "-y", top}},
                                                                     {"-s", {"purge", "-s", "-y", top}},
                                                                     {"-x", {"purge", "-x", "-y", top}}}) {
    const CliRunner::Result run = cli.Run(call);
    EXPECT_EQ(run.status, 2) << call[1] << run.err;
    EXPECT_TRUE(Contains(run.err, "nulvane-cli: " + option + " is no option here")) << run.err;
    EXPECT_FALSE(Exists(top + "f")) << "no file named after the option";
  }
  EXPECT_EQ(FilesBelow(top).size(), 9u);

  // -r is the subfolders, without a terminal only --yes confirms, and -n the passes.
  const CliRunner::Result unconfirmed = cli.Run({"purge", "-r", top});
  EXPECT_EQ(unconfirmed.status, 3);
  EXPECT_EQ(FilesBelow(top).size(), 9u);
  const CliRunner::Result run = cli.Run({"purge", "-R", "-y", "-v", "-n", "2", "--files", "*.md", top});
  EXPECT_EQ(run.status, 0) << run.err;
  EXPECT_FALSE(Exists(top + "sub/notes.md"));
  EXPECT_TRUE(Contains(run.out, "random bytes plus zeros twice")) << run.out;
  EXPECT_TRUE(Contains(run.out, "notes.md (500 bytes) purged")) << "-v names every file\n" << run.out;
}

TEST_F(ShellHabitsTest, TheReportFileIsWrittenOnlyOnceThePurgeIsConfirmed) {
  const std::string top = Tree("reported");
  const std::string precious = temp.Write("precious.txt", SampleContent(4000));
  // An rm user's -r before a file: it is a file to purge, and without --yes nothing happens to it.
  const CliRunner::Result habit = cli.Run({"purge", "-r", precious, top});
  EXPECT_EQ(habit.status, 3) << habit.err;
  EXPECT_EQ(ReadFile(precious), SampleContent(4000));

  // An existing file named as the report of a purge that is not confirmed keeps every byte.
  const CliRunner::Result cancelled = cli.Run({"purge", "--report", precious, top});
  EXPECT_EQ(cancelled.status, 3) << cancelled.err;
  EXPECT_EQ(ReadFile(precious), SampleContent(4000));

  // What is not a regular file is refused before anything is done.
  ASSERT_EQ(::symlink(precious.c_str(), (temp / "report-link").c_str()), 0);
  ASSERT_EQ(::mkfifo((temp / "report-pipe").c_str(), 0600), 0);
  for (const std::string& report : {temp / "report-link", temp / "report-pipe", temp / "reported"}) {
    const CliRunner::Result refused = cli.Run({"purge", "--yes", "--report", report, top});
    EXPECT_EQ(refused.status, 2) << report;
    EXPECT_TRUE(Contains(refused.err, "--report: " + report + " is ")) << refused.err;
  }
  EXPECT_EQ(ReadFile(precious), SampleContent(4000));
  EXPECT_EQ(FilesBelow(top).size(), 9u);

  // Confirmed, the report replaces the file.
  const CliRunner::Result confirmed = cli.Run({"purge", "--yes", "-n", "1", "--report", precious, top});
  EXPECT_EQ(confirmed.status, 0) << confirmed.err;
  EXPECT_EQ(ReadFile(precious), confirmed.out);
}

TEST_F(ShellHabitsTest, ALinkNamedOnTheCommandLineIsRefusedWhateverItLeadsTo) {
  const std::string target = Tree("target");
  const std::string file = temp.Write("file.txt", SampleContent(100));
  ASSERT_EQ(::symlink(WithoutTrailingSeparator(target).c_str(), (temp / "to-folder").c_str()), 0);
  ASSERT_EQ(::symlink(file.c_str(), (temp / "to-file").c_str()), 0);
  ASSERT_EQ(::symlink((temp / "nowhere").c_str(), (temp / "dangling").c_str()), 0);
  struct Case {
    std::string path;
    std::string message;
  };
  const Case cases[] = {
      {temp / "to-folder", temp / "to-folder is a symbolic link to " + WithoutTrailingSeparator(target) +
                               ": give the folder itself to purge it"},
      {temp / "to-folder/", temp / "to-folder/ is a symbolic link to " + WithoutTrailingSeparator(target) +
                                ": give the folder itself to purge it"},
      {temp / "to-file",
       temp / "to-file is a symbolic link to " + file + ": give the file itself to purge it"},
      {temp / "dangling", temp / "dangling is a symbolic link to nothing that exists"},
  };
  for (const Case& c : cases) {
    for (const std::string command : {"purge", "list"}) {
      const CliRunner::Result run =
          command == "purge" ? cli.Run({command, "--yes", "-r", c.path}) : cli.Run({command, "-r", c.path});
      EXPECT_EQ(run.status, 2) << command << " " << c.path << "\n" << run.out << run.err;
      EXPECT_TRUE(Contains(run.err, "nulvane-cli: " + c.message)) << run.err;
    }
  }
  EXPECT_EQ(FilesBelow(target).size(), 9u);
  EXPECT_EQ(ReadFile(file), SampleContent(100));
  // The folders on the way may be links, as a home folder often is one.
  const CliRunner::Result through = cli.Run({"purge", "--yes", "-n", "1", temp / "to-folder/a.txt"});
  EXPECT_EQ(through.status, 0) << through.err;
  EXPECT_FALSE(Exists(target + "a.txt"));
}

// Checked on the option logic and its message only: nothing here may ever purge the test machine's own
// folders, so no --yes is given, and without a terminal nothing could be confirmed anyway.
TEST_F(ShellHabitsTest, TheRootAndTheSystemsFoldersAreRefusedWithoutNoPreserveRoot) {
  platform::PosixFileSystem system;
  EXPECT_EQ(cli::ProtectedFolderProblem(system, "/"),
            "/ is the root folder: purging its files would leave the system unusable (--no-preserve-root "
            "purges them all the same)");
  // Where /bin is a link into /usr (merged /usr), /usr/bin is /bin itself.
  const bool mergedUsr = std::filesystem::is_symlink("/bin");
  for (const char* folder : {"/usr", "/etc/", "/var", "/boot", "/usr/bin"}) {
    if (!Exists(folder) || (std::string(folder) == "/usr/bin" && !mergedUsr)) continue;
    const std::string problem = cli::ProtectedFolderProblem(system, folder);
    EXPECT_TRUE(Contains(problem,
                         "a folder of the operating system: purging its files would leave the system "
                         "unusable (--no-preserve-root purges them all the same)"))
        << folder << ": " << problem;
  }
  // What lies below them, and any other folder, is the user's to purge.
  for (const std::string& folder : {std::string("/usr/share"), std::string("/etc/default"), temp.path()})
    EXPECT_EQ(cli::ProtectedFolderProblem(system, folder), "") << folder;

  for (const char* folder : {"/", "/usr"}) {
    const CliRunner::Result run = cli.Run({"purge", folder});
    EXPECT_EQ(run.status, 2) << run.err;
    EXPECT_TRUE(Contains(run.err, "--no-preserve-root purges them all the same")) << run.err;
    EXPECT_FALSE(Contains(run.err, "Purge cancelled")) << "refused before any question";
  }
}

// A bind mount of a system folder is that folder: recognised by identity, not by its spelling. Mounted in
// a child with a mount namespace of its own, so nothing stays mounted whatever happens.
TEST_F(ShellHabitsTest, ABindMountOfASystemFolderIsThatFolder) {
  if (::geteuid() != 0) GTEST_SKIP() << "mounting needs root";
  const std::string mountPoint = WithoutTrailingSeparator(Folder("bound"));
  int pipe[2];
  ASSERT_EQ(::pipe(pipe), 0);
  const pid_t child = ::fork();
  if (child == 0) {
    ::close(pipe[0]);
    if (::unshare(CLONE_NEWNS) != 0 || ::mount(nullptr, "/", nullptr, MS_REC | MS_PRIVATE, nullptr) != 0 ||
        ::mount("/usr", mountPoint.c_str(), nullptr, MS_BIND, nullptr) != 0)
      ::_exit(77);
    platform::PosixFileSystem system;
    const std::string problem = cli::ProtectedFolderProblem(system, mountPoint);
    (void)!::write(pipe[1], problem.data(), problem.size());
    ::_exit(0);
  }
  ::close(pipe[1]);
  std::string problem;
  char buffer[512];
  for (ssize_t got; (got = ::read(pipe[0], buffer, sizeof buffer)) > 0;) problem.append(buffer, got);
  ::close(pipe[0]);
  int status = 0;
  ::waitpid(child, &status, 0);
  if (WIFEXITED(status) && WEXITSTATUS(status) == 77) GTEST_SKIP() << "no mount namespace here";
  EXPECT_EQ(problem, mountPoint +
                         " is /usr, a folder of the operating system: purging its files would leave "
                         "the system unusable (--no-preserve-root purges them all the same)");
  EXPECT_TRUE(std::filesystem::is_empty(mountPoint)) << "the mount stayed in the child";
}

class SavedSetupTest : public ShellHabitsTest {
 protected:
  // The window's setup for the next run, where the command line's environment keeps it: type 2 with 4
  // passes, files before 1 January 2020, folder names only in the report.
  std::string SaveNextRunSetup(const std::string& folder) {
    const std::string path = temp / "cli-data/Nulvane Software/nulvane.usr";
    temp.MakeFolder("cli-data/Nulvane Software");
    temp.Write("cli-data/Nulvane Software/nulvane.usr",
               "1.09\r\n 0 \r\n" + folder +
                   "\r\n*.*\r\n 2 \r\n 4 \r\n 0 \r\n 0 \r\n 0 \r\n 0 \r\n 0 \r\n"
                   " 1 \r\n 1 \r\n 0 \r\n " +
                   std::to_string(Day(2020, 1, 1)) + " \r\n");
    return path;
  }

  std::string OldAndNew(const std::string& name) {
    const std::string folder = Folder(name);
    temp.Write(name + "/old.txt", SampleContent(300));
    temp.Write(name + "/new.txt", SampleContent(300));
    SetModified(folder + "old.txt", 2019, 6, 1);
    SetModified(folder + "new.txt", 2021, 6, 1);
    return folder;
  }
};

TEST_F(SavedSetupTest, TheWindowsSetupNarrowsAPurgeOnlyWhenAskedFor) {
  const std::string plain = OldAndNew("plain");
  const std::string setup = SaveNextRunSetup(plain);
  // Without --setup: the documented defaults, every file, type 0 six times.
  const CliRunner::Result defaults = cli.Run({"purge", "--yes", plain});
  EXPECT_EQ(defaults.status, 0) << defaults.err;
  EXPECT_EQ(FilesBelow(plain), std::set<std::string>{});
  EXPECT_TRUE(Contains(defaults.out, "using random bytes plus zeros 6 times.")) << defaults.out;
  EXPECT_FALSE(Contains(defaults.out, "date restriction")) << defaults.out;

  // With it: its date limit and type, and the setup heads the report as the window shows it. Its folder is
  // the one purged when no PATH is given.
  const std::string narrowed = OldAndNew("narrowed");
  SaveNextRunSetup(narrowed);
  ASSERT_EQ(::symlink(setup.c_str(), (temp / "linked.usr").c_str()), 0);
  const CliRunner::Result withSetup = cli.Run({"purge", "--yes", "--setup", temp / "linked.usr"});
  EXPECT_EQ(withSetup.status, 0) << withSetup.out << withSetup.err;
  EXPECT_EQ(FilesBelow(narrowed), std::set<std::string>{"new.txt"});
  EXPECT_TRUE(Contains(withSetup.out, "Setup from " + temp / "linked.usr:\nFolder: " + narrowed + "\n"))
      << withSetup.out;
  EXPECT_TRUE(Contains(withSetup.out, "Purge only files with dates before ")) << withSetup.out;
  EXPECT_TRUE(
      Contains(withSetup.out, "Type of purge: Alternate bit patterns plus random bytes twice, 4 times"))
      << withSetup.out;
  EXPECT_TRUE(Contains(withSetup.out, "  [x] Include only folder names in report\n")) << withSetup.out;
  EXPECT_TRUE(Contains(withSetup.out, "which satisfy the date restriction")) << withSetup.out;

  // The command line's options go before the setup's.
  const std::string overridden = OldAndNew("overridden");
  const CliRunner::Result options =
      cli.Run({"purge", "--yes", "--setup", setup, "-t", "0", "-n", "1", "--files", "old.*", overridden});
  EXPECT_EQ(options.status, 0) << options.err;
  EXPECT_EQ(FilesBelow(overridden), std::set<std::string>{"new.txt"});
  EXPECT_TRUE(Contains(options.out, "using random bytes plus zeros once.")) << options.out;

  const CliRunner::Result missing = cli.Run({"purge", "--yes", "--setup", temp / "none.nvs", plain});
  EXPECT_EQ(missing.status, 2);
  EXPECT_TRUE(Contains(missing.err, "--setup: no such file")) << missing.err;
}

TEST_F(SavedSetupTest, AListingShowsTheEstimateOnceASpeedIsStored) {
  const std::string folder = OldAndNew("listed");
  const CliRunner::Result unmeasured = cli.Run({"list", folder});
  EXPECT_EQ(unmeasured.status, 0) << unmeasured.err;
  EXPECT_TRUE(Contains(unmeasured.out, "For an estimate of the purge time test the purge speed"))
      << unmeasured.out;

  // The store the window and speed-test share.
  platform::QtSettingsBackend backend(cli.configFolder());
  support::SettingsStore store(backend, window.strMakerFolderName, window.strProgramName);
  store.SaveSetting(support::Hive::CurrentUser, speedTest.DriveKey(support::DriveOf(fileSystem, folder)),
                    "Speed", "40");
  for (const std::vector<std::string>& call :
       {std::vector<std::string>{"list", folder}, std::vector<std::string>{"list", "-r", folder}}) {
    const CliRunner::Result measured = cli.Run(call);
    EXPECT_EQ(measured.status, 0) << measured.err;
    EXPECT_TRUE(Contains(measured.out, "Estimated purge time: less than a minute.")) << measured.out;
    EXPECT_FALSE(Contains(measured.err, "has not been measured")) << measured.err;
  }
}

TEST_F(ShellHabitsTest, UsageErrorsSayWhatIsWrong) {
  const std::string top = Tree("usage");
  struct Case {
    std::vector<std::string> call;
    std::string message;
  };
  const Case cases[] = {
      {{"purge", "--yes", "--passes", "0", top}, "--passes: type 0 takes 1 to 9 passes, not 0"},
      {{"purge", "--yes", "-t", "2", "-n", "5", top}, "--passes: type 2 takes 1 to 4 passes, not 5"},
      {{"purge", "--yes", "-n", "-3", top}, "--passes: type 0 takes 1 to 9 passes, not -3"},
      {{"purge", "--yes", "-t", "3", top}, "--type: the types of purge are 0, 1 and 2, not 3"},
      {{"prune", top}, "unknown command 'prune'"},
      {{"purge", "--yes"}, "PATH: name the files and folders to purge"},
      {{"purge", "--yes", "--files", "", top}, "--files: a pattern is empty"},
      {{"list"}, "FOLDER: name the folder to list"},
  };
  for (const Case& c : cases) {
    const CliRunner::Result run = cli.Run(c.call);
    EXPECT_EQ(run.status, 2) << c.message << "\n" << run.err;
    EXPECT_TRUE(Contains(run.err, "nulvane-cli: " + c.message)) << run.err;
  }
  EXPECT_EQ(FilesBelow(top).size(), 9u);
}

}  // namespace
}  // namespace nulvane::testing
