// Private-profile (INI) files the way the desktop reads and writes them: sections and keys
// matched without regard to case, values trimmed and unquoted, Shift-JIS on disk, CR LF line
// ends, and a write that leaves every other line as it was, byte for byte.
#include <unistd.h>

#include <string>
#include <string_view>
#include <system_error>
#include <vector>

#include "platform/Cp932.h"
#include "platform/Posix.h"
#include "platform/ProfileText.h"

namespace zuvo::posix {
namespace {

using profile::Line;

// One line of the file as it is on disk, line end included, and its parsed form.
struct RawLine {
  std::string bytes;
  Line parsed;
  bool hasLineEnd() const { return !bytes.empty() && bytes.back() == '\n'; }
};

std::vector<RawLine> splitLines(const std::string& bytes) {
  std::vector<RawLine> lines;
  std::size_t start = 0;
  while (start < bytes.size()) {
    std::size_t end = bytes.find('\n', start);
    end = end == std::string::npos ? bytes.size() : end + 1;
    RawLine line{bytes.substr(start, end - start), {}};
    std::string_view body(line.bytes);
    while (!body.empty() && (body.back() == '\n' || body.back() == '\r')) body.remove_suffix(1);
    line.parsed = profile::parse(cp932::decode(body));
    lines.push_back(std::move(line));
    start = end;
  }
  return lines;
}

bool hasLineBreak(const String& s) {
  return s.find_first_of(u"\r\n") != String::npos;
}

// Replaces the file through a sibling, so that a failed write never leaves half a file.
bool replaceFile(FileService& files, const std::filesystem::path& path, const std::string& bytes) {
  std::error_code ec;
  std::filesystem::path target = path;
  if (std::filesystem::is_symlink(path, ec)) {
    target = std::filesystem::canonical(path, ec);
    if (ec) return false;
  }
  std::filesystem::path temp = target;
  temp += ".tmp" + std::to_string(::getpid());
  if (writeWholeFile(files, temp.string(), bytes, FileService::Mode::Write) != 0) {
    std::filesystem::remove(temp, ec);
    return false;
  }
  auto perms = std::filesystem::status(target, ec).permissions();
  if (!ec) std::filesystem::permissions(temp, perms, ec);
  std::filesystem::rename(temp, target, ec);
  if (ec) {
    std::error_code ignored;
    std::filesystem::remove(temp, ignored);
    return false;
  }
  return true;
}

class ProfileFiles : public IniFiles {
 public:
  explicit ProfileFiles(std::shared_ptr<FileService> files) : files_(std::move(files)) {}

  std::int32_t read(const String& file, const String& section, const String& key,
                    const String& defaultValue, String& value, std::int32_t sizeLimit) override {
    std::optional<String> found;
    std::string bytes;
    if (readWholeFile(*files_, profile::hostPath(file).string(), bytes) == 0) {
      found = profile::lookup(
          cp932::decode(bytes),
          [&](const String& name) { return profile::sameName(name, section); }, key);
    }
    const String& text = found ? *found : defaultValue;
    std::size_t room = sizeLimit > 1 ? static_cast<std::size_t>(sizeLimit - 1) : 0;
    value = text.substr(0, room);
    return static_cast<std::int32_t>(value.size());
  }

  std::int32_t write(const String& file, const String& section, const String& key,
                     const String& value) override {
    // A line break, or an "=" in the key, would turn the value into lines of their own.
    if (hasLineBreak(section) || hasLineBreak(key) || hasLineBreak(value) ||
        key.find(u'=') != String::npos || section.find(u']') != String::npos)
      return 0;
    const auto path = profile::hostPath(file);
    std::string bytes;
    std::error_code ec;
    if (std::filesystem::exists(path, ec) && readWholeFile(*files_, path.string(), bytes) != 0)
      return 0;
    std::vector<RawLine> lines = splitLines(bytes);
    const std::string entry = cp932::encode(key + u"=" + value) + "\r\n";

    std::size_t sectionAt = lines.size();
    for (std::size_t i = 0; i < lines.size(); ++i) {
      if (lines[i].parsed.kind == Line::Section &&
          profile::sameName(lines[i].parsed.name, section)) {
        sectionAt = i;
        break;
      }
    }
    if (sectionAt == lines.size()) {
      if (!lines.empty() && !lines.back().hasLineEnd()) lines.back().bytes += "\r\n";
      lines.push_back({cp932::encode(u"[" + section + u"]") + "\r\n", {}});
      lines.push_back({entry, {}});
    } else {
      // The new key goes after the section's last non-blank line, before blank separators.
      std::size_t insertAt = sectionAt + 1;
      bool replaced = false;
      for (std::size_t i = sectionAt + 1; i < lines.size(); ++i) {
        const Line& p = lines[i].parsed;
        if (p.kind == Line::Section) break;
        if (p.kind == Line::Entry && profile::sameName(p.name, key)) {
          lines[i].bytes = entry;
          replaced = true;
          break;
        }
        if (lines[i].bytes.find_first_not_of(" \t\r\n") != std::string::npos) insertAt = i + 1;
      }
      if (!replaced) {
        if (!lines[insertAt - 1].hasLineEnd()) lines[insertAt - 1].bytes += "\r\n";
        lines.insert(lines.begin() + static_cast<std::ptrdiff_t>(insertAt), RawLine{entry, {}});
      }
    }
    std::string out;
    out.reserve(bytes.size() + entry.size() + section.size() + 4);
    for (const RawLine& line : lines) out += line.bytes;
    return replaceFile(*files_, path, out) ? 1 : 0;
  }

 private:
  std::shared_ptr<FileService> files_;
};

}  // namespace

std::shared_ptr<IniFiles> makeIniFiles(std::shared_ptr<FileService> files) {
  return std::make_shared<ProfileFiles>(std::move(files));
}

}  // namespace zuvo::posix
