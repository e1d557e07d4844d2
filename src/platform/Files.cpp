// The system's files behind the file service.
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>

#include "platform/Platform.h"

namespace zuvo {

namespace {

class SystemFile : public File {
 public:
  SystemFile(int fd, std::uint64_t size) : fd_(fd), size_(size) {}
  ~SystemFile() override {
    if (fd_ >= 0) ::close(fd_);
  }
  SystemFile(const SystemFile&) = delete;
  SystemFile& operator=(const SystemFile&) = delete;

  int read(char* into, std::size_t n, std::size_t& got) override {
    for (;;) {
      ssize_t r = ::read(fd_, into, n);
      if (r < 0 && errno == EINTR) continue;
      got = r > 0 ? static_cast<std::size_t>(r) : 0;
      return r < 0 ? errno : 0;
    }
  }

  int write(const char* from, std::size_t n) override {
    std::size_t done = 0;
    while (done < n) {
      ssize_t w = ::write(fd_, from + done, n - done);
      if (w < 0 && errno == EINTR) continue;
      if (w <= 0) return w < 0 ? errno : ENOSPC;
      done += static_cast<std::size_t>(w);
    }
    return 0;
  }

  int close() override {
    int fd = fd_;
    fd_ = -1;
    return fd >= 0 && ::close(fd) != 0 ? errno : 0;
  }

  std::uint64_t size() const override { return size_; }

 private:
  int fd_;
  std::uint64_t size_;
};

class SystemFiles : public FileService {
 public:
  std::unique_ptr<File> open(const std::string& path, Mode mode, int& error) override {
    int flags = O_CLOEXEC | (mode == Mode::Read    ? O_RDONLY
                             : mode == Mode::Write ? O_WRONLY | O_CREAT | O_TRUNC
                                                   : O_WRONLY | O_CREAT | O_APPEND);
    int fd = path.empty() ? -1 : ::open(path.c_str(), flags, 0666);
    if (fd < 0) {
      error = path.empty() ? ENOENT : errno;
      return nullptr;
    }
    struct stat st {};
    if (mode == Mode::Read && (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode))) {
      error = S_ISDIR(st.st_mode) ? EISDIR : kNotRegularFile;
      ::close(fd);
      return nullptr;
    }
    error = 0;
    return std::make_unique<SystemFile>(fd, static_cast<std::uint64_t>(st.st_size));
  }
};

}  // namespace

FileService& systemFiles() {
  static SystemFiles files;
  return files;
}

int readWholeFile(FileService& files, const std::string& path, std::string& bytes) {
  bytes.clear();
  int error = 0;
  std::unique_ptr<File> file = files.open(path, FileService::Mode::Read, error);
  if (!file) return error;
  char buffer[32768];
  for (std::size_t got = 0;; bytes.append(buffer, got)) {
    if ((error = file->read(buffer, sizeof buffer, got)) != 0) return error;
    if (got == 0) break;
  }
  return file->close();
}

int writeWholeFile(FileService& files, const std::string& path, std::string_view bytes,
                   FileService::Mode mode) {
  int error = 0;
  std::unique_ptr<File> file = files.open(path, mode, error);
  if (!file) return error;
  error = file->write(bytes.data(), bytes.size());
  int closed = file->close();
  return error != 0 ? error : closed;
}

}  // namespace zuvo
