#pragma once

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

}  // namespace zuvo
