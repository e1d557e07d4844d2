#pragma once

#include "../runtime/String.h"

// Width conversion of whole texts as the conversions need it.
namespace zuvo::convert {

// Half-width letters, digits, signs, blanks and katakana become their full-width forms
// (a katakana with a separate voiced mark becomes the one voiced character).
String toFullWidth(const String& text);
// Full-width letters, digits, signs, blanks and katakana become their half-width forms.
String toHalfWidth(const String& text);

}  // namespace zuvo::convert
