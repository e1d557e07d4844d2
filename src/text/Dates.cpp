#include <algorithm>
#include <cstdint>
#include <exception>

#include "component/ZuvoCls.h"
#include "platform/Format.h"
#include "runtime/Convert.h"

namespace zuvo {
namespace {

constexpr std::int32_t lastDayNumber = 3652059;  // 9999.12.31

void fillWeekdayNames(WeekdayNames& names) {
  if (names.filled) return;
  names.english = {u"Sun", u"Mon", u"Tue", u"Wed", u"Thu", u"Fri", u"Sat"};
  names.japanese = {u"日曜日", u"月曜日", u"火曜日", u"水曜日", u"木曜日", u"金曜日", u"土曜日"};
  names.filled = true;
}

void clearWeekday(std::int16_t& yb, String& ybnm, String& ybjp) {
  yb = 0;
  ybnm.clear();
  ybjp.clear();
}

void setWeekday(const WeekdayNames& names, std::int64_t dayNumber, std::int16_t& yb, String& ybnm,
                String& ybjp) {
  yb = std::int16_t(dayNumber % 7);
  // A day number below 1 (a negative day in January of year 1) has no weekday to name.
  if (yb < 0) throw RuntimeError(err::SubscriptOutOfRange);
  ybnm = names.english[yb];
  ybjp = names.japanese[yb];
}

bool isLeapYear(std::int64_t year) {
  return (year % 4 == 0 && year % 100 != 0) || year % 400 == 0;
}

int monthLength(std::int64_t year, int month) {
  static constexpr int lengths[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
  return month == 2 && isLeapYear(year) ? 29 : lengths[month - 1];
}

std::int64_t dayNumberOf(std::int64_t year, int month, std::int64_t day) {
  const std::int64_t past = year - 1;
  std::int64_t n = past * 365 + past / 4 - past / 100 + past / 400;
  for (int m = 1; m < month; ++m) n += monthLength(year, m);
  return n + day;
}

String digits(std::int64_t value, const char16_t* pattern) {
  return format(Variant(double(value)), pattern);
}

String dateText(std::int64_t year, int month, std::int64_t day) {
  return digits(year, u"0000") + u"." + digits(month, u"00") + u"." + digits(day, u"00");
}

// The fields of a date text sit at fixed places; the separators are not looked at.
double yearField(const String& dt) {
  return rt::val(rt::mid(dt, 1, 4));
}
double monthField(const String& dt) {
  return rt::val(rt::mid(dt, 6, 2));
}
double dayField(const String& dt) {
  return rt::val(rt::right(dt, 2));
}

String textOf(const Variant& value) {
  if (value.isNull()) throw RuntimeError(err::InvalidUseOfNull);
  return rt::toText(value);
}

}  // namespace

std::int32_t ZuvoCls::CalcDate(String& dt, std::int16_t& yb, String& ybnm, String& ybjp) {
  fillWeekdayNames(calcDateNames_);
  std::int32_t year = 0;
  std::int16_t month = 0;
  std::int16_t day = 0;
  bool unreadable = false;
  try {
    year = rt::roundToLong(yearField(dt));
    month = rt::roundToInteger(monthField(dt));
    day = rt::roundToInteger(dayField(dt));
  } catch (const std::exception&) {
    unreadable = true;
  }
  if (unreadable || year < 1 || month < 1 || month > 12) {
    clearWeekday(yb, ybnm, ybjp);
    return 0;
  }

  // Day 0 and days past the month's end mean its last day; the caller's text says so too.
  const int length = monthLength(year, month);
  if (day == 0 || day > length) {
    day = std::int16_t(length);
    dt = rt::left(dt, 8) + digits(day, u"00");
  }

  const std::int64_t n = dayNumberOf(year, month, day);
  if (n > INT32_MAX) throw RuntimeError(err::Overflow);
  setWeekday(calcDateNames_, n, yb, ybnm, ybjp);
  return std::int32_t(n);
}

String ZuvoCls::CalcDays(const Variant& days, std::int16_t& yb, String& ybnm, String& ybjp) {
  fillWeekdayNames(calcDaysNames_);
  const double value = rt::toDouble(days);
  if (!(value >= 1 && value <= lastDayNumber)) {
    clearWeekday(yb, ybnm, ybjp);
    return {};
  }
  const std::int32_t n = rt::roundToLong(value);

  // q whole years of 365 days, less one for every leap day they hold.
  std::int64_t q = n / 365;
  std::int64_t r = n % 365;
  auto leapDays = [](std::int64_t years) { return years / 4 - years / 100 + years / 400; };
  while (r <= leapDays(q)) {
    r += 365;
    --q;
  }
  const std::int64_t year = q + 1;
  std::int64_t day = r - leapDays(q);
  int month = 1;
  while (month < 12 && day > monthLength(year, month)) day -= monthLength(year, month++);

  setWeekday(calcDaysNames_, n, yb, ybnm, ybjp);
  return dateText(year, month, day);
}

String ZuvoCls::CalcDD(const Variant& dt, const Variant& days) {
  String copy = textOf(dt);
  std::int16_t yb = 0;
  String ybnm, ybjp;
  const std::int32_t n = CalcDate(copy, yb, ybnm, ybjp);
  return CalcDays(Variant(double(n) + rt::toDouble(days)), yb, ybnm, ybjp);
}

String ZuvoCls::CalcMM(const Variant& dt, const Variant& mms) {
  const String text = textOf(dt);
  std::int32_t year = rt::roundToInteger(yearField(text));
  const std::int16_t month = rt::roundToInteger(monthField(text));
  if (year < 1 || month < 1 || month > 12) return {};

  std::int32_t m = rt::roundToInteger(month + rt::toDouble(mms));
  // Quotients truncate and remainders keep the dividend's sign: month 0 is the December before.
  if (m >= 13) {
    year += (m - 1) / 12;
    m = (m - 1) % 12 + 1;
  } else if (m < 1) {
    year += m / 12 - 1;
    m = m % 12 + 12;
  }
  year = std::clamp(year, 1, 9999);
  return digits(year, u"0000") + u"." + digits(m, u"00") + rt::right(text, 3);
}

String ZuvoCls::CalcYY(const Variant& dt, const Variant& yys) {
  const String text = textOf(dt);
  const double year = yearField(text);
  if (year < 1) return {};
  const std::int32_t moved =
      std::clamp<std::int32_t>(rt::roundToInteger(year + rt::toDouble(yys)), 1, 9999);
  return digits(moved, u"0000") + rt::right(text, 6);
}

}  // namespace zuvo
