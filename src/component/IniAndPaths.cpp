// INI files, the command line and file paths of the client.
#include "component/PathText.h"
#include "component/ZuvoCls.h"
#include "runtime/Convert.h"

namespace zuvo {

using component::isPosixPath;
using component::lastSeparator;
using component::upToNul;

namespace {

// Instance-handle index of the window query.
constexpr std::int32_t kWindowInstance = -6;
// Capacity of the buffer that receives the module name, NUL included.
constexpr std::size_t kModuleNameBuffer = 145;

String pathText(const Variant& path) {
  String text = rt::trim(rt::toText(path));
  return isPosixPath(text) ? text : rt::lower(text);
}

}  // namespace

String ZuvoCls::GetCmdPara(const String& para, std::int16_t& i) {
  if (i < 1) throw RuntimeError(err::InvalidArgument);
  const auto length = static_cast<std::int64_t>(para.size());
  if (i > length) return String();
  // The next position is an Integer: a command line longer than that cannot be walked.
  auto setNext = [&i](std::int64_t next) {
    if (next > INT16_MAX) throw RuntimeError(err::Overflow);
    i = static_cast<std::int16_t>(next);
  };
  std::int64_t space = rt::inStr(para, u" ", i);
  std::int64_t next = 0;
  if (space > 0) {
    auto after = para.find_first_not_of(u' ', static_cast<std::size_t>(space));
    if (after != String::npos) next = static_cast<std::int64_t>(after) + 1;
  }
  if (next == 0) {
    String item = rt::trim(rt::mid(para, i));
    setNext(length + 1);
    return item;
  }
  String item = rt::trim(rt::mid(para, i, space - i));
  setNext(next);
  return item;
}

String ZuvoCls::GetIniName(const Variant& hwnd, const String& ini, const String& dbgini) {
  const std::int32_t window = rt::toLong(hwnd);
  platformProbe();
  const std::int32_t instance = platform_->windows->getWindowLong(window, kWindowInstance);
  String module = moduleNameQuery(instance);
  if (module.empty()) module = u"dummy.exe";
  module = rt::lower(upToNul(module.substr(0, kModuleNameBuffer - 1)));
  const bool developing = rt::inStr(module, u"vb6.exe") > 0 || rt::inStr(module, u"vb5.exe") > 0;
  if (!dbgini.empty() && developing) return dbgini;

  if (rt::lower(rt::right(ini, 8)) != u"zuvo.ini") return ini;
  const std::size_t sep = lastSeparator(ini);
  if (sep == String::npos) {
    platform_->ui->beep();
    platform_->ui->messageBox(u"プログラム名の取得(GetModuleFileName) に失敗しました。",
                              u"GetIniName()", 48);
    return String();
  }
  // The shared file is looked for in the current directory. A POSIX directory keeps its case
  // and takes "/" before the file name.
  const String directory = platform_->system->currentDirectory();
  String name = rt::lower(ini.substr(sep));
  if (isPosixPath(directory)) {
    name[0] = u'/';
    if (!directory.empty() && directory.back() == u'/') name.erase(0, 1);
    return directory + name;
  }
  return rt::lower(directory + name);
}

String ZuvoCls::GetIniStr(const String& ininame, const String& sec, const String& ent, bool lca) {
  String buffer(static_cast<std::size_t>(settings_.iniReadBufferLength), u' ');
  if (iniReadPrimitive(sec, ent, String(), buffer, settings_.iniBufferSize, ininame) == 0)
    return String();
  String value = rt::trim(upToNul(buffer));
  return lca ? rt::lower(value) : value;
}

bool ZuvoCls::WriteIniStr(const String& ininame, const String& sec, const String& ent,
                          const String& inistr) {
  return iniWritePrimitive(sec, ent, inistr, ininame) > 0;
}

String ZuvoCls::GetPath(const Variant& path) {
  String text = pathText(path);
  // A path without an extension is taken as a folder.
  if (text.find(u'.') == String::npos) text += isPosixPath(text) ? u"/" : u"\\";
  if (std::size_t sep = lastSeparator(text); sep != String::npos) return text.substr(0, sep + 1);
  if (std::size_t colon = text.find(u':'); colon != String::npos) return text.substr(0, colon + 1);
  return text;
}

String ZuvoCls::GetFilename(const Variant& path) {
  const String text = pathText(path);
  const std::size_t sep = lastSeparator(text);
  if (sep != String::npos) return text.substr(sep + 1);
  const std::size_t colon = text.find(u':');
  if (colon != String::npos && colon + 1 < text.size()) return text.substr(colon + 1);
  return String();
}

}  // namespace zuvo
