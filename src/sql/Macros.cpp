// Date and user macros in saved SQL text, replaced by quoted literals just before a run, so
// that one text serves any day and any user.
#include <array>
#include <string_view>

#include "component/ZuvoCls.h"
#include "platform/Format.h"
#include "runtime/Convert.h"
#include "sql/Positions.h"

namespace zuvo {

namespace {

enum class Shift { None, Back, Ahead };
enum class Unit { Day, Month, Year, User };

struct Macro {
  std::u16string_view name;
  Unit unit;
  Shift shift;
  bool likePattern;  // ends in "%": the literal becomes a LIKE prefix pattern
};

// Longer names come before their prefixes ("@toym%" before "@toym"), or the shorter would
// take the match and leave a stray "%".
constexpr std::array<Macro, 16> macros{{
    {u"@today", Unit::Day, Shift::None, false},
    {u"@toym%", Unit::Month, Shift::None, true},
    {u"@toym", Unit::Month, Shift::None, false},
    {u"@toyy%", Unit::Year, Shift::None, true},
    {u"@toyy", Unit::Year, Shift::None, false},
    {u"@ltday", Unit::Day, Shift::Back, false},
    {u"@ltym%", Unit::Month, Shift::Back, true},
    {u"@ltym", Unit::Month, Shift::Back, false},
    {u"@ltyy%", Unit::Year, Shift::Back, true},
    {u"@ltyy", Unit::Year, Shift::Back, false},
    {u"@ntday", Unit::Day, Shift::Ahead, false},
    {u"@ntym%", Unit::Month, Shift::Ahead, true},
    {u"@ntym", Unit::Month, Shift::Ahead, false},
    {u"@ntyy%", Unit::Year, Shift::Ahead, true},
    {u"@ntyy", Unit::Year, Shift::Ahead, false},
    {u"@tncd", Unit::User, Shift::None, false},
}};

// The staff code must already be text: a number is not silently turned into one. Its quotes
// are doubled, so that whatever the code holds it stays one literal of the statement.
String staffCode(const Variant& tncd) {
  if (tncd.isNull()) throw RuntimeError(err::InvalidUseOfNull);
  if (tncd.isEmpty()) return {};
  if (const String* text = tncd.get<String>()) return rt::replaceAll(*text, u"'", u"''");
  throw RuntimeError(err::TypeMismatch);
}

}  // namespace

String ZuvoCls::CnvSQL(const Variant& sql, const Variant& tncd) {
  // The date parts are worked out per occurrence, from the clock at that moment.
  auto value = [&](const Macro& macro) -> String {
    if (macro.unit == Unit::User) return staffCode(tncd);
    const Date now = platform().clock->now();
    const int step = macro.shift == Shift::Back ? -1 : 1;
    if (macro.shift == Shift::None) {
      switch (macro.unit) {
        case Unit::Day:
          return format(Variant(now), u"yyyy.mm.dd");
        case Unit::Month:
          return format(Variant(now), u"yyyy.mm");
        default:
          return format(Variant(now), u"yyyy");
      }
    }
    const Variant today(format(Variant(now), u"yyyy.mm.dd"));
    switch (macro.unit) {
      case Unit::Day:
        return CalcDD(today, step);
      case Unit::Month:
        // Only year and month are kept, so a day the target month lacks never shows.
        return rt::left(CalcMM(today, step), 7);
      default:
        return rt::left(CalcYY(today, step), 4);
    }
  };

  String text = rt::toText(sql);
  String lowered = rt::lower(text);
  for (const Macro& macro : macros) {
    const String name(macro.name);
    std::int64_t from = 1;
    for (;;) {
      const std::int64_t found = sqltext::position16(rt::inStr(lowered, name, from));
      if (found == 0) break;
      String literal = u"'";
      literal += value(macro);
      literal += macro.likePattern ? u"%'" : u"'";
      text.replace(std::size_t(found - 1), name.size(), literal);
      lowered.replace(std::size_t(found - 1), name.size(), rt::lower(literal));
      // The search goes on after the literal: inserted text is never expanded again.
      from = sqltext::position16(found + std::int64_t(literal.size()));
    }
  }
  return text;
}

}  // namespace zuvo
