// Methods whose implementation has not landed yet; each answers "not implemented".
#include "component/ZuvoCls.h"

namespace zuvo {

String ZuvoCls::Encode(const String&) { throw RuntimeError::notImplemented("Encode"); }
String ZuvoCls::Decode(const String&) { throw RuntimeError::notImplemented("Decode"); }
String ZuvoCls::DeDsn(const String&) { throw RuntimeError::notImplemented("DeDsn"); }

}  // namespace zuvo
