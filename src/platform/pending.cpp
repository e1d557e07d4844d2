// Platform services not landed yet.
#include "platform/Platform.h"
#include "platform/Recording.h"
#include "runtime/RuntimeError.h"

namespace zuvo {

std::shared_ptr<Platform> Platform::posix() { return std::make_shared<Platform>(); }
std::shared_ptr<Platform> recordingPlatform(std::shared_ptr<Recorder>, std::filesystem::path) { throw RuntimeError::notImplemented("recordingPlatform"); }

}  // namespace zuvo
