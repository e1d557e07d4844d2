// Window, user, registry, archiver and host services, the debug log and the system's
// open/closed convention.

#include "component/PathText.h"
#include "component/ZuvoCls.h"
#include "platform/Cp932.h"
#include "runtime/Convert.h"

namespace zuvo {

using component::joinPath;
using component::upToNul;

namespace {

constexpr std::int32_t kLocalMachine = static_cast<std::int32_t>(0x80000002u);
constexpr std::int16_t kIdBuffer = 128;
const String kSection = u"zuvo";

// Text as the run-time's Print # writes it: numbers with a blank before a non-negative value
// and one after.
String printText(const Variant& value) {
  if (value.isNull()) return u"Null";
  if (value.isNumber()) return rt::str(rt::toDouble(value)) + u" ";
  return rt::toText(value);
}

String identity(const std::optional<String>& text) {
  return text ? rt::lower(rt::trim(upToNul(*text))) : String();
}

}  // namespace

std::int32_t ZuvoCls::FindWindow(const String& cnm, const String& cap) {
  platformProbe();
  return platform_->windows->findWindow(cnm, cap);
}

std::int32_t ZuvoCls::SendMessage(std::int32_t hwd, std::int32_t msg, std::int32_t wpara,
                                  std::int32_t lpara) {
  platformProbe();
  return platform_->windows->sendMessage(hwd, msg, wpara, lpara);
}

std::int32_t ZuvoCls::PostMessage(std::int32_t hwd, std::int32_t msg, std::int32_t wpara,
                                  std::int32_t lpara) {
  platformProbe();
  return platform_->windows->postMessage(hwd, msg, wpara, lpara);
}

std::int32_t ZuvoCls::GetWindowText(std::int32_t hwd, String& buf, std::int32_t bln) {
  platformProbe();
  return platform_->windows->getWindowText(hwd, buf, bln);
}

std::int32_t ZuvoCls::GetWindowLong(std::int32_t hwd, std::int32_t nIndex) {
  platformProbe();
  return platform_->windows->getWindowLong(hwd, nIndex);
}

std::int32_t ZuvoCls::GetUserName(String& buf, std::int32_t& size) {
  platformProbe();
  std::optional<String> name;
  try {
    name = platform_->system->userName();
  } catch (...) {
    buf.clear();
    return 0;
  }
  if (!name) return 0;
  // As the system call: a buffer too small for the name and its NUL gets nothing, and `size`
  // says how much is needed; otherwise `size` becomes the length with the NUL.
  const auto needed = static_cast<std::int32_t>(name->size() + 1);
  if (size < needed) {
    size = needed;
    return 0;
  }
  if (buf.size() < name->size() + 1) buf.resize(name->size() + 1, u' ');
  buf.replace(0, name->size(), *name);
  buf[name->size()] = u'\0';
  size = needed;
  return 1;
}

bool ZuvoCls::LHA(const Variant& hwd, const String& para) {
  const std::int32_t owner = rt::toLong(hwd);
  String output(128, u' ');
  return platform_->archiver->run(owner, para, output) == 0;
}

void ZuvoCls::DspAbend(const String& ininame, const String& msg) {
  try {
    const String logo = GetIniStr(ininame, kSection, u"zuvologo", true);
    if (!logo.empty()) platform_->launcher->start(logo, {msg});
  } catch (...) {
  }
}

bool ZuvoCls::ChkZuvo(const String& ininame, const String& title) {
  try {
    if (GetIniStr(ininame, kSection, u"zuvostatus", true) == u"true") return true;
    String message = GetIniStr(ininame, kSection, u"zuvosysmsg", false);
    if (auto at = message.find(u"\\n"); at != String::npos) message.replace(at, 2, u"\n");
    String text =
        title + u"は強制終了しました。\n" +
        (rt::trim(message).empty() ? String(u"しばらくしてから、再実行して下さい。") : message);
    const String logo = GetIniStr(ininame, kSection, u"zuvologo", true);
    if (!logo.empty()) platform_->launcher->start(logo, {text});
  } catch (...) {
  }
  return false;
}

void ZuvoCls::StartSysInfo() {
  try {
    String path;
    if (GetKeyValue(kLocalMachine, u"SOFTWARE\\Microsoft\\Shared Tools\\MSINFO", u"PATH", path) &&
        platform_->launcher->start(path, {}))
      return;
    String folder;
    if (GetKeyValue(kLocalMachine, u"SOFTWARE\\Microsoft\\Shared Tools Location", u"MSINFO",
                    folder)) {
      const String program = joinPath(folder, u"MSINFO32.EXE");
      if (platform_->system->fileExists(program) && platform_->launcher->start(program, {})) return;
    }
  } catch (...) {
  }
  platform_->ui->messageBox(u"現時点ではｼｽﾃﾑ情報を使用できません", u"zuvo", 0);
}

bool ZuvoCls::GetKeyValue(std::int32_t KeyRoot, const String& KeyName, const String& SubKeyRef,
                          String& KeyVal) {
  platformProbe();
  const std::optional<RegistryValue> value = platform_->registry->read(KeyRoot, KeyName, SubKeyRef);
  if (!value) {
    KeyVal.clear();
    return false;
  }
  if (value->type == 1)
    KeyVal = upToNul(value->text);
  else if (value->type == 4)
    KeyVal = rt::toText(Variant::Long(value->number));
  return true;
}

void ZuvoCls::WriteDbg(const String& fnm, const Variant& msg) {
  try {
    const auto path = std::filesystem::path(rt::toUtf8(fnm));
    if (!msg.isNull() && rt::upper(rt::toText(msg)) == u"CLEAR_DBG") {
      writeWholeFile(files(), path.string(), "", FileService::Mode::Write);
      return;
    }
    writeWholeFile(files(), path.string(), cp932::encode(printText(msg)) + "\r\n",
                   FileService::Mode::Append);
  } catch (...) {
  }
}

void ZuvoCls::GetUserInfo(String& id, String& pc, String& ip) {
  id.clear();
  pc.clear();
  ip.clear();
  try {
    String buffer(kIdBuffer, u' ');
    std::int32_t size = kIdBuffer;
    if (GetUserName(buffer, size) != 0) id = identity(buffer);
  } catch (...) {
  }
  try {
    pc = identity(platform_->host->hostName());
  } catch (...) {
  }
  try {
    ip = identity(platform_->host->hostAddress());
  } catch (...) {
  }
}

}  // namespace zuvo
