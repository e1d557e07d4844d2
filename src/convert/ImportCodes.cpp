// The import conversion codes of field definitions, shared by the fixed-length and JEF imports.
#include <algorithm>

#include "convert/FieldDefs.h"
#include "convert/Width.h"
#include "runtime/Convert.h"
#include "runtime/RuntimeError.h"

namespace zuvo::convert {

namespace {

bool allOf(const String& s, char16_t c) {
  return s.find_first_not_of(c) == String::npos;
}

}  // namespace

bool hasImportCode(const FieldDescriptor& d) {
  return d.is(u'j', u'c') || d.is(u'd', u't') || d.is(u'd', u'2') || d.is(u'm', u'd') ||
         d.is(u't', u'm') || d.is(u'm', u's') || d.is(u's', u'z') || d.is(u'l', u's') ||
         d.is(u'h', u's');
}

String applyImportCode(const FieldDescriptor& d, String field, std::int32_t columnSize) {
  const bool blank = allOf(field, u' ');
  const bool zeros = allOf(field, u'0');
  auto left = [&](std::size_t n) { return field.substr(0, n); };
  auto mid = [&](std::size_t from, std::size_t n) {  // 1-based like the run-time's Mid
    return from - 1 < field.size() ? field.substr(from - 1, n) : String();
  };
  auto right = [&](std::size_t n) {
    return field.size() > n ? field.substr(field.size() - n) : field;
  };
  auto dated = [&] {
    if (field.size() == 6) return left(4) + u"." + mid(5, 2);
    if (field.size() == 8) return left(4) + u"." + mid(5, 2) + u"." + right(2);
    return field;
  };
  if (d.is(u'j', u'c')) return left(4) + u"-" + mid(5, 6) + u"-" + right(3);
  if (d.is(u'd', u't')) return !blank && !zeros ? dated() : String();
  if (d.is(u'd', u'2')) {
    if (blank || zeros) return String();
    field = (rt::val(left(2)) < 50 ? u"20" : u"19") + field;
    return dated();
  }
  if (d.is(u'm', u'd')) return !blank && !zeros ? left(2) + u"." + mid(3, 2) : String();
  if (d.is(u't', u'm')) {
    if (blank) return field;
    if (field.size() == 4) return left(2) + u":" + mid(3, 2);
    if (field.size() == 6) return left(2) + u":" + mid(3, 2) + u":" + right(2);
    return field;
  }
  if (d.is(u'm', u's')) return blank ? field : left(2) + u":" + mid(3, 2);
  if (d.is(u's', u'z')) {
    if (columnSize < 0) throw RuntimeError(err::InvalidArgument);
    const auto size = static_cast<std::size_t>(columnSize);
    if (d.leftAligned()) return (field + String(size, u'0')).substr(0, size);
    String filled = String(size, u'0') + field;
    return filled.substr(filled.size() - size);
  }
  if (d.is(u'l', u's')) return rt::lower(field);
  if (d.is(u'h', u's')) return toHalfWidth(field);
  return field;
}

}  // namespace zuvo::convert
