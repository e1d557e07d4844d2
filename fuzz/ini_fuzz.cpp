// The private-profile reader and the start-up settings reader on arbitrary file bytes.
#include "FuzzCommon.h"

using namespace zuvo;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  FuzzedDataProvider in(data, size);
  const String section = fuzz::takeShapedText(in, 16);
  const String key = fuzz::takeShapedText(in, 16);
  const std::int32_t limit = in.ConsumeIntegralInRange<std::int32_t>(-2, 4096);
  const std::string bytes = in.ConsumeRemainingBytesAsString();

  const String ini = fuzz::scratchFile("fuzz.ini", bytes);
  String value;
  fuzz::expectNoFault(
      [&] { fuzz::object().platform().ini->read(ini, section, key, u"d", value, limit); });
  fuzz::expectNoFault([&] { fuzz::object().GetIniStr(ini, section, key, true); });

  // The same bytes as the settings file of a new object.
  fuzz::scratchFile("zuvodll.ini", bytes);
  fuzz::expectNoFault([&] {
    ZuvoCls z(recordingPlatform(std::make_shared<Recorder>(), fuzz::scratchDirectory()));
    if (z.settings().iniBufferSize <= 0) __builtin_trap();
  });
  return 0;
}
