#pragma once

#include <cstdint>
#include <stdexcept>
#include <string>

#include "String.h"

namespace zuvo {

// A run-time error of the system: the number callers test and its usual text.
class RuntimeError : public std::runtime_error {
 public:
  explicit RuntimeError(std::int32_t number);
  RuntimeError(std::int32_t number, const std::string& description);

  std::int32_t number() const noexcept { return number_; }
  std::string description() const { return what(); }

  // The usual texts: 5, 6, 9, 13, 53, 94 and a few more.
  static std::string standardDescription(std::int32_t number);

  // Raised by a method whose implementation has not landed yet.
  static RuntimeError notImplemented(const std::string& method);

 private:
  std::int32_t number_;
};

namespace err {
inline constexpr std::int32_t InvalidArgument = 5;
inline constexpr std::int32_t Overflow = 6;
inline constexpr std::int32_t SubscriptOutOfRange = 9;
inline constexpr std::int32_t TypeMismatch = 13;
inline constexpr std::int32_t FileNotFound = 53;
inline constexpr std::int32_t InvalidUseOfNull = 94;
inline constexpr std::int32_t NotImplemented = 445;
}  // namespace err

}  // namespace zuvo
