#include "support/QuickSort.h"

#include <algorithm>
#include <utility>

#include "support/Match.h"

namespace nulvane::support {
namespace {

std::string KeyOf(const std::string& text, bool ignoreCase, int startPosition) {
  const std::size_t skip = startPosition > 1 ? static_cast<std::size_t>(startPosition - 1) : 0;
  const std::string head = FirstCharacters(text, skip);
  std::string key = text.substr(std::min(head.size(), text.size()));
  return ignoreCase ? FoldCase(key) : key;
}

// Quicksort into descending order around the middle key, keys greater than the pivot to the front; the
// caller reverses the range afterwards. The smaller part recurses, the larger one loops, so the depth
// stays logarithmic whatever the input.
void SortDescending(std::vector<std::size_t>& order, const std::vector<std::string>& keys, int low,
                    int high) {
  while (low < high) {
    const std::string& pivot = keys[order[static_cast<std::size_t>(low + (high - low) / 2)]];
    int i = low;
    int j = high;
    while (i <= j) {
      while (i < high && keys[order[static_cast<std::size_t>(i)]] > pivot) ++i;
      while (j > low && keys[order[static_cast<std::size_t>(j)]] < pivot) --j;
      if (i <= j) {
        std::swap(order[static_cast<std::size_t>(i)], order[static_cast<std::size_t>(j)]);
        ++i;
        --j;
      }
    }
    if (j - low < high - i) {
      SortDescending(order, keys, low, j);
      low = i;
    } else {
      SortDescending(order, keys, i, high);
      high = j;
    }
  }
}

// Positions low..high of `list`, in sorted order.
std::vector<std::size_t> SortRange(const std::vector<std::string>& list, int low, int high, bool ignoreCase,
                                   int startPosition) {
  std::vector<std::string> keys;
  std::vector<std::size_t> local;
  for (int i = low; i <= high; ++i) {
    keys.push_back(KeyOf(list[static_cast<std::size_t>(i)], ignoreCase, startPosition));
    local.push_back(local.size());
  }
  if (local.size() >= 2) {
    SortDescending(local, keys, 0, static_cast<int>(local.size()) - 1);
    std::reverse(local.begin(), local.end());
  }
  for (std::size_t& at : local) at += static_cast<std::size_t>(low);
  return local;
}

}  // namespace

void SortStrings(std::vector<std::string>& list, int low, int high, bool ignoreCase, int startPosition) {
  low = std::max(low, 0);
  high = std::min(high, static_cast<int>(list.size()) - 1);
  if (high - low < 1) return;
  const std::vector<std::size_t> order = SortRange(list, low, high, ignoreCase, startPosition);
  std::vector<std::string> sorted;
  sorted.reserve(order.size());
  for (const std::size_t at : order) sorted.push_back(std::move(list[at]));
  std::move(sorted.begin(), sorted.end(), list.begin() + low);
}

std::vector<std::size_t> SortedOrder(const std::vector<std::string>& list, bool ignoreCase,
                                     int startPosition) {
  return SortRange(list, 0, static_cast<int>(list.size()) - 1, ignoreCase, startPosition);
}

}  // namespace nulvane::support
