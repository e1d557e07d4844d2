#include <charconv>
#include <string>

#include "platform/Posix.h"
#include "platform/ProfileText.h"
#include "runtime/Convert.h"

namespace zuvo::posix {
namespace {

struct RootName {
  std::int32_t handle;
  const char16_t* name;
  const char16_t* shortName;
};

constexpr RootName kRoots[] = {
    {static_cast<std::int32_t>(0x80000000u), u"HKEY_CLASSES_ROOT", u"HKCR"},
    {static_cast<std::int32_t>(0x80000001u), u"HKEY_CURRENT_USER", u"HKCU"},
    {static_cast<std::int32_t>(0x80000002u), u"HKEY_LOCAL_MACHINE", u"HKLM"},
    {static_cast<std::int32_t>(0x80000003u), u"HKEY_USERS", u"HKU"},
    {static_cast<std::int32_t>(0x80000005u), u"HKEY_CURRENT_CONFIG", u"HKCC"},
};

// A key path without leading or trailing separators, so that "\A\B\" and "A\B" are one key.
String keyPath(const String& path) {
  auto first = path.find_first_not_of(u'\\');
  if (first == String::npos) return String();
  auto last = path.find_last_not_of(u'\\');
  return path.substr(first, last - first + 1);
}

bool sectionIsKey(const String& section, const RootName& root, const String& path) {
  auto slash = section.find(u'\\');
  String rootPart = section.substr(0, slash);
  if (!profile::sameName(rootPart, root.name) && !profile::sameName(rootPart, root.shortName))
    return false;
  String rest = slash == String::npos ? String() : section.substr(slash + 1);
  return profile::sameName(keyPath(rest), path);
}

std::optional<std::int32_t> parseNumber(const std::string& text) {
  std::uint32_t n = 0;
  const char* begin = text.data();
  const char* end = begin + text.size();
  int base = 10;
  if (text.size() > 2 && text[0] == '0' && (text[1] == 'x' || text[1] == 'X')) {
    begin += 2;
    base = 16;
  }
  auto [ptr, ec] = std::from_chars(begin, end, n, base);
  if (ec != std::errc() || ptr != end) return std::nullopt;
  return static_cast<std::int32_t>(n);
}

class FileRegistry : public Registry {
 public:
  explicit FileRegistry(const std::filesystem::path& home) : file_(home / kRegistryFileName) {}

  std::optional<RegistryValue> read(std::int32_t root, const String& path,
                                    const String& valueName) override {
    const RootName* rootName = nullptr;
    for (const RootName& r : kRoots)
      if (r.handle == root) rootName = &r;
    std::string bytes;
    if (!rootName || !profile::readFile(file_, bytes)) return std::nullopt;
    const String key = keyPath(path);
    auto found = profile::lookup(
        rt::fromUtf8(bytes),
        [&](const String& section) { return sectionIsKey(section, *rootName, key); },
        valueName.empty() ? String(u"@") : valueName);
    if (!found) return std::nullopt;
    RegistryValue value;
    auto colon = found->find(u':');
    String kind = rt::lower(found->substr(0, colon));
    String data = colon == String::npos ? String() : found->substr(colon + 1);
    if (kind == u"sz") {
      value.type = 1;
      value.text = data;
    } else if (kind == u"dword") {
      auto n = parseNumber(rt::toUtf8(data));
      if (!n) return std::nullopt;
      value.type = 4;
      value.number = *n;
    } else {
      value.type = 3;
      value.text = data;
    }
    return value;
  }

 private:
  std::filesystem::path file_;
};

}  // namespace

std::shared_ptr<Registry> makeRegistry(const std::filesystem::path& home) {
  return std::make_shared<FileRegistry>(home);
}

}  // namespace zuvo::posix
