#pragma once

#include <memory>

#include "../runtime/Variant.h"

namespace zuvo {

// Formatting of a value by a pattern, the subset of the run-time's Format that the
// applications use:
// - numbers: "0", "#", "," (grouping), "." (decimals, rounded half away from zero), literals;
// - text: "@" takes one character, filled from the right, a blank where the text has none;
// - dates and times: "yyyy", "mm", "dd", "hh", "nn" (minutes), "ss".
// An empty pattern gives the value's standard text form. A text that is not a number is
// returned unchanged by a number pattern.
String format(const Variant& value, const String& pattern);

// A pattern read once, for formatting many values: what format gives, without reading the
// pattern again for every value.
class FormatPattern {
 public:
  explicit FormatPattern(const String& pattern);
  FormatPattern(FormatPattern&&) noexcept;
  FormatPattern& operator=(FormatPattern&&) noexcept;
  ~FormatPattern();

  // How a value came out: not through the number pattern (text, dates, a text that is not a
  // number, Null), as a number, or as a number with a "-" in front.
  enum class Formatted { AsIs, Number, Negative };

  String operator()(const Variant& value) const;
  // Appends the formatted value to `out`, so that a caller can reuse one buffer.
  Formatted appendTo(String& out, const Variant& value) const;

 private:
  struct Compiled;
  std::unique_ptr<Compiled> compiled_;
};

}  // namespace zuvo
