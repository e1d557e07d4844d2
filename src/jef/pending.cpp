// Methods whose implementation has not landed yet; each answers "not implemented".
#include "component/ZuvoCls.h"

namespace zuvo {

std::int32_t ZuvoCls::CnvJefSFFile(Connection&, const String&, const String&, const String&, bool) {
  throw RuntimeError::notImplemented("CnvJefSFFile");
}
std::int32_t ZuvoCls::SetJefRDB(Connection&, const String&, const String&, const String&,
                                std::int16_t, const String&) {
  throw RuntimeError::notImplemented("SetJefRDB");
}
std::int32_t ZuvoCls::CSVtoJEF(const String&, const String&, const String&, bool) {
  throw RuntimeError::notImplemented("CSVtoJEF");
}
std::int32_t ZuvoCls::JEFtoCSV(const String&, const String&, const String&, std::int16_t, bool) {
  throw RuntimeError::notImplemented("JEFtoCSV");
}

}  // namespace zuvo
