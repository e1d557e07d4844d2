// JEF sequential files: export of a query, import into a table, and conversion from and to CSV.
#include <algorithm>
#include <array>
#include <charconv>
#include <cmath>
#include <cstring>
#include <memory>
#include <vector>

#include "component/ZuvoCls.h"
#include "convert/Csv.h"
#include "convert/Export.h"
#include "convert/Failure.h"
#include "convert/FieldDefs.h"
#include "convert/Import.h"
#include "convert/TextFile.h"
#include "convert/ValueText.h"
#include "jef/BackgroundWriter.h"
#include "jef/JefFields.h"
#include "platform/Cp932.h"
#include "runtime/Convert.h"

namespace zuvo {

namespace {

// Bytes of a record of the layout; 0 means a reader could never move on.
std::int64_t recordWidth(const convert::Layout& layout) {
  std::int64_t width = 0;
  for (const convert::FieldDescriptor& d : layout) width += jef::fieldWidth(d);
  return width;
}

Status noFields(const std::string& what) {
  return Status(Status::Code::FieldCount, what + " has no field of a length above 0");
}

// Reads one record field by field. A record cut short by the end of the file is not
// converted: it fails the run.
class RecordReader {
 public:
  RecordReader(convert::TextReader& file, std::int64_t width, std::string source)
      : file_(file), width_(width), source_(std::move(source)) {}
  bool field(std::int32_t width, ByteArray& bytes, ConversionReport& report, std::int64_t record) {
    bytes.resize(static_cast<std::size_t>(width));
    std::size_t got = file_.readBytes(reinterpret_cast<char*>(bytes.data()), bytes.size());
    read_ += static_cast<std::int64_t>(got);
    if (got == bytes.size()) return true;
    report.fail(file_.failed() ? file_.status()
                               : Status(Status::Code::ReadFile,
                                        source_ + " ends inside record " + std::to_string(record) +
                                            " (" + std::to_string(read_) + " of " +
                                            std::to_string(width_) + " bytes)")
                                     .at(record));
    return false;
  }
  void startRecord() { read_ = 0; }

 private:
  convert::TextReader& file_;
  std::int64_t width_;
  std::string source_;
  std::int64_t read_ = 0;
};

// A field that could not be converted: for want of the conversion table, or by its value.
Status fieldFailure(ZuvoCls& z, std::int64_t record, std::int32_t k, const std::string& source,
                    const std::string& what) {
  Status table = z.jefTableStatus();
  if (!table.ok()) return table.at(record, k + 1);
  return Status(Status::Code::Value, "record " + std::to_string(record) + " of " + source +
                                         ": field " + std::to_string(k + 1) + " " + what)
      .at(record, k + 1);
}

// The text of a column value as columnText gives it, without copying a text value: a view of
// the value itself, or of `scratch`.
// The text of a whole or binary floating-point number as columnText gives it (the same
// std::to_chars forms), written as ASCII into `buffer`; empty for any other value.
std::string_view numberView(const Variant& value, std::array<char, 64>& buffer) {
  std::to_chars_result r{buffer.data(), std::errc()};
  char* const end = buffer.data() + buffer.size();
  if (const auto* l = value.get<std::int32_t>())
    r = std::to_chars(buffer.data(), end, static_cast<long long>(*l));
  else if (const auto* i = value.get<std::int16_t>())
    r = std::to_chars(buffer.data(), end, static_cast<long long>(*i));
  else if (const auto* d = value.get<double>(); d && std::isfinite(*d))
    r = std::to_chars(buffer.data(), end, *d);
  if (r.ec != std::errc()) return {};
  return std::string_view(buffer.data(), static_cast<std::size_t>(r.ptr - buffer.data()));
}

std::u16string_view columnView(const Variant& value, String& scratch) {
  std::u16string_view text;
  if (const String* s = value.get<String>()) {
    text = *s;
  } else if (value.isNull() || value.isEmpty()) {
    return text;
  } else {
    scratch = convert::defaultText(value);
    text = scratch;
  }
  return text.substr(0, text.find_last_not_of(u' ') + 1);
}

// A record of the layout, each field written in its place: by the direct way straight there,
// by the general way through a scratch field.
class RecordBuffer {
 public:
  explicit RecordBuffer(const convert::Layout& layout) {
    for (const convert::FieldDescriptor& d : layout) {
      offsets_.push_back(bytes_.size());
      bytes_.append(static_cast<std::size_t>(jef::fieldWidth(d)), '\0');
    }
  }
  void clear() { std::fill(bytes_.begin(), bytes_.end(), '\0'); }
  std::uint8_t* field(std::int32_t k) {
    return reinterpret_cast<std::uint8_t*>(bytes_.data() + offsets_[static_cast<std::size_t>(k)]);
  }
  bool general(jef::FieldEncoder& encoder, std::int32_t k, const convert::FieldDescriptor& d,
               const String& v) {
    scratch_.clear();
    bool ok = encoder.append(d, v, scratch_);
    std::memcpy(field(k), scratch_.data(), scratch_.size());
    return ok;
  }
  std::string_view bytes() const { return bytes_; }

 private:
  std::string bytes_;
  std::vector<std::size_t> offsets_;
  std::string scratch_;
};

// Text appended in the encoding of the CSV side, as the text writer would write it.
void appendEncoded(std::string& line, const String& text, TextEncoding encoding) {
  if (encoding == TextEncoding::Utf8) {
    line += rt::toUtf8(text);
    return;
  }
  const auto& t = cp932::tables();
  for (char16_t c : text) {
    if (c < 0x80) {
      line.push_back(static_cast<char>(c));
      continue;
    }
    auto code = static_cast<std::uint16_t>(t.codeOf[c]);
    if (t.weightOf[c] == 2) line.push_back(static_cast<char>(code >> 8));
    line.push_back(static_cast<char>(code & 0xFF));
  }
}

}  // namespace

std::int32_t ZuvoCls::CnvJefSFFile(Connection& cn, const String& sql, const String& fnm,
                                   const String& fds, bool add) {
  ConversionReport& report = beginConversion();
  convert::ResultsetCloser query;
  convert::TextWriter out(TextEncoding::ShiftJis, files());
  if (Status s = convert::openExport(cn, sql, fnm, add, out, query.rs); !s.ok()) {
    report.fail(std::move(s));
    return -1;
  }

  std::int32_t count = 0;
  jef::FieldEncoder encoder(*this, false);
  jef::BackgroundWriter writer(out);
  String v, scratch;
  std::array<char, 64> digits;
  try {
    Columns& columns = query.rs->rdoColumns();
    const convert::Layout layout(fds, columns.Count());
    if (!layout.status().ok()) report.fail(layout.status());
    RecordBuffer record(layout);
    while (!query.rs->IsEOF()) {
      record.clear();
      jef::DirectEncoder* direct = encoder.direct();
      for (std::int32_t k = 0; k < layout.size(); ++k) {
        const convert::FieldDescriptor& d = layout[k];
        const Variant& value = columns[k].ValueRef();
        // Numbers go to the fields as the ASCII of their text, which is also Shift-JIS.
        const std::string_view number = numberView(value, digits);
        if (!number.empty()) {
          if (direct && direct->append(d, number, record.field(k))) continue;
          v.assign(number.begin(), number.end());
        } else {
          const std::u16string_view text = columnView(value, scratch);
          bool substitute = false;
          if (direct && direct->append(d, text, record.field(k), substitute)) {
            if (substitute) report.substituted.note(count + 1, k + 1);
            continue;
          }
          v.assign(text);
        }
        if (!convert::fitsShiftJis(v)) report.substituted.note(count + 1, k + 1);
        if (!record.general(encoder, k, d, v))
          report.fail(fieldFailure(*this, count + 1, k, "the query",
                                   "(\"" + convert::shown(v) + "\") does not fit its field"));
      }
      writer.write(record.bytes());
      ++count;
      countConverted(count, 200);
      query.rs->MoveNext();
    }
  } catch (...) {
    // A row that can't be read ends the export; what was written stays in the file.
    report.fail(convert::failureOf(std::current_exception(), count + 1, "the query"));
  }
  writer.finish();
  if (!out.close()) report.fail(out.status());
  return report.status.ok() ? count : -1;
}

namespace {

// A JEF file into a table: records of the layout's fields end to end.
class JefImport : public convert::FileImport {
 public:
  JefImport(ZuvoCls& z, ConversionReport& report, Connection& cn, const String& fnm,
            const String& tbl, const String& fds)
      : FileImport(z, report, cn, fnm, tbl),
        layout_(fds, convert::fieldCount(fds)),
        decoder_(z, false) {}

 private:
  Status checkFields() override {
    if (layout_.size() - 1 != columns_.last)
      return convert::fieldCountMismatch("the layout", layout_.size(), columns_, tbl_);
    if (!layout_.status().ok()) return layout_.status();
    if (recordWidth(layout_) == 0) return noFields("the layout");
    return Status();
  }

  void loadRecords(convert::ImportBatch& batch, convert::ImportRow& row) override {
    RecordReader reader(file_, recordWidth(layout_), source_);
    while (!file_.atEnd()) {
      const std::int32_t record = batch.count() + 1;
      reader.startRecord();
      for (std::int32_t k = 0; k <= columns_.last; ++k) {
        const convert::FieldDescriptor& d = layout_[k];
        // The file ends inside this record: it is not loaded; the rows before it are.
        if (!reader.field(jef::fieldWidth(d), bytes_, report_, record)) return;
        setField(row, k, d, record);
      }
      if (!batch.insert(row)) return;
    }
  }

  // A value that can't be decoded fails the load but still takes its place in the row, so
  // that the record's other fields are checked too.
  void setField(convert::ImportRow& row, std::int32_t k, const convert::FieldDescriptor& d,
                std::int32_t record) {
    std::int32_t size = columns_.size[static_cast<std::size_t>(k)];
    if (!decoder_.decode(d, bytes_, size, v_))
      report_.fail(fieldFailure(z_, record, k, source_, "could not be decoded"));
    v_.erase(v_.find_last_not_of(u' ') + 1);
    try {
      if (columns_.isString(k) || columns_.isDate(k))
        row.setText(z_, k, v_);
      else
        row.setNumber(k, jef::scaledNumber(v_, d.type == u'n' ? d.decimals() : 0));
    } catch (...) {
      report_.fail(convert::failureOf(std::current_exception(), record, source_));
      row.setNumber(k, u"0");
    }
  }

  const convert::Layout layout_;
  jef::FieldDecoder decoder_;
  ByteArray bytes_;
  String v_;
};

}  // namespace

std::int32_t ZuvoCls::SetJefRDB(Connection& cn, const String& sql, const String& fnm,
                                const String& fds, std::int16_t /*bln*/, const String& tbl) {
  JefImport import(*this, beginConversion(), cn, fnm, tbl, fds);
  return import.run(sql, settings_.transactionInterval,
                    [this](std::int32_t count) { countConverted(count, 200); });
}

std::int32_t ZuvoCls::CSVtoJEF(const String& csv, const String& fnm, const String& fds, bool add) {
  ConversionReport& report = beginConversion();
  auto failed = [&](Status s) {
    report.fail(std::move(s));
    return -1;
  };
  const std::string source = convert::shown(csv);
  std::int32_t nf;
  try {
    nf = GetCntCSV(csv);
  } catch (...) {
    return failed(Status(Status::Code::FieldCount,
                         "the first line of " + source + " is longer than 32767 characters"));
  }
  convert::TextReader file(options_.csvEncoding, files());
  if (!file.open(csv)) return failed(file.status());
  if (nf == 0)
    return failed(Status(Status::Code::FieldCount,
                         "the first line of " + source + " has fewer than two fields"));
  convert::TextWriter out(TextEncoding::ShiftJis, files());
  if (!out.open(fnm, add)) return failed(out.status());

  std::int32_t count = 0;
  const convert::Layout layout(fds, nf);
  if (!layout.status().ok()) report.fail(layout.status());
  jef::FieldEncoder encoder(*this, true);
  jef::BackgroundWriter writer(out);
  RecordBuffer record(layout);
  String v;
  // The values of a record that had to change, noted after the record as the field reader
  // notes them: the fields whose bytes name no character, then those Shift-JIS can't hold.
  ChangedValues invalid, unfit;
  auto endRecord = [&] {
    if (invalid.count) report.substituted.note(count + 1, invalid.firstField, invalid.count);
    if (unfit.count) report.substituted.note(count + 1, unfit.firstField, unfit.count);
    invalid = unfit = ChangedValues();
    writer.write(record.bytes());
    ++count;
    countConverted(count, 500);
  };
  // The general way for field k, its text decoded.
  auto general = [&](std::int32_t k) {
    v.erase(v.find_last_not_of(u' ') + 1);
    if (!convert::fitsShiftJis(v)) unfit.note(count + 1, k + 1);
    if (!record.general(encoder, k, layout[k], v))
      report.fail(fieldFailure(*this, count + 1, k, source,
                               "(\"" + convert::shown(v) + "\") does not fit its field"));
  };
  auto truncated = [&] {
    // The file ends inside a record, or a read failed there: the record is not converted.
    report.fail(file.failed() ? file.status()
                              : Status(Status::Code::ReadFile,
                                       source + " ends inside record " + std::to_string(count + 1))
                                    .at(count + 1));
  };
  try {
    if (options_.csvEncoding == TextEncoding::ShiftJis) {
      // The fields' bytes go straight to the tables; only a field they can't take is decoded.
      convert::CsvByteRecordReader reader(file);
      for (;;) {
        auto got = reader.readRecord(static_cast<std::size_t>(nf));
        if (got == convert::CsvFieldReader::Record::End) break;
        if (got == convert::CsvFieldReader::Record::Truncated) {
          truncated();
          break;
        }
        record.clear();
        jef::DirectEncoder* direct = encoder.direct();
        for (std::int32_t k = 0; k < nf; ++k) {
          const std::string_view bytes = reader.field(static_cast<std::size_t>(k));
          if (direct && direct->append(layout[k], bytes.substr(0, bytes.find_last_not_of(' ') + 1),
                                       record.field(k)))
            continue;
          if (!file.decode(bytes, v)) invalid.note(count + 1, k + 1);
          general(k);
        }
        endRecord();
      }
    } else {
      convert::CsvFieldReader reader(file);
      std::vector<String> fields;
      for (;;) {
        auto got = reader.readRecord(fields, static_cast<std::size_t>(nf));
        if (got == convert::CsvFieldReader::Record::End) break;
        if (got == convert::CsvFieldReader::Record::Truncated) {
          truncated();
          break;
        }
        if (reader.invalidField() >= 0)
          invalid.note(count + 1, reader.invalidField() + 1, reader.invalidFields());
        record.clear();
        jef::DirectEncoder* direct = encoder.direct();
        for (std::int32_t k = 0; k < nf; ++k) {
          v.swap(fields[static_cast<std::size_t>(k)]);
          std::u16string_view text(v);
          bool substitute = false;
          if (direct && direct->append(layout[k], text.substr(0, text.find_last_not_of(u' ') + 1),
                                       record.field(k), substitute)) {
            if (substitute) unfit.note(count + 1, k + 1);
            continue;
          }
          general(k);
        }
        endRecord();
      }
    }
  } catch (...) {
    report.fail(convert::failureOf(std::current_exception(), count + 1, source));
  }
  writer.finish();
  if (!out.close()) report.fail(out.status());
  if (file.failed()) report.fail(file.status());
  return report.status.ok() ? count : -1;
}

std::int32_t ZuvoCls::JEFtoCSV(const String& fnm, const String& csv, const String& fds,
                               std::int16_t /*bln*/, bool add) {
  ConversionReport& report = beginConversion();
  auto failed = [&](Status s) {
    report.fail(std::move(s));
    return -1;
  };
  convert::TextReader file(TextEncoding::ShiftJis, files());
  if (!file.open(fnm)) return failed(file.status());
  if (file.atEnd()) return file.failed() ? failed(file.status()) : 0;
  convert::TextWriter out(options_.csvEncoding, files());
  if (!out.open(csv, add)) return failed(out.status());

  const convert::Layout layout(fds, convert::fieldCount(fds));
  if (!layout.status().ok()) report.fail(layout.status());
  const std::int64_t width = recordWidth(layout);
  if (width == 0) {
    // Records of no bytes would never move through the file.
    out.close();
    return failed(noFields("the layout"));
  }
  {  // the column type file: "n" and the decimals for a number field, "ss" for another
    String types;
    for (const convert::FieldDescriptor& d : layout) {
      if (d.type == u'n' || d.type == u'p') {
        types += u'n';
        if (d.second) types += d.second;
      } else {
        types += u"ss";
      }
      types += u',';
    }
    types.pop_back();
    if (Status s = convert::writeColumnTypeFile(files(), csv, types); !s.ok())
      report.fail(std::move(s));
  }

  const std::string source = convert::shown(fnm);
  const TextEncoding encoding = options_.csvEncoding;
  std::int32_t count = 0;
  jef::FieldDecoder decoder(*this, true);
  jef::BackgroundWriter writer(out);
  std::vector<std::int32_t> widths;
  for (const convert::FieldDescriptor& d : layout) widths.push_back(jef::fieldWidth(d));
  std::string bytes, line, text;
  std::size_t used = 0;
  // The line grows to what its longest record needs and stays so.
  auto room = [&](std::size_t n) {
    if (line.size() < used + n) line.resize(2 * (used + n));
    return line.data() + used;
  };
  ByteArray field;
  String v;
  try {
    while (!file.atEnd()) {
      // The record is read whole; fields past a short end of the file are not converted.
      bytes.resize(static_cast<std::size_t>(width));
      const std::size_t got = file.readBytes(bytes.data(), bytes.size());
      used = 0;
      std::size_t at = 0;
      bool whole = true;
      jef::DirectDecoder* direct = encoding == TextEncoding::ShiftJis ? decoder.direct() : nullptr;
      for (std::int32_t k = 0; k < layout.size(); ++k) {
        const convert::FieldDescriptor& d = layout[k];
        const auto w = static_cast<std::size_t>(widths[static_cast<std::size_t>(k)]);
        if (at + w > got) {
          whole = false;
          report.fail(file.failed()
                          ? file.status()
                          : Status(Status::Code::ReadFile, source + " ends inside record " +
                                                               std::to_string(count + 1) + " (" +
                                                               std::to_string(got) + " of " +
                                                               std::to_string(width) + " bytes)")
                                .at(count + 1));
          break;
        }
        const std::string_view bytesOfField(bytes.data() + at, w);
        at += w;
        if (direct) {
          if (char* end = direct->csvField(d, bytesOfField, room(jef::DirectDecoder::room(w)))) {
            used = static_cast<std::size_t>(end - line.data());
            continue;
          }
        }
        field.assign(bytesOfField.begin(), bytesOfField.end());
        if (!decoder.decode(d, field, 0, v))
          report.fail(fieldFailure(*this, count + 1, k, source, "could not be decoded"));
        convert::cleanText(v);
        v.erase(v.find_last_not_of(u' ') + 1);
        text.assign(1, '"');
        appendEncoded(text, v, encoding);
        text += "\",";
        std::memcpy(room(text.size()), text.data(), text.size());
        used += text.size();
      }
      // The file ends inside this record: no line is written for it.
      if (!whole) break;
      // The comma after the last field becomes the line end.
      *room(1) = '\n';
      line[used - 1] = '\r';
      ++used;
      writer.write(std::string_view(line.data(), used));
      ++count;
      countConverted(count, 500);
    }
  } catch (...) {
    report.fail(convert::failureOf(std::current_exception(), count + 1, source));
  }
  writer.finish();
  if (!out.close()) report.fail(out.status());
  if (file.failed()) report.fail(file.status());
  return report.status.ok() ? count : -1;
}

}  // namespace zuvo
