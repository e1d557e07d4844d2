// Methods whose implementation has not landed yet; each answers "not implemented".
#include "component/ZuvoCls.h"

namespace zuvo {

std::int32_t ZuvoCls::CnvJefSFFile(Connection&, const String&, const String&, const String&, bool) { throw RuntimeError::notImplemented("CnvJefSFFile"); }
std::int32_t ZuvoCls::SetJefRDB(Connection&, const String&, const String&, const String&, std::int16_t, const String&) { throw RuntimeError::notImplemented("SetJefRDB"); }
std::int32_t ZuvoCls::CSVtoJEF(const String&, const String&, const String&, bool) { throw RuntimeError::notImplemented("CSVtoJEF"); }
std::int32_t ZuvoCls::JEFtoCSV(const String&, const String&, const String&, std::int16_t, bool) { throw RuntimeError::notImplemented("JEFtoCSV"); }
std::int16_t ZuvoCls::SjisJef(const String&, ByteArray&) { throw RuntimeError::notImplemented("SjisJef"); }
std::int16_t ZuvoCls::SjisJefShift(const String&, ByteArray&) { throw RuntimeError::notImplemented("SjisJefShift"); }
String ZuvoCls::JefSjis(const ByteArray&, const Variant&, const Variant&) { throw RuntimeError::notImplemented("JefSjis"); }
String ZuvoCls::JefSjisShift(const ByteArray&, const Variant&) { throw RuntimeError::notImplemented("JefSjisShift"); }
std::int16_t ZuvoCls::NumComp3(Variant&, ByteArray&, const Variant&, const Variant&) { throw RuntimeError::notImplemented("NumComp3"); }
String ZuvoCls::Comp3Num(const ByteArray&, const Variant&, const Variant&) { throw RuntimeError::notImplemented("Comp3Num"); }
const JefTable& ZuvoCls::jefTable() { throw RuntimeError::notImplemented("jefTable"); }

}  // namespace zuvo
