// Scrambling: decoding text that was never scrambled, and connect strings.
#include "FuzzCommon.h"

using namespace zuvo;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  FuzzedDataProvider in(data, size);
  const String text = in.ConsumeBool() ? fuzz::takeText(in, 256) : fuzz::takeShapedText(in, 256);
  auto& z = fuzz::object();
  fuzz::expectNoFault([&] { z.Encode(text); });
  fuzz::expectNoFault([&] { z.Decode(text); });
  fuzz::expectNoFault([&] { z.DeDsn(u"DSN=x;uid=" + text); });
  fuzz::expectNoFault([&] { z.DeDsn(text); });
  return 0;
}
