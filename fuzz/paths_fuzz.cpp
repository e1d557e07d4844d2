// Command lines and paths.
#include "FuzzCommon.h"

using namespace zuvo;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  FuzzedDataProvider in(data, size);
  std::int16_t start = in.ConsumeIntegral<std::int16_t>();
  const String text = fuzz::takeShapedText(in, 512);
  auto& z = fuzz::object();
  fuzz::expectNoFault([&] {
    // A caller walks until the item is "" and the position is past the end.
    std::int16_t i = start < 1 ? 1 : start;
    for (std::size_t steps = 0; steps <= text.size() + 1; ++steps) {
      const std::int16_t before = i;
      if (z.GetCmdPara(text, i).empty() && i == before) break;
    }
  });
  fuzz::expectNoFault([&] { z.GetPath(text); });
  fuzz::expectNoFault([&] { z.GetFilename(text); });
  return 0;
}
