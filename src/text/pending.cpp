// Methods whose implementation has not landed yet; each answers "not implemented".
#include "component/ZuvoCls.h"

namespace zuvo {

String ZuvoCls::Hankaku(const Variant&, std::int16_t) { throw RuntimeError::notImplemented("Hankaku"); }
double ZuvoCls::CnvVal(const Variant&) { throw RuntimeError::notImplemented("CnvVal"); }
String ZuvoCls::CnvStrVal(const Variant&) { throw RuntimeError::notImplemented("CnvStrVal"); }
String ZuvoCls::CnvStr(const Variant&) { throw RuntimeError::notImplemented("CnvStr"); }
std::int16_t ZuvoCls::LenByte(const Variant&) { throw RuntimeError::notImplemented("LenByte"); }
String ZuvoCls::MidByte(const Variant&, const Variant&, const Variant&) { throw RuntimeError::notImplemented("MidByte"); }
Variant ZuvoCls::Marume(const Variant&, const Variant&, const Variant&) { throw RuntimeError::notImplemented("Marume"); }
std::int32_t ZuvoCls::CalcDate(String&, std::int16_t&, String&, String&) { throw RuntimeError::notImplemented("CalcDate"); }
String ZuvoCls::CalcDays(const Variant&, std::int16_t&, String&, String&) { throw RuntimeError::notImplemented("CalcDays"); }
String ZuvoCls::CalcDD(const Variant&, const Variant&) { throw RuntimeError::notImplemented("CalcDD"); }
String ZuvoCls::CalcMM(const Variant&, const Variant&) { throw RuntimeError::notImplemented("CalcMM"); }
String ZuvoCls::CalcYY(const Variant&, const Variant&) { throw RuntimeError::notImplemented("CalcYY"); }
String ZuvoCls::DltSpc(const String&) { throw RuntimeError::notImplemented("DltSpc"); }
void ZuvoCls::QSort(Array<Variant>&, const Variant&, const Variant&) { throw RuntimeError::notImplemented("QSort"); }
void ZuvoCls::QSort2(Array<Variant>&, Array<Variant>&, const Variant&, const Variant&) { throw RuntimeError::notImplemented("QSort2"); }
void ZuvoCls::QSort3(Array<Variant>&, Array<Variant>&, Array<Variant>&, const Variant&, const Variant&) { throw RuntimeError::notImplemented("QSort3"); }
void ZuvoCls::QSort4(Array<Variant>&, Array<Variant>&, Array<Variant>&, Array<Variant>&, const Variant&, const Variant&) { throw RuntimeError::notImplemented("QSort4"); }
void ZuvoCls::QSortD(Array<Variant>&, const Variant&, const Variant&) { throw RuntimeError::notImplemented("QSortD"); }
void ZuvoCls::QSortD2(Array<Variant>&, Array<Variant>&, const Variant&, const Variant&) { throw RuntimeError::notImplemented("QSortD2"); }
void ZuvoCls::QSortD3(Array<Variant>&, Array<Variant>&, Array<Variant>&, const Variant&, const Variant&) { throw RuntimeError::notImplemented("QSortD3"); }
void ZuvoCls::QSortD4(Array<Variant>&, Array<Variant>&, Array<Variant>&, Array<Variant>&, const Variant&, const Variant&) { throw RuntimeError::notImplemented("QSortD4"); }

}  // namespace zuvo
