#include "BatchProgress.h"

#include <unistd.h>

#include <fstream>
#include <system_error>

#include "component/ZuvoCls.h"

namespace zuvo::cli {

namespace {

std::string grouped(long long n) {
  std::string digits = std::to_string(n), out;
  for (std::size_t i = 0; i < digits.size(); ++i) {
    if (i > 0 && (digits.size() - i) % 3 == 0) out += ',';
    out += digits[i];
  }
  return out;
}

}  // namespace

ProgressBar::ProgressBar(std::string verb, std::filesystem::path input, std::FILE* out)
    : verb_(std::move(verb)), input_(std::move(input)), out_(out) {
  start_ = lastDraw_ = std::chrono::steady_clock::now();
  std::error_code ec;
  if (!input_.empty()) {
    input_ = std::filesystem::canonical(input_, ec);
    inputSize_ = ec ? 0 : std::filesystem::file_size(input_, ec);
    if (ec) inputSize_ = 0;
  }
}

void ProgressBar::processPending() {
  auto now = std::chrono::steady_clock::now();
  if (drawn_ && now - lastDraw_ < std::chrono::milliseconds(100)) return;
  lastDraw_ = now;
  draw(false);
}

void ProgressBar::finish(bool completed) {
  if (!drawn_) return;
  draw(completed);
  std::fputc('\n', out_);
  std::fflush(out_);
}

long long ProgressBar::inputPosition() {
  if (input_.empty()) return -1;
  // The library keeps its file to itself; the kernel tells where this process reads it.
  auto positionOf = [](int fd) -> long long {
    std::ifstream info("/proc/self/fdinfo/" + std::to_string(fd));
    std::string key;
    long long value;
    while (info >> key >> value)
      if (key == "pos:") return value;
    return -1;
  };
  auto isInput = [&](int fd) {
    std::error_code ec;
    auto target = std::filesystem::read_symlink("/proc/self/fd/" + std::to_string(fd), ec);
    return !ec && target == input_;
  };
  if (inputFd_ >= 0 && isInput(inputFd_)) return positionOf(inputFd_);
  inputFd_ = -1;
  std::error_code ec;
  for (const auto& entry : std::filesystem::directory_iterator("/proc/self/fd", ec)) {
    int fd = std::atoi(entry.path().filename().c_str());
    if (isInput(fd)) {
      inputFd_ = fd;
      return positionOf(fd);
    }
  }
  return -1;
}

void ProgressBar::draw(bool completed) {
  drawn_ = true;
  long long count = zuvo_ ? zuvo_->GetCnvCount() : 0;
  double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start_).count();
  long long rate = seconds > 0 ? static_cast<long long>(count / seconds) : 0;
  std::string line = "\r" + verb_ + " " + grouped(count) + " records  " + grouped(rate) + "/s";
  if (inputSize_ > 0) {
    long long pos = completed ? static_cast<long long>(inputSize_) : inputPosition();
    if (pos >= 0) {
      int share = static_cast<int>(100.0 * std::min<double>(pos, inputSize_) / inputSize_);
      int filled = share / 5;
      line += "  [" + std::string(filled, '#') + std::string(20 - filled, '.') + "] " +
              std::to_string(share) + "%";
    }
  }
  line += "   ";
  std::fputs(line.c_str(), out_);
  std::fflush(out_);
}

}  // namespace zuvo::cli
