// JEF characters and packed decimals: byte arrays of any length, ranges of any value.
#include <fstream>

#include "FuzzCommon.h"

using namespace zuvo;

namespace {

ZuvoCls& withSampleTable() {
  static ZuvoCls& z = []() -> ZuvoCls& {
    std::filesystem::copy_file(std::string(ZUVO_SOURCE_DIR) + "/data/sjisjef.tbl",
                               fuzz::scratchDirectory() / "sjisjef.tbl",
                               std::filesystem::copy_options::overwrite_existing);
    return fuzz::object();
  }();
  return z;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  FuzzedDataProvider in(data, size);
  ZuvoCls& z = withSampleTable();
  const Variant bmx = fuzz::takeVariant(in);
  const Variant md = fuzz::takeVariant(in);
  Variant n = fuzz::takeVariant(in);
  const Variant le = fuzz::takeVariant(in);
  const Variant p = fuzz::takeVariant(in);
  const String text = fuzz::takeText(in, 64);
  ByteArray bytes = in.ConsumeBytes<std::uint8_t>(in.ConsumeIntegralInRange<std::size_t>(0, 80));
  const ByteArray original = bytes;

  fuzz::expectNoFault([&] { z.JefSjis(bytes, bmx, md); });
  fuzz::expectNoFault([&] { z.JefSjisShift(bytes, bmx); });
  fuzz::expectNoFault([&] { z.Comp3Num(bytes, bmx, p); });
  if (bytes != original) __builtin_trap();  // readers never write
  fuzz::expectNoFault([&] { z.SjisJef(text, bytes); });
  fuzz::expectNoFault([&] { z.SjisJefShift(text, bytes); });
  fuzz::expectNoFault([&] { z.NumComp3(n, bytes, le, p); });
  if (bytes.size() != original.size()) __builtin_trap();  // writers never resize
  return 0;
}
