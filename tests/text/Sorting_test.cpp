#include <gtest/gtest.h>
#include <pthread.h>

#include <algorithm>
#include <functional>
#include <numeric>
#include <random>
#include <vector>

#include "component/ZuvoCls.h"
#include "runtime/Decimal.h"
#include "text/TextTesting.h"

namespace zuvo {
namespace {

using testing::errorOf;
using Values = std::vector<Variant>;

Array<Variant> arrayOf(Values values, std::int32_t lbound = 0) {
  return Array<Variant>(lbound, std::move(values));
}

class ArraySorting : public ::testing::Test {
 protected:
  ZuvoCls z;
};

TEST_F(ArraySorting, SortsBothWays) {
  auto d = arrayOf({3, 1, 2});
  z.QSort(d, 0, 2);
  EXPECT_EQ(d.items(), Values({1, 2, 3}));
  z.QSortD(d, 0, 2);
  EXPECT_EQ(d.items(), Values({3, 2, 1}));
}

TEST_F(ArraySorting, ElementOrder) {
  auto mixed = arrayOf({10, u"9", 2});
  z.QSort(mixed, 0, 2);
  EXPECT_EQ(mixed.items(), Values({2, 10, u"9"}));  // numbers before texts

  auto texts = arrayOf({u"b", u"B", u"a", u"ab", u"あ", u"A"});
  z.QSort(texts, 0, 5);
  EXPECT_EQ(texts.items(), Values({u"A", u"B", u"a", u"ab", u"b", u"あ"}));

  auto withEmpty = arrayOf({1, Variant(), -1});
  z.QSort(withEmpty, 0, 2);
  EXPECT_EQ(withEmpty.items(), Values({-1, Variant(), 1}));  // Empty as 0
  auto emptyText = arrayOf({u"b", Variant(), u"a"});
  z.QSort(emptyText, 0, 2);
  EXPECT_EQ(emptyText.items(), Values({Variant(), u"a", u"b"}));  // Empty as ""

  // Every numeric kind by its value: True is -1, a Date its serial.
  auto numbers = arrayOf({Decimal::parse("2.5"), 1.5, std::int16_t(3), true, Variant(Date{2}),
                          Variant(Currency{-5000}), std::uint8_t(0)});
  z.QSort(numbers, 0, 6);
  EXPECT_EQ(numbers.items(), Values({true, Variant(Currency{-5000}), std::uint8_t(0), 1.5,
                                     Variant(Date{2}), Decimal::parse("2.5"), std::int16_t(3)}));
}

TEST_F(ArraySorting, NullStopsBothScans) {
  auto d = arrayOf({3, Variant::Null(), 1});
  z.QSort(d, 0, 2);
  EXPECT_EQ(d.items(), Values({1, Variant::Null(), 3}));
}

TEST_F(ArraySorting, CompanionsMoveWithTheKeys) {
  auto d = arrayOf({u"B", u"A", u"C"});
  auto d2 = arrayOf({2, 1, 3});
  z.QSort2(d, d2, 0, 2);
  EXPECT_EQ(d.items(), Values({u"A", u"B", u"C"}));
  EXPECT_EQ(d2.items(), Values({1, 2, 3}));

  struct Member {
    bool descending;
    int width;
    std::function<void(Array<Variant>&, Array<Variant>&, Array<Variant>&, Array<Variant>&)> sort;
  };
  const std::vector<Member> members = {
      {false, 2, [&](auto& a, auto& b, auto&, auto&) { z.QSort2(a, b, 1, 5); }},
      {false, 3, [&](auto& a, auto& b, auto& c, auto&) { z.QSort3(a, b, c, 1, 5); }},
      {false, 4, [&](auto& a, auto& b, auto& c, auto& e) { z.QSort4(a, b, c, e, 1, 5); }},
      {true, 2, [&](auto& a, auto& b, auto&, auto&) { z.QSortD2(a, b, 1, 5); }},
      {true, 3, [&](auto& a, auto& b, auto& c, auto&) { z.QSortD3(a, b, c, 1, 5); }},
      {true, 4, [&](auto& a, auto& b, auto& c, auto& e) { z.QSortD4(a, b, c, e, 1, 5); }},
  };
  for (const Member& member : members) {
    auto keys = arrayOf({50, 20, 40, 10, 30}, 1);
    auto c2 = arrayOf({5, 2, 4, 1, 3}, 1), c3 = c2, c4 = c2;
    member.sort(keys, c2, c3, c4);
    const Values moved = member.descending ? Values({5, 4, 3, 2, 1}) : Values({1, 2, 3, 4, 5});
    const Values untouched = {5, 2, 4, 1, 3};
    EXPECT_EQ(keys.items(),
              member.descending ? Values({50, 40, 30, 20, 10}) : Values({10, 20, 30, 40, 50}));
    EXPECT_EQ(c2.items(), moved);
    EXPECT_EQ(c3.items(), member.width >= 3 ? moved : untouched) << member.width;
    EXPECT_EQ(c4.items(), member.width >= 4 ? moved : untouched) << member.width;
  }
}

TEST_F(ArraySorting, SortsOnlyTheRange) {
  auto d = arrayOf({9, 8, 7, 6, 5, 4, 3, 2, 1, 0});
  z.QSort(d, 2, 4);
  EXPECT_EQ(d.items(), Values({9, 8, 5, 6, 7, 4, 3, 2, 1, 0}));
  z.QSort(d, 4.5, Variant(u"4"));  // indexes are rounded, halves to even
  EXPECT_EQ(d.items(), Values({9, 8, 5, 6, 7, 4, 3, 2, 1, 0}));
}

TEST_F(ArraySorting, IndexesOutsideAnArrayRaise) {
  auto d = arrayOf({3, 1, 2});
  EXPECT_EQ(errorOf([&] { z.QSort(d, 0, 3); }), err::SubscriptOutOfRange);
  EXPECT_EQ(d.items(), Values({3, 1, 2}));
  auto shortCompanion = arrayOf({1});
  EXPECT_EQ(errorOf([&] { z.QSort2(d, shortCompanion, 0, 2); }), err::SubscriptOutOfRange);
  EXPECT_EQ(errorOf([&] { z.QSort(d, Variant::Null(), 2); }), err::InvalidUseOfNull);
  auto bytes = arrayOf({1, Variant(ByteArray{1}), 2});
  EXPECT_EQ(errorOf([&] { z.QSort(bytes, 0, 2); }), err::TypeMismatch);
}

// The sort as first written: both parts by recursion, the lower first. Counts the depth.
struct Reference {
  std::vector<int>& keys;
  std::vector<int>& rows;
  bool descending;
  int depth = 0, deepest = 0;

  bool before(int a, int b) const { return descending ? b < a : a < b; }
  void sort(int l, int r) {
    deepest = std::max(deepest, ++depth);
    const int x = keys[(l + r) / 2];
    int i = l, j = r;
    for (;;) {
      while (before(keys[i], x)) ++i;
      while (before(x, keys[j])) --j;
      if (i >= j) break;
      std::swap(keys[i], keys[j]);
      std::swap(rows[i], rows[j]);
      ++i;
      --j;
    }
    if (l < i - 1) sort(l, i - 1);
    if (j + 1 < r) sort(j + 1, r);
    --depth;
  }
};

// Equal keys are exchanged, so companion rows show whether every exchange was the same.
TEST_F(ArraySorting, MakesTheSameExchangesAsTheRecursiveSort) {
  std::mt19937 rng(25);
  for (int round = 0; round < 200; ++round) {
    const int n = 1 + int(rng() % 300);
    std::vector<int> keys(n), rows(n);
    for (int& k : keys) k = int(rng() % (round % 2 ? 10 : 1000));
    std::iota(rows.begin(), rows.end(), 0);
    const int l = int(rng() % n), r = l + int(rng() % (n - l));
    const bool descending = round % 3 == 0;

    auto d = Array<Variant>::withBounds(-7, n - 8), d2 = d;
    for (int i = 0; i < n; ++i) {
      d[i - 7] = keys[i];
      d2[i - 7] = rows[i];
    }
    Reference{keys, rows, descending}.sort(l, r);
    if (descending)
      z.QSortD2(d, d2, l - 7, r - 7);
    else
      z.QSort2(d, d2, l - 7, r - 7);
    for (int i = 0; i < n; ++i) {
      ASSERT_EQ(d[i - 7], Variant(keys[i])) << "round " << round << " index " << i;
      ASSERT_EQ(d2[i - 7], Variant(rows[i])) << "round " << round << " index " << i;
    }
  }
}

// Keys 0..n-1 for which every partition takes the largest key of its range as the pivot, so
// that each pass peels off a single element.
std::vector<int> peelingKeys(int n) {
  std::vector<int> slot(n), keys(n);
  std::iota(slot.begin(), slot.end(), 0);
  for (int k = n; k >= 1; --k) {
    const int middle = (k - 1) / 2;
    keys[slot[middle]] = k - 1;
    std::swap(slot[middle], slot[k - 1]);
  }
  return keys;
}

TEST_F(ArraySorting, PeelingKeysDefeatTheRecursiveSort) {
  std::vector<int> keys = peelingKeys(2000), rows(2000);
  Reference reference{keys, rows, false};
  reference.sort(0, 1999);
  EXPECT_GE(reference.deepest, 1999);
  EXPECT_TRUE(std::is_sorted(keys.begin(), keys.end()));
}

// Runs `work` on a thread with a small stack, where a deep recursion would crash.
void onSmallStack(std::size_t bytes, std::function<void()> work) {
  pthread_attr_t attributes;
  pthread_attr_init(&attributes);
  pthread_attr_setstacksize(&attributes, bytes);
  pthread_t thread;
  auto run = [](void* w) -> void* {
    (*static_cast<std::function<void()>*>(w))();
    return nullptr;
  };
  ASSERT_EQ(pthread_create(&thread, &attributes, run, &work), 0);
  pthread_join(thread, nullptr);
  pthread_attr_destroy(&attributes);
}

// A million sorted keys, except that the range the sort reaches by always taking the lower
// part, once it is short enough to keep the test quick, holds peeling keys: the recursive sort
// would go thousands of calls deep there.
TEST_F(ArraySorting, AdversarialMillionStaysShallow) {
  const int n = 1000000;
  int last = n - 1;
  while (last + 1 > 5000) last = last / 2 - 1;
  std::vector<int> keys(n);
  std::iota(keys.begin(), keys.end(), 0);
  const std::vector<int> peeling = peelingKeys(last + 1);
  std::copy(peeling.begin(), peeling.end(), keys.begin());

  Array<Variant> d(0, Values(keys.begin(), keys.end()));
  onSmallStack(128 * 1024, [&] { z.QSort(d, 0, n - 1); });
  for (int i = 0; i < n; ++i) ASSERT_EQ(d[i], Variant(i)) << i;
}

}  // namespace
}  // namespace zuvo
