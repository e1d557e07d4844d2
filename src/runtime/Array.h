#pragma once

#include <cstdint>
#include <utility>
#include <vector>

#include "RuntimeError.h"

namespace zuvo {

// A one-dimensional array with its own lower bound; an index outside raises error 9.
template <typename T>
class Array {
 public:
  Array() = default;
  Array(std::int32_t lbound, std::vector<T> items) : lbound_(lbound), items_(std::move(items)) {}
  static Array withBounds(std::int32_t lbound, std::int32_t ubound) {
    return Array(lbound, std::vector<T>(ubound >= lbound ? std::size_t(ubound - lbound + 1) : 0));
  }

  std::int32_t lbound() const { return lbound_; }
  std::int32_t ubound() const { return lbound_ + std::int32_t(items_.size()) - 1; }
  std::size_t size() const { return items_.size(); }
  bool contains(std::int64_t index) const { return index >= lbound_ && index <= ubound(); }

  T& operator[](std::int64_t index) { return items_[offset(index)]; }
  const T& operator[](std::int64_t index) const { return items_[offset(index)]; }

  std::vector<T>& items() { return items_; }
  const std::vector<T>& items() const { return items_; }

  friend bool operator==(const Array&, const Array&) = default;

 private:
  std::size_t offset(std::int64_t index) const {
    if (!contains(index)) throw RuntimeError(err::SubscriptOutOfRange);
    return std::size_t(index - lbound_);
  }

  std::int32_t lbound_ = 0;
  std::vector<T> items_;
};

}  // namespace zuvo
