#pragma once

#include <filesystem>
#include <memory>
#include <string>

#include "component/ZuvoCls.h"
#include "platform/TempDir.h"

namespace zuvo::testing {

// A home directory of its own for one test, holding the sample conversion table unless the
// test writes another one.
class JefHome : public TempDir {
 public:
  explicit JefHome(bool sampleTable = true) {
    if (sampleTable) std::filesystem::copy_file(samplePath(), path() / "sjisjef.tbl");
  }

  static std::filesystem::path samplePath() {
    return std::filesystem::path(ZUVO_SOURCE_DIR) / "data" / "sjisjef.tbl";
  }
  // An object whose home is this directory.
  std::unique_ptr<ZuvoCls> object() const {
    return std::make_unique<ZuvoCls>(Platform::posix(path()));
  }
};

inline std::string hex(const ByteArray& bytes, std::size_t n) {
  static const char* digits = "0123456789ABCDEF";
  std::string s;
  for (std::size_t i = 0; i < n && i < bytes.size(); ++i) {
    s.push_back(digits[bytes[i] >> 4]);
    s.push_back(digits[bytes[i] & 15]);
  }
  return s;
}

}  // namespace zuvo::testing
