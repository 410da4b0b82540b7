// Feeds arbitrary bytes to the setup file reader, and checks that whatever it takes, and any texts at all,
// come back unchanged through the writer.
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "support/SetupFormat.h"

using nulvane::support::FormatSetup;
using nulvane::support::kSetupLines;
using nulvane::support::ParseSetup;
using nulvane::support::SetupReading;
using nulvane::support::SetupValues;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view input(reinterpret_cast<const char*>(data), size);

  const SetupReading reading = ParseSetup(input);
  if (reading.valuesRead < 0 || reading.valuesRead > kSetupLines) __builtin_trap();
  if (reading.complete && reading.valuesRead != kSetupLines) __builtin_trap();
  if (reading.complete) {
    const SetupReading again = ParseSetup(FormatSetup(reading.values));
    if (!again.complete || !(again.values == reading.values)) __builtin_trap();
  }

  // The input as the three texts of a setup (split at the first two NUL bytes, which no text may hold).
  SetupValues values;
  std::string* texts[] = {&values.strVersion, &values.strTargetFolder, &values.strFilespec};
  std::size_t text = 0;
  for (const char c : input) {
    if (c == '\0') {
      if (++text == 3) break;
    } else {
      texts[text]->push_back(c);
    }
  }
  if (size >= 4)
    values.intNumberOfPasses = static_cast<std::int32_t>(data[0] | data[1] << 8 | data[2] << 16 |
                                                         static_cast<std::uint32_t>(data[3]) << 24);
  const SetupReading written = ParseSetup(FormatSetup(values));
  if (!written.complete || !(written.values == values)) __builtin_trap();
  return 0;
}
