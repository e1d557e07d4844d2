#include "convert/Csv.h"

#include "runtime/RuntimeError.h"

namespace zuvo::convert {

void appendCsvField(String& line, std::u16string_view field) {
  line += u'"';
  line += field;
  line += u"\",";
}

void endCsvLine(String& line) {
  if (!line.empty() && line.back() == u',') line.pop_back();
  line += u"\r\n";
}

std::int16_t countCsvFields(const String& line) {
  if (line.size() > 32767) throw RuntimeError(err::Overflow);
  const std::size_t length = line.size();
  std::int32_t count = 0;
  std::size_t i = 0;  // 0-based here
  do {
    if (i < length && line[i] == u'"') {
      ++i;
      while (i < length && line[i] != u'"') ++i;
      if (i >= length) return 0;  // the quote is not closed on this line
      ++i;
    }
    if (i < length && line[i] == u',') ++count;
    ++i;
  } while (i < length);
  return static_cast<std::int16_t>(count >= 1 ? count + 1 : 0);
}

bool CsvFieldReader::next(String& field, bool& valid) {
  int c;
  while ((c = file_.peekByte()) == ' ') file_.getByte();
  if (c < 0) {
    field.clear();
    bool pending = commaPending_;
    commaPending_ = false;
    return pending;
  }
  bytes_.clear();
  if (c == '"') {
    file_.getByte();
    c = file_.readUntil(bytes_, '"', '"', '"');
    // Anything between the closing quote and the separator is not part of the field.
    if (c == '"') {
      skipped_.clear();
      c = file_.readUntil(skipped_, ',', '\r', '\n');
    }
  } else {
    c = file_.readUntil(bytes_, ',', '\r', '\n');
  }
  if (c == '\r' && file_.peekByte() == '\n') file_.getByte();
  commaPending_ = c == ',';
  valid = file_.decode(bytes_, field);
  return true;
}

CsvFieldReader::Record CsvFieldReader::readRecord(std::vector<String>& fields, std::size_t n) {
  fields.resize(n);
  // Blank lines between records (and at the end of the file) are no record.
  for (int c = file_.peekByte(); c == '\r' || c == '\n'; c = file_.peekByte()) file_.getByte();
  invalidField_ = -1;
  invalidFields_ = 0;
  for (std::size_t k = 0; k < n; ++k) {
    bool valid = true;
    if (!next(fields[k], valid)) return k == 0 ? Record::End : Record::Truncated;
    if (valid) continue;
    if (invalidFields_++ == 0) invalidField_ = static_cast<std::int32_t>(k);
  }
  return Record::Complete;
}

// The same reading as CsvFieldReader::next, the field's bytes appended to the record's.
bool CsvByteRecordReader::next() {
  int c;
  while ((c = file_.peekByte()) == ' ') file_.getByte();
  if (c < 0) {
    bool pending = commaPending_;
    commaPending_ = false;
    return pending;
  }
  if (c == '"') {
    file_.getByte();
    c = file_.readUntil(bytes_, '"', '"', '"');
    if (c == '"') {
      skipped_.clear();
      c = file_.readUntil(skipped_, ',', '\r', '\n');
    }
  } else {
    c = file_.readUntil(bytes_, ',', '\r', '\n');
  }
  if (c == '\r' && file_.peekByte() == '\n') file_.getByte();
  commaPending_ = c == ',';
  return true;
}

CsvFieldReader::Record CsvByteRecordReader::readRecord(std::size_t n) {
  bytes_.clear();
  starts_.assign(1, 0);
  for (int c = file_.peekByte(); c == '\r' || c == '\n'; c = file_.peekByte()) file_.getByte();
  for (std::size_t k = 0; k < n; ++k) {
    if (!next()) return k == 0 ? CsvFieldReader::Record::End : CsvFieldReader::Record::Truncated;
    starts_.push_back(bytes_.size());
  }
  return CsvFieldReader::Record::Complete;
}

}  // namespace zuvo::convert
