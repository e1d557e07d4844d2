#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "../platform/Platform.h"
#include "../runtime/Status.h"
#include "../runtime/String.h"
#include "Report.h"

// Buffered files for the conversions: Shift-JIS (or UTF-8) text with CR LF line ends, or raw
// records. Failures are noted with the system's reason, not raised, so that a conversion can
// look at them where it chooses.
namespace zuvo::convert {

inline constexpr std::size_t kFileBufferSize = 32768;

// True when every byte sequence of `bytes` names a Shift-JIS (code page 932) character.
bool isValidShiftJis(std::string_view bytes);
// Decodes `bytes` into `out`; false when some of them name no character (they become "?").
bool decodeShiftJis(std::string_view bytes, String& out);
// Offset of the first byte that starts no Shift-JIS character, or npos.
std::size_t firstInvalidShiftJis(std::string_view bytes);
// Decodes UTF-8; false when some bytes form no character (each such run becomes U+FFFD).
bool decodeUtf8(std::string_view bytes, String& out);
// Whether cp932 holds every character of `text` (else it is written as "?").
bool fitsShiftJis(std::u16string_view text);

class TextWriter {
 public:
  ~TextWriter();
  TextWriter(const TextWriter&) = delete;
  TextWriter& operator=(const TextWriter&) = delete;

  explicit TextWriter(TextEncoding encoding = TextEncoding::ShiftJis,
                      FileService& files = systemFiles())
      : encoding_(encoding), files_(files) {}

  // Creates or replaces the file, or appends to it (creating it when missing).
  bool open(const String& path, bool append);
  bool isOpen() const { return file_ != nullptr; }
  void write(std::string_view bytes);
  void writeText(std::u16string_view text);  // in the writer's encoding
  void writeLine(std::u16string_view text);  // in the writer's encoding, then CR LF
  // Flushes and closes; false when the file could not be opened or any write or the close
  // failed.
  bool close();
  bool failed() const { return !status_.ok(); }
  // The first failure of opening, writing or closing, with the system's reason.
  const Status& status() const { return status_; }
  // Characters written as "?" because the encoding has no form for them.
  std::int64_t substituted() const { return substituted_; }

 private:
  void flush();
  void fail(Status::Code code, const std::string& what, int error);
  void writeShiftJis(std::u16string_view text);
  void writeUtf8(std::u16string_view text);
  TextEncoding encoding_;
  FileService& files_;
  std::unique_ptr<File> file_;
  Status status_;
  std::string path_;
  std::string buffer_;
  std::int64_t substituted_ = 0;
};

class TextReader {
 public:
  ~TextReader();
  TextReader(const TextReader&) = delete;
  TextReader& operator=(const TextReader&) = delete;

  explicit TextReader(TextEncoding encoding = TextEncoding::ShiftJis,
                      FileService& files = systemFiles())
      : encoding_(encoding), files_(files) {}

  // False when the file is missing or is not a readable regular file.
  bool open(const String& path);
  bool isOpen() const { return file_ != nullptr; }
  void close();

  // No byte left to read.
  bool atEnd() { return pos_ == end_ && !refill(); }
  // The next byte, or -1 at the end of the file.
  int peekByte() {
    return pos_ < end_ || refill() ? static_cast<unsigned char>(buffer_[pos_]) : -1;
  }
  int getByte() {
    return pos_ < end_ || refill() ? static_cast<unsigned char>(buffer_[pos_++]) : -1;
  }
  // One line without its line end (CR LF, LF or a lone CR); false at the end of the file.
  bool readLineBytes(std::string& line);
  // The same line decoded; `valid` tells whether all of its bytes named characters.
  bool readLine(String& line, bool& valid);
  // Bytes of this file's encoding to text; false when some named no character.
  bool decode(std::string_view bytes, String& out) const {
    return encoding_ == TextEncoding::Utf8 ? decodeUtf8(bytes, out) : decodeShiftJis(bytes, out);
  }
  // Appends bytes to `out` up to the first of the stop bytes, which is consumed and returned;
  // -1 when the file ends first. The stops are ASCII, so no Shift-JIS trail byte matches one.
  int readUntil(std::string& out, char stop1, char stop2, char stop3);
  // Up to n raw bytes; returns how many were read.
  std::size_t readBytes(char* into, std::size_t n);

  // Bytes consumed so far, and the file's length when it was opened.
  std::uint64_t position() const { return consumed_ + pos_; }
  std::uint64_t size() const { return size_; }
  bool failed() const { return !status_.ok(); }
  // Why the file could not be opened or read, with the system's reason.
  const Status& status() const { return status_; }

 private:
  bool refill();
  void fail(Status::Code code, const std::string& what, int error);
  TextEncoding encoding_;
  FileService& files_;
  std::unique_ptr<File> file_;
  Status status_;
  std::string path_;
  std::vector<char> buffer_;
  std::size_t pos_ = 0;
  std::size_t end_ = 0;
  std::uint64_t consumed_ = 0;  // bytes before buffer_[0]
  std::uint64_t size_ = 0;
};

}  // namespace zuvo::convert
