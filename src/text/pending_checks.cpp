// Methods whose implementation has not landed yet; each answers "not implemented".
#include "component/ZuvoCls.h"

namespace zuvo {

bool ZuvoCls::ChkVals(String&, const String&, bool, bool) { throw RuntimeError::notImplemented("ChkVals"); }
bool ZuvoCls::ChkStrs(String&, const Variant&, std::int16_t, std::int16_t, bool) { throw RuntimeError::notImplemented("ChkStrs"); }
bool ZuvoCls::ChkFormats(String&, const String&, std::int16_t, bool, bool, bool, bool) { throw RuntimeError::notImplemented("ChkFormats"); }

}  // namespace zuvo
