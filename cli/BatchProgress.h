#pragma once

#include <chrono>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <string>

#include "platform/Platform.h"

namespace zuvo {
class ZuvoCls;
}

namespace zuvo::cli {

// The event pump of the batch jobs: the conversions call it every few hundred records, and
// it redraws a one-line progress bar on standard error from the conversion count: records
// done, their rate, and for imports the share of the input file read so far.
class ProgressBar : public EventPump {
 public:
  // `input` is the file an import reads (empty for exports); `out` where the bar goes.
  ProgressBar(std::string verb, std::filesystem::path input, std::FILE* out);

  void attach(ZuvoCls* z) { zuvo_ = z; }
  void processPending() override;
  // Draws the final state (a finished import has read all of its file) and ends the line.
  void finish(bool completed);

 private:
  void draw(bool completed);
  // The offset of the input file in this process, or -1 when it is not open.
  long long inputPosition();

  std::string verb_;
  std::filesystem::path input_;
  std::uintmax_t inputSize_ = 0;
  std::FILE* out_;
  ZuvoCls* zuvo_ = nullptr;
  std::chrono::steady_clock::time_point start_;
  std::chrono::steady_clock::time_point lastDraw_;
  int inputFd_ = -1;
  bool drawn_ = false;
};

}  // namespace zuvo::cli
