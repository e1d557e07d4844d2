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
#include "platform/ShiftJisCursor.h"
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

namespace {

// A fixed-length file into a table: records of the layout's fields, one per line or of
// `bln` bytes each.
class FixedImport : public convert::FileImport {
 public:
  FixedImport(ZuvoCls& z, ConversionReport& report, Connection& cn, const String& fnm,
              const String& tbl, const String& fds, std::int16_t bln)
      : FileImport(z, report, cn, fnm, tbl), layout_(fds, convert::fieldCount(fds)), bln_(bln) {}

 private:
  Status checkFields() override {
    if (layout_.size() - 1 != columns_.last)
      return convert::fieldCountMismatch("the layout", layout_.size(), columns_, tbl_);
    return layout_.status();
  }

  void loadRecords(convert::ImportBatch& batch, convert::ImportRow& row) override {
    if (bln_ < 1) {
      std::string bytes;
      while (file_.readLineBytes(bytes)) {
        decode(bytes, batch.count() + 1);
        if (!insertRecord(batch, row)) return;
      }
      return;
    }
    // Records of bln bytes laid end to end; bytes past the fields (a CR LF) are ignored.
    std::string bytes(static_cast<std::size_t>(bln_), '\0');
    const auto needed = static_cast<std::size_t>(std::min<std::int64_t>(bln_, layout_.bytes()));
    while (!file_.atEnd()) {
      std::size_t got = file_.readBytes(bytes.data(), bytes.size());
      const std::int32_t record = batch.count() + 1;
      // A last record cut short inside its fields is a damaged file, not a shorter record.
      if (got < needed)
        return batch.fail(Status(Status::Code::ReadFile, source_ + " ends inside record " +
                                                             std::to_string(record) + " (" +
                                                             std::to_string(got) + " of " +
                                                             std::to_string(needed) + " bytes)")
                              .at(record));
      decode(std::string_view(bytes.data(), got), record);
      if (!insertRecord(batch, row)) return;
    }
  }

  // Bytes that name no character become the substitute; the field they sit in is noted.
  void decode(std::string_view bytes, std::int32_t record) {
    if (convert::decodeShiftJis(bytes, record_)) return;
    std::size_t bad = convert::firstInvalidShiftJis(bytes);
    std::int32_t field = 1;
    for (std::size_t end = 0; field <= columns_.last; ++field) {
      end += static_cast<std::size_t>(std::max<std::int16_t>(layout_[field - 1].len, 0));
      if (bad < end) break;
    }
    report_.substituted.note(record, std::min(field, columns_.last + 1));
  }

  bool insertRecord(convert::ImportBatch& batch, convert::ImportRow& row) {
    std::int32_t start = 1;
    cp932::ByteCursor fields(record_);  // cuts the fields as MidByte does, in one pass
    for (std::int32_t k = 0; k <= columns_.last; ++k) {
      const convert::FieldDescriptor& d = layout_[k];
      std::int32_t size = columns_.size[static_cast<std::size_t>(k)];
      // MidByte counts characters in 16 bits: a longer record overflows where a field is cut.
      if (record_.size() > 32767 && start >= 1 && d.len >= 1) throw RuntimeError(err::Overflow);
      String field(fields.cut(start, d.len));
      start += d.len;
      field = convertField(d, std::move(field), size);
      std::size_t n = field.size();
      while (n > 0 && field[n - 1] == u' ') --n;
      field.resize(n);
      if (columns_.isString(k) || columns_.isDate(k)) {
        row.setText(z_, k, field);
      } else {
        double v = rt::val(field);
        if (d.type == u'n' && d.decimals() > 0) v = v / std::pow(10.0, d.decimals());
        row.setNumber(k, rt::numberText(v));
      }
    }
    return batch.insert(row);
  }

  const convert::Layout layout_;
  std::int16_t bln_;
  String record_;
};

}  // namespace

std::int32_t ZuvoCls::SetFixRDB(Connection& cn, const String& sql, const String& fnm,
                                const String& fds, std::int16_t bln, const String& tbl) {
  FixedImport import(*this, beginConversion(), cn, fnm, tbl, fds, bln);
  return import.run(sql, settings_.transactionInterval,
                    [this](std::int32_t count) { countConverted(count, 200); });
}

}  // namespace zuvo
