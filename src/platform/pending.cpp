// Platform services not landed yet.
#include "platform/Platform.h"

namespace zuvo {

std::shared_ptr<Platform> Platform::posix() { return std::make_shared<Platform>(); }

}  // namespace zuvo
