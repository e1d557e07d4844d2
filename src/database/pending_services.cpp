// Methods whose implementation has not landed yet; each answers "not implemented".
#include "component/ZuvoCls.h"

namespace zuvo {

String ZuvoCls::ChkPass(Connection&, const String&, const String&, const String&, String&, String&, String&, String&) { throw RuntimeError::notImplemented("ChkPass"); }
bool ZuvoCls::ChkPgmUser(const String&, std::int16_t, const String&, const String&, const String&, const String&) { throw RuntimeError::notImplemented("ChkPgmUser"); }
std::int32_t ZuvoCls::GetSEQ(Connection&, const String&, Query&, Resultset&, const String&, std::int16_t, String&, const String&, const String&, const String&, const String&, const String&, String&) { throw RuntimeError::notImplemented("GetSEQ"); }
void ZuvoCls::WritePGMm(Connection&, const String&, const String&, const String&, const String&, const String&) { throw RuntimeError::notImplemented("WritePGMm"); }
void ZuvoCls::WriteMSGm(Connection&, const String&, const String&, const String&, Query&, Resultset&, const String&, const String&, const String&, const String&, const String&, const String&, const String&) { throw RuntimeError::notImplemented("WriteMSGm"); }
bool ZuvoCls::WriteLOGm(Connection&, const String&, const String&, Query&, Resultset&, const String&, const String&, const String&, const String&, const String&, std::int32_t&, std::int16_t&, const String&, std::int32_t, const String&) { throw RuntimeError::notImplemented("WriteLOGm"); }

}  // namespace zuvo
