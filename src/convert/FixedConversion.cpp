// Fixed-length Shift-JIS files: CnvFixSFFile and SetFixRDB.
#include <algorithm>
#include <cmath>
#include <memory>
#include <optional>
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

// --- Export ---

namespace {

// Appends s with len fill characters before (right-aligned) or after it (left-aligned), cut to
// len characters.
void appendByCharacters(String& out, std::u16string_view s, int len, char16_t fill, bool left) {
  if (len <= 0) return;
  const auto n = static_cast<std::size_t>(len);
  if (left) {
    out += s.substr(0, n);
    if (s.size() < n) out.append(n - s.size(), fill);
  } else if (s.size() >= n) {
    out += s.substr(s.size() - n);
  } else {
    out.append(n - s.size(), fill);
    out += s;
  }
}

// Appends s filled and cut to len Shift-JIS bytes as MidByte cuts the filled text. The byte
// measures count in 16 bits: a filled text of more characters, or, cut from its end, of more
// bytes, overflows.
void appendByBytes(String& out, std::u16string_view s, int len, char16_t fill, bool left) {
  if (len <= 0) return;
  constexpr std::size_t most = 32767;
  const auto n = static_cast<std::size_t>(len);
  if (s.size() + n > most) throw RuntimeError(err::Overflow);
  if (!left && 2 * (s.size() + n) > most &&
      cp932::byteLength(s) + std::int64_t(n) * cp932::weight(fill) > std::int64_t(most))
    throw RuntimeError(err::Overflow);
  cp932::appendAligned(out, s, len, fill, left);
}

// Upper case in place; plain ASCII, the usual code text, needs no case tables.
void toUpper(String& s) {
  for (char16_t& c : s) {
    if (c >= 0x80) {
      s = rt::upper(s);
      return;
    }
    if (c >= u'a' && c <= u'z') c = static_cast<char16_t>(c - 0x20);
  }
}

// Whether the width mapping would change the text: only ASCII, a few Latin-1 signs, the won
// sign and the half-width forms have full-width faces. Text without them is left as it is.
bool hasHalfWidth(std::u16string_view s) {
  return std::any_of(s.begin(), s.end(),
                     [](char16_t c) { return c < 0x100 || c == 0x20A9 || c >= 0xFF61; });
}

// The number pattern of a right-aligned "n" or "p" field: at least len digits, or len - d
// integer digits and d decimals.
std::optional<FormatPattern> numberPattern(const convert::FieldDescriptor& d) {
  if ((d.type != u'n' && d.type != u'p') || d.leftAligned()) return std::nullopt;
  const int len = d.len, decimals = d.decimals();
  if (decimals <= 0) return FormatPattern(String(static_cast<std::size_t>(std::max(len, 1)), u'0'));
  String pattern(static_cast<std::size_t>(std::max(len - decimals, 1)), u'0');
  pattern += u'.';
  pattern.append(static_cast<std::size_t>(decimals), u'0');
  return FormatPattern(pattern);
}

// Builds the fields of a record straight into it. The number patterns are read once per
// field, and the buffers live as long as the export, so a record makes no strings of its own.
class FixedRecord {
 public:
  explicit FixedRecord(const convert::Layout& layout) : layout_(layout) {
    patterns_.reserve(static_cast<std::size_t>(layout.size()));
    for (const convert::FieldDescriptor& d : layout) patterns_.push_back(numberPattern(d));
  }

  void append(String& record, std::int32_t k, const Variant& value) {
    const convert::FieldDescriptor& d = layout_[k];
    const bool left = d.leftAligned();
    const char16_t fill = d.zeroFill() ? u'0' : u' ';
    switch (d.type) {
      case u'n':
      case u'p':
        number(record, d, patterns_[static_cast<std::size_t>(k)], value);
        break;
      case u'k': {
        std::u16string_view s = textOf(value);
        if (hasHalfWidth(s)) {
          work_ = convert::toFullWidth(String(s));
          s = work_;
        }
        appendByBytes(record, s, d.len, u'\u3000', left);
        break;
      }
      case u'f':
        without(textOf(value), u'-');
        toUpper(work_);
        appendByCharacters(record, work_, d.len, fill, left);
        break;
      case u'd':
      case u't': {
        without(textOf(value), d.type == u'd' ? u'.' : u':');
        const std::size_t at = record.size();
        appendByCharacters(record, work_, d.len, fill, left);
        // An all-zero date or time is written empty, unless zeros are its fill.
        const auto field = record.begin() + static_cast<std::ptrdiff_t>(at);
        if (!d.zeroFill() && field != record.end() &&
            std::all_of(field, record.end(), [](char16_t c) { return c == u'0'; }))
          std::fill(field, record.end(), u' ');
        break;
      }
      default: {
        std::u16string_view s = textOf(value);
        if (d.type == u'u') {
          work_.assign(s);
          toUpper(work_);
          s = work_;
        }
        appendByBytes(record, s, d.len, fill, left);
        break;
      }
    }
  }

 private:
  // The value's text in the file (Null empty), without its trailing blanks.
  std::u16string_view textOf(const Variant& value) {
    std::u16string_view s;
    if (const String* held = value.get<String>()) {
      s = *held;
    } else {
      text_ = convert::defaultText(value);
      s = text_;
    }
    while (!s.empty() && s.back() == u' ') s.remove_suffix(1);
    return s;
  }

  void without(std::u16string_view s, char16_t c) {
    work_.clear();
    for (char16_t x : s)
      if (x != c) work_.push_back(x);
  }

  // A number field. Left-aligned, the text is not formatted: it is filled with zeros on the
  // right. Right-aligned, the value is formatted and its integer digits cut from the left; the
  // sign stays in front.
  void number(String& record, const convert::FieldDescriptor& d,
              const std::optional<FormatPattern>& pattern, const Variant& value) {
    static const Variant zero(u"0");
    if (d.leftAligned()) {
      std::u16string_view s = textOf(value);
      appendByCharacters(record, s.empty() ? u"0" : s, d.len, u'0', true);
      return;
    }
    work_.clear();
    FormatPattern::Formatted how;
    if (value.isNumber()) {
      how = pattern->appendTo(work_, value);
    } else if (std::u16string_view s = textOf(value); s.empty()) {
      how = pattern->appendTo(work_, zero);
    } else if (value.get<String>()) {
      // A number held as text reads the same with its trailing blanks; other text stays as
      // it is, without them.
      how = pattern->appendTo(work_, value);
      if (how == FormatPattern::Formatted::AsIs) work_.assign(s);
    } else {
      how = pattern->appendTo(work_, Variant(String(s)));
    }
    const int decimals = d.decimals();
    if (d.type == u'n' && decimals > 0) {
      // The decimals are implied: the point goes, and with it anything past d decimals.
      std::size_t point = work_.find(u'.');
      if (point != String::npos) {
        work_.resize(std::min(work_.size(), point + 1 + static_cast<std::size_t>(decimals)));
        work_.erase(point, 1);
      }
    }
    if (d.len <= 0) return;
    // A text that is no number has its sign read from it, as its value would be.
    const bool negative = how == FormatPattern::Formatted::AsIs
                              ? rt::val(work_) < 0
                              : how == FormatPattern::Formatted::Negative;
    auto len = static_cast<std::size_t>(d.len);
    std::u16string_view s = work_;
    if (negative) {
      record += u'-';
      --len;
    }
    record += s.size() > len ? s.substr(s.size() - len) : s;
  }

  const convert::Layout& layout_;
  std::vector<std::optional<FormatPattern>> patterns_;
  String text_;  // the text of a value not held as text
  String work_;  // a field being built
};

}  // namespace

namespace {

// The rows of a query as records of the layout's fields, each ended with CR LF when asked.
class FixedExport : public convert::QueryExport {
 public:
  FixedExport(ConversionReport& report, FileService& files, const String& fds, bool cr)
      : QueryExport(report, files), fds_(fds), cr_(cr) {}

 private:
  void begin(Resultset& rs, bool) override {
    layout_.emplace(fds_, rs.rdoColumns().Count());
    fields_.emplace(*layout_);
    // A layout that can't be read fails the first record, so an empty result still succeeds.
    if (!layout_->status().ok() && !rs.IsEOF())
      throw RuntimeError(err::Overflow, layout_->status().message());
  }

  void writeRow(Columns& columns, std::int64_t) override {
    record_.clear();
    for (std::int32_t k = 0; k < layout_->size(); ++k)
      fields_->append(record_, k, columns[k].ValueRef());
    if (cr_) record_ += u"\r\n";
    out_.writeText(record_);
  }

  const String& fds_;
  bool cr_;
  std::optional<convert::Layout> layout_;  // read once the column count is known
  std::optional<FixedRecord> fields_;
  String record_;
};

}  // namespace

std::int32_t ZuvoCls::CnvFixSFFile(Connection& cn, const String& sql, const String& fnm,
                                   const String& fds, bool cr, bool add) {
  FixedExport job(beginConversion(), files(), fds, cr);
  return job.run(cn, sql, fnm, add, [this](std::int32_t count) { countConverted(count, 500); });
}

// --- Import ---

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
      field = convert::applyImportCode(d, std::move(field), std::max(size, 0));
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
