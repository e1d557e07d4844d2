#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "../runtime/String.h"
#include "TextFile.h"

// The one CSV format of the system: every field in double quotes, no escaping, fields
// separated by commas, CR LF after every line.
namespace zuvo::convert {

// Appends one field to a line being built: a double quote, the text, a double quote, a comma.
void appendCsvField(String& line, std::u16string_view field);
// Ends a line built with appendCsvField: the comma after the last field becomes CR LF.
void endCsvLine(String& line);

// The number of fields of a CSV line as GetCntCSV counts them: commas outside quotes plus
// one, but 0 for a line without such a comma or with an unclosed quote. Raises error 6 for a
// line longer than 32767 characters.
std::int16_t countCsvFields(const String& line);

// Reads fields one at a time from an open file, without regard to lines: blanks before a
// field are skipped; a quoted field runs to the next double quote (commas and line ends
// included) and whatever follows it up to the next separator is dropped; an unquoted one
// runs to the next comma or line end (CR LF, LF or CR). The separator is consumed.
class CsvFieldReader {
 public:
  enum class Record { Complete, End, Truncated };

  explicit CsvFieldReader(TextReader& file) : file_(file) {}

  // The next field; false when the file ends before the field begins. A comma right before
  // the end of the file still gives one empty field. `valid` tells whether its bytes all
  // named characters (the others became the substitute).
  bool next(String& field, bool& valid);

  // The next n fields as one record; blank lines before it are skipped. End: the file held
  // nothing more; Truncated: it ended inside the record.
  Record readRecord(std::vector<String>& fields, std::size_t n);
  // The first 0-based field of the last record whose bytes named no character, or -1, and
  // how many of its fields had such bytes.
  std::int32_t invalidField() const { return invalidField_; }
  std::int32_t invalidFields() const { return invalidFields_; }

 private:
  TextReader& file_;
  std::string bytes_;
  std::string skipped_;
  bool commaPending_ = false;
  std::int32_t invalidField_ = -1;
  std::int32_t invalidFields_ = 0;
};

// Reads records as CsvFieldReader does, but gives each field as the bytes of the file, not
// decoded, so that a conversion that can take the bytes as they are needn't make text of them.
// A record is parsed where it lies in a buffer of the reader's own (which grows only for a
// record longer than it): once reading has begun, the position in the file is the reader's,
// no longer the TextReader's.
class CsvByteRecordReader {
 public:
  explicit CsvByteRecordReader(TextReader& file) : file_(file), buffer_(kFileBufferSize * 2) {}

  // The next n fields as one record, as CsvFieldReader::readRecord reads them.
  CsvFieldReader::Record readRecord(std::size_t n);
  // Field k of the last record; valid until the next readRecord.
  std::string_view field(std::size_t k) const {
    return std::string_view(buffer_.data() + fields_[k].first, fields_[k].second);
  }

 private:
  enum class Parsed { Complete, End, Truncated, NeedMore };
  // Parses a record from pos_; NeedMore when the buffered bytes end before it does and the file
  // may hold more.
  Parsed parse(std::size_t n);
  // Keeps the unparsed bytes and reads more after them; false at the end of the file.
  bool readMore();

  TextReader& file_;
  std::vector<char> buffer_;
  std::size_t pos_ = 0;
  std::size_t end_ = 0;
  bool atEnd_ = false;                                       // the file has no bytes after end_
  std::vector<std::pair<std::size_t, std::size_t>> fields_;  // offset and length in buffer_
  bool commaPending_ = false;
};

}  // namespace zuvo::convert
