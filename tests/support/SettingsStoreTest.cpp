#include <gtest/gtest.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <filesystem>

#include "support/SettingsStore.h"
#include "testsupport/TempDir.h"

#ifdef _WIN32
// clang-format off
#include <windows.h>
#include <objbase.h>
// clang-format on

#include "platform/WindowsText.h"
#include "platform/settings/RegistrySettingsBackend.h"
#else
#include <sys/stat.h>

#include "platform/settings/QtSettingsBackend.h"
#endif

namespace nulvane::support {
namespace {

using nulvane::testing::ReadFile;
using nulvane::testing::TempDir;

#ifdef _WIN32

// The registry of the user running the tests: every key lives below a key of the test's own, removed at the
// end.
class RegistryStoreTest : public ::testing::Test {
 protected:
  static std::string UniqueBase() {
    GUID guid{};
    (void)::CoCreateGuid(&guid);
    char text[40];
    std::snprintf(text, sizeof text, "%08lx%04x%04x", guid.Data1, guid.Data2, guid.Data3);
    return std::string("Software\\NulvaneTests\\") + text;
  }
  ~RegistryStoreTest() override {
    backend.RemoveBase();
    ::RegDeleteKeyW(HKEY_CURRENT_USER, L"Software\\NulvaneTests");  // only once it is empty
  }

  // What the registry itself holds at a key path below the test's key, as text.
  std::wstring Stored(const std::string& keyPath, const std::string& name, DWORD& type, DWORD& bytes) {
    const std::wstring key = platform::Widen(base + "\\" + keyPath);
    std::wstring buffer(256, L'\0');
    bytes = static_cast<DWORD>(buffer.size() * sizeof(wchar_t));
    if (::RegGetValueW(HKEY_CURRENT_USER, key.c_str(), platform::Widen(name).c_str(),
                       RRF_RT_ANY | RRF_NOEXPAND, &type, buffer.data(), &bytes) != ERROR_SUCCESS)
      return L"(missing)";
    return buffer.substr(0, bytes / sizeof(wchar_t));
  }

  std::string base = UniqueBase();
  platform::RegistrySettingsBackend backend{base};
  SettingsStore store{backend, "Maker", "Nulvane"};
  std::string key = store.ProgramKey() + "\\C";
  std::string success = "  " + platform::SystemMessage(0);
};

TEST_F(RegistryStoreTest, WriteCreatesTheKeyThenFindsItAndTheValueReadsBack) {
  EXPECT_EQ(store.SaveSetting(Hive::CurrentUser, key, "Speed", "12.5"), "0 New key created." + success);
  EXPECT_EQ(store.SaveSetting(Hive::CurrentUser, key, "Speed", "13.25"), "0 Key already exists." + success);
  DWORD type = 0;
  DWORD bytes = 0;
  EXPECT_EQ(Stored("Software\\Maker\\Nulvane\\C", "Speed", type, bytes), std::wstring(L"13.25\0", 6));
  EXPECT_EQ(type, static_cast<DWORD>(REG_SZ));

  std::string value = "unchanged";
  EXPECT_EQ(store.RestoreSetting(Hive::CurrentUser, key, "Speed", value), "0 OK");
  EXPECT_EQ(value, "13.25");
  platform::RegistrySettingsBackend again(base);
  SettingsStore next(again, "Maker", "Nulvane");
  EXPECT_EQ(next.RestoreSetting(Hive::CurrentUser, key, "Speed", value), "0 OK");
  EXPECT_EQ(value, "13.25");
}

TEST_F(RegistryStoreTest, ReadFailuresLeaveTheValueAlone) {
  store.SaveSetting(Hive::CurrentUser, key, "Speed", "1");
  store.SaveSetting(Hive::CurrentUser, key, "Empty", "");
  std::string value = "unchanged";
  EXPECT_EQ(store.RestoreSetting(Hive::CurrentUser, key, "Other", value), "3 Name not found.");
  EXPECT_EQ(store.RestoreSetting(Hive::CurrentUser, key, "", value), "2 Name not specified.");
  EXPECT_EQ(store.RestoreSetting(Hive::CurrentUser, key + "2", "Speed", value),
            "1 Key not found or is empty.");
  EXPECT_EQ(store.RestoreSetting(Hive::CurrentUser, "", "Speed", value), "1 Key not found or is empty.");
  EXPECT_EQ(value, "unchanged");
  EXPECT_EQ(store.RestoreSetting(Hive::CurrentUser, key, "Empty", value), "0 Empty value");
  EXPECT_EQ(value, "");
}

TEST_F(RegistryStoreTest, TrailingControlCharactersAndNonAsciiValues) {
  for (const std::string& stored :
       {std::string("4.5\0", 4), std::string("4.5\r\n"), std::string("4.5\t\n\0", 6)}) {
    store.SaveSetting(Hive::CurrentUser, key, "Speed", stored);
    std::string value;
    EXPECT_EQ(store.RestoreSetting(Hive::CurrentUser, key, "Speed", value), "0 OK");
    EXPECT_EQ(value, "4.5");
  }
  store.SaveSetting(Hive::CurrentUser, store.ProgramKey() + "\\\xc3\x89", "Label", "\xe2\x82\xac 5");
  std::string value;
  EXPECT_EQ(store.RestoreSetting(Hive::CurrentUser, store.ProgramKey() + "\\\xc3\x89", "Label", value),
            "0 OK");
  EXPECT_EQ(value, "\xe2\x82\xac 5");
}

TEST_F(RegistryStoreTest, KeyThatCannotBeCreatedReportsTheStatus) {
  // A name that is not UTF-8 names no key the registry could hold.
  const std::string result =
      store.SaveSetting(Hive::CurrentUser, std::string("Software\\\xff"), "Speed", "1");
  EXPECT_EQ(result, std::to_string(ERROR_INVALID_NAME) + " Unable to create (or find) key.");
}

#else

std::string Success() {
  return std::string("  ") + std::strerror(0);
}

class SettingsStoreTest : public ::testing::Test {
 protected:
  TempDir temp;
  platform::QtSettingsBackend backend{temp / "config"};
  SettingsStore store{backend, "Maker", "Nulvane"};
  std::string key = store.ProgramKey() + "\\/home";
};

TEST_F(SettingsStoreTest, WriteCreatesTheKeyThenFindsItAndTheValueReadsBack) {
  EXPECT_EQ(store.ProgramKey(), "Software\\Maker\\Nulvane");
  EXPECT_EQ(store.SaveSetting(Hive::CurrentUser, key, "Speed", "12.5"), "0 New key created." + Success());
  EXPECT_EQ(store.SaveSetting(Hive::CurrentUser, key, "Speed", "13.25"), "0 Key already exists." + Success());
  EXPECT_TRUE(std::filesystem::is_regular_file(temp / "config/Maker/Nulvane.ini"));

  std::string value = "unchanged";
  EXPECT_EQ(store.RestoreSetting(Hive::CurrentUser, key, "Speed", value), "0 OK");
  EXPECT_EQ(value, "13.25");
  // A fresh backend (the next run of the program) sees the same value.
  platform::QtSettingsBackend again(temp / "config");
  SettingsStore next(again, "Maker", "Nulvane");
  EXPECT_EQ(next.RestoreSetting(Hive::CurrentUser, key, "Speed", value), "0 OK");
  EXPECT_EQ(value, "13.25");
}

TEST_F(SettingsStoreTest, ReadFailuresLeaveTheValueAlone) {
  store.SaveSetting(Hive::CurrentUser, key, "Speed", "1");
  store.SaveSetting(Hive::CurrentUser, key, "Empty", "");
  std::string value = "unchanged";
  EXPECT_EQ(store.RestoreSetting(Hive::CurrentUser, key, "Other", value), "3 Name not found.");
  EXPECT_EQ(store.RestoreSetting(Hive::CurrentUser, key, "", value), "2 Name not specified.");
  EXPECT_EQ(store.RestoreSetting(Hive::CurrentUser, key + "2", "Speed", value),
            "1 Key not found or is empty.");
  EXPECT_EQ(store.RestoreSetting(Hive::CurrentUser, "", "Speed", value), "1 Key not found or is empty.");
  EXPECT_EQ(store.RestoreSetting(Hive::CurrentUser, "Software\\Maker\\Other\\x", "Speed", value),
            "1 Key not found or is empty.");
  EXPECT_EQ(value, "unchanged");
  EXPECT_EQ(store.RestoreSetting(Hive::CurrentUser, key, "Empty", value), "0 Empty value");
  EXPECT_EQ(value, "");
}

TEST_F(SettingsStoreTest, DriveNamesWithSlashesAndPercentsAreDistinctKeys) {
  const std::vector<std::string> drives = {"/",       "/home",          "/home/user",
                                           "%2Fhome", "/media/My Disk", "General"};
  for (std::size_t i = 0; i < drives.size(); ++i) {
    store.SaveSetting(Hive::CurrentUser, store.ProgramKey() + "\\" + drives[i], "Speed", std::to_string(i));
  }
  for (std::size_t i = 0; i < drives.size(); ++i) {
    std::string value;
    EXPECT_EQ(store.RestoreSetting(Hive::CurrentUser, store.ProgramKey() + "\\" + drives[i], "Speed", value),
              "0 OK")
        << drives[i];
    EXPECT_EQ(value, std::to_string(i)) << drives[i];
  }
  EXPECT_EQ(backend.LocationOf(store.ProgramKey() + "\\/home").group, "_2Fhome");
}

// The file shows each drive's group escaped once; a speed that an earlier version stored under its
// twice-escaped group is still found, until a new measurement is stored beside it.
TEST_F(SettingsStoreTest, GroupsAreEscapedOnceAndEarlierTwiceEscapedGroupsAreStillRead) {
  store.SaveSetting(Hive::CurrentUser, store.ProgramKey() + "\\/media/my_disk", "Speed", "3.5");
  EXPECT_NE(ReadFile(temp / "config/Maker/Nulvane.ini").find("[_2Fmedia_2Fmy_5Fdisk]\nSpeed=3.5"),
            std::string::npos)
      << ReadFile(temp / "config/Maker/Nulvane.ini");

  temp.Write("config/Maker/Nulvane.ini", "[%252Fhome]\nSpeed=12.5\n\n[%252Fmedia%252Fmy_disk]\nSpeed=7\n");
  platform::QtSettingsBackend earlier(temp / "config");
  SettingsStore next(earlier, "Maker", "Nulvane");
  std::string value;
  EXPECT_EQ(next.RestoreSetting(Hive::CurrentUser, key, "Speed", value), "0 OK");
  EXPECT_EQ(value, "12.5");
  EXPECT_EQ(next.RestoreSetting(Hive::CurrentUser, next.ProgramKey() + "\\/media/my_disk", "Speed", value),
            "0 OK");
  EXPECT_EQ(value, "7");
  EXPECT_EQ(next.SaveSetting(Hive::CurrentUser, key, "Speed", "13").substr(0, 21), "0 Key already exists.");
  EXPECT_EQ(next.RestoreSetting(Hive::CurrentUser, key, "Speed", value), "0 OK");
  EXPECT_EQ(value, "13");
}

TEST_F(SettingsStoreTest, TrailingControlCharactersAreDroppedOnRead) {
  for (const std::string& stored :
       {std::string("4.5\0", 4), std::string("4.5\r\n"), std::string("4.5\t\n\0", 6)}) {
    store.SaveSetting(Hive::CurrentUser, key, "Speed", stored);
    std::string value;
    EXPECT_EQ(store.RestoreSetting(Hive::CurrentUser, key, "Speed", value), "0 OK");
    EXPECT_EQ(value, "4.5");
  }
}

TEST_F(SettingsStoreTest, KeyThatCannotBeCreatedReportsTheStatusAndWritesNothing) {
  temp.Write("blocker", "a file where the configuration folder should be");
  platform::QtSettingsBackend blocked(temp / "blocker/config");
  SettingsStore failing(blocked, "Maker", "Nulvane");
  EXPECT_EQ(failing.SaveSetting(Hive::CurrentUser, failing.ProgramKey() + "\\/", "Speed", "1"),
            std::to_string(ENOTDIR) + " Unable to create (or find) key.");
  EXPECT_EQ(store.SaveSetting(Hive::CurrentUser, "Software\\OnlyMaker", "Speed", "1"),
            std::to_string(EINVAL) + " Unable to create (or find) key.");
}

// The file is replaced by a rename, never rewritten in place, so it is whole after every write.
TEST_F(SettingsStoreTest, WritesReplaceTheFileAtomicallyAndLeaveNoTemporaryFiles) {
  const std::string file = temp / "config/Maker/Nulvane.ini";
  struct stat before {};
  struct stat after {};
  for (int i = 0; i < 20; ++i) {
    store.SaveSetting(Hive::CurrentUser, store.ProgramKey() + "\\/d" + std::to_string(i), "Speed", "1.5");
    ASSERT_EQ(::stat(file.c_str(), &before), 0);
    store.SaveSetting(Hive::CurrentUser, key, "Speed", std::to_string(i));
    ASSERT_EQ(::stat(file.c_str(), &after), 0);
    EXPECT_NE(before.st_ino, after.st_ino);
    const std::string content = ReadFile(file);
    EXPECT_NE(content.find("[_2Fd" + std::to_string(i) + "]"), std::string::npos);
    EXPECT_NE(content.find("Speed=" + std::to_string(i)), std::string::npos);
  }
  std::vector<std::string> names;
  for (const auto& entry : std::filesystem::directory_iterator(temp / "config/Maker")) {
    names.push_back(entry.path().filename().string());
  }
  EXPECT_EQ(names, std::vector<std::string>{"Nulvane.ini"});
}

// With the folder immutable the temporary file cannot be made: the write must fail and the old file stay
// whole, rather than the store falling back to rewriting it in place.
TEST_F(SettingsStoreTest, FailedWriteKeepsTheOldFileWhole) {
  store.SaveSetting(Hive::CurrentUser, key, "Speed", "7.5");
  const std::string folder = temp / "config/Maker";
  const std::string before = ReadFile(folder + "/Nulvane.ini");
  if (std::system(("chattr +i '" + folder + "' 2>/dev/null").c_str()) != 0) {
    GTEST_SKIP() << "chattr is not available here";
  }
  struct Unlock {
    std::string folder;
    ~Unlock() { (void)std::system(("chattr -i '" + folder + "'").c_str()); }
  } unlock{folder};

  const std::string result = store.SaveSetting(Hive::CurrentUser, key, "Speed", "99");
  EXPECT_EQ(result.rfind("0 Key already exists.  ", 0), 0u) << result;
  EXPECT_NE(result, "0 Key already exists." + Success());
  EXPECT_EQ(ReadFile(folder + "/Nulvane.ini"), before);
  // Within this run the store keeps answering what the file holds.
  std::string value;
  EXPECT_EQ(store.RestoreSetting(Hive::CurrentUser, key, "Speed", value)[0], '0');
  EXPECT_EQ(value, "7.5");
}

#endif

// The outcomes that the stores themselves never produce.
class ScriptedBackend : public platform::SettingsBackend {
 public:
  platform::KeyResult key{platform::KeyDisposition::Anomaly, 0};
  platform::ReadResult read{platform::ReadStatus::Error, "3.5\n", 1234};
  int writeStatus = 28;

  platform::KeyResult CreateOrOpenKey(const std::string&) override { return key; }
  int WriteString(const std::string&, const std::string&, const std::string&) override { return writeStatus; }
  bool OpenKeyForReading(const std::string&) override { return true; }
  platform::ReadResult ReadString(const std::string&, const std::string&) override { return read; }
  std::string StatusMessage(int status) override { return std::string(150, 'x') + std::to_string(status); }
};

TEST(SettingsStoreOutcomes, AnomalyAndPartialReadAndLongMessages) {
  ScriptedBackend backend;
  SettingsStore store(backend, "M", "P");
  EXPECT_EQ(store.SaveSetting(Hive::CurrentUser, "k", "n", "v"), "0 Key anomaly.  " + std::string(100, 'x'));
  std::string value;
  EXPECT_EQ(store.RestoreSetting(Hive::CurrentUser, "k", "n", value), "0");
  EXPECT_EQ(value, "3.5");
  backend.key = {platform::KeyDisposition::Failed, 5};
  EXPECT_EQ(store.SaveSetting(Hive::CurrentUser, "k", "n", "v"), "5 Unable to create (or find) key.");
}

}  // namespace
}  // namespace nulvane::support
