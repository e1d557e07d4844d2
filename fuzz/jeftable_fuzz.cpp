// The conversion table loader on arbitrary table files.
#include "FuzzCommon.h"
#include "jef/JefTable.h"
#include "platform/Platform.h"

using namespace zuvo;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  fuzz::scratchFile("fuzz.tbl", std::string(reinterpret_cast<const char*>(data), size));
  fuzz::expectNoFault([&] {
    auto table = std::make_unique<JefTable>();
    table->load(systemFiles(), fuzz::scratchDirectory() / "fuzz.tbl");
    for (int c = -32768; c < 32768; c += 97) table->toJef(std::int16_t(c));
  });
  return 0;
}
