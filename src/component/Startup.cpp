// Start-up from the settings file and the private primitives that reach the system.
#include <algorithm>
#include <iterator>

#include "component/ZuvoCls.h"
#include "platform/Cp932.h"
#include "runtime/Convert.h"

namespace zuvo {
namespace {

// Data scrambled under one key can only be read back under the same key, so this never
// changes between releases.
constexpr std::int32_t kDefaultScramblingKey = 27191;

// A larger value only wastes memory, a non-positive one would make a negative buffer.
constexpr std::int32_t kMinIniBufferSize = 1;
constexpr std::int32_t kMaxIniBufferSize = 65535;

// Applies one "key = value" line; a value that does not fit 32 bits keeps the member as it was.
void applySetting(Settings& settings, const String& line) {
  auto eq = line.find(u'=');
  if (eq == String::npos) return;
  String key = rt::lower(rt::trim(line.substr(0, eq)));
  std::int32_t* member = nullptr;
  if (key == u"inibuf")
    member = &settings.iniBufferSize;
  else if (key == u"tranmax")
    member = &settings.transactionInterval;
  else if (key == u"seccode")
    member = &settings.scramblingKey;
  else
    return;
  try {
    *member = rt::roundToLong(rt::val(rt::trim(line.substr(eq + 1))));
  } catch (const RuntimeError&) {
  }
}

}  // namespace

void ZuvoCls::readSettings() {
  settings_ = Settings{};
  settings_.scramblingKey = kDefaultScramblingKey;
  if (std::string bytes; readWholeFile(files(), platform_->settingsFile().string(), bytes) == 0) {
    String text = cp932::decode(bytes);
    // Lines end in CR LF, CR or LF alike.
    std::size_t start = 0;
    while (start <= text.size()) {
      std::size_t end = text.find_first_of(u"\r\n", start);
      if (end == String::npos) end = text.size();
      applySetting(settings_, text.substr(start, end - start));
      if (end + 1 < text.size() && text[end] == u'\r' && text[end + 1] == u'\n') ++end;
      start = end + 1;
    }
  }
  settings_.iniBufferSize =
      std::clamp(settings_.iniBufferSize, kMinIniBufferSize, kMaxIniBufferSize);
  settings_.iniReadBufferLength = settings_.iniBufferSize * 2;
}

std::int32_t ZuvoCls::platformProbe() {
  if (!platformProbed_) {
    std::int32_t id = platform_->system->platformId();
    platformId_ = id == 0 ? 1 : id;
    platformProbed_ = true;
  }
  return platformId_;
}

String ZuvoCls::moduleNameQuery(std::int32_t instance) {
  platformProbe();
  return platform_->system->moduleFileName(instance);
}

std::int32_t ZuvoCls::iniReadPrimitive(const String& section, const String& key,
                                       const String& defaultValue, String& buffer,
                                       std::int32_t sizeLimit, const String& file) {
  platformProbe();
  String value;
  std::int32_t copied = platform_->ini->read(file, section, key, defaultValue, value, sizeLimit);
  // Like the system call: the characters and a closing NUL go into the caller's buffer, and
  // whatever the buffer held after them stays.
  std::size_t n = std::min(value.size(), buffer.size());
  buffer.replace(0, n, value, 0, n);
  if (n < buffer.size()) buffer[n] = u'\0';
  return copied;
}

std::int32_t ZuvoCls::iniWritePrimitive(const String& section, const String& key,
                                        const String& value, const String& file) {
  platformProbe();
  return platform_->ini->write(file, section, key, value);
}

}  // namespace zuvo
