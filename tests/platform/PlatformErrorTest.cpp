// The program's error numbers: the same number for the same failure on every platform.
#include <gtest/gtest.h>

#include <cerrno>
#include <cstring>

#include "platform/PlatformError.h"

namespace nulvane::testing {
namespace {

using platform::ErrorNumberFromErrno;

TEST(PlatformErrorTest, ErrnoValuesAreNumberedAsLinuxNumbersThemOnEveryPlatform) {
  const std::vector<std::pair<int, int>> cases = {
      {ENOENT, 53},      {ENOSPC, 61},        {EACCES, 70},         {EPERM, 70},       {EROFS, 70},
      {ENOMEM, 7},       {ENOTDIR, 76},       {EEXIST, 1017},       {EISDIR, 1021},    {EINVAL, 1022},
      {EBUSY, 1016},     {ETXTBSY, 1026},     {ENAMETOOLONG, 1036}, {ENOTEMPTY, 1039}, {ELOOP, 1040},
      {EOVERFLOW, 1075}, {EILSEQ, 1084},      {EOPNOTSUPP, 1095},   {ENOTSUP, 1095},   {ETIMEDOUT, 1110},
      {ECANCELED, 1125}, {EWOULDBLOCK, 1011},
  };
  for (const auto& [error, number] : cases) {
    EXPECT_EQ(ErrorNumberFromErrno(error), number) << std::strerror(error);
    EXPECT_EQ(platform::ErrorFromErrno(error).number, number);
  }
  // A quota is a full disk to the user.
  EXPECT_EQ(platform::ErrorNumberFromLinuxErrno(platform::kLinuxEDQUOT), platform::kErrorDiskFull);
  EXPECT_FALSE(platform::ErrorFromErrno(ELOOP).description.empty());
}

#ifndef _WIN32
// Here the C library's own values are Linux's: the table and the constants must give each name its value.
TEST(PlatformErrorTest, TheTableGivesEveryNameTheValueLinuxGivesIt) {
  for (const platform::detail::ErrnoValue& value : platform::detail::kErrnoValues)
    EXPECT_EQ(value.own, value.onLinux) << std::strerror(value.own);
  EXPECT_EQ(platform::kLinuxEDQUOT, EDQUOT);
  EXPECT_EQ(platform::kLinuxENOMEDIUM, ENOMEDIUM);
  EXPECT_EQ(platform::kLinuxEUCLEAN, EUCLEAN);
  EXPECT_EQ(platform::kLinuxESTALE, ESTALE);
  EXPECT_EQ(ErrorNumberFromErrno(EDQUOT), platform::kErrorDiskFull);
}
#endif

}  // namespace
}  // namespace nulvane::testing
