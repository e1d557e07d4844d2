#include "convert/Csv.h"

#include <cstring>

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

bool CsvByteRecordReader::readMore() {
  if (atEnd_) return false;
  // The record being parsed goes to the front; a record longer than the buffer doubles it.
  if (pos_ > 0) {
    std::memmove(buffer_.data(), buffer_.data() + pos_, end_ - pos_);
    end_ -= pos_;
    pos_ = 0;
  }
  if (end_ == buffer_.size()) buffer_.resize(buffer_.size() * 2);
  std::size_t got = file_.readBytes(buffer_.data() + end_, buffer_.size() - end_);
  end_ += got;
  atEnd_ = got == 0;
  return true;
}

// What CsvFieldReader::readRecord does, on the bytes in the buffer. Its state (the position
// and the comma before the end) changes only once the record is complete.
CsvByteRecordReader::Parsed CsvByteRecordReader::parse(std::size_t n) {
  const char* const base = buffer_.data();
  const char* p = base + pos_;
  const char* const e = base + end_;
  auto separator = [e](const char* q) {
    while (q < e && *q != ',' && *q != '\r' && *q != '\n') ++q;
    return q;
  };
  bool pending = commaPending_;
  fields_.clear();
  // Blank lines between records (and at the end of the file) are no record.
  while (p < e && (*p == '\r' || *p == '\n')) ++p;
  for (std::size_t k = 0; k < n; ++k) {
    while (p < e && *p == ' ') ++p;
    if (p == e) {
      if (!atEnd_) return Parsed::NeedMore;
      // A comma right before the end of the file still gives one empty field.
      if (!pending) return k == 0 ? Parsed::End : Parsed::Truncated;
      pending = false;
      fields_.emplace_back(static_cast<std::size_t>(p - base), 0);
      continue;
    }
    const char* start;
    const char* stop;  // the separator, or e
    if (*p == '"') {
      // A quoted field runs to the next double quote; what follows it up to the separator is
      // dropped.
      start = p + 1;
      const auto* quote = static_cast<const char*>(std::memchr(start, '"', e - start));
      if (!quote && !atEnd_) return Parsed::NeedMore;
      fields_.emplace_back(static_cast<std::size_t>(start - base),
                           static_cast<std::size_t>((quote ? quote : e) - start));
      stop = quote ? separator(quote + 1) : e;
    } else {
      start = p;
      stop = separator(p);
      fields_.emplace_back(static_cast<std::size_t>(start - base),
                           static_cast<std::size_t>(stop - start));
    }
    if (stop == e) {
      if (!atEnd_) return Parsed::NeedMore;
      pending = false;
      p = e;
      continue;
    }
    p = stop + 1;
    if (*stop == '\r') {
      if (p == e && !atEnd_) return Parsed::NeedMore;
      if (p < e && *p == '\n') ++p;
    }
    pending = *stop == ',';
  }
  pos_ = static_cast<std::size_t>(p - base);
  commaPending_ = pending;
  return Parsed::Complete;
}

CsvFieldReader::Record CsvByteRecordReader::readRecord(std::size_t n) {
  for (;;) {
    switch (parse(n)) {
      case Parsed::Complete:
        return CsvFieldReader::Record::Complete;
      case Parsed::End:
        return CsvFieldReader::Record::End;
      case Parsed::Truncated:
        return CsvFieldReader::Record::Truncated;
      case Parsed::NeedMore:
        readMore();
        break;
    }
  }
}

}  // namespace zuvo::convert
