#pragma once

#include <cstddef>
#include <string>
#include <vector>

namespace nulvane::support {

// Puts list[low..high] into ascending order, comparing each entry's text from the 1-based character
// position `startPosition` on; with `ignoreCase` the texts are compared case-folded (FoldCase), otherwise
// by plain character codes. Ranges of fewer than two entries are left alone; equal keys keep no particular
// order.
void SortStrings(std::vector<std::string>& list, int low, int high, bool ignoreCase, int startPosition);

// The order SortStrings would give the whole list, as positions into it: for sorting rows that carry more
// than their text.
std::vector<std::size_t> SortedOrder(const std::vector<std::string>& list, bool ignoreCase,
                                     int startPosition);

}  // namespace nulvane::support
