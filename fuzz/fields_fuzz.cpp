// Field definition strings of any shape.
#include "FuzzCommon.h"
#include "convert/FieldDefs.h"

using namespace zuvo;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  FuzzedDataProvider in(data, size);
  const String fds = in.ConsumeBool() ? fuzz::takeText(in, 512) : fuzz::takeShapedText(in, 512);
  fuzz::expectNoFault([&] {
    const std::int32_t count = convert::fieldCount(fds);
    for (std::int32_t k = -1; k <= count + 1; ++k) convert::fieldDescriptor(fds, k);
  });
  return 0;
}
