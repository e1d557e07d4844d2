#pragma once

#include <cstdint>
#include <vector>

#include "../runtime/Status.h"
#include "../runtime/String.h"

// Field definition strings: eight-character descriptors ("n2r0008 d__0008 k_l0020") that lay
// out the fields of fixed-length and JEF records, one per column.
namespace zuvo::convert {

struct FieldDescriptor {
  char16_t type = 0;    // lower case; 0 when the descriptor is missing
  char16_t second = 0;  // lower case; decimals for "n"/"p", fill or conversion code otherwise
  char16_t align = 0;   // lower case, "_" already replaced by "r" (n, p) or "l"
  std::int16_t len = 0;

  // Only "l" means left; every other alignment is right.
  bool leftAligned() const { return align == u'l'; }
  // The second code read as a number: a digit 0 to 9, anything else 0.
  int decimals() const { return second >= u'0' && second <= u'9' ? second - u'0' : 0; }
  // True when the second code is "z": zero fill instead of blanks.
  bool zeroFill() const { return second == u'z'; }
  // Import conversion code: type and second code together, as in "dt" or "sz".
  bool is(char16_t t, char16_t s) const { return type == t && second == s; }
};

// Descriptor k (from 0) of fds. Characters past the end read as empty, so a missing
// descriptor has type 0 and len 0. Raises error 6 when the length does not fit 16 bits.
FieldDescriptor fieldDescriptor(const String& fds, std::int32_t k);

// The number of half-width blanks in fds plus one: how many descriptors the importers expect.
std::int32_t fieldCount(const String& fds);

// Whether d carries an import conversion code: jc, dt, d2, md, tm, ms, sz, ls or hs.
bool hasImportCode(const FieldDescriptor& d);
// The text of an imported field converted by its conversion code, before its trailing blanks
// go: dates and times punctuated, "sz" filled with zeros to `columnSize` characters (error 5
// for a negative size), case and width changed. Without a code the text stays as it is.
String applyImportCode(const FieldDescriptor& d, String field, std::int32_t columnSize);

// The descriptors of a field definition string, read once for a whole conversion so that no
// record reads fds again.
class Layout {
 public:
  // Descriptors 0 to count - 1 of fds. One whose length does not fit 16 bits reads as an
  // empty descriptor, and status() names it.
  Layout(const String& fds, std::int32_t count);

  const FieldDescriptor& operator[](std::int32_t k) const {
    return fields_[static_cast<std::size_t>(k)];
  }
  std::int32_t size() const { return static_cast<std::int32_t>(fields_.size()); }
  auto begin() const { return fields_.begin(); }
  auto end() const { return fields_.end(); }
  // Ok, or the first descriptor that could not be read.
  const Status& status() const { return status_; }
  // Bytes the lengths add up to, negative lengths counting 0.
  std::int64_t bytes() const;

 private:
  std::vector<FieldDescriptor> fields_;
  Status status_;
};

}  // namespace zuvo::convert
