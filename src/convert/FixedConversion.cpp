// Fixed-length Shift-JIS files: CnvFixSFFile and SetFixRDB.
#include <cmath>
#include <memory>
#include <string>
#include <vector>

#include "component/ZuvoCls.h"
#include "convert/Export.h"
#include "convert/Failure.h"
#include "convert/FieldDefs.h"
#include "convert/Import.h"
#include "convert/TextFile.h"
#include "convert/ValueText.h"
#include "convert/Width.h"
#include "platform/Format.h"
#include "runtime/Convert.h"

namespace zuvo {

namespace {

// Puts len fill characters before (right-aligned) or after (left-aligned) the text and keeps
// len characters.
String alignByCharacters(const String& s, int len, char16_t fill, bool left) {
  if (len <= 0) return String();
  if (left) return (s + String(static_cast<std::size_t>(len), fill)).substr(0, len);
  String x = String(static_cast<std::size_t>(len), fill) + s;
  return x.substr(x.size() - static_cast<std::size_t>(len));
}

String without(const String& s, char16_t c) {
  String r;
  r.reserve(s.size());
  for (char16_t x : s)
    if (x != c) r += x;
  return r;
}

bool allOf(const String& s, char16_t c) {
  for (char16_t x : s)
    if (x != c) return false;
  return true;
}

}  // namespace

// --- Export ---

namespace {

// A field of type "n" or "p" from the column value and its text s.
String numberField(const convert::FieldDescriptor& d, const Variant& value, String s) {
  int len = d.len;
  if (s.empty()) s = u"0";
  if (d.leftAligned()) return alignByCharacters(s, len, u'0', true);
  // Numbers are formatted from the value itself; a text column goes by its text.
  Variant number = value.isNumber() ? value : Variant(s);
  int decimals = d.decimals();
  if (decimals <= 0) {
    s = format(number, String(static_cast<std::size_t>(std::max(len, 1)), u'0'));
  } else {
    String pattern(static_cast<std::size_t>(std::max(len - decimals, 1)), u'0');
    pattern += u'.';
    pattern.append(static_cast<std::size_t>(decimals), u'0');
    s = format(number, pattern);
    if (d.type == u'n') {
      std::size_t point = s.find(u'.');
      if (point != String::npos)
        s = s.substr(0, point) + s.substr(point + 1, static_cast<std::size_t>(decimals));
    }
  }
  if (len <= 0) return String();
  if (rt::val(s) >= 0)
    return s.size() > static_cast<std::size_t>(len) ? s.substr(s.size() - len) : s;
  std::size_t keep = static_cast<std::size_t>(len - 1);
  return u"-" + (s.size() > keep ? s.substr(s.size() - keep) : s);
}

}  // namespace

std::int32_t ZuvoCls::CnvFixSFFile(Connection& cn, const String& sql, const String& fnm,
                                   const String& fds, bool cr, bool add) {
  ConversionReport& report = beginConversion();
  convert::TextWriter out;
  convert::ResultsetCloser query;
  if (Status s = convert::openExport(cn, sql, fnm, add, out, query.rs); !s.ok()) {
    report.fail(std::move(s));
    return -1;
  }

  // Cuts by Shift-JIS bytes: the last or the first len bytes of x.
  auto alignByBytes = [this](const String& s, int len, const String& fill, bool left) {
    if (len <= 0) return String();
    String x;
    if (left) {
      x = s;
      for (int i = 0; i < len; ++i) x += fill;
      return MidByte(x, 1, len);
    }
    for (int i = 0; i < len; ++i) x += fill;
    x += s;
    return MidByte(x, static_cast<int>(LenByte(x)) - len + 1, len);
  };

  std::int32_t count = 0;
  try {
    Columns& columns = query.rs->rdoColumns();
    const convert::Layout layout(fds, columns.Count());
    String record;
    // A layout that can't be read fails the first record, so an empty result still succeeds.
    if (!layout.status().ok() && !query.rs->IsEOF())
      throw RuntimeError(6, layout.status().message());
    while (!query.rs->IsEOF()) {
      record.clear();
      for (std::int32_t k = 0; k < layout.size(); ++k) {
        const convert::FieldDescriptor& d = layout[k];
        Variant value = columns[k].Value();
        String s = convert::columnText(value);
        bool left = d.leftAligned();
        switch (d.type) {
          case u'n':
          case u'p':
            record += numberField(d, value, std::move(s));
            break;
          case u'k':
            record += alignByBytes(convert::toFullWidth(s), d.len, u"\u3000", left);
            break;
          case u'f':
            record += alignByCharacters(rt::upper(without(s, u'-')), d.len,
                                        d.zeroFill() ? u'0' : u' ', left);
            break;
          case u'd':
          case u't': {
            s = without(s, d.type == u'd' ? u'.' : u':');
            if (d.zeroFill()) {
              record += alignByCharacters(s, d.len, u'0', left);
            } else {
              String field = alignByCharacters(s, d.len, u' ', left);
              // An all-zero date or time is written empty.
              if (!field.empty() && allOf(field, u'0')) field.assign(field.size(), u' ');
              record += field;
            }
            break;
          }
          default:
            if (d.type == u'u') s = rt::upper(s);
            record += alignByBytes(s, d.len, d.zeroFill() ? u"0" : u" ", left);
            break;
        }
      }
      if (cr) record += u"\r\n";
      const std::int64_t substituted = out.substituted();
      out.writeText(record);
      if (out.substituted() != substituted)
        convert::noteSubstitutions(report.substituted, columns, count + 1);
      ++count;
      countConverted(count, 500);
      query.rs->MoveNext();
    }
  } catch (...) {
    report.fail(convert::failureOf(std::current_exception(), count + 1, "the query"));
  }
  if (!out.close()) report.fail(out.status());
  return report.status.ok() ? count : -1;
}

// --- Import ---

namespace {

// The conversion of an import field by its conversion code, before trailing blanks go.
String convertField(const convert::FieldDescriptor& d, String field, std::int32_t columnSize) {
  auto blank = [&] { return without(field, u' ').empty(); };
  auto zeros = [&] { return allOf(field, u'0'); };
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
  if (d.is(u'd', u't')) return !blank() && !zeros() ? dated() : String();
  if (d.is(u'd', u'2')) {
    if (blank() || zeros()) return String();
    field = (rt::val(left(2)) < 50 ? u"20" : u"19") + field;
    return dated();
  }
  if (d.is(u'm', u'd')) return !blank() && !zeros() ? left(2) + u"." + mid(3, 2) : String();
  if (d.is(u't', u'm')) {
    if (blank()) return field;
    if (field.size() == 4) return left(2) + u":" + mid(3, 2);
    if (field.size() == 6) return left(2) + u":" + mid(3, 2) + u":" + right(2);
    return field;
  }
  if (d.is(u'm', u's')) return blank() ? field : left(2) + u":" + mid(3, 2);
  if (d.is(u's', u'z'))
    return alignByCharacters(field, std::max(columnSize, 0), u'0', d.leftAligned());
  if (d.is(u'l', u's')) return rt::lower(field);
  if (d.is(u'h', u's')) return convert::toHalfWidth(field);
  return field;
}

}  // namespace

std::int32_t ZuvoCls::SetFixRDB(Connection& cn, const String& sql, const String& fnm,
                                const String& fds, std::int16_t bln, const String& tbl) {
  ConversionReport& report = beginConversion();
  auto failed = [&](Status s) {
    report.fail(std::move(s));
    return -1;
  };
  if (Status s = convert::runBeforeLoad(*this, cn, sql); !s.ok()) return failed(std::move(s));
  if (rt::trim(fnm).empty() || rt::trim(tbl).empty()) return 0;

  convert::TextReader file;
  if (!file.open(fnm)) return failed(file.status());
  if (file.atEnd()) return file.failed() ? failed(file.status()) : 0;

  convert::ColumnTables columns;
  if (Status s = convert::readTargetTable(cn, tbl, columns); !s.ok()) return failed(std::move(s));
  if (convert::fieldCount(fds) - 1 != columns.last)
    return failed(
        convert::fieldCountMismatch("the layout", convert::fieldCount(fds), columns, tbl));

  const std::int32_t last = columns.last;
  const convert::Layout descriptors(fds, last + 1);
  if (!descriptors.status().ok()) return failed(descriptors.status());
  const std::int64_t layoutBytes = descriptors.bytes();

  const std::string source = convert::shown(fnm);
  convert::ImportBatch batch(
      *this, cn, settings_.transactionInterval,
      [this](std::int32_t count) { countConverted(count, 200); }, source);
  const String prefix = u"insert into " + rt::trim(tbl) + u" values (";

  // Bytes that name no character become the substitute; the field they sit in is noted.
  String record;
  auto decode = [&](std::string_view bytes) {
    if (convert::decodeShiftJis(bytes, record)) return;
    std::size_t bad = convert::firstInvalidShiftJis(bytes);
    std::int32_t field = 1;
    for (std::size_t end = 0; field <= last; ++field) {
      end += static_cast<std::size_t>(std::max<std::int16_t>(descriptors[field - 1].len, 0));
      if (bad < end) break;
    }
    report.substituted.note(batch.count() + 1, std::min(field, last + 1));
  };

  auto insertRecord = [&] {
    String statement = prefix;
    std::int32_t start = 1;
    for (std::int32_t k = 0; k <= last; ++k) {
      const convert::FieldDescriptor& d = descriptors[k];
      std::int32_t size = columns.size[static_cast<std::size_t>(k)];
      String field = MidByte(record, Variant::Long(start), d.len);
      start += d.len;
      field = convertField(d, std::move(field), size);
      std::size_t n = field.size();
      while (n > 0 && field[n - 1] == u' ') --n;
      field.resize(n);
      if (columns.isString(k) || columns.isDate(k)) {
        convert::appendQuotedValue(*this, columns, k, field, statement);
      } else {
        double v = rt::val(field);
        if (d.type == u'n' && d.decimals() > 0) v = v / std::pow(10.0, d.decimals());
        statement += rt::numberText(v);
        statement += u',';
      }
    }
    statement.back() = u')';
    return batch.insert(statement);
  };

  try {
    if (bln < 1) {
      std::string bytes;
      while (file.readLineBytes(bytes)) {
        decode(bytes);
        if (!insertRecord()) break;
      }
    } else {
      // Records of bln bytes laid end to end; bytes past the fields (a CR LF) are ignored.
      std::string bytes(static_cast<std::size_t>(bln), '\0');
      const std::size_t needed = static_cast<std::size_t>(std::min<std::int64_t>(bln, layoutBytes));
      while (!file.atEnd()) {
        std::size_t got = file.readBytes(bytes.data(), bytes.size());
        // A last record cut short inside its fields is a damaged file, not a shorter record.
        if (got < needed) {
          const std::int32_t n = batch.count() + 1;
          batch.fail(Status(Status::Code::ReadFile,
                            source + " ends inside record " + std::to_string(n) + " (" +
                                std::to_string(got) + " of " + std::to_string(needed) + " bytes)")
                         .at(n));
          break;
        }
        decode(std::string_view(bytes.data(), got));
        if (!insertRecord()) break;
      }
    }
    batch.finish();
  } catch (...) {
    batch.fail(convert::failureOf(std::current_exception(), batch.count() + 1, source));
  }
  if (batch.failed()) return failed(batch.status());
  if (file.failed()) return failed(file.status());
  return batch.count();
}

}  // namespace zuvo
