// Methods whose implementation has not landed yet; each answers "not implemented".
#include "component/ZuvoCls.h"

namespace zuvo {

std::int16_t ZuvoCls::GetCntCSV(const String&) { throw RuntimeError::notImplemented("GetCntCSV"); }
std::int32_t ZuvoCls::CnvCSVFile(Connection&, const String&, const String&, bool) { throw RuntimeError::notImplemented("CnvCSVFile"); }
std::int32_t ZuvoCls::SetRDB(Connection&, const String&, const String&, const String&) { throw RuntimeError::notImplemented("SetRDB"); }
std::int32_t ZuvoCls::CnvFixSFFile(Connection&, const String&, const String&, const String&, bool, bool) { throw RuntimeError::notImplemented("CnvFixSFFile"); }
std::int32_t ZuvoCls::SetFixRDB(Connection&, const String&, const String&, const String&, std::int16_t, const String&) { throw RuntimeError::notImplemented("SetFixRDB"); }

}  // namespace zuvo
