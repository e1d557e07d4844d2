#include "Json.h"

#include <charconv>
#include <cmath>
#include <cstdio>
#include <limits>

#include "runtime/Convert.h"

namespace zuvo::cli {

namespace {

[[noreturn]] void malformed(const Json& json, const std::string& why) {
  throw UsageError("argument " + dump(json) + ": " + why);
}

// A JSON integer within [low, high]; unsigned JSON integers count as integers too, and are
// read unsigned so that none wraps.
std::optional<std::int64_t> wholeIn(const Json& inner, std::int64_t low, std::int64_t high) {
  if (inner.is_number_unsigned()) {
    auto value = inner.get<std::uint64_t>();
    if (value <= std::uint64_t(high) && (low <= 0 || value >= std::uint64_t(low)))
      return std::int64_t(value);
  } else if (inner.is_number_integer()) {
    auto value = inner.get<std::int64_t>();
    if (value >= low && value <= high) return value;
  }
  return std::nullopt;
}

// Tags take only whole JSON numbers (not 1.5, "5" or 1e3), so that a tag says exactly what
// the caller meant.
std::int64_t integerIn(const Json& json, const Json& inner, std::int64_t low, std::int64_t high) {
  if (auto value = wholeIn(inner, low, high)) return *value;
  malformed(json,
            "needs a whole number from " + std::to_string(low) + " to " + std::to_string(high));
}

double numberOf(const Json& json, const Json& inner) {
  if (!inner.is_number()) malformed(json, "needs a number");
  return inner.get<double>();
}

int hexDigit(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

ByteArray bytesOf(const Json& json, const Json& inner) {
  if (!inner.is_string()) malformed(json, "needs a text of hexadecimal digits");
  const auto& hex = inner.get_ref<const std::string&>();
  if (hex.size() % 2 != 0) malformed(json, "needs two hexadecimal digits per byte");
  ByteArray bytes;
  bytes.reserve(hex.size() / 2);
  for (std::size_t i = 0; i < hex.size(); i += 2) {
    int high = hexDigit(hex[i]), low = hexDigit(hex[i + 1]);
    if (high < 0 || low < 0) malformed(json, "needs a text of hexadecimal digits");
    bytes.push_back(std::uint8_t(high * 16 + low));
  }
  return bytes;
}

std::string hexOf(const ByteArray& bytes) {
  static constexpr char digits[] = "0123456789ABCDEF";
  std::string hex;
  hex.reserve(bytes.size() * 2);
  for (auto b : bytes) {
    hex += digits[b >> 4];
    hex += digits[b & 15];
  }
  return hex;
}

// Currency is a whole number of ten-thousandths: "-12.5" ⇄ -125000.
std::optional<Currency> currencyOf(const std::string& text) {
  std::size_t i = 0;
  bool negative = i < text.size() && text[i] == '-';
  if (negative) ++i;
  std::uint64_t scaled = 0;
  int wholeDigits = 0, fractionDigits = 0;
  bool point = false;
  static constexpr std::uint64_t limit = std::uint64_t(std::numeric_limits<std::int64_t>::max());
  for (; i < text.size(); ++i) {
    char c = text[i];
    if (c == '.' && !point) {
      point = true;
      continue;
    }
    if (c < '0' || c > '9' || (point && fractionDigits == 4)) return std::nullopt;
    (point ? fractionDigits : wholeDigits)++;
    if (scaled > (limit - 9) / 10) return std::nullopt;
    scaled = scaled * 10 + std::uint64_t(c - '0');
  }
  if (wholeDigits + fractionDigits == 0) return std::nullopt;
  for (int f = fractionDigits; f < 4; ++f) {
    if (scaled > limit / 10) return std::nullopt;
    scaled *= 10;
  }
  return Currency{negative ? -std::int64_t(scaled) : std::int64_t(scaled)};
}

std::string currencyText(Currency value) {
  bool negative = value.scaled < 0;
  std::uint64_t magnitude =
      negative ? 0 - std::uint64_t(value.scaled) : std::uint64_t(value.scaled);
  std::string text = (negative ? "-" : "") + std::to_string(magnitude / 10000);
  std::string fraction = std::to_string(10000 + magnitude % 10000).substr(1);
  while (!fraction.empty() && fraction.back() == '0') fraction.pop_back();
  if (!fraction.empty()) text += "." + fraction;
  return text;
}

// Single precision keeps its own shortest digits (0.1f is 0.1, not 0.100000001490116).
Json singleNumber(float value) {
  char buffer[64];
  auto end = std::to_chars(buffer, buffer + sizeof buffer, value).ptr;
  double widened = 0;
  std::from_chars(buffer, end, widened);
  return widened;
}

Variant plainValue(const Json& json) {
  switch (json.type()) {
    case Json::value_t::null:
      return Variant::Null();
    case Json::value_t::boolean:
      return json.get<bool>();
    case Json::value_t::string:
      return rt::fromUtf8(json.get_ref<const std::string&>());
    case Json::value_t::number_integer:
    case Json::value_t::number_unsigned: {
      if (auto value = wholeIn(json, std::numeric_limits<std::int32_t>::min(),
                               std::numeric_limits<std::int32_t>::max()))
        return Variant::Long(std::int32_t(*value));
      return json.get<double>();  // too big for a Long
    }
    case Json::value_t::number_float:
      return json.get<double>();
    default:
      malformed(json, "is not a value");
  }
}

Variant taggedValue(const Json& json, const std::string& tag, const Json& inner) {
  if (tag == "Integer")
    return std::int16_t(integerIn(json, inner, std::numeric_limits<std::int16_t>::min(),
                                  std::numeric_limits<std::int16_t>::max()));
  if (tag == "Long")
    return Variant::Long(
        std::int32_t(integerIn(json, inner, std::numeric_limits<std::int32_t>::min(),
                               std::numeric_limits<std::int32_t>::max())));
  if (tag == "Byte") return std::uint8_t(integerIn(json, inner, 0, 255));
  if (tag == "Double") return numberOf(json, inner);
  if (tag == "Single") {
    double value = numberOf(json, inner);
    if (std::fabs(value) > std::numeric_limits<float>::max())
      malformed(json, "is out of the range of Single");
    return float(value);
  }
  if (tag == "Currency" || tag == "Decimal") {
    if (!inner.is_string() && !inner.is_number()) malformed(json, "needs a decimal number");
    std::string text = inner.is_string() ? inner.get<std::string>() : inner.dump();
    if (tag == "Currency") {
      auto value = currencyOf(text);
      if (!value) malformed(json, "needs a decimal number with at most 4 decimals");
      return *value;
    }
    try {
      return Decimal::parse(text);
    } catch (const RuntimeError& e) {
      malformed(json, "is not a Decimal (" + e.description() + ")");
    }
  }
  if (tag == "Date") {
    auto date = inner.is_string() ? parseDateText(inner.get_ref<const std::string&>(), false)
                                  : std::nullopt;
    if (!date) malformed(json, "needs a date \"yyyy-mm-dd\" or \"yyyy-mm-ddThh:mm:ss\"");
    return *date;
  }
  if (tag == "Empty") {
    if (!inner.is_null()) malformed(json, "is written {\"Empty\":null}");
    return Variant();
  }
  if (tag == "Bytes") return bytesOf(json, inner);
  malformed(json, "has an unknown tag \"" + tag + "\"");
}

Argument dataAccess(const Json& json, const std::string& tag, const Json& inner) {
  Argument argument;
  if (tag != "QueryResultset" && inner.is_number_integer()) {
    // A handle of a session's object.
    argument.handle = integerIn(json, inner, 1, std::numeric_limits<std::int64_t>::max());
    argument.kind = tag == "Connection" ? Argument::Kind::Connection
                    : tag == "Query"    ? Argument::Kind::Query
                                        : Argument::Kind::Resultset;
    return argument;
  }
  if (tag == "Connection" || tag == "QueryResultset") {
    if (!inner.is_null()) malformed(json, "is written {\"" + tag + "\":null}");
    argument.kind =
        tag == "Connection" ? Argument::Kind::Connection : Argument::Kind::QueryResultset;
  } else {
    if (!inner.is_string()) malformed(json, "needs the SQL text");
    argument.kind = tag == "Query" ? Argument::Kind::Query : Argument::Kind::Resultset;
    argument.sql = rt::fromUtf8(inner.get_ref<const std::string&>());
  }
  return argument;
}

Argument arrayArgument(const Json& json, const Json& items, const Json* lbound) {
  if (!items.is_array()) malformed(json, "needs a JSON array of its elements");
  std::int64_t low = lbound ? integerIn(json, *lbound, std::numeric_limits<std::int32_t>::min(),
                                        std::numeric_limits<std::int32_t>::max())
                            : 0;
  if (low + std::int64_t(items.size()) - 1 > std::numeric_limits<std::int32_t>::max())
    malformed(json, "has an upper bound out of range");
  std::vector<Variant> elements;
  elements.reserve(items.size());
  for (const auto& item : items) {
    Argument element = parseArgument(item);
    if (element.kind != Argument::Kind::Value)
      malformed(json, "may hold only values, not arrays or data access objects");
    elements.push_back(std::move(element.value));
  }
  Argument argument;
  argument.kind = Argument::Kind::Array;
  argument.array = Array<Variant>(std::int32_t(low), std::move(elements));
  return argument;
}

}  // namespace

Argument parseArgument(const Json& json) {
  if (json.is_array()) return arrayArgument(json, json, nullptr);
  if (!json.is_object()) {
    Argument argument;
    argument.value = plainValue(json);
    return argument;
  }
  if (json.contains("Array")) {
    for (const auto& [key, inner] : json.items())
      if (key != "Array" && key != "lbound") malformed(json, "has an unknown key \"" + key + "\"");
    return arrayArgument(json, json["Array"], json.contains("lbound") ? &json["lbound"] : nullptr);
  }
  if (json.size() != 1) malformed(json, "needs exactly one tag");
  auto only = json.begin();
  const std::string& tag = only.key();
  const Json& inner = only.value();
  if (tag == "Connection" || tag == "Query" || tag == "Resultset" || tag == "QueryResultset")
    return dataAccess(json, tag, inner);
  Argument argument;
  argument.value = taggedValue(json, tag, inner);
  return argument;
}

Argument parseArgumentText(const std::string& text) {
  Json json = Json::parse(text, nullptr, false);
  if (json.is_discarded())
    throw UsageError("argument " + text +
                     " is not one JSON value (text needs double quotes: '\"text\"')");
  return parseArgument(json);
}

Json encodeVariant(const Variant& value) {
  switch (value.type()) {
    case VarType::Empty:
      return Json{{"Empty", nullptr}};
    case VarType::Null:
      return nullptr;
    case VarType::Integer:
      return *value.get<std::int16_t>();
    case VarType::Long:
      return *value.get<std::int32_t>();
    case VarType::Byte:
      return *value.get<std::uint8_t>();
    case VarType::Single:
      return singleNumber(*value.get<float>());
    case VarType::Double:
      return *value.get<double>();
    case VarType::Currency:
      return Json{{"Currency", currencyText(*value.get<Currency>())}};
    case VarType::Date:
      return Json{{"Date", dateText(*value.get<Date>())}};
    case VarType::String:
      return rt::toUtf8(*value.get<String>());
    case VarType::Boolean:
      return *value.get<bool>();
    case VarType::Decimal:
      return Json{{"Decimal", value.get<Decimal>()->toString()}};
    case VarType::ByteArray:
      return Json{{"Bytes", hexOf(*value.get<ByteArray>())}};
  }
  return nullptr;
}

Json encodeArgument(const Argument& argument) {
  switch (argument.kind) {
    case Argument::Kind::Value:
      return encodeVariant(argument.value);
    case Argument::Kind::Array: {
      Json items = Json::array();
      for (const auto& item : argument.array.items()) items.push_back(encodeVariant(item));
      return Json{{"Array", std::move(items)}, {"lbound", argument.array.lbound()}};
    }
    case Argument::Kind::Connection:
      return Json{{"Connection", argument.handle ? Json(argument.handle) : Json(nullptr)}};
    case Argument::Kind::Query:
      return Json{
          {"Query", argument.handle ? Json(argument.handle) : Json(rt::toUtf8(argument.sql))}};
    case Argument::Kind::Resultset:
      return Json{
          {"Resultset", argument.handle ? Json(argument.handle) : Json(rt::toUtf8(argument.sql))}};
    case Argument::Kind::QueryResultset:
      return Json{{"QueryResultset", nullptr}};
  }
  return nullptr;
}

std::optional<Date> parseDateText(std::string_view text, bool timeRequired) {
  // Digits at fixed places; separators checked one by one.
  auto number = [&](std::size_t at, std::size_t width) -> int {
    int value = 0;
    for (std::size_t i = at; i < at + width; ++i) {
      if (text[i] < '0' || text[i] > '9') return -1;
      value = value * 10 + (text[i] - '0');
    }
    return value;
  };
  bool withTime = text.size() == 19;
  if (!(withTime || (text.size() == 10 && !timeRequired))) return std::nullopt;
  if (text[4] != '-' || text[7] != '-') return std::nullopt;
  if (withTime && (text[10] != 'T' || text[13] != ':' || text[16] != ':')) return std::nullopt;
  int year = number(0, 4), month = number(5, 2), day = number(8, 2);
  int hour = withTime ? number(11, 2) : 0, minute = withTime ? number(14, 2) : 0,
      second = withTime ? number(17, 2) : 0;
  static constexpr int monthDays[] = {31, 29, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
  bool leap = year % 4 == 0 && (year % 100 != 0 || year % 400 == 0);
  if (year < 100 || month < 1 || month > 12 || day < 1 || day > monthDays[month - 1] ||
      (month == 2 && day == 29 && !leap) || hour < 0 || hour > 23 || minute < 0 || minute > 59 ||
      second < 0 || second > 59)
    return std::nullopt;
  return rt::makeDate(year, month, day, hour, minute, second);
}

std::string dateText(Date date) {
  auto p = rt::splitDate(date);
  char buffer[64];
  std::snprintf(buffer, sizeof buffer, "%04d-%02d-%02dT%02d:%02d:%02d", p.year, p.month, p.day,
                p.hour, p.minute, p.second);
  return buffer;
}

std::string dump(const Json& json) {
  return json.dump(-1, ' ', false, Json::error_handler_t::replace);
}

}  // namespace zuvo::cli
