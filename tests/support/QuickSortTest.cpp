#include <gtest/gtest.h>

#include <algorithm>

#include "support/QuickSort.h"

namespace nulvane::support {
namespace {

TEST(SortStrings, AscendingByFoldedTextFromThePosition) {
  std::vector<std::string> names = {"Photos", "data", "Data2", "Zebra", "apple", "Data", "Émile", "banana"};
  SortStrings(names, 0, static_cast<int>(names.size()) - 1, true, 1);
  const auto at = [&](const std::string& name) {
    return std::find(names.begin(), names.end(), name) - names.begin();
  };
  EXPECT_EQ(names.front(), "apple");
  EXPECT_LT(at("banana"), at("data"));
  // Names differing only in case sit next to each other, in either order, and before "Data2".
  EXPECT_EQ(std::abs(at("data") - at("Data")), 1);
  EXPECT_LT(std::max(at("data"), at("Data")), at("Data2"));
  EXPECT_LT(at("Zebra"), at("Émile"));  // by character code after folding

  std::vector<std::string> plain = {"b", "B", "a", "A"};
  SortStrings(plain, 0, 3, false, 1);
  EXPECT_EQ(plain, (std::vector<std::string>{"A", "B", "a", "b"}));

  std::vector<std::string> keyed = {"x3", "y1", "z2"};
  SortStrings(keyed, 0, 2, true, 2);
  EXPECT_EQ(keyed, (std::vector<std::string>{"y1", "z2", "x3"}));
}

TEST(SortStrings, OnlyTheRangeIsSortedWhateverTheInput) {
  std::vector<std::string> list = {"9", "5", "4", "3", "1", "0"};
  SortStrings(list, 1, 4, false, 1);
  EXPECT_EQ(list, (std::vector<std::string>{"9", "1", "3", "4", "5", "0"}));
  SortStrings(list, 2, 2, false, 1);
  SortStrings(list, 3, 1, false, 1);
  EXPECT_EQ(list.size(), 6u);

  // Many equal keys: ascending after folding, and no entry lost or doubled.
  std::vector<std::string> many;
  for (int i = 0; i < 3000; ++i)
    many.push_back(std::string(1, static_cast<char>('a' + i % 7)) + (i % 2 ? "X" : "x"));
  std::vector<std::string> sorted = many;
  SortStrings(sorted, 0, static_cast<int>(sorted.size()) - 1, true, 1);
  for (std::size_t i = 1; i < sorted.size(); ++i) EXPECT_LE(sorted[i - 1][0], sorted[i][0]);
  std::sort(many.begin(), many.end());
  std::vector<std::string> same = sorted;
  std::sort(same.begin(), same.end());
  EXPECT_EQ(same, many);
}

}  // namespace
}  // namespace nulvane::support
