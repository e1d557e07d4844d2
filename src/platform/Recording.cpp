#include "platform/Recording.h"

#include "platform/Posix.h"

namespace zuvo {
namespace {

class RecordingClock : public Clock {
 public:
  explicit RecordingClock(std::shared_ptr<Recorder> recorder)
      : recorder_(std::move(recorder)), real_(posix::makeClock()) {}
  Date now() override { return recorder_->fixedNow ? *recorder_->fixedNow : real_->now(); }

 private:
  std::shared_ptr<Recorder> recorder_;
  std::shared_ptr<Clock> real_;
};

class RecordingUserInterface : public UserInterface {
 public:
  explicit RecordingUserInterface(std::shared_ptr<Recorder> recorder)
      : recorder_(std::move(recorder)) {}
  std::int32_t messageBox(const String& text, const String& title, std::int32_t style) override {
    recorder_->messages.push_back({text, title, style});
    return recorder_->messageBoxAnswer;
  }
  void beep() override { ++recorder_->beeps; }

 private:
  std::shared_ptr<Recorder> recorder_;
};

class RecordingLauncher : public ProgramLauncher {
 public:
  explicit RecordingLauncher(std::shared_ptr<Recorder> recorder) : recorder_(std::move(recorder)) {}
  bool start(const String& command, const std::vector<String>& extraArguments) override {
    String entry = command;
    for (const String& a : extraArguments) entry += u" " + a;
    recorder_->started.push_back(entry);
    return true;
  }

 private:
  std::shared_ptr<Recorder> recorder_;
};

}  // namespace

std::shared_ptr<Platform> recordingPlatform(const std::shared_ptr<Recorder>& recorder,
                                            std::filesystem::path home) {
  auto p = Platform::posix(std::move(home));
  p->clock = std::make_shared<RecordingClock>(recorder);
  p->ui = std::make_shared<RecordingUserInterface>(recorder);
  p->launcher = std::make_shared<RecordingLauncher>(recorder);
  return p;
}

}  // namespace zuvo
