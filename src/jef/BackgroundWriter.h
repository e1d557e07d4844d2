#pragma once

#include <condition_variable>
#include <cstddef>
#include <mutex>
#include <string>
#include <string_view>
#include <thread>

#include "../convert/TextFile.h"

namespace zuvo::jef {

// Hands the bytes of a conversion's output to a thread of its own that writes them, so that
// the writing overlaps the converting on a second core. The bytes reach the file in the order
// given, as they would through the writer itself; the writer is the thread's alone until
// finish(), and keeps its failures for close() as always. Nothing else of the library runs on
// that thread.
class BackgroundWriter {
 public:
  explicit BackgroundWriter(convert::TextWriter& out);
  ~BackgroundWriter();
  BackgroundWriter(const BackgroundWriter&) = delete;
  BackgroundWriter& operator=(const BackgroundWriter&) = delete;

  void write(std::string_view bytes) {
    filling_.append(bytes);
    if (filling_.size() >= Chunk) handOver();
  }
  // Writes what is left and ends the thread; the writer is the caller's again.
  void finish();

 private:
  static constexpr std::size_t Chunk = 1 << 18;
  void handOver();
  void run();

  convert::TextWriter& out_;
  std::string filling_;  // the caller's
  std::string writing_;  // the thread's while busy_
  std::mutex mutex_;
  std::condition_variable changed_;
  bool busy_ = false;
  bool done_ = false;
  std::thread thread_;
};

}  // namespace zuvo::jef
