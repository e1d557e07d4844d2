#pragma once

#include <memory>

#include "component/ZuvoCls.h"
#include "platform/Recording.h"
#include "platform/TempDir.h"

namespace zuvo::testing {

// A component on the recording platform whose home is a fresh folder.
class RecordedComponent {
 public:
  RecordedComponent() : platform_(recordingPlatform(recorder_, home_.path())) {}

  // The component, created on first use so that a test can prepare the home folder first.
  ZuvoCls& z() {
    if (!z_) z_ = std::make_unique<ZuvoCls>(platform_);
    return *z_;
  }
  const TempDir& home() const { return home_; }
  Recorder& recorder() { return *recorder_; }
  Platform& platform() { return *platform_; }

 private:
  TempDir home_;
  std::shared_ptr<Recorder> recorder_ = std::make_shared<Recorder>();
  std::shared_ptr<Platform> platform_;
  std::unique_ptr<ZuvoCls> z_;
};

}  // namespace zuvo::testing
