#pragma once

#include "../runtime/Variant.h"

// The text form in which the conversions write values read from the database. It is chosen
// so that the database takes the text back unchanged:
// - text as it is;
// - whole numbers in plain digits; Double and Single in their shortest form that reads back
//   to the same value ("0.5", "12.25", "1e+20"); Currency and Decimal exactly, without
//   trailing zeros;
// - a Date as "yyyy-mm-dd hh:nn:ss", "yyyy-mm-dd" when it has no time of day, and
//   "hh:nn:ss" when it has only one;
// - a Boolean as "True" or "False";
// - Null and Empty as the empty text.
namespace zuvo::convert {

String defaultText(const Variant& value);

// The text of a column value in a file: defaultText without its trailing half-width blanks.
String columnText(const Variant& value);

}  // namespace zuvo::convert
