#include "platform/Format.h"

#include <algorithm>
#include <cmath>
#include <optional>
#include <string>
#include <vector>

#include "runtime/Convert.h"
#include "runtime/NumberText.h"
#include "runtime/RuntimeError.h"

namespace zuvo {

namespace {

// One piece of a pattern: a character with a meaning of its own, or literal text.
struct Token {
  bool literal = false;
  char16_t c = 0;
  String text;
};

using Tokens = std::vector<Token>;

// Splits a pattern into its sections (positive;negative;zero) and each into tokens; quoted
// text and characters after a backslash are literals.
std::vector<Tokens> tokenize(const String& pattern) {
  std::vector<Tokens> sections(1);
  for (std::size_t i = 0; i < pattern.size(); ++i) {
    char16_t c = pattern[i];
    if (c == u'"') {
      auto end = pattern.find(u'"', i + 1);
      if (end == String::npos) end = pattern.size();
      sections.back().push_back({true, 0, pattern.substr(i + 1, end - i - 1)});
      i = end;
    } else if (c == u'\\' && i + 1 < pattern.size()) {
      sections.back().push_back({true, 0, String(1, pattern[++i])});
    } else if (c == u';') {
      sections.emplace_back();
    } else {
      sections.back().push_back({false, c, String(1, c)});
    }
  }
  return sections;
}

bool has(const Tokens& tokens, std::u16string_view chars) {
  return std::any_of(tokens.begin(), tokens.end(), [&](const Token& t) {
    return !t.literal && chars.find(t.c) != std::u16string_view::npos;
  });
}

bool isPlaceholder(const Token& t) {
  return !t.literal && (t.c == u'0' || t.c == u'#');
}

// --- Numbers ---

// An exact decimal number as digits: value = 0.digits × 10^point.
struct Number {
  bool negative = false;
  std::string digits;  // no leading zeros; empty for zero
  int point = 0;
};

Number fromPlain(const std::string& plain) {
  Number n;
  std::size_t i = 0;
  if (i < plain.size() && plain[i] == '-') n.negative = true, ++i;
  int point = -1, exponent = 0;
  for (; i < plain.size(); ++i) {
    char c = plain[i];
    if (c == '.') {
      point = int(n.digits.size());
    } else if (c == 'E' || c == 'e') {
      exponent = std::stoi(plain.substr(i + 1));
      break;
    } else {
      n.digits.push_back(c);
    }
  }
  if (point < 0) point = int(n.digits.size());
  n.point = point + exponent;
  std::size_t lead = n.digits.find_first_not_of('0');
  if (lead == std::string::npos) return Number{};
  n.digits.erase(0, lead);
  n.point -= int(lead);
  while (!n.digits.empty() && n.digits.back() == '0') n.digits.pop_back();
  return n;
}

Number fromDouble(double v) {
  // Fifteen significant digits, as the run-time formats a Double: 2.675 is taken as 2.675.
  auto d = rt::detail::significantDigits(v, 15);
  Number n;
  if (d.digits == "0") return n;
  n.negative = d.negative;
  n.digits = d.digits;
  n.point = d.exponent + 1;
  return n;
}

std::optional<Number> numberOf(const Variant& value) {
  switch (value.type()) {
    case VarType::String: {
      auto plain = rt::detail::strictNumber(*value.get<String>());
      if (!plain) return std::nullopt;
      return fromDouble(rt::detail::parseDouble(*plain));
    }
    case VarType::Decimal:
    case VarType::Currency:
      return fromPlain(rt::toDecimal(value).toString());
    case VarType::Single:
      return fromPlain(rt::detail::narrow(rt::toText(value)));
    default:
      return fromDouble(rt::toDouble(value));
  }
}

// Rounds to `decimals` places, halves away from zero.
void roundTo(Number& n, int decimals) {
  int keep = n.point + decimals;
  if (keep >= int(n.digits.size())) return;
  if (keep < 0) {
    n.digits.clear();
    return;
  }
  bool up = n.digits[std::size_t(keep)] >= '5';
  n.digits.resize(std::size_t(keep));
  if (up) {
    int i = keep - 1;
    while (i >= 0 && n.digits[std::size_t(i)] == '9') n.digits[std::size_t(i--)] = '0';
    if (i >= 0) {
      ++n.digits[std::size_t(i)];
    } else {
      n.digits.insert(0, 1, '1');
      ++n.point;
    }
  }
  while (!n.digits.empty() && n.digits.back() == '0') n.digits.pop_back();
}

String formatNumber(Number n, const Tokens& tokens) {
  auto dot = std::find_if(tokens.begin(), tokens.end(),
                          [](const Token& t) { return !t.literal && t.c == u'.'; });
  Tokens intPart(tokens.begin(), dot);
  Tokens fracPart(dot == tokens.end() ? dot : dot + 1, tokens.end());

  // A comma between digit placeholders groups thousands; one with no placeholder after it
  // (before the point) divides by a thousand.
  bool grouping = false;
  std::size_t lastPlaceholder = 0, placeholders = 0;
  for (std::size_t i = 0; i < intPart.size(); ++i)
    if (isPlaceholder(intPart[i])) lastPlaceholder = i, ++placeholders;
  for (std::size_t i = 0; i < intPart.size(); ++i) {
    if (intPart[i].literal || intPart[i].c != u',') continue;
    if (placeholders > 0 && i < lastPlaceholder)
      grouping = true;
    else
      n.point -= 3;
  }
  if (has(tokens, u"%")) n.point += 2;
  int decimals = int(std::count_if(fracPart.begin(), fracPart.end(), isPlaceholder));
  if (!n.digits.empty()) roundTo(n, decimals);

  std::string intDigits, fracDigits;
  for (int i = 0; i < n.point; ++i)
    intDigits.push_back(std::size_t(i) < n.digits.size() ? n.digits[std::size_t(i)] : '0');
  for (int i = n.point; i < n.point + decimals; ++i)
    fracDigits.push_back(i >= 0 && std::size_t(i) < n.digits.size() ? n.digits[std::size_t(i)]
                                                                    : '0');

  // Digits the pattern demands: every placeholder from the leftmost "0" on.
  std::size_t mandatory = 0;
  bool seenZero = false;
  for (const Token& t : intPart) {
    if (!isPlaceholder(t)) continue;
    seenZero = seenZero || t.c == u'0';
    if (seenZero) ++mandatory;
  }
  if (intDigits.size() < mandatory) intDigits.insert(0, mandatory - intDigits.size(), '0');
  if (grouping)
    for (int i = int(intDigits.size()) - 3; i > 0; i -= 3) intDigits.insert(std::size_t(i), 1, ',');

  String out;
  if (placeholders == 0) {
    for (const Token& t : intPart)
      if (t.literal || t.c != u',') out += t.text;
    out += rt::detail::widen(intDigits);
  } else if (grouping) {
    bool placed = false;
    for (const Token& t : intPart) {
      if (isPlaceholder(t) || (!t.literal && t.c == u',')) {
        if (!placed) out += rt::detail::widen(intDigits);
        placed = true;
      } else {
        out += t.text;
      }
    }
  } else {
    // Positional fill from the right; the leftmost placeholder takes every digit left over.
    std::vector<String> pieces(intPart.size());
    std::size_t remaining = intDigits.size(), seen = 0;
    for (std::size_t i = intPart.size(); i-- > 0;) {
      const Token& t = intPart[i];
      if (!isPlaceholder(t)) {
        if (t.literal || t.c != u',') pieces[i] = t.text;
        continue;
      }
      ++seen;
      std::size_t take = seen == placeholders ? remaining : std::min<std::size_t>(1, remaining);
      pieces[i] = rt::detail::widen(intDigits.substr(remaining - take, take));
      remaining -= take;
    }
    for (auto& p : pieces) out += p;
  }

  if (dot != tokens.end()) {
    // Trailing "#" places show no zeros.
    std::size_t shown = fracDigits.size();
    for (std::size_t i = fracPart.size(), k = fracDigits.size(); i-- > 0;) {
      if (!isPlaceholder(fracPart[i])) continue;
      if (fracPart[i].c != u'#' || fracDigits[k - 1] != '0') break;
      shown = --k;
    }
    out += u'.';
    std::size_t k = 0;
    for (const Token& t : fracPart) {
      if (isPlaceholder(t)) {
        if (k < shown) out += char16_t(fracDigits[k]);
        ++k;
      } else if (t.literal || t.c != u',') {
        out += t.text;
      }
    }
  }
  return out;
}

String formatNumber(const Number& n, const std::vector<Tokens>& sections) {
  if (n.digits.empty() && sections.size() > 2 && !sections[2].empty())
    return formatNumber(n, sections[2]);
  if (n.negative && sections.size() > 1 && !sections[1].empty()) {
    Number magnitude = n;
    magnitude.negative = false;
    return formatNumber(magnitude, sections[1]);
  }
  String out = formatNumber(n, sections[0]);
  // The sign goes in front of everything, and only when the rounded value is not zero.
  bool shownDigit =
      std::any_of(out.begin(), out.end(), [](char16_t c) { return c >= u'1' && c <= u'9'; });
  if (n.negative && shownDigit) out.insert(0, 1, u'-');
  return out;
}

// --- Text ---

bool isTextPlaceholder(const Token& t) {
  return !t.literal && (t.c == u'@' || t.c == u'&');
}

// Characters go into the placeholders from the right ("!": from the left); the placeholder at
// the far end takes whatever has no place of its own, so no character is lost.
String formatText(const String& text, const Tokens& tokens) {
  bool leftToRight = has(tokens, u"!");
  String value = has(tokens, u"<") ? rt::lower(text) : has(tokens, u">") ? rt::upper(text) : text;
  std::size_t placeholders =
      std::size_t(std::count_if(tokens.begin(), tokens.end(), isTextPlaceholder));
  std::vector<String> pieces(tokens.size());
  std::size_t seen = 0;
  for (std::size_t k = 0; k < tokens.size(); ++k) {
    std::size_t i = leftToRight ? k : tokens.size() - 1 - k;
    const Token& t = tokens[i];
    if (!isTextPlaceholder(t)) {
      if (t.literal || std::u16string_view(u"!<>").find(t.c) == std::u16string_view::npos)
        pieces[i] = t.text;
      continue;
    }
    bool last = ++seen == placeholders;
    if (seen <= value.size()) {
      std::size_t at = leftToRight ? seen - 1 : value.size() - seen;
      if (!last)
        pieces[i] = String(1, value[at]);
      else
        pieces[i] = leftToRight ? value.substr(at) : value.substr(0, at + 1);
    } else if (t.c == u'@') {
      pieces[i] = u" ";
    }
  }
  String out;
  for (auto& p : pieces) out += p;
  return out;
}

// --- Dates ---

String padded(int v, std::size_t width) {
  String s = rt::detail::widen(std::to_string(v));
  if (s.size() < width) s.insert(0, width - s.size(), u'0');
  return s;
}

String formatDate(Date date, const Tokens& tokens) {
  static constexpr const char16_t* kMonths[] = {
      u"January", u"February", u"March",     u"April",   u"May",      u"June",
      u"July",    u"August",   u"September", u"October", u"November", u"December"};
  static constexpr const char16_t* kDays[] = {u"Sunday",   u"Monday", u"Tuesday", u"Wednesday",
                                              u"Thursday", u"Friday", u"Saturday"};
  rt::DateParts p = rt::splitDate(date);
  // Weekday of the serial: 1899-12-30 was a Saturday.
  long day = long(date.serial < 0 ? -std::ceil(-date.serial) : std::floor(date.serial));
  int weekday = int(((day + 6) % 7 + 7) % 7);
  String out;
  bool afterHour = false;
  for (std::size_t i = 0; i < tokens.size();) {
    const Token& t = tokens[i];
    char16_t c = t.literal ? 0 : char16_t(t.c | 0x20);
    if (t.literal || std::u16string_view(u"ymdhns").find(c) == std::u16string_view::npos) {
      out += t.text;
      ++i;
      continue;
    }
    std::size_t run = 0;
    while (i + run < tokens.size() && !tokens[i + run].literal &&
           char16_t(tokens[i + run].c | 0x20) == c)
      ++run;
    i += run;
    std::size_t width = std::min<std::size_t>(run, 2);
    switch (c) {
      case u'y':
        out += run >= 3 ? padded(p.year, 4) : padded(p.year % 100, 2);
        break;
      case u'm':
        if (afterHour && run <= 2) {
          out += padded(p.minute, width);
        } else if (run >= 4) {
          out += kMonths[p.month - 1];
        } else if (run == 3) {
          out += String(kMonths[p.month - 1]).substr(0, 3);
        } else {
          out += padded(p.month, width);
        }
        break;
      case u'd':
        if (run >= 4)
          out += kDays[weekday];
        else if (run == 3)
          out += String(kDays[weekday]).substr(0, 3);
        else
          out += padded(p.day, width);
        break;
      case u'h':
        out += padded(p.hour, width);
        break;
      case u'n':
        out += padded(p.minute, width);
        break;
      case u's':
        out += padded(p.second, width);
        break;
    }
    afterHour = c == u'h';
  }
  return out;
}

std::optional<Date> dateOf(const Variant& value) {
  try {
    return rt::toDate(value);
  } catch (const RuntimeError&) {
    return std::nullopt;
  }
}

}  // namespace

String format(const Variant& value, const String& pattern) {
  if (value.isNull()) return String();
  if (pattern.empty()) return rt::toText(value);
  auto sections = tokenize(pattern);
  const Tokens& first = sections[0];
  if (has(first, u"@&")) return formatText(rt::toText(value), first);
  if (!has(first, u"0#") && has(first, u"yYmMdDhHnNsS")) {
    auto date = dateOf(value);
    return date ? formatDate(*date, first) : rt::toText(value);
  }
  auto number = numberOf(value);
  // A text that is not a number is returned as it is.
  return number ? formatNumber(*number, sections) : rt::toText(value);
}

}  // namespace zuvo
