// Feeds arbitrary bytes to the program text parser and checks what the store promises afterwards.
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "support/ProgramText.h"

using nulvane::support::ProgramText;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  ProgramText texts;
  const int result = texts.Parse(std::string_view(reinterpret_cast<const char*>(data), size));
  if (result > 0) {
    // Every text the program could ask for is within the buffer, and there are no more than were counted.
    int found = 0;
    for (int n = 1; n <= 32767; ++n) {
      const std::string text = texts.GetProgramText(n);
      if (text.size() > static_cast<std::size_t>(ProgramText::kTextBufferSize)) __builtin_trap();
      if (!text.empty()) ++found;
    }
    if (found != result) __builtin_trap();
  } else {
    if (!texts.GetProgramText(2).empty()) __builtin_trap();
    if (ProgramText::MessageForResult(result, "p").empty()) __builtin_trap();
  }
  return 0;
}
