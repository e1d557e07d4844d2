#include "runtime/Convert.h"

#include <unicode/uchar.h>

#include <algorithm>
#include <cmath>
#include <optional>

#include "runtime/NumberText.h"
#include "runtime/RuntimeError.h"

namespace zuvo::rt {

namespace {

[[noreturn]] void fail(std::int32_t number) {
  throw RuntimeError(number);
}

// --- Calendar: days relative to 1899-12-30 in the proleptic Gregorian calendar ---

std::int64_t daysFromCivil(std::int64_t y, int m, int d) {
  y -= m <= 2;
  std::int64_t era = (y >= 0 ? y : y - 399) / 400;
  std::int64_t yoe = y - era * 400;
  std::int64_t doy = (153 * (m + (m > 2 ? -3 : 9)) + 2) / 5 + d - 1;
  std::int64_t doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
  return era * 146097 + doe - 719468 + 25569;  // 25569: days from 1899-12-30 to 1970-01-01
}

void civilFromDays(std::int64_t z, int& y, int& m, int& d) {
  z += 719468 - 25569;
  std::int64_t era = (z >= 0 ? z : z - 146096) / 146097;
  std::int64_t doe = z - era * 146097;
  std::int64_t yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
  std::int64_t doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
  std::int64_t mp = (5 * doy + 2) / 153;
  d = int(doy - (153 * mp + 2) / 5 + 1);
  m = int(mp < 10 ? mp + 3 : mp - 9);
  y = int(yoe + era * 400 + (m <= 2));
}

// The run-time's date range: 100-01-01 to 9999-12-31.
constexpr double kFirstSerial = -657434, kLastSerial = 2958466;

bool inDateRange(double serial) {
  return serial > kFirstSerial - 1 && serial < kLastSerial;
}

int daysInMonth(int y, int m) {
  static constexpr int kDays[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
  bool leap = (y % 4 == 0 && y % 100 != 0) || y % 400 == 0;
  return m == 2 && leap ? 29 : kDays[m - 1];
}

// Reads up to `maxDigits` digits at `i`; -1 when there is none.
int readNumber(const String& t, std::size_t& i, std::size_t maxDigits) {
  int v = 0;
  std::size_t start = i;
  while (i < t.size() && i - start < maxDigits && t[i] >= u'0' && t[i] <= u'9')
    v = v * 10 + (t[i++] - u'0');
  return i == start ? -1 : v;
}

// "hh:nn[:ss]" at `i`, up to the end of the text.
bool readTime(const String& t, std::size_t i, int& h, int& n, int& s) {
  h = readNumber(t, i, 2);
  if (h < 0 || i >= t.size() || t[i] != u':') return false;
  ++i;
  n = readNumber(t, i, 2);
  if (n < 0) return false;
  s = 0;
  if (i < t.size() && t[i] == u':') {
    ++i;
    s = readNumber(t, i, 2);
    if (s < 0) return false;
  }
  return i == t.size() && h < 24 && n < 60 && s < 60;
}

// A date text "yyyy/mm/dd", "yyyy-mm-dd" or "yyyy.mm.dd" with an optional time, or a time alone.
std::optional<Date> readDate(const String& text) {
  String t = trim(text);
  int h = 0, n = 0, s = 0;
  if (readTime(t, 0, h, n, s)) return makeDate(1899, 12, 30, h, n, s);
  h = n = s = 0;
  std::size_t i = 0;
  int y = readNumber(t, i, 4);
  if (y < 0 || i >= t.size()) return std::nullopt;
  char16_t sep = t[i];
  if (sep != u'/' && sep != u'-' && sep != u'.') return std::nullopt;
  ++i;
  int m = readNumber(t, i, 2);
  if (m < 0 || i >= t.size() || t[i] != sep) return std::nullopt;
  ++i;
  int d = readNumber(t, i, 2);
  if (d < 0 || y < 100 || m < 1 || m > 12 || d < 1 || d > daysInMonth(y, m)) return std::nullopt;
  if (i < t.size()) {
    if (t[i] != u' ') return std::nullopt;
    while (i < t.size() && t[i] == u' ') ++i;
    if (!readTime(t, i, h, n, s)) return std::nullopt;
  }
  return makeDate(y, m, d, h, n, s);
}

String twoDigits(int v) {
  return String{char16_t(u'0' + v / 10 % 10), char16_t(u'0' + v % 10)};
}

String dateText(Date date) {
  DateParts p = splitDate(date);
  String time = twoDigits(p.hour) + u":" + twoDigits(p.minute) + u":" + twoDigits(p.second);
  if (std::trunc(date.serial) == 0) return time;
  String day = detail::widen(std::to_string(p.year));
  day.insert(0, day.size() < 4 ? 4 - day.size() : 0, u'0');
  day += u"/" + twoDigits(p.month) + u"/" + twoDigits(p.day);
  if (p.hour == 0 && p.minute == 0 && p.second == 0) return day;
  return day + u" " + time;
}

String currencyText(Currency c) {
  Decimal d = Decimal(c.scaled) / Decimal(10000);
  return detail::widen(d.toString());
}

// The strict number reading of a text; 13 when it is not a number.
std::string strictOrFail(const String& text) {
  auto plain = detail::strictNumber(text);
  if (!plain) fail(err::TypeMismatch);
  return *plain;
}

}  // namespace

// --- Encodings ---

std::string toUtf8(const String& text) {
  std::string out;
  out.reserve(text.size());
  for (std::size_t i = 0; i < text.size(); ++i) {
    char32_t c = text[i];
    if (c >= 0xD800 && c <= 0xDBFF && i + 1 < text.size() && text[i + 1] >= 0xDC00 &&
        text[i + 1] <= 0xDFFF) {
      c = 0x10000 + ((c - 0xD800) << 10) + (text[++i] - 0xDC00);
    } else if (c >= 0xD800 && c <= 0xDFFF) {
      c = 0xFFFD;  // a lone surrogate has no UTF-8 form
    }
    if (c < 0x80) {
      out.push_back(char(c));
    } else if (c < 0x800) {
      out.push_back(char(0xC0 | (c >> 6)));
      out.push_back(char(0x80 | (c & 0x3F)));
    } else if (c < 0x10000) {
      out.push_back(char(0xE0 | (c >> 12)));
      out.push_back(char(0x80 | ((c >> 6) & 0x3F)));
      out.push_back(char(0x80 | (c & 0x3F)));
    } else {
      out.push_back(char(0xF0 | (c >> 18)));
      out.push_back(char(0x80 | ((c >> 12) & 0x3F)));
      out.push_back(char(0x80 | ((c >> 6) & 0x3F)));
      out.push_back(char(0x80 | (c & 0x3F)));
    }
  }
  return out;
}

String fromUtf8(std::string_view text) {
  String out;
  out.reserve(text.size());
  std::size_t i = 0, n = text.size();
  auto cont = [&](std::size_t k) { return k < n && (std::uint8_t(text[k]) & 0xC0) == 0x80; };
  while (i < n) {
    std::uint8_t b = std::uint8_t(text[i]);
    char32_t c;
    std::size_t len;
    char32_t min;
    if (b < 0x80) {
      out.push_back(b);
      ++i;
      continue;
    } else if (b >= 0xC2 && b <= 0xDF) {
      c = b & 0x1F, len = 2, min = 0x80;
    } else if (b >= 0xE0 && b <= 0xEF) {
      c = b & 0x0F, len = 3, min = 0x800;
    } else if (b >= 0xF0 && b <= 0xF4) {
      c = b & 0x07, len = 4, min = 0x10000;
    } else {
      out.push_back(u'\uFFFD');
      ++i;
      continue;
    }
    std::size_t k = 1;
    for (; k < len && cont(i + k); ++k) c = (c << 6) | (std::uint8_t(text[i + k]) & 0x3F);
    if (k < len || c < min || c > 0x10FFFF || (c >= 0xD800 && c <= 0xDFFF)) {
      // One replacement for the malformed sequence; reading resumes after what was consumed.
      out.push_back(u'\uFFFD');
      i += k;
      continue;
    }
    i += len;
    if (c >= 0x10000) {
      out.push_back(char16_t(0xD800 + ((c - 0x10000) >> 10)));
      out.push_back(char16_t(0xDC00 + ((c - 0x10000) & 0x3FF)));
    } else {
      out.push_back(char16_t(c));
    }
  }
  return out;
}

// --- Strict conversions ---

double toDouble(const Variant& v) {
  switch (v.type()) {
    case VarType::Empty:
      return 0;
    case VarType::Null:
      fail(err::InvalidUseOfNull);
    case VarType::Integer:
      return *v.get<std::int16_t>();
    case VarType::Long:
      return *v.get<std::int32_t>();
    case VarType::Single:
      return *v.get<float>();
    case VarType::Double:
      return *v.get<double>();
    case VarType::Currency:
      return double(v.get<Currency>()->scaled) / 10000.0;
    case VarType::Date:
      return v.get<Date>()->serial;
    case VarType::String:
      return detail::parseDouble(strictOrFail(*v.get<String>()));
    case VarType::Boolean:
      return *v.get<bool>() ? -1 : 0;
    case VarType::Decimal:
      return v.get<Decimal>()->toDouble();
    case VarType::Byte:
      return *v.get<std::uint8_t>();
    default:
      fail(err::TypeMismatch);
  }
}

Decimal toDecimal(const Variant& v) {
  switch (v.type()) {
    case VarType::Decimal:
      return *v.get<Decimal>();
    case VarType::Currency:
      return Decimal(v.get<Currency>()->scaled) / Decimal(10000);
    case VarType::Single: {
      // A Single holds 7 significant digits; 0.1f becomes 0.1, not 0.100000001490116.
      auto d = detail::significantDigits(*v.get<float>(), 7);
      std::string text = (d.negative ? "-" : "") + d.digits + "E" +
                         std::to_string(d.exponent - int(d.digits.size()) + 1);
      return Decimal::parse(text);
    }
    case VarType::String:
      return Decimal::parse(strictOrFail(*v.get<String>()));
    case VarType::Integer:
    case VarType::Long:
    case VarType::Boolean:
    case VarType::Byte:
    case VarType::Empty:
      return Decimal(std::int64_t(toDouble(v)));
    default:
      return Decimal::fromDouble(toDouble(v));
  }
}

std::int32_t toLong(const Variant& v) {
  switch (v.type()) {
    case VarType::Integer:
      return *v.get<std::int16_t>();
    case VarType::Long:
      return *v.get<std::int32_t>();
    case VarType::Decimal:
    case VarType::Currency:
      // Rounded exactly: a Double could turn 2.5000000000000000001 into a tie.
      return roundToLong(toDecimal(v).roundHalfEven().toDouble());
    default:
      return roundToLong(toDouble(v));
  }
}

std::int16_t toInteger(const Variant& v) {
  std::int32_t l = toLong(v);
  if (l < -32768 || l > 32767) fail(err::Overflow);
  return std::int16_t(l);
}

bool toBoolean(const Variant& v) {
  if (const String* s = v.get<String>()) {
    String t = lower(trim(*s));
    if (t == u"true") return true;
    if (t == u"false") return false;
  }
  if (const bool* b = v.get<bool>()) return *b;
  return toDouble(v) != 0;
}

Date toDate(const Variant& v) {
  if (const Date* d = v.get<Date>()) return *d;
  if (const String* s = v.get<String>()) {
    if (auto d = readDate(*s)) return *d;
    fail(err::TypeMismatch);
  }
  double serial = toDouble(v);
  if (!inDateRange(serial)) fail(err::Overflow);
  return Date{serial};
}

String toText(const Variant& v) {
  switch (v.type()) {
    case VarType::Empty:
      return String();
    case VarType::Null:
      fail(err::InvalidUseOfNull);
    case VarType::String:
      return *v.get<String>();
    case VarType::Boolean:
      return *v.get<bool>() ? u"True" : u"False";
    case VarType::Date:
      return dateText(*v.get<Date>());
    case VarType::Decimal:
      return detail::widen(v.get<Decimal>()->toString());
    case VarType::Currency:
      return currencyText(*v.get<Currency>());
    case VarType::Single:
      return detail::widen(detail::generalText(*v.get<float>(), 7));
    case VarType::ByteArray:
      fail(err::TypeMismatch);
    default:
      return detail::widen(detail::generalText(toDouble(v), 15));
  }
}

// --- Text helpers ---

String trim(const String& text) {
  return ltrim(rtrim(text));
}

String ltrim(const String& text) {
  auto i = text.find_first_not_of(u' ');
  return i == String::npos ? String() : text.substr(i);
}

String rtrim(const String& text) {
  auto i = text.find_last_not_of(u' ');
  return i == String::npos ? String() : text.substr(0, i + 1);
}

namespace {

// Simple (one to one) case mapping by code point, so that lengths never change.
template <typename Map>
String mapCase(const String& text, Map map) {
  String out;
  out.reserve(text.size());
  for (std::size_t i = 0; i < text.size(); ++i) {
    char32_t c = text[i];
    bool pair = c >= 0xD800 && c <= 0xDBFF && i + 1 < text.size() && text[i + 1] >= 0xDC00 &&
                text[i + 1] <= 0xDFFF;
    if (pair) c = 0x10000 + ((c - 0xD800) << 10) + (text[i + 1] - 0xDC00);
    char32_t m = char32_t(map(UChar32(c)));
    if (m >= 0x10000 && pair) {
      out.push_back(char16_t(0xD800 + ((m - 0x10000) >> 10)));
      out.push_back(char16_t(0xDC00 + ((m - 0x10000) & 0x3FF)));
      ++i;
    } else if (pair) {  // a mapping that leaves the plane keeps the character as it is
      out.push_back(text[i]);
      out.push_back(text[++i]);
    } else {
      out.push_back(m < 0x10000 ? char16_t(m) : text[i]);
    }
  }
  return out;
}

}  // namespace

bool sameAsciiNoCase(std::u16string_view a, std::u16string_view b) {
  auto fold = [](char16_t c) { return c >= u'A' && c <= u'Z' ? char16_t(c - u'A' + u'a') : c; };
  return a.size() == b.size() &&
         std::equal(a.begin(), a.end(), b.begin(),
                    [&](char16_t x, char16_t y) { return fold(x) == fold(y); });
}

String lower(const String& text) {
  return mapCase(text, u_tolower);
}
String upper(const String& text) {
  return mapCase(text, u_toupper);
}

String mid(const String& text, std::int64_t start, std::int64_t length) {
  if (start < 1 || length < -1) fail(err::InvalidArgument);
  if (std::uint64_t(start) > text.size()) return String();
  std::size_t from = std::size_t(start - 1);
  std::size_t count = length < 0 ? String::npos : std::size_t(length);
  return text.substr(from, count);
}

String left(const String& text, std::int64_t length) {
  if (length < 0) fail(err::InvalidArgument);
  return text.substr(0, std::size_t(std::min<std::uint64_t>(length, text.size())));
}

String right(const String& text, std::int64_t length) {
  if (length < 0) fail(err::InvalidArgument);
  std::size_t n = std::size_t(std::min<std::uint64_t>(length, text.size()));
  return text.substr(text.size() - n);
}

std::int64_t inStr(const String& text, const String& find, std::int64_t start) {
  if (start < 1) fail(err::InvalidArgument);
  if (std::uint64_t(start) > text.size()) return 0;
  if (find.empty()) return start;
  auto pos = text.find(find, std::size_t(start - 1));
  return pos == String::npos ? 0 : std::int64_t(pos) + 1;
}

std::int64_t inStrRev(const String& text, const String& find) {
  if (find.empty()) return std::int64_t(text.size());
  auto pos = text.rfind(find);
  return pos == String::npos ? 0 : std::int64_t(pos) + 1;
}

String replaceAll(const String& text, const String& find, const String& with) {
  if (find.empty()) return text;
  String out;
  std::size_t from = 0;
  for (auto pos = text.find(find); pos != String::npos; pos = text.find(find, from)) {
    out.append(text, from, pos - from);
    out += with;
    from = pos + find.size();
  }
  out.append(text, from, String::npos);
  return out;
}

// --- Dates ---

Date makeDate(int year, int month, int day, int hour, int minute, int second) {
  // Months, days and times out of their range carry over, as the run-time's DateSerial does.
  std::int64_t y = year + (month - 1) / 12 - ((month - 1) % 12 < 0 ? 1 : 0);
  int m = ((month - 1) % 12 + 12) % 12 + 1;
  std::int64_t days = daysFromCivil(y, m, 1) + (std::int64_t(day) - 1);
  std::int64_t total =
      days * 86400 + std::int64_t(hour) * 3600 + std::int64_t(minute) * 60 + second;
  std::int64_t whole = total / 86400, secs = total % 86400;
  if (secs < 0) {
    secs += 86400;
    --whole;
  }
  // Before the epoch the fraction still counts forwards from midnight: -1.25 is 06:00 the day
  // before.
  double fraction = double(secs) / 86400.0;
  double serial = whole >= 0 ? double(whole) + fraction : double(whole) - fraction;
  if (!inDateRange(serial)) fail(err::InvalidArgument);
  return Date{serial};
}

DateParts splitDate(Date date) {
  double s = date.serial;
  if (!std::isfinite(s) || std::fabs(s) > 1e9) fail(err::Overflow);
  double whole = std::trunc(s);
  std::int64_t days = std::int64_t(whole);
  std::int64_t secs = std::llround(std::fabs(s - whole) * 86400.0);
  if (secs >= 86400) {
    secs -= 86400;
    days += s < 0 ? -1 : 1;
  }
  DateParts p{};
  civilFromDays(days, p.year, p.month, p.day);
  p.hour = int(secs / 3600);
  p.minute = int(secs / 60 % 60);
  p.second = int(secs % 60);
  return p;
}

}  // namespace zuvo::rt
