#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "support/OperationState.h"

namespace nulvane::support {

// What a setup file keeps, in the order of its fifteen lines: the setup kept for the next run
// (nulvane.usr) and the operation files (*.nvs) the user saves under names of their own.
struct SetupValues {
  // The purge options of the confirmation dialog, in the order of lines 8 to 14.
  enum Option {
    kDoNotDeletePurgedFiles,
    kOKToPurgeReadOnlyFiles,
    kOKToPurgeSystemFiles,
    kOKToPurgeSensitiveFiles,
    kFolderNamesOnly,
    kDeleteEmptyFolders,
    kConfirmFiles,
    kOptionCount
  };

  std::string strVersion;  // read and ignored
  bool blnSubdirectories = false;
  std::string strTargetFolder;
  std::string strFilespec;
  std::int32_t intPurgeType = 0;
  std::int32_t intNumberOfPasses = 6;
  // Purging the slack area alone is not offered: always written as 0, read and not used.
  std::int32_t intSlackArea = 0;
  std::array<bool, kOptionCount> options{};
  std::int32_t lngOnlyBeforeThisJDN = kNoDateRestriction;

  friend bool operator==(const SetupValues&, const SetupValues&) = default;
};

constexpr int kSetupLines = 15;
// The first line that holds a purge option, and the date restriction's line (lines count from 1).
constexpr int kFirstOptionLine = 8;
constexpr int kDateLine = 15;
// Nothing larger is a setup file; a longer one is refused without being read.
constexpr std::size_t kMaxSetupFileBytes = 64 * 1024;

// The setup file's text: fifteen lines, each ending in CR LF. Numbers are written with one blank before
// (a minus sign in its place when negative) and one blank after. A text is written as it is unless reading
// it back could change it (a comma, a double quote, a line break or another control character, or a blank
// at either end); then it is written in double quotes, with each double quote inside doubled. So every
// ordinary folder keeps the plain form that earlier files have.
std::string FormatSetup(const SetupValues& values);

// How far a reading came. `valuesRead` counts the values read in order before the first one that failed
// (all fifteen when the file was read whole); `complete` says that all fifteen were read and nothing but
// blank lines follows them.
struct SetupReading {
  SetupValues values;
  int valuesRead = 0;
  bool complete = false;
};

// Reads a setup file's text. Blanks before a value are skipped; lines end in CR LF or LF. A number is an
// optional sign and decimal digits, with blanks around it and nothing else on its line; a truth value is 0
// or 1. A text is the rest of its line without the blanks at its ends, or a text in double quotes as
// FormatSetup writes it (which may hold line breaks); a text holding a NUL or, unquoted, a control
// character is not a setup file's. A day number other than "none" must name a real day.
SetupReading ParseSetup(std::string_view content);

// The version text of line 1: major version, ".", minor version and the digit 9 ("1.09" for 1.0).
std::string SetupVersionText(int major, int minor);

}  // namespace nulvane::support
