// The group order rebuild on its own: the old list's bytes in, the new list's bytes out.
#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <memory>
#include <random>
#include <string>
#include <vector>

#include "config/install.h"

namespace ql::config {
namespace {

using namespace std::string_view_literals;

std::vector<std::uint8_t> Bytes(std::string_view text) {
  return std::vector<std::uint8_t>(text.begin(), text.end());
}

std::vector<std::uint8_t> Written(const GroupOrderRebuild& r) {
  return std::vector<std::uint8_t>(r.list.begin(), r.list.begin() + r.writeLength);
}

TEST(GroupOrderTest, PresentInAnyCaseAnywhereMeansNothingToWrite) {
  for (std::string_view list :
       {"Orvel\0filter\0\0"sv, "Boot\0ORVEL\0\0"sv, "Boot\0filter\0orVEL\0\0"sv}) {
    const auto old = Bytes(list);
    const GroupOrderRebuild r = RebuildGroupOrder(old, "Orvel");
    EXPECT_TRUE(r.present) << list;
  }
}

TEST(GroupOrderTest, GroupGoesDirectlyBeforeFilterInAnyCase) {
  const std::string_view cases[][2] = {
      {"Boot Bus Extender\0System Bus Extender\0SCSI miniport\0filter\0Event "
       "log\0\0"sv,
       "Boot Bus Extender\0System Bus Extender\0SCSI miniport\0Orvel\0filter\0"
       "Event log\0\0"sv},
      {"FILTER\0\0"sv, "Orvel\0FILTER\0\0"sv},
      {"a\0Filter\0b\0filter\0\0"sv, "a\0Orvel\0Filter\0b\0filter\0\0"sv},
  };
  for (const auto& c : cases) {
    const auto old = Bytes(c[0]);
    const GroupOrderRebuild r = RebuildGroupOrder(old, "Orvel");
    EXPECT_FALSE(r.present);
    EXPECT_TRUE(r.inserted);
    EXPECT_EQ(r.writeLength, old.size() + 6);
    EXPECT_EQ(Written(r), Bytes(c[1]));
  }
}

TEST(GroupOrderTest, ListWithoutFilterIsWrittenBackUnchanged) {
  const auto old = Bytes("Boot\0Filters\0NDIS\0\0"sv);
  const GroupOrderRebuild r = RebuildGroupOrder(old, "Orvel");
  EXPECT_FALSE(r.present);
  EXPECT_FALSE(r.inserted);
  EXPECT_EQ(Written(r), old);
}

TEST(GroupOrderTest, EmptyListIsWrittenBackEmpty) {
  for (std::string_view list : {"\0\0"sv, "\0"sv, std::string_view()}) {
    const auto old = Bytes(list);
    const GroupOrderRebuild r = RebuildGroupOrder(old, "Orvel");
    EXPECT_FALSE(r.present);
    EXPECT_FALSE(r.inserted);
    EXPECT_EQ(Written(r), old);
  }
}

// A list whose last entry lacks its terminators ends where the returned bytes end; the
// rebuilt list keeps the old list's form and nothing beyond the returned bytes is read (the
// sanitizer build would see such a read).
TEST(GroupOrderTest, UnterminatedListIsNotReadPastItsBytes) {
  const std::string_view text("Boot\0filter", 11);
  auto* heap = new std::uint8_t[text.size()];
  std::copy(text.begin(), text.end(), heap);
  const GroupOrderRebuild r =
      RebuildGroupOrder(std::span<const std::uint8_t>(heap, text.size()), "Orvel");
  delete[] heap;
  EXPECT_TRUE(r.inserted);
  EXPECT_EQ(Written(r), Bytes("Boot\0Orvel\0filter"sv));
  // The buffer itself holds the complete, terminated list.
  EXPECT_EQ(r.list, Bytes("Boot\0Orvel\0filter\0\0"sv));
}

TEST(GroupOrderTest, FullSizeListGrowsByTheGroupName) {
  std::string list;
  while (list.size() + 6 + 8 <= kGroupOrderBytes) list += std::string("Group") + '\0';
  list += "filter";
  list += '\0';
  list.resize(kGroupOrderBytes, '\0');
  const auto old = Bytes(list);
  const GroupOrderRebuild r = RebuildGroupOrder(old, "Orvel");
  ASSERT_TRUE(r.inserted);
  EXPECT_EQ(r.writeLength, kGroupOrderBytes + 6);
  ASSERT_GE(r.list.size(), r.writeLength);
}

}  // namespace
}  // namespace ql::config

namespace ql::config {
namespace {

// Lists of random entries, cut off at any byte: the rebuilt list is the old one with the
// group in front of the first "filter" and nothing else changed, and nothing is read past
// the cut (the heap copy makes the sanitizer build see such a read).
TEST(GroupOrderTest, RandomListsKeepEveryOtherByte) {
  std::mt19937 random(20240611);
  const char* names[] = {"filter", "FILTER", "Filter", "filters", "Base", "NDIS", "x", "TDI"};
  for (int round = 0; round < 2000; ++round) {
    std::string list;
    const int count = static_cast<int>(random() % 8);
    for (int i = 0; i < count; ++i) {
      list += names[random() % std::size(names)];
      list += '\0';
    }
    list += '\0';
    list.resize(random() % (list.size() + 1));

    const auto heap = std::make_unique<std::uint8_t[]>(list.size() + 1);
    std::copy(list.begin(), list.end(), heap.get());
    const GroupOrderRebuild r =
        RebuildGroupOrder(std::span<const std::uint8_t>(heap.get(), list.size()), "Orvel");
    ASSERT_FALSE(r.present);
    ASSERT_GE(r.list.size(), r.writeLength);
    std::string written(r.list.begin(), r.list.begin() + r.writeLength);
    if (r.inserted) {
      const std::size_t at = written.find(std::string("Orvel\0", 6));
      ASSERT_NE(at, std::string::npos);
      ASSERT_TRUE(at == 0 || written[at - 1] == '\0');
      written.erase(at, 6);
      // It stood right before the old list's first "filter" entry, in any letter case.
      std::size_t first = 0;
      while (first < written.size()) {
        std::string entry = written.substr(first, written.find('\0', first) - first);
        for (char& c : entry) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
        if (entry == "filter") break;
        first += entry.size() + 1;
      }
      ASSERT_EQ(first, at) << round;
    }
    ASSERT_EQ(written, list) << round;
  }
}

}  // namespace
}  // namespace ql::config
