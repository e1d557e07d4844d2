#pragma once

#include <filesystem>
#include <memory>
#include <optional>
#include <vector>

#include "Platform.h"

namespace zuvo {

struct RecordedMessage {
  String text;
  String title;
  std::int32_t style = 0;
};

// What a recording platform saw instead of showing or running it.
struct Recorder {
  std::vector<RecordedMessage> messages;
  std::int32_t beeps = 0;
  // One entry per started program: the command text followed by a blank and each extra argument.
  std::vector<String> started;
  // The clock answers this when set, else the real local time.
  std::optional<Date> fixedNow;
  // The answer of every message box (1 = OK).
  std::int32_t messageBoxAnswer = 1;
};

// The POSIX platform with message boxes, beeps and program starts recorded in `recorder`
// (never shown or run) and the clock fixed when recorder->fixedNow is set. Used by tests and
// by `zuvo call`.
std::shared_ptr<Platform> recordingPlatform(const std::shared_ptr<Recorder>& recorder,
                                            std::filesystem::path home);

}  // namespace zuvo
