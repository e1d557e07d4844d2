#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "../runtime/String.h"

// Buffered Shift-JIS files for the conversions: text with CR LF line ends, or raw records.
// Failures are noted, not raised, so that a conversion can look at them where it chooses.
namespace zuvo::convert {

inline constexpr std::size_t kFileBufferSize = 32768;

// True when every byte sequence of `bytes` names a Shift-JIS (code page 932) character.
bool isValidShiftJis(std::string_view bytes);
// Decodes `bytes` into `out`; false when some of them name no character (they become "?").
bool decodeShiftJis(std::string_view bytes, String& out);

class ShiftJisWriter {
 public:
  ShiftJisWriter() = default;
  ~ShiftJisWriter();
  ShiftJisWriter(const ShiftJisWriter&) = delete;
  ShiftJisWriter& operator=(const ShiftJisWriter&) = delete;

  // Creates or replaces the file, or appends to it (creating it when missing).
  bool open(const String& path, bool append);
  bool isOpen() const { return fd_ >= 0; }
  void write(std::string_view bytes);
  void writeText(std::u16string_view text);  // as Shift-JIS
  void writeLine(std::u16string_view text);  // as Shift-JIS, then CR LF
  // Flushes and closes; false when the file could not be opened or any write or the close
  // failed.
  bool close();
  bool failed() const { return failed_; }

 private:
  void flush();
  int fd_ = -1;
  bool failed_ = false;
  std::string buffer_;
};

class ShiftJisReader {
 public:
  ShiftJisReader() = default;
  ~ShiftJisReader();
  ShiftJisReader(const ShiftJisReader&) = delete;
  ShiftJisReader& operator=(const ShiftJisReader&) = delete;

  // False when the file is missing or is not a readable regular file.
  bool open(const String& path);
  bool isOpen() const { return fd_ >= 0; }
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
  // Appends bytes to `out` up to the first of the stop bytes, which is consumed and returned;
  // -1 when the file ends first. The stops are ASCII, so no Shift-JIS trail byte matches one.
  int readUntil(std::string& out, char stop1, char stop2, char stop3);
  // Up to n raw bytes; returns how many were read.
  std::size_t readBytes(char* into, std::size_t n);

  // Bytes consumed so far, and the file's length when it was opened.
  std::uint64_t position() const { return consumed_ + pos_; }
  std::uint64_t size() const { return size_; }
  bool failed() const { return failed_; }

 private:
  bool refill();
  int fd_ = -1;
  bool failed_ = false;
  std::vector<char> buffer_;
  std::size_t pos_ = 0;
  std::size_t end_ = 0;
  std::uint64_t consumed_ = 0;  // bytes before buffer_[0]
  std::uint64_t size_ = 0;
};

}  // namespace zuvo::convert
