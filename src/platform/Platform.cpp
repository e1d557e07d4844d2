#include "platform/Platform.h"

namespace zuvo {
namespace {

constexpr char kSettingsFileName[] = "zuvodll.ini";
constexpr char kConversionTableName[] = "sjisjef.tbl";

bool isFile(const std::filesystem::path& path) {
  std::error_code ec;
  return std::filesystem::is_regular_file(path, ec);
}

}  // namespace

std::filesystem::path Platform::settingsFile() const {
  return home / kSettingsFileName;
}

std::filesystem::path Platform::conversionTable() const {
  std::filesystem::path inHome = home / kConversionTableName;
  if (isFile(inHome) || dataDirectory.empty()) return inHome;
  std::filesystem::path installed = dataDirectory / kConversionTableName;
  return isFile(installed) ? installed : inHome;
}

}  // namespace zuvo
