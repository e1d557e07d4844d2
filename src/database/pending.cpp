// Methods whose implementation has not landed yet; each answers "not implemented".
#include "component/ZuvoCls.h"

namespace zuvo {

std::int32_t ZuvoCls::RDBStartTran(Connection&, String&, bool) {
  throw RuntimeError::notImplemented("RDBStartTran");
}
std::int32_t ZuvoCls::RDBCommit(Connection&, String&) {
  throw RuntimeError::notImplemented("RDBCommit");
}
std::int32_t ZuvoCls::RDBExec(Connection&, const String&, String&) {
  throw RuntimeError::notImplemented("RDBExec");
}
bool ZuvoCls::RequeryRS(Resultset&) {
  throw RuntimeError::notImplemented("RequeryRS");
}

}  // namespace zuvo
