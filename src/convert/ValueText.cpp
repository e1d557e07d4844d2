#include "convert/ValueText.h"

#include <charconv>
#include <cmath>
#include <cstdio>
#include <string>

#include "runtime/Convert.h"

namespace zuvo::convert {

namespace {

String ascii(const char* begin, const char* end) {
  return String(begin, end);
}

template <typename T>
String shortest(T value) {
  if (std::isnan(value) || std::isinf(value))
    return rt::toText(Variant(static_cast<double>(value)));
  char buf[64];
  auto r = std::to_chars(buf, buf + sizeof buf, value);
  return ascii(buf, r.ptr);
}

String whole(long long value) {
  char buf[32];
  auto r = std::to_chars(buf, buf + sizeof buf, value);
  return ascii(buf, r.ptr);
}

String currencyText(std::int64_t scaled) {
  bool negative = scaled < 0;
  unsigned long long magnitude = negative ? 0ULL - static_cast<unsigned long long>(scaled)
                                          : static_cast<unsigned long long>(scaled);
  std::string digits = std::to_string(magnitude / 10000);
  unsigned long long fraction = magnitude % 10000;
  if (fraction != 0) {
    char buf[8];
    std::snprintf(buf, sizeof buf, "%04llu", fraction);
    std::string f(buf);
    while (f.back() == '0') f.pop_back();
    digits += "." + f;
  }
  if (negative) digits.insert(digits.begin(), '-');
  return String(digits.begin(), digits.end());
}

String dateText(Date d) {
  rt::DateParts p = rt::splitDate(d);
  char buf[40];
  bool hasTime = p.hour != 0 || p.minute != 0 || p.second != 0;
  bool hasDay = std::floor(d.serial) != 0;
  if (hasDay && hasTime)
    std::snprintf(buf, sizeof buf, "%04d-%02d-%02d %02d:%02d:%02d", p.year, p.month, p.day, p.hour,
                  p.minute, p.second);
  else if (hasDay)
    std::snprintf(buf, sizeof buf, "%04d-%02d-%02d", p.year, p.month, p.day);
  else
    std::snprintf(buf, sizeof buf, "%02d:%02d:%02d", p.hour, p.minute, p.second);
  return String(buf, buf + std::char_traits<char>::length(buf));
}

}  // namespace

String defaultText(const Variant& value) {
  if (value.isNull() || value.isEmpty()) return String();
  if (const String* s = value.get<String>()) return *s;
  if (const auto* i = value.get<std::int16_t>()) return whole(*i);
  if (const auto* l = value.get<std::int32_t>()) return whole(*l);
  if (const auto* b = value.get<std::uint8_t>()) return whole(*b);
  if (const auto* d = value.get<double>()) return shortest(*d);
  if (const auto* f = value.get<float>()) return shortest(*f);
  if (const auto* c = value.get<Currency>()) return currencyText(c->scaled);
  if (const auto* t = value.get<Date>()) return dateText(*t);
  if (const auto* b = value.get<bool>()) return *b ? u"True" : u"False";
  if (const auto* m = value.get<Decimal>()) {
    std::string s = m->toString();
    return String(s.begin(), s.end());
  }
  return rt::toText(value);
}

String columnText(const Variant& value) {
  String s = defaultText(value);
  std::size_t n = s.size();
  while (n > 0 && s[n - 1] == u' ') --n;
  s.resize(n);
  return s;
}

}  // namespace zuvo::convert
