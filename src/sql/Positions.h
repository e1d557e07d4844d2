#pragma once

#include <cstdint>
#include <limits>

#include "../runtime/RuntimeError.h"

namespace zuvo::sqltext {

// Statement positions are kept in 16-bit counts, as the callers' walk position is: a
// position that does not fit overflows rather than wrapping round to a wrong place.
inline std::int16_t position16(std::int64_t position) {
  if (position > std::numeric_limits<std::int16_t>::max() ||
      position < std::numeric_limits<std::int16_t>::min())
    throw RuntimeError(err::Overflow);
  return static_cast<std::int16_t>(position);
}

}  // namespace zuvo::sqltext
