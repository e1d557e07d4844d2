// Input checks: fields and patterns of any shape.
#include "FuzzCommon.h"

using namespace zuvo;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  FuzzedDataProvider in(data, size);
  const auto han = in.ConsumeIntegral<std::int16_t>();
  const auto stype = in.ConsumeIntegral<std::int16_t>();
  const bool z1 = in.ConsumeBool(), z2 = in.ConsumeBool();
  const Variant ftVariant = fuzz::takeVariant(in);
  const String ft = fuzz::takeShapedText(in, 24);
  String field = fuzz::takeShapedText(in, 64);
  auto& z = fuzz::object();
  String s = field;
  fuzz::expectNoFault([&] { z.ChkVals(s, ft, z1, z2); });
  s = field;
  fuzz::expectNoFault([&] { z.ChkStrs(s, ftVariant, han, stype, z1); });
  s = field;
  fuzz::expectNoFault([&] { z.ChkFormats(s, ft, han, z1, z2, z1, z2); });
  return 0;
}
