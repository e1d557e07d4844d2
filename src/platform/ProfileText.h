#pragma once

#include <filesystem>
#include <functional>
#include <optional>
#include <string>
#include <string_view>

#include "../runtime/String.h"

// The line grammar shared by private-profile (INI) files and the registry file.
namespace zuvo::profile {

struct Line {
  enum Kind { Other, Section, Entry } kind = Other;
  String name;   // section name or key, trimmed
  String value;  // entry value, trimmed, one pair of surrounding double quotes removed
};

// Blank lines, lines beginning with ";" and lines without "=" are Other.
Line parse(std::u16string_view text);

// Case-insensitive match of section names and keys.
bool sameName(const String& a, const String& b);

// The value of the first `key` in the first section accepted by `sectionMatches`, nullopt when
// there is none.
std::optional<String> lookup(std::u16string_view text,
                             const std::function<bool(const String&)>& sectionMatches,
                             const String& key);

// The whole file as bytes; false when it cannot be read.
bool readFile(const std::filesystem::path& path, std::string& bytes);

// A file name of the library's callers as a path of the host.
std::filesystem::path hostPath(const String& name);

}  // namespace zuvo::profile
