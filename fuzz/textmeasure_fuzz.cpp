// Shift-JIS measures and the half-width conversion.
#include "FuzzCommon.h"

using namespace zuvo;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  FuzzedDataProvider in(data, size);
  const Variant st = fuzz::takeVariant(in);
  const Variant l = fuzz::takeVariant(in);
  const auto mode = in.ConsumeIntegral<std::int16_t>();
  const String text = fuzz::takeText(in, 1024);
  auto& z = fuzz::object();
  fuzz::expectNoFault([&] {
    const std::int16_t bytes = z.LenByte(text);
    // A cut never yields more bytes than were asked for plus one straddling character.
    const String part = z.MidByte(text, st, l);
    if (z.LenByte(part) > bytes) __builtin_trap();
  });
  fuzz::expectNoFault([&] { z.Hankaku(text, mode); });
  fuzz::expectNoFault([&] { z.DltSpc(text); });
  return 0;
}
