#pragma once

#include <cstdint>
#include <vector>

namespace zuvo {

// A byte array of the client: index 0 is the first element, sized by the caller.
using ByteArray = std::vector<std::uint8_t>;

}  // namespace zuvo
