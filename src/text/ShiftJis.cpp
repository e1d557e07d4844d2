#include <algorithm>
#include <cmath>
#include <cstdint>

#include "component/ZuvoCls.h"
#include "platform/Cp932.h"
#include "platform/ShiftJisCursor.h"
#include "runtime/Convert.h"

namespace zuvo {
namespace {

constexpr std::size_t maxCharacters = 32767;

// The text of a Variant argument; a String is used in place so that measuring does not copy.
class TextArgument {
 public:
  explicit TextArgument(const Variant& value) {
    if (value.isNull()) throw RuntimeError(err::InvalidUseOfNull);
    if (const String* text = value.get<String>()) {
      text_ = text;
    } else {
      owned_ = rt::toText(value);
      text_ = &owned_;
    }
  }
  const String& text() const { return *text_; }

 private:
  const String* text_ = nullptr;
  String owned_;
};

// The length of the text is taken as a 16-bit count.
const String& measurable(const TextArgument& argument) {
  const String& text = argument.text();
  if (text.size() > maxCharacters) throw RuntimeError(err::Overflow);
  return text;
}

// A byte position or length given as a Double, as a whole count: a whole p is at least x
// when it is at least ceil(x). Texts hold at most 65,534 bytes, so larger counts are alike.
// NaN compares false every way: as a start it skips nothing, as a length it never ends a cut.
constexpr std::int64_t kMostBytes = 1 << 20;
std::int64_t wholeBytes(double x, std::int64_t ifNaN) {
  if (std::isnan(x)) return ifNaN;
  return std::int64_t(std::ceil(std::min(x, double(kMostBytes))));
}

// Full-width input characters that have a half-width face; 0 when there is none.
char16_t halfWidthOf(char16_t c) {
  if (c >= u'\uFF10' && c <= u'\uFF19') return char16_t(c - 0xFEE0);  // digits
  if (c >= u'\uFF21' && c <= u'\uFF3A') return char16_t(c - 0xFEE0);  // capitals
  if (c >= u'\uFF41' && c <= u'\uFF5A') return char16_t(c - 0xFEE0);  // small letters
  switch (c) {
    case u'\u3000':
      return u' ';
    case u'\uFF0C':
      return u',';
    case u'\uFF1A':
      return u':';
    case u'\uFF0E':
      return u'.';
    case u'\uFF0F':
      return u'/';
    case u'\uFF0D':
    case u'\u30FC':  // the prolonged sound mark is typed for a minus in numbers and codes
      return u'-';
    default:
      return 0;
  }
}

}  // namespace

std::int16_t ZuvoCls::LenByte(const Variant& s) {
  TextArgument argument(s);
  const std::int64_t total = cp932::byteLength(measurable(argument));
  // The result is an Integer: a text of more than 32,767 bytes cannot be answered.
  if (total > INT16_MAX) throw RuntimeError(err::Overflow);
  return std::int16_t(total);
}

String ZuvoCls::MidByte(const Variant& s, const Variant& st, const Variant& l) {
  // The range is looked at first: an empty range answers "" whatever the text is, even Null.
  const double start = rt::toDouble(st);
  const double length = rt::toDouble(l);
  if (start < 1 || length < 1) return {};

  TextArgument argument(s);
  const String& text = measurable(argument);
  return String(cp932::ByteCursor(text).cut(wholeBytes(start, 1), wholeBytes(length, kMostBytes)));
}

String ZuvoCls::Hankaku(const Variant& dt, std::int16_t mode) {
  if (dt.isNull()) throw RuntimeError(err::InvalidUseOfNull);
  String result = rt::trim(rt::toText(dt));
  for (char16_t& c : result) {
    const bool printableAscii = c >= u' ' && c <= u'~';
    const bool halfWidthKatakana = c >= u'\uFF61' && c <= u'\uFF9F';
    if (printableAscii || halfWidthKatakana) continue;
    if (char16_t half = halfWidthOf(c)) c = half;
  }
  if (mode == 1) return rt::lower(result);
  if (mode == 2) return rt::upper(result);
  return result;
}

String ZuvoCls::DltSpc(const String& s) {
  String result;
  result.reserve(s.size());
  for (char16_t c : s)
    if (c != u' ') result.push_back(c);
  return result;
}

}  // namespace zuvo
