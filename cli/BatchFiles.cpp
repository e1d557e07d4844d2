#include "BatchFiles.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <filesystem>
#include <string_view>
#include <vector>

#include "BatchJob.h"
#include "convert/Export.h"
#include "convert/TextFile.h"
#include "runtime/Convert.h"

namespace zuvo::cli {

namespace {

std::string systemError(const std::string& what, const std::string& path) {
  return what + " " + path + ": " + std::strerror(errno);
}

// A new file of our own in the temporary folder, named from `prefix`; "" when none can be made.
std::string makeTemporary(const std::string& prefix) {
  std::string name = (std::filesystem::temp_directory_path() / (prefix + "XXXXXX")).string();
  int fd = ::mkstemp(name.data());
  if (fd < 0) return "";
  ::close(fd);
  return name;
}

std::string columnTypeFile(const std::string& file) {
  return rt::toUtf8(convert::columnTypeFileName(rt::fromUtf8(file)));
}

bool writeAll(int fd, const char* data, std::size_t n) {
  while (n > 0) {
    ssize_t done = ::write(fd, data, n);
    if (done < 0 && errno == EINTR) continue;
    if (done <= 0) return false;
    data += done;
    n -= static_cast<std::size_t>(done);
  }
  return true;
}

// Copies the file `from` to the open descriptor `to`; false with errno set when that fails.
bool copyTo(const std::string& from, int to) {
  int in = ::open(from.c_str(), O_RDONLY | O_CLOEXEC);
  if (in < 0) return false;
  std::vector<char> buffer(1 << 16);
  bool done = true;
  for (;;) {
    ssize_t n = ::read(in, buffer.data(), buffer.size());
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) done = false;
    if (n <= 0) break;
    if (!writeAll(to, buffer.data(), static_cast<std::size_t>(n))) {
      done = false;
      break;
    }
  }
  int saved = errno;
  ::close(in);
  errno = saved;
  return done;
}

}  // namespace

std::string replaced(std::string s, const std::string& from, const std::string& to) {
  if (from.empty()) return s;
  for (std::size_t at = s.find(from); at != std::string::npos; at = s.find(from, at + to.size()))
    s.replace(at, from.size(), to);
  return s;
}

// --- StagedOutput ---

StagedOutput::StagedOutput(const std::string& target, bool append, bool columnTypes)
    : target_(target), path_(target) {
  struct stat st {};
  if (target == "-") {
    path_ = "/dev/stdout";
    // Opening standard output anew would empty a file the shell opened for appending, so a
    // file there gets the bytes copied at the end.
    if (::fstat(STDOUT_FILENO, &st) == 0 && S_ISREG(st.st_mode)) {
      std::string temporary = makeTemporary("zuvo-stdout-");
      if (!temporary.empty()) {
        path_ = temporary;
        staged_ = toStdout_ = true;
      }
    }
    return;
  }
  if (append) return;
  bool exists = ::stat(target.c_str(), &st) == 0;
  if (exists && !S_ISREG(st.st_mode)) return;
  std::filesystem::path final = target;
  std::error_code ec;
  if (exists) {
    // A symbolic link goes on naming the file it names.
    auto real = std::filesystem::canonical(final, ec);
    if (!ec) final = real;
  }
  std::string name = final.filename().string();
  std::size_t dot = name.rfind('.');
  std::string base = dot == std::string::npos ? name : name.substr(0, dot);
  std::string extension = dot == std::string::npos ? "" : name.substr(dot);
  for (int n = 0; n < 100; ++n) {
    std::string candidate = base + "~zuvo" + std::to_string(::getpid());
    if (n > 0) candidate += "-" + std::to_string(n);
    candidate += extension;
    std::string path = (final.parent_path() / candidate).string();
    int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
    if (fd < 0) {
      if (errno == EEXIST) continue;
      return;  // the library tries the target itself and tells why it cannot
    }
    if (exists) ::fchmod(fd, st.st_mode & 07777);
    ::close(fd);
    path_ = path;
    target_ = final.string();
    staged_ = true;
    break;
  }
  if (!staged_ || !columnTypes) return;
  typeTemp_ = columnTypeFile(path_);
  typeTarget_ = columnTypeFile(target);
  if (typeTemp_.empty() || typeTarget_.empty() || typeTemp_ == path_) typeTemp_.clear();
}

StagedOutput::~StagedOutput() {
  discard();
}

std::string StagedOutput::commit() {
  if (!staged_) return "";
  if (toStdout_) {
    bool copied = copyTo(path_, STDOUT_FILENO);
    std::string error = copied ? "" : systemError("cannot write", "standard output");
    discard();
    return error;
  }
  if (::rename(path_.c_str(), target_.c_str()) != 0) {
    std::string error = "cannot rename " + path_ + " to " + target_ + ": " + std::strerror(errno);
    discard();
    return error;
  }
  staged_ = false;
  std::error_code ec;
  if (!typeTemp_.empty() && std::filesystem::exists(typeTemp_, ec) &&
      ::rename(typeTemp_.c_str(), typeTarget_.c_str()) != 0) {
    std::string error =
        "cannot rename " + typeTemp_ + " to " + typeTarget_ + ": " + std::strerror(errno);
    discard();
    return error;
  }
  typeTemp_.clear();
  return "";
}

void StagedOutput::discard() {
  if (staged_) ::unlink(path_.c_str());
  if (!typeTemp_.empty()) ::unlink(typeTemp_.c_str());
  staged_ = false;
  typeTemp_.clear();
}

std::string StagedOutput::tell(std::string message) const {
  if (toStdout_ || path_ == "/dev/stdout")
    return replaced(std::move(message), path_, "standard output");
  if (!staged_) return message;
  message = replaced(std::move(message), typeTemp_, typeTarget_);
  return replaced(std::move(message), path_, target_);
}

// --- SpooledInput ---

SpooledInput::~SpooledInput() {
  if (spooled_) ::unlink(path_.c_str());
}

std::string SpooledInput::take(const std::string& file) {
  path_ = file;
  if (file != "-") return "";
  path_ = makeTemporary("zuvo-stdin-");
  if (path_.empty())
    return systemError("cannot make a file in", std::filesystem::temp_directory_path().string());
  spooled_ = true;
  int out = ::open(path_.c_str(), O_WRONLY | O_TRUNC | O_CLOEXEC);
  if (out < 0) return systemError("cannot write", path_);
  std::vector<char> buffer(1 << 16);
  std::string error;
  for (;;) {
    ssize_t n = ::read(STDIN_FILENO, buffer.data(), buffer.size());
    if (n < 0 && errno == EINTR) {
      if (SignalGuard::caught() != 0) break;  // the caller ends the job
      continue;
    }
    if (n < 0) error = systemError("cannot read", "standard input");
    if (n <= 0) break;
    if (!writeAll(out, buffer.data(), static_cast<std::size_t>(n))) {
      error = systemError("cannot write", path_);
      break;
    }
  }
  if (::close(out) != 0 && error.empty()) error = systemError("cannot write", path_);
  return error;
}

std::string SpooledInput::tell(std::string message) const {
  return spooled_ ? replaced(std::move(message), path_, "standard input") : message;
}

// --- scanText ---

namespace {

// UTF-8 read a block at a time: whether every sequence so far is well formed (no overlong
// forms, surrogates or code points past U+10FFFF) and whether one of three bytes or more came.
class Utf8Check {
 public:
  void feed(std::string_view block) {
    for (char c : block) {
      auto b = static_cast<unsigned char>(c);
      if (pending_ > 0) {
        if (b < low_ || b > high_) {
          invalid();
          return;
        }
        low_ = 0x80;
        high_ = 0xBF;
        --pending_;
        continue;
      }
      if (b == '\n') ++line_;
      if (b < 0x80) continue;
      low_ = 0x80;
      high_ = 0xBF;
      if (b >= 0xC2 && b <= 0xDF) {
        pending_ = 1;
        continue;
      }
      long_ = true;
      if (b >= 0xE0 && b <= 0xEF) {
        pending_ = 2;
        if (b == 0xE0) low_ = 0xA0;
        if (b == 0xED) high_ = 0x9F;
      } else if (b >= 0xF0 && b <= 0xF4) {
        pending_ = 3;
        if (b == 0xF0) low_ = 0x90;
        if (b == 0xF4) high_ = 0x8F;
      } else {
        invalid();
        return;
      }
    }
  }
  void end() {
    if (pending_ > 0) invalid();
  }
  bool valid() const { return valid_; }
  bool longSequences() const { return long_; }
  std::int64_t invalidLine() const { return valid_ ? 0 : line_; }

 private:
  void invalid() {
    valid_ = false;
    pending_ = 0;
  }
  bool valid_ = true;
  bool long_ = false;
  int pending_ = 0;
  unsigned low_ = 0x80, high_ = 0xBF;
  std::int64_t line_ = 1;
};

bool isLeadByte(unsigned char b) {
  return (b >= 0x81 && b <= 0x9F) || (b >= 0xE0 && b <= 0xFC);
}

// Shift-JIS read a block at a time, through the library's own test of the bytes; a lead byte
// at the end of a block waits for its trail byte.
class ShiftJisCheck {
 public:
  void feed(std::string_view block) {
    if (invalidLine_ != 0) return;
    carry_.append(block);
    std::size_t whole = 0;
    while (whole < carry_.size()) {
      if (!isLeadByte(static_cast<unsigned char>(carry_[whole]))) {
        ++whole;
      } else if (whole + 1 < carry_.size()) {
        whole += 2;
      } else {
        break;
      }
    }
    check(std::string_view(carry_.data(), whole));
    carry_.erase(0, whole);
  }
  void end() {
    check(carry_);
    carry_.clear();
  }
  std::int64_t invalidLine() const { return invalidLine_; }

 private:
  void check(std::string_view piece) {
    if (invalidLine_ != 0 || piece.empty()) return;
    if (convert::isValidShiftJis(piece)) {
      for (char c : piece) line_ += c == '\n';
      return;
    }
    // Line ends are never part of a character, so the lines can be tested one by one.
    for (std::int64_t at = line_;; ++at) {
      std::size_t end = piece.find('\n');
      if (end == std::string_view::npos || !convert::isValidShiftJis(piece.substr(0, end))) {
        invalidLine_ = at;
        return;
      }
      piece.remove_prefix(end + 1);
    }
  }
  std::string carry_;
  std::int64_t line_ = 1;
  std::int64_t invalidLine_ = 0;
};

}  // namespace

TextScan scanText(const std::string& path, const ScanFor& what) {
  TextScan scan;
  int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) return scan;
  struct stat st {};
  if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
    ::close(fd);
    return scan;
  }
  scan.opened = true;
  scan.size = static_cast<std::uint64_t>(st.st_size);
  const bool utf8Validity = what.validity && what.encoding == TextEncoding::Utf8;
  const bool sjisValidity = what.validity && what.encoding == TextEncoding::ShiftJis;
  Utf8Check utf8;
  ShiftJisCheck sjis;
  auto known = [&] {
    bool utf8Known = !(what.utf8Look || utf8Validity) || !utf8.valid();
    bool sjisKnown = !sjisValidity || sjis.invalidLine() != 0;
    return utf8Known && sjisKnown && (!what.lineEnds || scan.lineEnds);
  };
  std::vector<char> buffer(1 << 16);
  bool whole = false;
  while (!known()) {
    ssize_t n = ::read(fd, buffer.data(), buffer.size());
    if (n < 0 && errno == EINTR && SignalGuard::caught() == 0) continue;
    if (n < 0) {
      scan.opened = false;  // the conversion meets the same failure and tells it
      break;
    }
    if (n == 0) {
      whole = true;
      break;
    }
    std::string_view block(buffer.data(), static_cast<std::size_t>(n));
    if (what.lineEnds && block.find_first_of("\r\n") != std::string_view::npos)
      scan.lineEnds = true;
    if (what.utf8Look || utf8Validity) utf8.feed(block);
    if (sjisValidity) sjis.feed(block);
  }
  ::close(fd);
  if (whole) {
    utf8.end();
    sjis.end();
  }
  scan.looksLikeUtf8 = what.utf8Look && whole && utf8.valid() && utf8.longSequences();
  if (utf8Validity) scan.invalidLine = utf8.invalidLine();
  if (sjisValidity) scan.invalidLine = sjis.invalidLine();
  return scan;
}

}  // namespace zuvo::cli
