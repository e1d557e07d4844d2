#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "Variant.h"

// The conversions of the system's run-time that every method leans on, written once.
// Errors are RuntimeError: 94 for Null, 13 for a value that is not of the kind asked, 6 for a
// value out of range.
namespace zuvo::rt {

// --- Text encodings of the host (file names, JSON, messages) ---
std::string toUtf8(const String& text);
String fromUtf8(std::string_view text);

// --- Strict conversions (the run-time's CDbl, CDec, CLng, CInt, CBool, CStr, CDate) ---
// Text must be a number as a whole: blanks around, a sign, thousands commas, one decimal
// point, an exponent, or the prefixes &H/&O. Empty is 0, True is -1, a Date its serial.
double toDouble(const Variant& value);
Decimal toDecimal(const Variant& value);
std::int32_t toLong(const Variant& value);     // rounded, halves to even
std::int16_t toInteger(const Variant& value);  // rounded, halves to even
bool toBoolean(const Variant& value);
Date toDate(const Variant& value);
// The standard text form: "0.5", "True", a Date in the short form "yyyy/mm/dd hh:nn:ss"
// (time or date part left out when zero), Empty as "". Null raises 94.
String toText(const Variant& value);

// Rounding of a Double into Long/Integer, halves to even; out of range raises 6.
std::int32_t roundToLong(double value);
std::int16_t roundToInteger(double value);

// --- Lenient prefix reading (the run-time's Val) ---
// Blanks, tabs and line feeds are skipped wherever they stand; a sign, digits, one full stop
// and an exponent are read as far as they go; &H and &O are honoured; no digit gives 0.
double val(const String& text);

// --- Number to text, locale-independent (the run-time's Str) ---
// 15 significant digits, no zero before the point (".5", "-.25"), exponent form where
// needed ("1E+15"), and a leading blank for non-negative numbers.
String str(double value);
// str() without its leading blank.
String numberText(double value);

// --- Text helpers; positions are 1-based characters ---
String trim(const String& text);  // half-width spaces only
String ltrim(const String& text);
String rtrim(const String& text);
String lower(const String& text);
String upper(const String& text);
// Whether a and b are the same text with the letters A-Z taken without regard to case, as SQL
// keywords and unquoted names are compared; every other character must match exactly.
bool sameAsciiNoCase(std::u16string_view a, std::u16string_view b);
String mid(const String& text, std::int64_t start, std::int64_t length = -1);
String left(const String& text, std::int64_t length);
String right(const String& text, std::int64_t length);
// Position of `find` in `text` at or after `start`, 0 when absent; an empty `find` gives `start`
// (0 past the end), as the run-time does.
std::int64_t inStr(const String& text, const String& find, std::int64_t start = 1);
std::int64_t inStrRev(const String& text, const String& find);
String replaceAll(const String& text, const String& find, const String& with);

// --- Dates ---
Date makeDate(int year, int month, int day, int hour = 0, int minute = 0, int second = 0);
struct DateParts {
  int year, month, day, hour, minute, second;
};
DateParts splitDate(Date date);

}  // namespace zuvo::rt
