#include "convert/TextFile.h"

#include <algorithm>
#include <cerrno>
#include <cstdint>
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
  return cp932::decode(bytes, out);
}

std::size_t firstInvalidShiftJis(std::string_view bytes) {
  const auto& charOf = cp932::tables().charOf;
  for (std::size_t i = 0; i < bytes.size(); ++i) {
    unsigned b = static_cast<unsigned char>(bytes[i]);
    if (b < 0x80) continue;
    if (isLeadByte(b)) {
      if (i + 1 >= bytes.size() || charOf[b << 8 | static_cast<unsigned char>(bytes[i + 1])] == 0)
        return i;
      ++i;
    } else if (charOf[b] == 0) {
      return i;
    }
  }
  return std::string_view::npos;
}

bool decodeUtf8(std::string_view bytes, String& out) {
  out = rt::fromUtf8(bytes);
  // The decoder puts U+FFFD for what names no character; a real U+FFFD is EF BF BD.
  std::size_t replaced = 0, real = 0;
  for (char16_t c : out) replaced += c == u'\uFFFD';
  if (replaced == 0) return true;
  for (std::size_t i = 0; i + 2 < bytes.size(); ++i)
    real += bytes.compare(i, 3, "\xEF\xBF\xBD") == 0;
  return replaced == real;
}

bool fitsShiftJis(std::u16string_view text) {
  const auto& codeOf = cp932::tables().codeOf;
  for (char16_t c : text)
    if (c >= 0x80 && codeOf[c] == '?') return false;  // only a substitute is "?" up there
  return true;
}

namespace {

// "cannot write out.csv: No space left on device"
Status fileStatus(Status::Code code, const std::string& what, int error) {
  return Status(code, what + ": " + std::strerror(error));
}

}  // namespace

// --- Writer ---

TextWriter::~TextWriter() {
  if (file_) close();
}

void TextWriter::fail(Status::Code code, const std::string& what, int error) {
  if (status_.ok()) status_ = fileStatus(code, what, error);
}

bool TextWriter::open(const String& path, bool append) {
  if (file_) close();
  status_ = Status();
  substituted_ = 0;
  buffer_.clear();
  buffer_.reserve(kFileBufferSize);
  try {
    path_ = rt::toUtf8(path);
  } catch (...) {
    path_.clear();
  }
  int error = 0;
  file_ = files_.open(path_, append ? FileService::Mode::Append : FileService::Mode::Write, error);
  if (!file_)
    fail(Status::Code::OpenFile,
         "cannot open " + path_ + (append ? " for appending" : " for writing"), error);
  return file_ != nullptr;
}

void TextWriter::flush() {
  if (status_.ok() && !buffer_.empty())
    if (int error = file_->write(buffer_.data(), buffer_.size()); error != 0)
      fail(Status::Code::WriteFile, "cannot write " + path_, error);
  buffer_.clear();
}

void TextWriter::write(std::string_view bytes) {
  if (!file_) {
    fail(Status::Code::WriteFile, "cannot write " + path_, EBADF);
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

void TextWriter::writeText(std::u16string_view text) {
  if (!file_) {
    fail(Status::Code::WriteFile, "cannot write " + path_, EBADF);
    return;
  }
  if (encoding_ == TextEncoding::Utf8)
    writeUtf8(text);
  else
    writeShiftJis(text);
}

void TextWriter::writeUtf8(std::u16string_view text) {
  std::string bytes = rt::toUtf8(String(text));
  for (std::size_t i = 0; i + 2 < bytes.size(); ++i)  // lone surrogates come out as U+FFFD
    if (bytes.compare(i, 3, "\xEF\xBF\xBD") == 0) ++substituted_;
  write(bytes);
}

void TextWriter::writeShiftJis(std::u16string_view text) {
  // Encoded straight into the buffer: a file of a million lines makes no string per line.
  const auto& t = cp932::tables();
  if (buffer_.size() + text.size() * 2 > kFileBufferSize) flush();
  if (text.size() * 2 > kFileBufferSize) {
    if (!fitsShiftJis(text))
      for (char16_t c : text) substituted_ += c >= 0x80 && t.codeOf[c] == '?';
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
    if (code == '?') ++substituted_;
    if (t.weightOf[c] == 2) *p++ = static_cast<char>(code >> 8);
    *p++ = static_cast<char>(code & 0xFF);
  }
  buffer_.resize(static_cast<std::size_t>(p - buffer_.data()));
}

void TextWriter::writeLine(std::u16string_view text) {
  writeText(text);
  write("\r\n");
}

bool TextWriter::close() {
  if (file_) {
    flush();
    if (int error = file_->close(); error != 0)
      fail(Status::Code::CloseFile, "cannot close " + path_, error);
    file_.reset();
  } else {
    fail(Status::Code::WriteFile, "cannot write " + path_, EBADF);
  }
  return status_.ok();
}

// --- Reader ---

TextReader::~TextReader() {
  close();
}

void TextReader::fail(Status::Code code, const std::string& what, int error) {
  if (status_.ok()) status_ = fileStatus(code, what, error);
}

bool TextReader::open(const String& path) {
  close();
  status_ = Status();
  pos_ = end_ = 0;
  consumed_ = size_ = 0;
  try {
    path_ = rt::toUtf8(path);
  } catch (...) {
    path_.clear();
  }
  if (path_.empty()) {
    fail(Status::Code::OpenFile, "cannot open " + path_ + " for reading", ENOENT);
    return false;
  }
  int error = 0;
  file_ = files_.open(path_, FileService::Mode::Read, error);
  if (!file_) {
    if (error == EISDIR)
      fail(Status::Code::OpenFile, "cannot read " + path_, EISDIR);
    else if (error == FileService::kNotRegularFile)
      status_ = Status(Status::Code::OpenFile, "cannot read " + path_ + ": not a regular file");
    else
      fail(Status::Code::OpenFile, "cannot open " + path_ + " for reading", error);
    return false;
  }
  size_ = file_->size();
  buffer_.resize(kFileBufferSize);
  return true;
}

void TextReader::close() {
  file_.reset();  // a file only read has nothing to lose when its close fails
}

bool TextReader::refill() {
  if (!file_ || !status_.ok()) return false;
  consumed_ += end_;
  pos_ = end_ = 0;
  std::size_t got = 0;
  if (int error = file_->read(buffer_.data(), buffer_.size(), got); error != 0)
    fail(Status::Code::ReadFile, "cannot read " + path_, error);
  end_ = got;
  return got != 0;
}

bool TextReader::readLineBytes(std::string& line) {
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

bool TextReader::readLine(String& line, bool& valid) {
  std::string bytes;
  if (!readLineBytes(bytes)) {
    line.clear();
    valid = true;
    return false;
  }
  valid = decode(bytes, line);
  return true;
}

namespace {

// Whether some byte of the eight in w is below n (at most 128).
bool hasByteBelow(std::uint64_t w, unsigned n) {
  return ((w - 0x0101010101010101ULL * n) & ~w & 0x8080808080808080ULL) != 0;
}

// The first of the ASCII stops in [p, end), or end. Fields are mostly long runs of bytes above
// every stop (letters, digits, Shift-JIS), so eight bytes at a time are passed over at once.
const char* findStop(const char* p, const char* end, char stop1, char stop2, char stop3) {
  if (stop1 == stop2 && stop2 == stop3) {
    const void* q = std::memchr(p, stop1, static_cast<std::size_t>(end - p));
    return q ? static_cast<const char*>(q) : end;
  }
  const unsigned above = std::max({static_cast<unsigned>(stop1), static_cast<unsigned>(stop2),
                                   static_cast<unsigned>(stop3)}) +
                         1;
  for (;;) {
    for (std::uint64_t w; end - p >= 8; p += 8) {
      std::memcpy(&w, p, 8);
      if (hasByteBelow(w, above)) break;
    }
    if (p == end) return end;
    if (*p == stop1 || *p == stop2 || *p == stop3) return p;
    ++p;
  }
}

}  // namespace

int TextReader::readUntil(std::string& out, char stop1, char stop2, char stop3) {
  for (;;) {
    if (pos_ == end_ && !refill()) return -1;
    const char* p = buffer_.data() + pos_;
    const char* end = buffer_.data() + end_;
    const char* q = findStop(p, end, stop1, stop2, stop3);
    out.append(p, static_cast<std::size_t>(q - p));
    pos_ += static_cast<std::size_t>(q - p);
    if (q < end) {
      ++pos_;
      return static_cast<unsigned char>(*q);
    }
  }
}

std::size_t TextReader::readBytes(char* into, std::size_t n) {
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
