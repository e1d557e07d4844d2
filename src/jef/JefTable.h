#pragma once

#include <array>
#include <cstdint>
#include <filesystem>
#include <memory>

namespace zuvo {

class FileService;

namespace jef {
class DirectTables;
}

// The Shift-JIS / JEF conversion table of one object, loaded on first use from sjisjef.tbl.
// Entry k pairs a character code (the signed 16-bit Shift-JIS form) with a JEF code (0-255
// one byte, 256-65535 two bytes, high byte first). Unfilled entries hold 0 and 0.
struct JefTable {
  static constexpr int Entries = 7858;
  static constexpr std::int32_t MissingJef = 0xA2A4;   // written for an unknown character
  static constexpr std::int16_t MissingSjis = -32443;  // 0x8145, the middle dot
  static constexpr std::int32_t NoEntry = INT32_MIN;

  std::array<std::int16_t, Entries> sjis{};
  std::array<std::int32_t, Entries> jef{};

  // Both directions indexed by code, so that a look-up needn't scan the entries; when a code
  // occurs in several entries the lowest entry is the one indexed, as a scan would find it.
  std::array<std::int32_t, 65536> jefBySjis;
  std::array<std::int32_t, 65536> sjisByJef;

  JefTable();
  ~JefTable();

  // Reads pairs from `path` into the entries from 0 on and indexes the result, also when the
  // file fails part-way (the pairs read so far stay). Raises 53 for a file that cannot be
  // opened, 13 for a field that is not a whole number, 6 for a code out of range, 9 for more
  // pairs than the table has entries and 62 for a pair cut by the end of the file.
  // Reads the pairs of `path` through `files`. Raises error 53 when it can't be read.
  void load(FileService& files, const std::filesystem::path& path);

  std::int32_t toJef(std::int16_t code) const {
    std::int32_t v = jefBySjis[static_cast<std::uint16_t>(code)];
    return v == NoEntry ? MissingJef : v;
  }
  std::int16_t toSjis(std::int32_t code) const {
    std::int32_t v = (code >= 0 && code <= 0xFFFF) ? sjisByJef[code] : NoEntry;
    return v == NoEntry ? MissingSjis : static_cast<std::int16_t>(v);
  }

  // The byte tables of the direct conversions, built from this table on first use.
  const jef::DirectTables& direct() const;

 private:
  void index();
  mutable std::unique_ptr<jef::DirectTables> direct_;
};

}  // namespace zuvo
