#pragma once

namespace zuvo {

// The Shift-JIS / JEF conversion table of one object, loaded on first use.
struct JefTable {};

}  // namespace zuvo
