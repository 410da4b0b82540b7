#pragma once

#include <cstdint>
#include <string>

#include "platform/FileSystem.h"

namespace nulvane::support {

// "0 bytes", "512 bytes", "1.5 KB", "2,048.0 MB": sizes of a gigabyte and more stay in MB.
std::string FormatSize(double bytes, int decimals);
// As FormatSize, with GB from 1024 MB on.
std::string FormatSizeGB(double bytes, int decimals);
// "1 day and 2 hours": at most the two largest units; "0 minutes" for none.
std::string FormatMinutes(std::int32_t minutes);
// "1 minute and 1 second", or with `wholeMinutes` the seconds rounded into the minutes ("1 minute").
std::string FormatDuration(std::int32_t seconds, bool wholeMinutes);
// "No", "One" ... "Twenty", "Twenty one" ... "Ninety nine", then grouped digits ("1,500").
std::string NumberInWords(std::int32_t n);
// The path shortened for display to at most `max` characters: the inner folders next to the first one give
// way to one "...", so the end of the path (the file's or the last folder's name) stays visible. The same
// path always gives the same text, so a label does not change from one refresh to the next.
std::string ShortenPath(const std::string& path, int max);
// A file or folder name, or a path, as reports, labels, lists and messages show it: a character that would
// not show as itself is written as an escape, so a name stays on one line and reads as what is on disk. Line
// breaks and tabs become \n, \r and \t; other control bytes and bytes that are not UTF-8 \xHH; characters
// that are invisible or reorder the text around them (C1 controls, zero-width and direction marks, line and
// paragraph separators) \uHHHH; and a backslash that is not the path separator \\, so that no name reads
// like an escape of another.
std::string DisplayName(const std::string& name);
// The file's length as FormatSize (or FormatSizeGB when `gb`) with two decimals; empty text for an empty
// path or a file whose length cannot be read.
std::string FileSizeText(platform::FileSystem& fileSystem, const std::string& path, bool gb);
// Removes trailing characters whose code is below 32.
void TrimTrailingControls(std::string& text);
// Removes trailing characters whose code is 32 or below.
void TrimTrailingBlanks(std::string& text);
// The nearest whole number; halves go to the even neighbour (2.5 gives 2, 3.5 gives 4).
std::int64_t RoundHalfEven(double value);

}  // namespace nulvane::support
