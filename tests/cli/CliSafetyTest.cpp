// What the command line must never destroy or call purged, end to end: the installed program's own data,
// and files that another program has open.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <unistd.h>

#include <atomic>
#include <filesystem>
#include <thread>

#include "cli/CliRunner.h"

namespace nulvane::testing {
namespace {

namespace fs = std::filesystem;

bool HasLine(const std::string& text, const std::string& line) {
  return ("\n" + text).find("\n" + line + "\n") != std::string::npos;
}

class CliSafetyTest : public ::testing::Test {
 protected:
  CliSafetyTest() { ::setenv("LC_ALL", "C", 1); }

  TempDir temp;
  CliRunner cli{temp};
};

TEST_F(CliSafetyTest, AnInstalledProgramsDataFolderIsRefusedAsItsOwn) {
  // bin/ beside share/nulvane/, as the package installs it.
  const std::string bin = temp.MakeFolder("prefix/bin");
  const std::string share = temp.MakeFolder("prefix/share/nulvane");
  const fs::path built = fs::path(NULVANE_CLI).parent_path();
  fs::copy_file(NULVANE_CLI, bin + "nulvane-cli");
  std::map<std::string, std::string> data;
  for (const char* name : {"nulvane.dat", "nv_help.txt", "nv_manual.html"}) {
    fs::copy_file(built / name, share + name);
    data[name] = ReadFile(share + name);
  }
  CliRunner::Options installed;
  installed.program = bin + "nulvane-cli";

  const CliRunner::Result run =
      cli.Run({"purge", "--yes", "--file-names", "--passes", "1", share}, installed);

  EXPECT_EQ(run.status, 1) << run.out << run.err;
  for (const auto& [name, content] : data) {
    EXPECT_EQ(ReadFile(share + name), content) << name;
    EXPECT_TRUE(HasLine(run.out, name + ": a file in the current application folder, not purged."))
        << run.out;
  }
  EXPECT_TRUE(HasLine(run.out, "Number of files purged: 0")) << run.out;
}

TEST_F(CliSafetyTest, AFileAnotherProgramIsWritingIsNotCalledPurged) {
  const std::string folder = temp.MakeFolder("logs");
  const std::string original = SampleContent(200000);
  const std::string grow = temp.Write("logs/grow.log", original);
  temp.Write("logs/done.log", SampleContent(3000, 2));
  // The other program opened the log before the purge and appends a line at a time throughout it.
  const int writer = ::open(grow.c_str(), O_WRONLY | O_APPEND | O_CLOEXEC);
  ASSERT_GE(writer, 0);
  std::atomic<bool> running = true;
  std::thread appender([&] {
    for (int line = 0; running; ++line) {
      const std::string text = "line " + std::to_string(line) + " of the other program\n";
      if (::write(writer, text.data(), text.size()) < 0) break;
      std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
  });

  const CliRunner::Result run = cli.Run({"purge", "--yes", "--file-names", "--passes", "1", folder});
  running = false;
  appender.join();
  ::close(writer);

  EXPECT_EQ(run.status, 1) << run.out << run.err;
  EXPECT_FALSE(Exists(folder + "done.log"));
  // Untouched: what it held before, and what was appended, all still there.
  const std::string now = ReadFile(grow);
  EXPECT_TRUE(now.compare(0, original.size(), original) == 0);
  EXPECT_TRUE(now.substr(original.size()).starts_with("line 0 of the other program\n"));
  bool refused = false;
  for (std::size_t at = run.out.find("grow.log ("); at != std::string::npos;
       at = run.out.find("grow.log (", at + 1)) {
    const std::string line = run.out.substr(at, run.out.find('\n', at) - at);
    refused = refused || line.ends_with(" bytes): unable to open file for writing.");
  }
  EXPECT_TRUE(refused) << run.out;
  EXPECT_EQ(run.out.find("grow.log (" + std::to_string(original.size())), std::string::npos);
  EXPECT_TRUE(HasLine(run.out, "Number of files purged: 1")) << run.out;
}

}  // namespace
}  // namespace nulvane::testing
