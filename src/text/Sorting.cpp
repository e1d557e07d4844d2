#include <array>
#include <cmath>
#include <cstdint>
#include <utility>

#include "component/ZuvoCls.h"
#include "runtime/Convert.h"
#include "runtime/Decimal.h"

namespace zuvo {
namespace {

enum class Order { Less, Equal, Greater, Unordered };

template <typename T>
Order orderOf(const T& a, const T& b) {
  if (a < b) return Order::Less;
  if (b < a) return Order::Greater;
  if (a == b) return Order::Equal;
  return Order::Unordered;  // NaN
}

bool wholeNumber(const Variant& v, std::int64_t& out) {
  if (auto p = v.get<std::int32_t>()) return out = *p, true;
  if (auto p = v.get<std::int16_t>()) return out = *p, true;
  if (auto p = v.get<std::uint8_t>()) return out = *p, true;
  if (auto p = v.get<bool>()) return out = *p ? -1 : 0, true;
  return false;
}

bool exactNumber(const Variant& v) {
  switch (v.type()) {
    case VarType::Integer:
    case VarType::Long:
    case VarType::Byte:
    case VarType::Boolean:
    case VarType::Currency:
    case VarType::Decimal:
      return true;
    default:
      return false;
  }
}

// Dates and Booleans sort among the numbers, by their values.
bool numeric(const Variant& v) {
  return v.isNumber() || v.type() == VarType::Date || v.type() == VarType::Boolean;
}

// The same conversion is used whichever side a value is on, so that the order is antisymmetric.
Order compareNumbers(const Variant& a, const Variant& b) {
  std::int64_t x, y;
  if (wholeNumber(a, x) && wholeNumber(b, y)) return orderOf(x, y);
  if (exactNumber(a) && exactNumber(b)) return orderOf(rt::toDecimal(a), rt::toDecimal(b));
  return orderOf(rt::toDouble(a), rt::toDouble(b));
}

enum class Kind { Empty, Number, Text, Null };

Kind kindOf(const Variant& v) {
  if (v.isEmpty()) return Kind::Empty;
  if (v.isNull()) return Kind::Null;
  if (v.isString()) return Kind::Text;
  if (numeric(v)) return Kind::Number;
  throw RuntimeError(err::TypeMismatch);  // a byte array has no place in the order
}

// Numbers before texts, texts by character code, Empty as 0 or "" as its partner asks, and
// Null neither less nor greater than anything.
Order compare(const Variant& a, const Variant& b) {
  if (auto x = a.get<std::int32_t>())
    if (auto y = b.get<std::int32_t>()) return orderOf(*x, *y);
  if (auto x = a.get<String>())
    if (auto y = b.get<String>()) return orderOf(x->compare(*y), 0);

  const Kind ka = kindOf(a), kb = kindOf(b);
  if (ka == Kind::Null || kb == Kind::Null) return Order::Unordered;
  if (ka == Kind::Empty && kb == Kind::Empty) return Order::Equal;
  if (ka == Kind::Empty)
    return kb == Kind::Text ? compare(Variant(String()), b) : compare(Variant(0), b);
  if (kb == Kind::Empty)
    return ka == Kind::Text ? compare(a, Variant(String())) : compare(a, Variant(0));
  if (ka != kb) return ka == Kind::Number ? Order::Less : Order::Greater;
  if (ka == Kind::Text) return orderOf(a.get<String>()->compare(*b.get<String>()), 0);
  return compareNumbers(a, b);
}

struct SortJob {
  Array<Variant>& keys;
  std::array<Array<Variant>*, 3> companions;
  std::size_t companionCount;
  bool descending;

  // The test "a belongs before b" of the scans.
  bool before(const Variant& a, const Variant& b) const {
    return descending ? compare(b, a) == Order::Less : compare(a, b) == Order::Less;
  }

  void exchange(std::int64_t i, std::int64_t j) {
    std::swap(keys[i], keys[j]);
    for (std::size_t k = 0; k < companionCount; ++k)
      std::swap((*companions[k])[i], (*companions[k])[j]);
  }

  // Middle-element quicksort. Of the two parts left after a partition, the smaller is sorted
  // by recursion and the larger by the loop, so the depth stays below log2 of the range even
  // on adversarial keys; the parts are disjoint, so the exchanges are those of sorting the
  // lower part first.
  void sort(std::int64_t l, std::int64_t r) {
    for (;;) {
      const Variant x = keys[(l + r) / 2];
      std::int64_t i = l, j = r;
      for (;;) {
        while (before(keys[i], x)) ++i;
        while (before(x, keys[j])) --j;
        if (i >= j) break;
        exchange(i, j);
        ++i;
        --j;
      }
      const bool lower = l < i - 1, upper = j + 1 < r;
      if (lower && upper) {
        if (i - 1 - l < r - (j + 1)) {
          sort(l, i - 1);
          l = j + 1;
        } else {
          sort(j + 1, r);
          r = i - 1;
        }
      } else if (lower) {
        r = i - 1;
      } else if (upper) {
        l = j + 1;
      } else {
        return;
      }
    }
  }
};

void sortArrays(bool descending, Array<Variant>& d, std::array<Array<Variant>*, 3> companions,
                std::size_t companionCount, const Variant& l, const Variant& r) {
  const std::int64_t first = rt::toLong(l);
  const std::int64_t last = rt::toLong(r);
  SortJob{d, companions, companionCount, descending}.sort(first, last);
}

}  // namespace

void ZuvoCls::QSort(Array<Variant>& d, const Variant& l, const Variant& r) {
  sortArrays(false, d, {}, 0, l, r);
}
void ZuvoCls::QSort2(Array<Variant>& d, Array<Variant>& d2, const Variant& l, const Variant& r) {
  sortArrays(false, d, {&d2}, 1, l, r);
}
void ZuvoCls::QSort3(Array<Variant>& d, Array<Variant>& d2, Array<Variant>& d3, const Variant& l,
                     const Variant& r) {
  sortArrays(false, d, {&d2, &d3}, 2, l, r);
}
void ZuvoCls::QSort4(Array<Variant>& d, Array<Variant>& d2, Array<Variant>& d3, Array<Variant>& d4,
                     const Variant& l, const Variant& r) {
  sortArrays(false, d, {&d2, &d3, &d4}, 3, l, r);
}
void ZuvoCls::QSortD(Array<Variant>& d, const Variant& l, const Variant& r) {
  sortArrays(true, d, {}, 0, l, r);
}
void ZuvoCls::QSortD2(Array<Variant>& d, Array<Variant>& d2, const Variant& l, const Variant& r) {
  sortArrays(true, d, {&d2}, 1, l, r);
}
void ZuvoCls::QSortD3(Array<Variant>& d, Array<Variant>& d2, Array<Variant>& d3, const Variant& l,
                      const Variant& r) {
  sortArrays(true, d, {&d2, &d3}, 2, l, r);
}
void ZuvoCls::QSortD4(Array<Variant>& d, Array<Variant>& d2, Array<Variant>& d3, Array<Variant>& d4,
                      const Variant& l, const Variant& r) {
  sortArrays(true, d, {&d2, &d3, &d4}, 3, l, r);
}

}  // namespace zuvo
