#include "platform/Format.h"

#include <algorithm>
#include <charconv>
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
  // The run-time has no infinities or NaNs: a computation that made one has overflowed.
  if (!std::isfinite(v)) throw RuntimeError(err::Overflow);
  Number n;
  if (v == 0) return n;
  n.negative = v < 0;
  const double magnitude = std::fabs(v);
  char buf[40];
  // Most values are whole or have a few decimals: scaled by 10^k they are whole numbers of at
  // most fifteen digits, which are their fifteen significant digits. The product is rounded
  // within a part in 10^16 of the exact one, nearer than any other fifteen-digit decimal.
  static constexpr double kPowers[] = {1, 1e1, 1e2, 1e3, 1e4, 1e5, 1e6};
  for (int k = 0; k < 7; ++k) {
    const double scaled = magnitude * kPowers[k];
    if (scaled >= 1e15) break;
    const auto whole = static_cast<std::int64_t>(scaled);
    if (whole >= 1 && scaled == static_cast<double>(whole)) {
      char* end = std::to_chars(buf, buf + sizeof buf, whole).ptr;
      n.point = int(end - buf) - k;
      n.digits = std::string(buf, end);
      while (n.digits.size() > 1 && n.digits.back() == '0') n.digits.pop_back();
      return n;
    }
  }
  // Fifteen significant digits, as the run-time formats a Double: 2.675 is taken as 2.675.
  char* end =
      std::to_chars(buf, buf + sizeof buf, magnitude, std::chars_format::scientific, 14).ptr;
  char* e = std::find(buf, end, 'e');
  int exponent = 0;
  std::from_chars(e + 1 + (e[1] == '+'), end, exponent);
  n.digits.push_back(buf[0]);
  if (e > buf + 2) n.digits.append(buf + 2, e);  // past "d."
  n.point = exponent + 1;
  while (n.digits.size() > 1 && n.digits.back() == '0') n.digits.pop_back();
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

// A number section read once: its integer and fraction parts and what they demand.
struct NumberSection {
  bool empty = true;  // an empty section stands aside for the first one
  Tokens intPart, fracPart;
  bool dot = false;
  bool grouping = false;         // a comma between digit placeholders groups thousands
  std::size_t placeholders = 0;  // in the integer part
  std::size_t mandatory = 0;     // integer digits always shown: placeholders from the first "0"
  int decimals = 0;
  int shift = 0;       // powers of ten the value is moved by: "%" and commas that divide by 1000
  bool plain = false;  // nothing but "0" and "#" before the point and "0" after it
};

NumberSection readNumberSection(const Tokens& tokens) {
  NumberSection s;
  s.empty = tokens.empty();
  auto dot = std::find_if(tokens.begin(), tokens.end(),
                          [](const Token& t) { return !t.literal && t.c == u'.'; });
  s.dot = dot != tokens.end();
  s.intPart.assign(tokens.begin(), dot);
  s.fracPart.assign(s.dot ? dot + 1 : dot, tokens.end());

  // A comma between digit placeholders groups thousands; one with no placeholder after it
  // (before the point) divides by a thousand.
  std::size_t lastPlaceholder = 0;
  for (std::size_t i = 0; i < s.intPart.size(); ++i)
    if (isPlaceholder(s.intPart[i])) lastPlaceholder = i, ++s.placeholders;
  for (std::size_t i = 0; i < s.intPart.size(); ++i) {
    if (s.intPart[i].literal || s.intPart[i].c != u',') continue;
    if (s.placeholders > 0 && i < lastPlaceholder)
      s.grouping = true;
    else
      s.shift -= 3;
  }
  if (has(tokens, u"%")) s.shift += 2;
  s.decimals = int(std::count_if(s.fracPart.begin(), s.fracPart.end(), isPlaceholder));
  bool seenZero = false;
  for (const Token& t : s.intPart) {
    if (!isPlaceholder(t)) continue;
    seenZero = seenZero || t.c == u'0';
    if (seenZero) ++s.mandatory;
  }
  s.plain = std::all_of(s.intPart.begin(), s.intPart.end(), isPlaceholder) &&
            std::all_of(s.fracPart.begin(), s.fracPart.end(),
                        [](const Token& t) { return !t.literal && t.c == u'0'; });
  return s;
}

void appendAscii(String& out, std::string_view ascii) {
  for (char c : ascii) out.push_back(char16_t(c));
}

void formatNumber(Number n, const NumberSection& s, String& out) {
  n.point += s.shift;
  if (!n.digits.empty()) roundTo(n, s.decimals);

  auto digitAt = [&](int i) {
    return char16_t(i >= 0 && std::size_t(i) < n.digits.size() ? n.digits[std::size_t(i)] : '0');
  };
  if (s.plain) {
    // The digits as they are, the usual pattern of fixed-width numbers: what the general
    // steps below make of it, without their strings.
    const std::size_t whole = std::size_t(std::max(n.point, 0));
    if (whole < s.mandatory) out.append(s.mandatory - whole, u'0');
    for (int i = 0; i < n.point; ++i) out.push_back(digitAt(i));
    if (s.dot) {
      out.push_back(u'.');
      for (int i = n.point; i < n.point + s.decimals; ++i) out.push_back(digitAt(i));
    }
    return;
  }

  std::string intDigits, fracDigits;
  for (int i = 0; i < n.point; ++i)
    intDigits.push_back(std::size_t(i) < n.digits.size() ? n.digits[std::size_t(i)] : '0');
  for (int i = n.point; i < n.point + s.decimals; ++i)
    fracDigits.push_back(i >= 0 && std::size_t(i) < n.digits.size() ? n.digits[std::size_t(i)]
                                                                    : '0');
  if (intDigits.size() < s.mandatory) intDigits.insert(0, s.mandatory - intDigits.size(), '0');
  if (s.grouping)
    for (int i = int(intDigits.size()) - 3; i > 0; i -= 3) intDigits.insert(std::size_t(i), 1, ',');

  const std::size_t digitCount = intDigits.size();
  if (s.placeholders == 0) {
    for (const Token& t : s.intPart)
      if (t.literal || t.c != u',') out += t.text;
    appendAscii(out, intDigits);
  } else if (s.grouping) {
    bool placed = false;
    for (const Token& t : s.intPart) {
      if (isPlaceholder(t) || (!t.literal && t.c == u',')) {
        if (!placed) appendAscii(out, intDigits);
        placed = true;
      } else {
        out += t.text;
      }
    }
  } else {
    // Positional fill from the right: the placeholder r-th from the right takes digit r from
    // the right; the leftmost placeholder takes every digit left over.
    std::size_t rank = s.placeholders;
    for (const Token& t : s.intPart) {
      if (!isPlaceholder(t)) {
        if (t.literal || t.c != u',') out += t.text;
        continue;
      }
      if (rank == s.placeholders) {
        std::size_t over = digitCount > rank - 1 ? digitCount - (rank - 1) : 0;
        appendAscii(out, std::string_view(intDigits).substr(0, over));
      } else if (rank <= digitCount) {
        out.push_back(char16_t(intDigits[digitCount - rank]));
      }
      --rank;
    }
  }

  if (s.dot) {
    // Trailing "#" places show no zeros.
    std::size_t shown = fracDigits.size();
    for (std::size_t i = s.fracPart.size(), k = fracDigits.size(); i-- > 0;) {
      if (!isPlaceholder(s.fracPart[i])) continue;
      if (s.fracPart[i].c != u'#' || fracDigits[k - 1] != '0') break;
      shown = --k;
    }
    out += u'.';
    std::size_t k = 0;
    for (const Token& t : s.fracPart) {
      if (isPlaceholder(t)) {
        if (k < shown) out += char16_t(fracDigits[k]);
        ++k;
      } else if (t.literal || t.c != u',') {
        out += t.text;
      }
    }
  }
}

// Formats by the section that fits the number; true when a "-" was put in front.
bool formatNumber(const Number& n, const std::vector<NumberSection>& sections, String& out) {
  if (n.digits.empty() && sections.size() > 2 && !sections[2].empty) {
    formatNumber(n, sections[2], out);
    return false;
  }
  if (n.negative && sections.size() > 1 && !sections[1].empty) {
    Number magnitude = n;
    magnitude.negative = false;
    formatNumber(magnitude, sections[1], out);
    return false;
  }
  const std::size_t start = out.size();
  formatNumber(n, sections[0], out);
  // The sign goes in front of everything, and only when the rounded value is not zero.
  bool shownDigit = std::any_of(out.begin() + std::ptrdiff_t(start), out.end(),
                                [](char16_t c) { return c >= u'1' && c <= u'9'; });
  if (!n.negative || !shownDigit) return false;
  out.insert(start, 1, u'-');
  return true;
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

struct FormatPattern::Compiled {
  enum class Kind { Standard, Text, Date, Number };
  Kind kind = Kind::Standard;
  Tokens first;                        // the section that text and date patterns use
  std::vector<NumberSection> numbers;  // every section, for number patterns
};

FormatPattern::FormatPattern(const String& pattern) : compiled_(std::make_unique<Compiled>()) {
  Compiled& c = *compiled_;
  if (pattern.empty()) return;
  auto sections = tokenize(pattern);
  c.first = sections[0];
  if (has(c.first, u"@&")) {
    c.kind = Compiled::Kind::Text;
  } else if (!has(c.first, u"0#") && has(c.first, u"yYmMdDhHnNsS")) {
    c.kind = Compiled::Kind::Date;
  } else {
    c.kind = Compiled::Kind::Number;
    for (const Tokens& section : sections) c.numbers.push_back(readNumberSection(section));
  }
}

FormatPattern::FormatPattern(FormatPattern&&) noexcept = default;
FormatPattern& FormatPattern::operator=(FormatPattern&&) noexcept = default;
FormatPattern::~FormatPattern() = default;

FormatPattern::Formatted FormatPattern::appendTo(String& out, const Variant& value) const {
  const Compiled& c = *compiled_;
  if (value.isNull()) return Formatted::AsIs;
  switch (c.kind) {
    case Compiled::Kind::Standard:
      out += rt::toText(value);
      return Formatted::AsIs;
    case Compiled::Kind::Text:
      out += formatText(rt::toText(value), c.first);
      return Formatted::AsIs;
    case Compiled::Kind::Date:
      if (auto date = dateOf(value))
        out += formatDate(*date, c.first);
      else
        out += rt::toText(value);
      return Formatted::AsIs;
    case Compiled::Kind::Number:
      break;
  }
  auto number = numberOf(value);
  // A text that is not a number is returned as it is.
  if (!number) {
    out += rt::toText(value);
    return Formatted::AsIs;
  }
  return formatNumber(*number, c.numbers, out) ? Formatted::Negative : Formatted::Number;
}

String FormatPattern::operator()(const Variant& value) const {
  String out;
  appendTo(out, value);
  return out;
}

String format(const Variant& value, const String& pattern) {
  return FormatPattern(pattern)(value);
}

}  // namespace zuvo
