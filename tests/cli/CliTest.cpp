// The command line end to end: the real nulvane-cli on real trees in the test's folder.
#include <gtest/gtest.h>

#include <filesystem>
#include <regex>
#include <set>
#include <sstream>

#include "cli/CliFixture.h"
#include "platform/settings/QtSettingsBackend.h"
#include "testsupport/MountNamespace.h"

namespace nulvane::testing {
namespace {

using platform::Answer;

std::string WithoutCarriageReturns(std::string text) {
  std::erase(text, '\r');
  return text;
}

// The report window's text as the command line prints it: LF line breaks, a last line break.
std::string AsPrinted(const std::string& windowText) {
  std::string text = WithoutCarriageReturns(windowText);
  if (!text.empty() && text.back() != '\n') text += '\n';
  return text;
}

std::vector<std::string> LinesWith(const std::string& text, const std::string& part) {
  std::vector<std::string> lines;
  std::istringstream stream(text);
  for (std::string line; std::getline(stream, line);) {
    if (line.find(part) != std::string::npos) lines.push_back(line);
  }
  return lines;
}

using CliTest = CliFixture;

TEST_F(CliTest, PurgesBySpecificationThroughSubfoldersBeforeTheDateLimit) {
  const std::string top = Folder("top");
  for (const char* name :
       {"old.txt", "new.txt", "old.doc", "sub/old.txt", "sub/new.txt", "sub/deep/old.txt"}) {
    temp.Write(std::string("top/") + name, SampleContent(3000));
    const bool old = std::string(name).find("old") != std::string::npos;
    SetModified(top + name, old ? 2019 : 2021, 6, 1);
  }

  const CliRunner::Result run = cli.Run(
      {"purge", "--files", "*.txt", "--subfolders", "--before", "2020-01-01", "--passes", "1", "--yes", top});

  EXPECT_EQ(run.status, 0) << run.out << run.err;
  EXPECT_EQ(FilesBelow(top), (std::set<std::string>{"new.txt", "old.doc", "sub/new.txt"}));
  EXPECT_FALSE(Exists(top + "sub/deep")) << "a subfolder emptied by the purge is removed";
  EXPECT_NE(run.out.find("which satisfy the date restriction\nusing random bytes plus zeros once.\n"),
            std::string::npos)
      << run.out;
  EXPECT_NE(run.out.find("Number of files purged: 3\n"), std::string::npos) << run.out;
}

TEST_F(CliTest, ListingEqualsTheReportWindowsTextAndIsNeverCut) {
  const std::string small = Folder("small");
  temp.Write("small/a.txt", SampleContent(5000));
  temp.Write("small/b.log", SampleContent(70));
  temp.Write("small/sub/c.txt", SampleContent(1200));
  temp.Write("small/sub/odd name\nwith a break.txt", SampleContent(10));

  const CliRunner::Result listed = cli.Run({"list", "--subfolders", "--report", temp / "listing.txt", small});

  SpecifyFolder(small, Answer::Yes, true);
  window.cmdSubdirectories_Release();
  ui.Answer(Answer::Yes);  // list subfolders without an estimate
  ui.Answer(Answer::No);   // folder names are not suppressed
  window.cmdProcessFiles_Release(2);
  ASSERT_TRUE(ui.AllAnswersUsed());
  EXPECT_EQ(listed.status, 0) << listed.err;
  EXPECT_EQ(listed.out, AsPrinted(report.txbText.text()));
  EXPECT_EQ(ReadFile(temp / "listing.txt"), listed.out);

  // A listing far beyond the window's text box limit reports every file.
  const std::string big = Folder("big");
  const std::string longName(60, 'n');
  for (int i = 0; i < 1500; ++i) temp.Write("big/" + longName + std::to_string(i), "x");
  const CliRunner::Result bigListing = cli.Run({"list", big});
  EXPECT_EQ(bigListing.status, 0);
  EXPECT_GT(bigListing.out.size(), report::ReportWindow::kReportLimit * 2);
  EXPECT_EQ(LinesWith(bigListing.out, longName).size(), 1500u);
  EXPECT_NE(bigListing.out.find("Number of files: 1500\n"), std::string::npos);
  EXPECT_EQ(bigListing.out.find("buffer"), std::string::npos);
}

TEST_F(CliTest, WithoutATerminalOnlyYesConfirmsAPurge) {
  const std::string folder = Folder("kept");
  temp.Write("kept/a.txt", SampleContent(100));
  temp.Write("kept/b.txt", SampleContent(200, 2));

  const CliRunner::Result run = cli.Run({"purge", "--passes", "1", folder});

  EXPECT_EQ(run.status, 3);
  EXPECT_EQ(ReadFile(folder + "a.txt"), SampleContent(100));
  EXPECT_EQ(ReadFile(folder + "b.txt"), SampleContent(200, 2));
  EXPECT_NE(run.err.find("Purge cancelled: No files purged."), std::string::npos) << run.err;
  EXPECT_NE(run.err.find("only --yes confirms a purge"), std::string::npos) << run.err;
  EXPECT_EQ(run.out, "");
}

TEST_F(CliTest, AFileThatIsNotPurgedGivesStatusOneAndTheReportSaysWhich) {
  const std::string folder = Folder("mixed");
  const std::string outside = temp.Write("outside.txt", SampleContent(100));
  temp.Write("mixed/plain.txt", SampleContent(100));
  const std::string readOnly = temp.Write("mixed/read-only.txt", SampleContent(100, 2));
  ASSERT_EQ(::chmod(readOnly.c_str(), 0444), 0);
  ASSERT_EQ(::symlink(outside.c_str(), (folder + "link.txt").c_str()), 0);

  const CliRunner::Result run = cli.Run({"purge", "--yes", "--passes", "1", folder});

  EXPECT_EQ(run.status, 1) << run.out << run.err;
  EXPECT_FALSE(Exists(folder + "plain.txt"));
  EXPECT_EQ(ReadFile(readOnly), SampleContent(100, 2));
  EXPECT_EQ(LinesWith(run.out, "read-only.txt").size(), 1u) << run.out;
  EXPECT_EQ(ReadFile(outside), SampleContent(100)) << "a link is never followed";
  EXPECT_NE(run.out.find("Number of files purged: 1\n"), std::string::npos) << run.out;

  // A link named on the command line is refused before anything is done.
  const CliRunner::Result link = cli.Run({"purge", "--yes", folder + "link.txt"});
  EXPECT_EQ(link.status, 2) << link.err;
  EXPECT_EQ(ReadFile(outside), SampleContent(100));
}

TEST_F(CliTest, UsageErrorsGiveStatusTwoAndTouchNothing) {
  const std::string folder = Folder("untouched");
  temp.Write("untouched/a.txt", SampleContent(100));
  const std::vector<std::vector<std::string>> calls = {
      {"purge", "--yes"},
      {"purge", "--yes", folder + "missing"},
      {"purge", "--yes", "--unknown", folder},
      {"purge", "--yes", "--type", "2", "--passes", "5", folder},
      {"purge", "--yes", "--type", "3", folder},
      {"purge", "--yes", "--before", "2020-13-01", folder},
      {"purge", "--yes", "--before", "1970-01-01", folder},
      {"purge", "--yes", "--files", "sub/*.txt", folder},
      {"purge", "--yes", "--confirm-each", folder},
      {"purge", "--yes", "--report", folder + "report.txt", folder},
      {"list"},
      {"frobnicate", folder},
  };
  for (const auto& call : calls) {
    const CliRunner::Result run = cli.Run(call);
    std::string line;
    for (const auto& argument : call) line += argument + " ";
    EXPECT_EQ(run.status, 2) << line << "\n" << run.err;
    EXPECT_NE(run.err, "") << line;
    EXPECT_EQ(FilesBelow(folder), std::set<std::string>{"a.txt"}) << line;
  }
  EXPECT_EQ(cli.Run({"--help"}).status, 0);
  const CliRunner::Result version = cli.Run({"--version"});
  EXPECT_EQ(version.status, 0);
  EXPECT_EQ(version.out.rfind("nulvane-cli ", 0), 0u) << version.out;
}

// Starting the program loads no toolkit library: QtCore (and the libraries it pulls in, which made most of
// a cold start) comes with the settings module, only when a setting is read or written.
TEST_F(CliTest, TheProgramStartsWithoutTheToolkitLibrary) {
  std::string libraries;
  FILE* pipe = ::popen((std::string("LD_TRACE_LOADED_OBJECTS=1 ") + NULVANE_CLI).c_str(), "r");
  ASSERT_NE(pipe, nullptr);
  char buffer[512];
  while (std::fgets(buffer, sizeof buffer, pipe) != nullptr) libraries += buffer;
  ::pclose(pipe);
  EXPECT_NE(libraries.find("libc.so"), std::string::npos) << libraries;
  EXPECT_EQ(libraries.find("libQt6Core"), std::string::npos) << libraries;
  EXPECT_EQ(libraries.find("libicu"), std::string::npos) << libraries;
}

TEST_F(CliTest, AStopSignalEndsThePurgeAfterTheCurrentFileAndReportsWhatWasDone) {
  const std::string folder = Folder("long");
  constexpr int kFiles = 300;
  for (int i = 0; i < kFiles; ++i) temp.Write("long/file" + std::to_string(i), SampleContent(32768, i));

  CliRunner::Options options;
  options.interruptWhen = [](const std::string& out) { return out.find(" purged\n") != std::string::npos; };
  const CliRunner::Result run =
      cli.Run({"purge", "--yes", "--file-names", "--type", "2", "--passes", "1", folder}, options);

  EXPECT_EQ(run.status, 3) << run.out << run.err;
  EXPECT_NE(run.out.find("Purge operation was stopped.\n"), std::string::npos) << run.out;
  std::set<std::string> reported;
  for (const std::string& line : LinesWith(run.out, " bytes) purged"))
    reported.insert(line.substr(0, line.find(' ')));
  EXPECT_GE(reported.size(), 1u);
  EXPECT_LT(reported.size(), static_cast<std::size_t>(kFiles)) << "the run went on after the signal";
  // Every file is either reported purged and gone, or untouched.
  for (int i = 0; i < kFiles; ++i) {
    const std::string name = "file" + std::to_string(i);
    if (reported.count(name) != 0) {
      EXPECT_FALSE(Exists(folder + name)) << name;
    } else {
      EXPECT_EQ(ReadFile(folder + name), SampleContent(32768, i)) << name;
    }
  }
}

TEST_F(CliTest, QuestionsAreAskedAtTheTerminalInTheWindowsWords) {
  const std::string folder = Folder("asked");
  temp.Write("asked/a.txt", SampleContent(100));
  temp.Write("asked/b.txt", SampleContent(100));
  // The window's question for the same purge.
  ui.AnswerOkByDefault();
  SpecifyFolder(folder, Answer::Yes);
  AnswerConfirmation(false);
  window.cmdProcessFiles_Release(1);
  ASSERT_FALSE(confirmationText.empty());

  CliRunner::Options declining;
  declining.terminalInput = true;
  declining.input = "n\n";
  const CliRunner::Result declined = cli.Run({"purge", "--passes", "1", folder}, declining);
  EXPECT_EQ(declined.status, 3) << declined.err;
  EXPECT_NE(declined.err.find(WithoutCarriageReturns(confirmationText) + "\n"), std::string::npos)
      << declined.err;
  EXPECT_NE(declined.err.find("Yes, purge these files? [y/N]"), std::string::npos) << declined.err;
  EXPECT_EQ(FilesBelow(folder), (std::set<std::string>{"a.txt", "b.txt"}));

  CliRunner::Options accepting = declining;
  accepting.input = "y\nn\n";  // purge; keep the emptied folder
  const CliRunner::Result accepted = cli.Run({"purge", "--passes", "1", folder}, accepting);
  EXPECT_EQ(accepted.status, 0) << accepted.err;
  EXPECT_TRUE(FilesBelow(folder).empty());
  EXPECT_TRUE(Exists(folder));
  EXPECT_NE(accepted.err.find("Delete folder " + folder + "?\n[y/n]"), std::string::npos) << accepted.err;
}

TEST_F(CliTest, TheProgressBarStaysOnStandardError) {
  const std::string folder = Folder("progress");
  for (int i = 0; i < 40; ++i) temp.Write("progress/f" + std::to_string(i), SampleContent(8192, i));
  CliRunner::Options options;
  options.terminalError = true;
  const CliRunner::Result run = cli.Run({"purge", "--yes", "--passes", "1", "--file-names", folder}, options);
  EXPECT_EQ(run.status, 0) << run.terminal;
  EXPECT_EQ(run.out.find_first_of("\r\x1b"), std::string::npos);
  EXPECT_EQ(LinesWith(run.out, " bytes) purged").size(), 40u) << run.out;
  // Every drawing of the bar: it starts at nothing done, and files, bytes and share only grow.
  const std::regex bar(R"(\r\x1b\[K\[[#.]{20}\] +(\d+)%  (\d+)/40 files  ([\d.,]+ (?:bytes|KB))/320\.0 KB)");
  std::vector<std::pair<int, int>> drawn;
  for (std::sregex_iterator match(run.terminal.begin(), run.terminal.end(), bar), end; match != end; ++match)
    drawn.emplace_back(std::stoi((*match)[1]), std::stoi((*match)[2]));
  ASSERT_FALSE(drawn.empty()) << run.terminal;
  EXPECT_EQ(drawn.front(), std::make_pair(0, 0)) << run.terminal;
  for (std::size_t i = 1; i < drawn.size(); ++i) {
    EXPECT_GE(drawn[i].first, drawn[i - 1].first) << run.terminal;
    EXPECT_GE(drawn[i].second, drawn[i - 1].second) << run.terminal;
    EXPECT_LE(drawn[i].first, 100);
  }
}

TEST_F(CliTest, TheSpeedStoredByTheCommandLineIsOfferedByTheWindow) {
  const std::string volume = Folder("volume").substr(0, (temp / "volume").size());
  const bool ran = InOwnMountNamespace([&] {
    if (!MountMemory(volume, "16m")) SkipChild("mounting a memory file system needs root");

    const CliRunner::Result run = cli.Run({"speed-test", "--yes", "--passes", "1", volume});
    ASSERT_EQ(run.status, 0) << run.out << run.err;
    EXPECT_NE(run.out.find("The purge speed is approximately"), std::string::npos) << run.out;
    EXPECT_TRUE(FilesBelow(volume).empty()) << "the dummy files are gone";

    platform::QtSettingsBackend backend(cli.configFolder());
    support::SettingsStore store(backend, window.strMakerFolderName, window.strProgramName);
    mainwindow::SpeedTest windowsTest(window, fileSystem, ui, clock, random, state, engine, clusterSizes,
                                      typeOfPurge, folders, store, driveDialog);
    ui.AnswerOkByDefault();
    ui.Answer(Answer::Yes);  // write test files
    ui.OnDialog("frmSpecifyDrive2", [&](platform::Dialog&) {
      const auto& entries = driveDialog.EntryDrives();
      driveDialog.cboDrives.selected =
          static_cast<int>(std::find(entries.begin(), entries.end(), volume) - entries.begin());
      driveDialog.Accept();
    });
    ui.Answer(Answer::Yes);  // accept the earlier result
    windowsTest.TestPurgeSpeed();
    bool offered = false;
    for (const auto& message : ui.messages())
      offered = offered || message.text.rfind("A previous test has found this drive to have", 0) == 0;
    EXPECT_TRUE(offered);
    EXPECT_GT(state.SpeedOf(volume), 0.0f);
    EXPECT_EQ(state.intSpeedTestsByDrive[volume], 0) << "accepted, not measured";
  });
  if (!ran) GTEST_SKIP() << "a mount namespace of its own needs root";
}

}  // namespace
}  // namespace nulvane::testing
