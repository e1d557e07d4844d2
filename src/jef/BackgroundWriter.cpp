#include "jef/BackgroundWriter.h"

namespace zuvo::jef {

BackgroundWriter::BackgroundWriter(convert::TextWriter& out) : out_(out) {
  filling_.reserve(Chunk + Chunk / 4);
  writing_.reserve(Chunk + Chunk / 4);
  thread_ = std::thread([this] { run(); });
}

BackgroundWriter::~BackgroundWriter() {
  finish();
}

void BackgroundWriter::handOver() {
  std::unique_lock lock(mutex_);
  changed_.wait(lock, [this] { return !busy_; });
  filling_.swap(writing_);
  filling_.clear();
  busy_ = true;
  changed_.notify_all();
}

void BackgroundWriter::finish() {
  if (!thread_.joinable()) return;
  if (!filling_.empty()) handOver();
  {
    std::unique_lock lock(mutex_);
    changed_.wait(lock, [this] { return !busy_; });
    done_ = true;
    changed_.notify_all();
  }
  thread_.join();
}

void BackgroundWriter::run() {
  std::unique_lock lock(mutex_);
  for (;;) {
    changed_.wait(lock, [this] { return busy_ || done_; });
    if (!busy_) return;
    lock.unlock();
    out_.write(writing_);
    lock.lock();
    busy_ = false;
    changed_.notify_all();
  }
}

}  // namespace zuvo::jef
