#include "platform/ProfileText.h"

#include "platform/Platform.h"
#include "runtime/Convert.h"

namespace zuvo::profile {
namespace {

bool isBlank(char16_t c) {
  return c == u' ' || c == u'\t';
}

std::u16string_view trimmed(std::u16string_view s) {
  while (!s.empty() && isBlank(s.front())) s.remove_prefix(1);
  while (!s.empty() && isBlank(s.back())) s.remove_suffix(1);
  return s;
}

}  // namespace

Line parse(std::u16string_view text) {
  Line line;
  std::u16string_view t = trimmed(text);
  if (t.empty() || t.front() == u';') return line;
  if (t.front() == u'[') {
    auto close = t.find(u']');
    line.kind = Line::Section;
    line.name = String(trimmed(t.substr(1, close == t.npos ? t.npos : close - 1)));
    return line;
  }
  auto eq = t.find(u'=');
  if (eq == t.npos) return line;
  line.kind = Line::Entry;
  line.name = String(trimmed(t.substr(0, eq)));
  std::u16string_view value = trimmed(t.substr(eq + 1));
  if (value.size() >= 2 && value.front() == u'"' && value.back() == u'"')
    value = value.substr(1, value.size() - 2);
  line.value = String(value);
  return line;
}

bool sameName(const String& a, const String& b) {
  return a.size() == b.size() && (a == b || rt::lower(a) == rt::lower(b));
}

std::optional<String> lookup(std::u16string_view text,
                             const std::function<bool(const String&)>& sectionMatches,
                             const String& key) {
  bool inSection = false;
  bool seenSection = false;
  while (!text.empty()) {
    auto end = text.find(u'\n');
    std::u16string_view raw = text.substr(0, end);
    text = end == text.npos ? std::u16string_view() : text.substr(end + 1);
    if (!raw.empty() && raw.back() == u'\r') raw.remove_suffix(1);
    Line line = parse(raw);
    if (line.kind == Line::Section) {
      // Only the first section of a name counts, as the desktop's own reader does.
      if (inSection) return std::nullopt;
      inSection = !seenSection && sectionMatches(line.name);
      seenSection = seenSection || inSection;
    } else if (inSection && line.kind == Line::Entry && sameName(line.name, key)) {
      return line.value;
    }
  }
  return std::nullopt;
}

bool readFile(const std::filesystem::path& path, std::string& bytes) {
  return readWholeFile(systemFiles(), path.string(), bytes) == 0;
}

std::filesystem::path hostPath(const String& name) {
  return std::filesystem::path(rt::toUtf8(name));
}

}  // namespace zuvo::profile
