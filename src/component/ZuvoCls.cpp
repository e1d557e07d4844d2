#include "component/ZuvoCls.h"

#include "jef/JefTable.h"

namespace zuvo {

ZuvoCls::ZuvoCls() : ZuvoCls(Platform::posix()) {}

ZuvoCls::ZuvoCls(std::shared_ptr<Platform> platform) : platform_(std::move(platform)) {
  readSettings();
}

ZuvoCls::~ZuvoCls() = default;

void ZuvoCls::countConverted(std::int32_t count, std::int32_t interval) {
  conversionCount_ = count;
  if (interval > 0 && count % interval == 0 && platform_->events)
    platform_->events->processPending();
}

std::int32_t ZuvoCls::GetCnvCount() {
  return conversionCount_;
}

}  // namespace zuvo
