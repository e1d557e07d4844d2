#pragma once

// What every fuzz target shares: an object on a recording platform with a home directory of
// its own, and the run-time's expected errors told apart from real faults.
#include <fuzzer/FuzzedDataProvider.h>
#include <unistd.h>
#include <zuvo/platform/Recording.h>
#include <zuvo/zuvo.h>

#include <filesystem>
#include <memory>
#include <string>

namespace zuvo::fuzz {

inline std::filesystem::path scratchDirectory() {
  static const std::filesystem::path dir = [] {
    auto d = std::filesystem::temp_directory_path() / ("zuvo-fuzz-" + std::to_string(::getpid()));
    std::filesystem::create_directories(d);
    return d;
  }();
  return dir;
}

inline ZuvoCls& object() {
  static ZuvoCls z(recordingPlatform(std::make_shared<Recorder>(), scratchDirectory()));
  return z;
}

// Text of any UTF-16 units, lone surrogates and controls included.
inline String takeText(FuzzedDataProvider& in, std::size_t maxUnits = 256) {
  const std::size_t units = in.ConsumeIntegralInRange<std::size_t>(0, maxUnits);
  String text;
  for (std::size_t i = 0; i < units && in.remaining_bytes() > 0; ++i) {
    text.push_back(in.ConsumeIntegral<char16_t>());
  }
  return text;
}

// Text mostly of the characters the parsers care about, so that the fuzzer reaches deeper.
inline String takeShapedText(FuzzedDataProvider& in, std::size_t maxUnits = 128) {
  static const char16_t alphabet[] = u" 0123456789.,-/:@#'\"()=&HhOoEe+;ａ１あ漢ｶ　ー\n\t";
  const std::size_t units = in.ConsumeIntegralInRange<std::size_t>(0, maxUnits);
  String text;
  for (std::size_t i = 0; i < units && in.remaining_bytes() > 0; ++i) {
    const auto pick = in.ConsumeIntegral<std::uint8_t>();
    text.push_back(pick < 200 ? alphabet[pick % (sizeof(alphabet) / sizeof(char16_t) - 1)]
                              : char16_t(in.ConsumeIntegral<std::uint16_t>()));
  }
  return text;
}

// A value of any kind a client could pass.
inline Variant takeVariant(FuzzedDataProvider& in) {
  switch (in.ConsumeIntegralInRange(0, 7)) {
    case 0:
      return Variant();
    case 1:
      return Variant::Null();
    case 2:
      return Variant(in.ConsumeIntegral<std::int16_t>());
    case 3:
      return Variant::Long(in.ConsumeIntegral<std::int32_t>());
    case 4:
      return Variant(in.ConsumeFloatingPoint<double>());
    case 5:
      return Variant(in.ConsumeBool());
    case 6:
      return Variant(takeText(in, 64));
    default:
      return Variant(takeShapedText(in, 64));
  }
}

// Writes bytes to a scratch file and gives its name as the methods take it.
inline String scratchFile(const std::string& name, const std::string& bytes) {
  const auto path = scratchDirectory() / name;
  FILE* f = std::fopen(path.c_str(), "wb");
  if (f) {
    std::fwrite(bytes.data(), 1, bytes.size(), f);
    std::fclose(f);
  }
  return rt::fromUtf8(path.string());
}

// Runs one call: the run-time's and the database's errors are answers, not faults.
template <typename Call>
void expectNoFault(Call&& call) {
  try {
    call();
  } catch (const RuntimeError&) {
  } catch (const DatabaseError&) {
  }
}

}  // namespace zuvo::fuzz
