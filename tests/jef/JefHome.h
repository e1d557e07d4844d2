#pragma once

#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <memory>
#include <string>

#include "component/ZuvoCls.h"

namespace zuvo::testing {

// A home directory of its own for one test, holding the sample conversion table unless the
// test writes another one; removed afterwards.
class JefHome {
 public:
  explicit JefHome(bool sampleTable = true) {
    const auto* info = ::testing::UnitTest::GetInstance()->current_test_info();
    std::string name = std::string("zuvo-jef-") + info->test_suite_name() + "-" + info->name() +
                       "-" + std::to_string(::getpid());
    for (char& c : name)
      if (c == '/') c = '_';
    path_ = std::filesystem::temp_directory_path() / name;
    std::filesystem::remove_all(path_);
    std::filesystem::create_directories(path_);
    if (sampleTable) std::filesystem::copy_file(samplePath(), path_ / "sjisjef.tbl");
  }
  ~JefHome() {
    std::error_code ec;
    std::filesystem::remove_all(path_, ec);
  }
  JefHome(const JefHome&) = delete;
  JefHome& operator=(const JefHome&) = delete;

  static std::filesystem::path samplePath() {
    return std::filesystem::path(ZUVO_SOURCE_DIR) / "data" / "sjisjef.tbl";
  }
  const std::filesystem::path& path() const { return path_; }
  String name(const std::string& file) const {
    std::string s = (path_ / file).string();
    return String(s.begin(), s.end());
  }
  void write(const std::string& file, const std::string& bytes) const {
    std::ofstream(path_ / file, std::ios::binary) << bytes;
  }
  std::string read(const std::string& file) const {
    std::ifstream in(path_ / file, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
  }
  // An object whose home is this directory.
  std::unique_ptr<ZuvoCls> object() const {
    auto platform = Platform::posix();
    platform->home = path_;
    return std::make_unique<ZuvoCls>(platform);
  }

 private:
  std::filesystem::path path_;
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
