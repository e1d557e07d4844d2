// Methods whose implementation has not landed yet; each answers "not implemented".
#include "component/ZuvoCls.h"

namespace zuvo {

String ZuvoCls::GetSQLItem(const String&, const String&) { throw RuntimeError::notImplemented("GetSQLItem"); }
String ZuvoCls::GetSQLData(const String&, std::int16_t&) { throw RuntimeError::notImplemented("GetSQLData"); }
String ZuvoCls::GetSQLDataUpdate(const String&, std::int16_t&) { throw RuntimeError::notImplemented("GetSQLDataUpdate"); }
bool ZuvoCls::RepSQLItem(String&, const String&, const String&) { throw RuntimeError::notImplemented("RepSQLItem"); }
bool ZuvoCls::RepSQLStr(String&, const String&, const String&) { throw RuntimeError::notImplemented("RepSQLStr"); }
void ZuvoCls::DltUserSQL(std::int16_t, std::int16_t, Array<String>&, Array<String>&, Array<String>&, Array<String>&, std::int16_t, const String&, const String&, const String&) { throw RuntimeError::notImplemented("DltUserSQL"); }
String ZuvoCls::CnvSQL(const Variant&, const Variant&) { throw RuntimeError::notImplemented("CnvSQL"); }

}  // namespace zuvo
