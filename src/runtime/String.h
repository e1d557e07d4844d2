#pragma once

#include <string>

namespace zuvo {

// One element is one character as the system counts them (a UTF-16 unit).
using String = std::u16string;

}  // namespace zuvo
