#pragma once

#include <cstdint>
#include <string>

#include "platform/FileSystem.h"
#include "platform/Random.h"

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
// The path shortened for display to at most `max` characters by putting "..." in place of randomly chosen
// inner folders (cut at the end when that is not enough). The result may differ from call to call.
std::string ShortenPath(platform::Random& random, const std::string& path, int max);
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
