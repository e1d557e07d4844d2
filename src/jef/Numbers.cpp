#include "jef/Numbers.h"

#include <charconv>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "runtime/Convert.h"
#include "runtime/RuntimeError.h"

namespace zuvo::jef {

namespace {

void stripLeadingZeros(std::string& s) {
  std::size_t i = s.find_first_not_of('0');
  s.erase(0, i == std::string::npos ? s.size() : i);
}

void stripTrailingZeros(std::string& s) {
  std::size_t i = s.find_last_not_of('0');
  s.erase(i == std::string::npos ? 0 : i + 1);
}

DecimalDigits digitsOfInteger(std::int64_t value) {
  DecimalDigits d;
  d.negative = value < 0;
  std::uint64_t magnitude = d.negative ? 0 - static_cast<std::uint64_t>(value) : value;
  if (magnitude != 0) d.whole = std::to_string(magnitude);
  return d;
}

// Splits significant digits whose first digit stands at 10^exponent.
DecimalDigits fromScientific(bool negative, std::string digits, int exponent) {
  DecimalDigits d;
  d.negative = negative;
  if (exponent >= 0) {
    if (digits.size() <= static_cast<std::size_t>(exponent) + 1) {
      digits.append(exponent + 1 - digits.size(), '0');
      d.whole = digits;
    } else {
      d.whole = digits.substr(0, exponent + 1);
      d.fraction = digits.substr(exponent + 1);
    }
  } else {
    d.fraction = std::string(-exponent - 1, '0') + digits;
  }
  stripLeadingZeros(d.whole);
  stripTrailingZeros(d.fraction);
  return d;
}

}  // namespace

bool DecimalDigits::isZero() const {
  return whole.empty() && fraction.find_first_not_of('0') == std::string::npos;
}

void DecimalDigits::roundTo(int places) {
  if (places < 0) places = 0;
  if (fraction.size() <= static_cast<std::size_t>(places)) return;
  bool up = fraction[places] >= '5';
  fraction.resize(places);
  if (!up) return;
  std::string all = whole + fraction;
  int i = static_cast<int>(all.size()) - 1;
  for (; i >= 0 && all[i] == '9'; --i) all[i] = '0';
  if (i >= 0)
    ++all[i];
  else
    all.insert(all.begin(), '1');
  whole = all.substr(0, all.size() - places);
  fraction = all.substr(all.size() - places);
  stripLeadingZeros(whole);
}

std::string DecimalDigits::plainText() const {
  std::string f = fraction;
  stripTrailingZeros(f);
  std::string text = whole.empty() ? "0" : whole;
  if (!f.empty()) text += "." + f;
  return text;
}

template <typename Char>
bool scanPlainText(std::basic_string_view<Char> text, PlainParts& out) {
  std::size_t i = 0, n = text.size();
  while (i < n && text[i] == Char(' ')) ++i;
  while (n > i && text[n - 1] == Char(' ')) --n;
  out.negative = i < n && text[i] == Char('-');
  if (i < n && (text[i] == Char('-') || text[i] == Char('+'))) ++i;
  auto digitsFrom = [&](std::size_t from) {
    std::size_t to = from;
    while (to < n && text[to] >= Char('0') && text[to] <= Char('9')) ++to;
    return to;
  };
  std::size_t wholeEnd = digitsFrom(i), fractionEnd = wholeEnd;
  if (wholeEnd < n && text[wholeEnd] == Char('.')) fractionEnd = digitsFrom(wholeEnd + 1);
  if (fractionEnd != n || (wholeEnd == i && fractionEnd <= wholeEnd + 1)) return false;
  while (i < wholeEnd && text[i] == Char('0')) ++i;  // no leading zeros
  out.whole = i;
  out.wholeEnd = wholeEnd;
  out.fraction = fractionEnd > wholeEnd ? wholeEnd + 1 : wholeEnd;
  out.fractionEnd = fractionEnd;
  return true;
}

template <typename Char>
bool parsePlainText(std::basic_string_view<Char> text, DecimalDigits& out) {
  PlainParts parts;
  const bool plain = scanPlainText(text, parts);
  out.negative = parts.negative;  // set also when the text is not plain, as it always was
  if (!plain) return false;
  out.whole.assign(text.begin() + parts.whole, text.begin() + parts.wholeEnd);
  out.fraction.assign(text.begin() + parts.fraction, text.begin() + parts.fractionEnd);
  return true;
}

bool scanPlain(std::string_view text, PlainParts& out) {
  return scanPlainText(text, out);
}

bool parsePlain(std::u16string_view text, DecimalDigits& out) {
  return parsePlainText(text, out);
}

bool parsePlain(std::string_view text, DecimalDigits& out) {
  return parsePlainText(text, out);
}

DecimalDigits digitsOfDouble(double value) {
  if (!std::isfinite(value)) throw RuntimeError(err::Overflow);
  if (value == 0) return DecimalDigits{};
  char buf[40];
  std::snprintf(buf, sizeof buf, "%.14e", std::fabs(value));
  std::string s(buf);
  std::size_t e = s.find('e');
  std::string digits = s.substr(0, 1) + s.substr(2, e - 2);
  return fromScientific(value < 0, digits, std::atoi(s.c_str() + e + 1));
}

DecimalDigits digitsOf(const Variant& value) {
  switch (value.type()) {
    case VarType::Empty:
      return DecimalDigits{};
    case VarType::Integer:
      return digitsOfInteger(*value.get<std::int16_t>());
    case VarType::Long:
      return digitsOfInteger(*value.get<std::int32_t>());
    case VarType::Byte:
      return digitsOfInteger(*value.get<std::uint8_t>());
    case VarType::Boolean:
      return digitsOfInteger(*value.get<bool>() ? -1 : 0);
    case VarType::Currency: {
      std::int64_t scaled = value.get<Currency>()->scaled;
      DecimalDigits d = digitsOfInteger(scaled / 10000);
      d.negative = scaled < 0;
      std::int64_t rest = scaled % 10000;
      char buf[8];
      std::snprintf(buf, sizeof buf, "%04lld", static_cast<long long>(rest < 0 ? -rest : rest));
      d.fraction = buf;
      stripTrailingZeros(d.fraction);
      return d;
    }
    case VarType::Decimal: {
      DecimalDigits d;
      std::string text = value.get<Decimal>()->toString();
      parsePlain(String(text.begin(), text.end()), d);
      return d;
    }
    case VarType::String:
      return strictDigits(*value.get<String>());
    case VarType::Single: {
      // A Single carries 7 significant digits.
      char buf[40];
      float f = *value.get<float>();
      if (f == 0) return DecimalDigits{};
      std::snprintf(buf, sizeof buf, "%.6e", std::fabs(static_cast<double>(f)));
      std::string s(buf);
      std::size_t e = s.find('e');
      return fromScientific(f < 0, s.substr(0, 1) + s.substr(2, e - 2),
                            std::atoi(s.c_str() + e + 1));
    }
    default:
      return digitsOfDouble(rt::toDouble(value));
  }
}

DecimalDigits strictDigits(const String& text) {
  DecimalDigits d;
  if (parsePlain(text, d)) return d;
  return digitsOfDouble(rt::toDouble(Variant(text)));
}

DecimalDigits leadingDigits(const String& text) {
  DecimalDigits d;
  if (parsePlain(text, d)) return d;
  return digitsOfDouble(rt::val(text));
}

namespace {

// The general number form written to `text` (String or ASCII), false where the digits are
// beyond what prints exactly and the double form is needed.
template <typename Text>
bool writeGeneral(Text& text, bool negative, std::string_view digits, int scale) {
  std::size_t first = digits.find_first_not_of('0');
  if (first == std::string_view::npos) {
    text.push_back('0');
    return true;
  }
  std::string_view sig = digits.substr(first);
  int exponent = static_cast<int>(sig.size()) - 1 - scale;
  std::size_t last = sig.find_last_not_of('0');
  std::string_view kept = sig.substr(0, last + 1);
  if (kept.size() > 15 || exponent > 14 || exponent < -4) return false;
  if (negative) text.push_back('-');
  if (exponent >= 0) {
    for (int i = 0; i <= exponent; ++i)
      text.push_back(i < static_cast<int>(kept.size()) ? kept[i] : '0');
    if (kept.size() > static_cast<std::size_t>(exponent) + 1) {
      text.push_back('.');
      for (std::size_t i = exponent + 1; i < kept.size(); ++i) text.push_back(kept[i]);
    }
  } else {
    text.push_back('.');
    text.append(-exponent - 1, '0');
    for (char c : kept) text.push_back(c);
  }
  return true;
}

}  // namespace

String generalNumber(bool negative, std::string_view digits, int scale) {
  String text;
  if (writeGeneral(text, negative, digits, scale)) return text;
  // Beyond what prints exactly: the run-time's own double form.
  std::string_view sig = digits.substr(digits.find_first_not_of('0'));
  double x = std::strtod(std::string(sig).c_str(), nullptr);
  if (!std::isfinite(x)) throw RuntimeError(err::Overflow);
  x = scale >= 0 ? x / std::pow(10.0, scale) : x * std::pow(10.0, -scale);
  return rt::numberText(negative ? -x : x);
}

namespace {

// Text of a bounded length written in place: at most a sign, 15 digits, a point and 4 zeros.
struct AsciiSink {
  char* p;
  void push_back(char c) { *p++ = c; }
  void append(std::size_t n, char c) {
    std::memset(p, c, n);
    p += n;
  }
};

}  // namespace

char* writeGeneralNumber(char* out, bool negative, std::string_view digits, int scale) {
  AsciiSink sink{out};
  return writeGeneral(sink, negative, digits, scale) ? sink.p : nullptr;
}

}  // namespace zuvo::jef
