// Methods whose implementation has not landed yet; each answers "not implemented".
#include "component/ZuvoCls.h"

namespace zuvo {

std::int32_t ZuvoCls::FindWindow(const String&, const String&) { throw RuntimeError::notImplemented("FindWindow"); }
std::int32_t ZuvoCls::SendMessage(std::int32_t, std::int32_t, std::int32_t, std::int32_t) { throw RuntimeError::notImplemented("SendMessage"); }
std::int32_t ZuvoCls::PostMessage(std::int32_t, std::int32_t, std::int32_t, std::int32_t) { throw RuntimeError::notImplemented("PostMessage"); }
std::int32_t ZuvoCls::GetWindowText(std::int32_t, String&, std::int32_t) { throw RuntimeError::notImplemented("GetWindowText"); }
std::int32_t ZuvoCls::GetWindowLong(std::int32_t, std::int32_t) { throw RuntimeError::notImplemented("GetWindowLong"); }
std::int32_t ZuvoCls::GetUserName(String&, std::int32_t&) { throw RuntimeError::notImplemented("GetUserName"); }
String ZuvoCls::SetVer(const String&, String&, String&, String&, String&) { throw RuntimeError::notImplemented("SetVer"); }
String ZuvoCls::SetVers(const String&, String&, String&, String&, String&, const String&, const String&, const String&, const String&) { throw RuntimeError::notImplemented("SetVers"); }
String ZuvoCls::GetCmdPara(const String&, std::int16_t&) { throw RuntimeError::notImplemented("GetCmdPara"); }
String ZuvoCls::GetIniName(const Variant&, const String&, const String&) { throw RuntimeError::notImplemented("GetIniName"); }
String ZuvoCls::GetIniStr(const String&, const String&, const String&, bool) { throw RuntimeError::notImplemented("GetIniStr"); }
bool ZuvoCls::WriteIniStr(const String&, const String&, const String&, const String&) { throw RuntimeError::notImplemented("WriteIniStr"); }
bool ZuvoCls::LHA(const Variant&, const String&) { throw RuntimeError::notImplemented("LHA"); }
String ZuvoCls::GetPath(const Variant&) { throw RuntimeError::notImplemented("GetPath"); }
String ZuvoCls::GetFilename(const Variant&) { throw RuntimeError::notImplemented("GetFilename"); }
bool ZuvoCls::ChkZuvo(const String&, const String&) { throw RuntimeError::notImplemented("ChkZuvo"); }
void ZuvoCls::DspAbend(const String&, const String&) { throw RuntimeError::notImplemented("DspAbend"); }
void ZuvoCls::StartSysInfo() { throw RuntimeError::notImplemented("StartSysInfo"); }
bool ZuvoCls::GetKeyValue(std::int32_t, const String&, const String&, String&) { throw RuntimeError::notImplemented("GetKeyValue"); }
void ZuvoCls::WriteDbg(const String&, const Variant&) { throw RuntimeError::notImplemented("WriteDbg"); }
void ZuvoCls::GetUserInfo(String&, String&, String&) { throw RuntimeError::notImplemented("GetUserInfo"); }
void ZuvoCls::readSettings() {}
std::int32_t ZuvoCls::platformProbe() { throw RuntimeError::notImplemented("platformProbe"); }
String ZuvoCls::moduleNameQuery(std::int32_t) { throw RuntimeError::notImplemented("moduleNameQuery"); }
std::int32_t ZuvoCls::iniReadPrimitive(const String&, const String&, const String&, String&, std::int32_t, const String&) { throw RuntimeError::notImplemented("iniReadPrimitive"); }
std::int32_t ZuvoCls::iniWritePrimitive(const String&, const String&, const String&, const String&) { throw RuntimeError::notImplemented("iniWritePrimitive"); }

}  // namespace zuvo
