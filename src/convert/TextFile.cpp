#include "convert/TextFile.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

#include "platform/Cp932.h"
#include "runtime/Convert.h"

namespace zuvo::convert {

namespace {

bool isLeadByte(unsigned b) {
  return (b >= 0x81 && b <= 0x9F) || (b >= 0xE0 && b <= 0xFC);
}

}  // namespace

bool isValidShiftJis(std::string_view bytes) {
  const auto& charOf = cp932::tables().charOf;
  for (std::size_t i = 0; i < bytes.size(); ++i) {
    unsigned b = static_cast<unsigned char>(bytes[i]);
    if (b < 0x80) continue;
    if (isLeadByte(b)) {
      if (i + 1 >= bytes.size()) return false;
      unsigned trail = static_cast<unsigned char>(bytes[++i]);
      if (charOf[b << 8 | trail] == 0) return false;
    } else if (charOf[b] == 0) {
      return false;
    }
  }
  return true;
}

bool decodeShiftJis(std::string_view bytes, String& out) {
  bool ascii = true;
  for (char c : bytes)
    if (static_cast<unsigned char>(c) >= 0x80) {
      ascii = false;
      break;
    }
  if (ascii) {
    // Most fields are plain ASCII; they need no table.
    out.assign(bytes.begin(), bytes.end());
    return true;
  }
  out = cp932::decode(bytes);
  return isValidShiftJis(bytes);
}

// --- Writer ---

ShiftJisWriter::~ShiftJisWriter() {
  if (fd_ >= 0) close();
}

bool ShiftJisWriter::open(const String& path, bool append) {
  if (fd_ >= 0) close();
  failed_ = false;
  buffer_.clear();
  buffer_.reserve(kFileBufferSize);
  std::string name;
  try {
    name = rt::toUtf8(path);
  } catch (...) {
    failed_ = true;
    return false;
  }
  int flags = O_WRONLY | O_CREAT | O_CLOEXEC | (append ? O_APPEND : O_TRUNC);
  fd_ = name.empty() ? -1 : ::open(name.c_str(), flags, 0666);
  if (fd_ < 0) failed_ = true;
  return fd_ >= 0;
}

void ShiftJisWriter::flush() {
  std::size_t done = 0;
  while (done < buffer_.size() && !failed_) {
    ssize_t n = ::write(fd_, buffer_.data() + done, buffer_.size() - done);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0)
      failed_ = true;
    else
      done += static_cast<std::size_t>(n);
  }
  buffer_.clear();
}

void ShiftJisWriter::write(std::string_view bytes) {
  if (fd_ < 0) {
    failed_ = true;
    return;
  }
  if (buffer_.size() + bytes.size() > kFileBufferSize) flush();
  if (bytes.size() >= kFileBufferSize) {
    buffer_.assign(bytes);
    flush();
  } else {
    buffer_.append(bytes);
  }
}

void ShiftJisWriter::writeText(std::u16string_view text) {
  if (fd_ < 0) {
    failed_ = true;
    return;
  }
  // Encoded straight into the buffer: a file of a million lines makes no string per line.
  const auto& t = cp932::tables();
  if (buffer_.size() + text.size() * 2 > kFileBufferSize) flush();
  if (text.size() * 2 > kFileBufferSize) {
    write(cp932::encode(text));
    return;
  }
  std::size_t used = buffer_.size();
  buffer_.resize(used + text.size() * 2);
  char* p = buffer_.data() + used;
  for (char16_t c : text) {
    if (c < 0x80) {  // ASCII maps to itself
      *p++ = static_cast<char>(c);
      continue;
    }
    auto code = static_cast<std::uint16_t>(t.codeOf[c]);
    if (t.weightOf[c] == 2) *p++ = static_cast<char>(code >> 8);
    *p++ = static_cast<char>(code & 0xFF);
  }
  buffer_.resize(static_cast<std::size_t>(p - buffer_.data()));
}

void ShiftJisWriter::writeLine(std::u16string_view text) {
  writeText(text);
  write("\r\n");
}

bool ShiftJisWriter::close() {
  if (fd_ >= 0) {
    flush();
    if (::close(fd_) != 0) failed_ = true;
    fd_ = -1;
  } else {
    failed_ = true;
  }
  return !failed_;
}

// --- Reader ---

ShiftJisReader::~ShiftJisReader() {
  close();
}

bool ShiftJisReader::open(const String& path) {
  close();
  failed_ = false;
  pos_ = end_ = 0;
  consumed_ = size_ = 0;
  std::string name;
  try {
    name = rt::toUtf8(path);
  } catch (...) {
    return false;
  }
  if (name.empty()) return false;
  fd_ = ::open(name.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd_ < 0) return false;
  struct stat st {};
  if (::fstat(fd_, &st) != 0 || !S_ISREG(st.st_mode)) {
    close();
    return false;
  }
  size_ = static_cast<std::uint64_t>(st.st_size);
  buffer_.resize(kFileBufferSize);
  return true;
}

void ShiftJisReader::close() {
  if (fd_ >= 0) ::close(fd_);
  fd_ = -1;
}

bool ShiftJisReader::refill() {
  if (fd_ < 0 || failed_) return false;
  consumed_ += end_;
  pos_ = end_ = 0;
  for (;;) {
    ssize_t n = ::read(fd_, buffer_.data(), buffer_.size());
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) failed_ = true;
    if (n <= 0) return false;
    end_ = static_cast<std::size_t>(n);
    return true;
  }
}

bool ShiftJisReader::readLineBytes(std::string& line) {
  line.clear();
  if (atEnd()) return false;
  for (;;) {
    if (pos_ == end_ && !refill()) return true;  // the last line has no line end
    const char* start = buffer_.data() + pos_;
    std::size_t avail = end_ - pos_;
    const void* nl = std::memchr(start, '\n', avail);
    const void* cr = std::memchr(start, '\r', avail);
    const char* stop = static_cast<const char*>(nl);
    if (cr && (!stop || cr < static_cast<const void*>(stop))) stop = static_cast<const char*>(cr);
    if (!stop) {
      line.append(start, avail);
      pos_ = end_;
      continue;
    }
    line.append(start, static_cast<std::size_t>(stop - start));
    pos_ += static_cast<std::size_t>(stop - start) + 1;
    if (*stop == '\r' && peekByte() == '\n') ++pos_;
    return true;
  }
}

bool ShiftJisReader::readLine(String& line, bool& valid) {
  std::string bytes;
  if (!readLineBytes(bytes)) {
    line.clear();
    valid = true;
    return false;
  }
  valid = decodeShiftJis(bytes, line);
  return true;
}

int ShiftJisReader::readUntil(std::string& out, char stop1, char stop2, char stop3) {
  for (;;) {
    if (pos_ == end_ && !refill()) return -1;
    const char* p = buffer_.data() + pos_;
    const char* end = buffer_.data() + end_;
    const char* q = p;
    while (q < end && *q != stop1 && *q != stop2 && *q != stop3) ++q;
    out.append(p, static_cast<std::size_t>(q - p));
    pos_ += static_cast<std::size_t>(q - p);
    if (q < end) {
      ++pos_;
      return static_cast<unsigned char>(*q);
    }
  }
}

std::size_t ShiftJisReader::readBytes(char* into, std::size_t n) {
  std::size_t done = 0;
  while (done < n) {
    if (pos_ == end_ && !refill()) break;
    std::size_t take = std::min(n - done, end_ - pos_);
    std::memcpy(into + done, buffer_.data() + pos_, take);
    pos_ += take;
    done += take;
  }
  return done;
}

}  // namespace zuvo::convert
