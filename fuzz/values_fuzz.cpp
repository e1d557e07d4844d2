// Value conversion and rounding.
#include "FuzzCommon.h"

using namespace zuvo;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  FuzzedDataProvider in(data, size);
  const Variant a = fuzz::takeVariant(in);
  const Variant b = fuzz::takeVariant(in);
  const Variant c = fuzz::takeVariant(in);
  auto& z = fuzz::object();
  // These three never fail, whatever they are given.
  z.CnvVal(a);
  z.CnvStrVal(a);
  z.CnvStr(a);
  fuzz::expectNoFault([&] { z.Marume(a, b, c); });
  return 0;
}
