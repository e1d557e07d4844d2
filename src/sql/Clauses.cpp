// Reading and rewriting pieces of the applications' SQL text by position, not by parsing:
// the statements follow the house style (lower-case keywords, comma-separated items, blanks
// around keywords, owner-qualified table names), and these rules rely on nothing more.
#include <optional>

#include "component/ZuvoCls.h"
#include "runtime/Convert.h"
#include "sql/Positions.h"

namespace zuvo {

namespace {

using sqltext::position16;

std::int64_t length(const String& text) {
  return std::int64_t(text.size());
}

// The character at a 1-based position; the callers keep the position inside the text.
char16_t at(const String& text, std::int64_t position) {
  return text[std::size_t(position - 1)];
}

// 「swd = value,」: where the column name, its "=" and the comma closing its value stand.
struct Assignment {
  std::int64_t name = 0;
  std::int64_t equals = 0;
  std::int64_t comma = 0;
};

std::optional<Assignment> findAssignment(const String& sql, const String& swd) {
  Assignment found;
  found.name = position16(rt::inStr(sql, swd));
  if (found.name == 0) return std::nullopt;
  found.equals = position16(rt::inStr(sql, u"=", found.name + length(swd)));
  if (found.equals == 0) return std::nullopt;
  found.comma = position16(rt::inStr(sql, u",", found.equals + 1));
  if (found.comma == 0) return std::nullopt;
  return found;
}

// The first word of the statement (its verb); moves the walk to the table name.
String readVerb(const String& sql, std::int16_t& s) {
  const std::int64_t blank = position16(rt::inStr(sql, u" "));
  if (blank == 0) return {};
  s = 1;
  return rt::left(sql, blank - 1);
}

// The blank-delimited word around the first full stop, which in the house style is the
// owner-qualified table name.
std::optional<String> readTableName(const String& sql, std::int16_t& s) {
  const std::int64_t dot = position16(rt::inStr(sql, u"."));
  if (dot == 0) return std::nullopt;
  std::int64_t before = dot - 1;
  while (before >= 1 && at(sql, before) != u' ') --before;
  if (before < 1) return std::nullopt;
  std::int64_t after = dot + 1;
  while (after <= length(sql) && at(sql, after) != u' ') ++after;
  if (after > length(sql)) return std::nullopt;
  s = position16(after + 1);
  return rt::mid(sql, before + 1, after - before - 1);
}

// Where the next item of a walk begins, past blanks and opening parentheses; nothing once
// the walk has passed the end. A negative position is no position at all.
std::optional<std::int64_t> nextItemStart(const String& sql, std::int16_t s) {
  if (s < 0) throw RuntimeError(err::InvalidArgument);
  if (s > length(sql)) return std::nullopt;
  std::int64_t start = s;
  while (start <= length(sql) && (at(sql, start) == u' ' || at(sql, start) == u'(')) ++start;
  position16(start);
  return start;
}

// The item from `start` up to the mark at `end`, or the rest of the statement when no mark
// follows; the walk goes on after the mark.
String cutItem(const String& sql, std::int64_t start, std::int64_t end, std::int16_t& s) {
  if (end == 0) {
    s = position16(length(sql) + 1);
    return rt::mid(sql, start);
  }
  s = position16(end + 1);
  return rt::mid(sql, start, end - start);
}

void dropClosingMarks(String& item) {
  while (!item.empty() && (item.back() == u' ' || item.back() == u')')) item.pop_back();
}

}  // namespace

String ZuvoCls::GetSQLItem(const String& sql, const String& swd) {
  const auto found = findAssignment(sql, swd);
  if (!found) return {};
  String value = rt::trim(rt::mid(sql, found->equals + 1, found->comma - found->equals - 1));
  if (!value.empty() && value.front() == u'\'') value.erase(0, 1);
  if (!value.empty() && value.back() == u'\'') value.pop_back();
  return value;
}

bool ZuvoCls::RepSQLItem(String& sql, const String& swd, const String& s) {
  const auto found = findAssignment(sql, swd);
  if (!found) return false;
  // Blanks, quotes and the marks below the quote are not part of the value; the comma
  // closing it always qualifies, so the scan ends inside the assignment.
  std::int64_t start = found->equals + 1;
  while (start < found->comma && at(sql, start) <= u'\'') ++start;
  // Overwritten in place: the statement keeps its length.
  const std::size_t room = sql.size() - std::size_t(start - 1);
  sql.replace(std::size_t(start - 1), std::min(room, s.size()), s, 0, std::min(room, s.size()));
  return true;
}

bool ZuvoCls::RepSQLStr(String& sql, const String& swd, const String& s) {
  if (sql.empty() || swd.empty()) return true;
  const std::int64_t found = position16(rt::inStr(sql, swd));
  if (found == 0) return false;
  sql = rt::left(sql, found - 1) + s + rt::mid(sql, found + length(swd));
  return true;
}

String ZuvoCls::GetSQLData(const String& sql, std::int16_t& s) {
  if (s == 0) return readVerb(sql, s);
  if (s == 1) return readTableName(sql, s).value_or(String());

  const auto start = nextItemStart(sql, s);
  if (!start) return {};
  String item = cutItem(sql, *start, position16(rt::inStr(sql, u",", *start)), s);

  // The keyword is looked for where this item stands, never earlier in the statement: a
  // column or table name holding "values" would otherwise send the walk back round forever.
  const std::int64_t keyword = rt::inStr(item, u"values");
  if (keyword == 1) {
    item = u"values";
    s = position16(*start + 6);
  } else if (keyword > 1) {
    item = rt::left(item, keyword - 1);
    s = position16(*start + keyword - 1);
  }
  dropClosingMarks(item);
  return item;
}

String ZuvoCls::GetSQLDataUpdate(const String& sql, std::int16_t& s) {
  if (s == 0) return readVerb(sql, s);
  if (s == 1) {
    const auto table = readTableName(sql, s);
    if (!table) return {};
    const std::int64_t set = position16(rt::inStr(sql, u" set "));
    const std::int64_t equals = position16(rt::inStr(sql, u"="));
    if (set > 0 && set < equals) s = position16(set + 5);
    return *table;
  }

  const auto start = nextItemStart(sql, s);
  if (!start) return {};
  std::int64_t end = position16(rt::inStr(sql, u"=", *start));
  const std::int64_t comma = position16(rt::inStr(sql, u",", *start));
  if (comma > 0 && comma < end) end = comma;
  String item = cutItem(sql, *start, end, s);

  // As in the insert walk, "where" is taken where this item stands, so the walk only moves on.
  const std::int64_t keyword = rt::inStr(item, u"where ");
  if (keyword == 1) {
    const std::int64_t condition = *start + 6;
    item = u"where";
    s = position16(condition);
    // A compound or ranged condition is handed back whole rather than walked.
    if (rt::inStr(sql, u" and ", condition) > 0 || rt::inStr(sql, u">", condition) > 0 ||
        rt::inStr(sql, u"<", condition) > 0) {
      s = position16(length(sql) + 1);
      return u"where " + rt::mid(sql, condition);
    }
  } else if (keyword > 1) {
    const std::int64_t spaced = rt::inStr(item, u" where ");
    const std::int64_t before = spaced > 0 ? spaced : keyword;
    item = rt::left(item, before - 1);
    s = position16(*start + (spaced > 0 ? spaced : keyword - 1));
  }
  dropClosingMarks(item);
  return item;
}

}  // namespace zuvo
