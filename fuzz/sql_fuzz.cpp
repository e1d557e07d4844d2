// SQL clause tools and the macro expansion on statements of any shape.
#include "FuzzCommon.h"

using namespace zuvo;

namespace {

// Walks a statement the way a caller does; a walk that never ends is a fault.
template <typename Step>
void walk(const String& sql, Step step) {
  std::int16_t s = 0;
  for (std::size_t calls = 0;; ++calls) {
    if (calls > 4 * sql.size() + 16) __builtin_trap();
    if (step(sql, s).empty()) break;
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  FuzzedDataProvider in(data, size);
  const String swd = fuzz::takeShapedText(in, 8);
  const String value = fuzz::takeShapedText(in, 16);
  const Variant tncd = fuzz::takeVariant(in);
  const String sql = fuzz::takeShapedText(in, 400);
  auto& z = fuzz::object();
  fuzz::expectNoFault([&] { z.GetSQLItem(sql, swd); });
  fuzz::expectNoFault(
      [&] { walk(sql, [&](const String& t, std::int16_t& s) { return z.GetSQLData(t, s); }); });
  fuzz::expectNoFault([&] {
    walk(sql, [&](const String& t, std::int16_t& s) { return z.GetSQLDataUpdate(t, s); });
  });
  fuzz::expectNoFault([&] {
    String t = sql;
    z.RepSQLItem(t, swd, value);
    if (t.size() != sql.size()) __builtin_trap();  // overwritten in place, never longer
  });
  fuzz::expectNoFault([&] {
    String t = sql;
    z.RepSQLStr(t, swd, value);
  });
  fuzz::expectNoFault([&] { z.CnvSQL(sql, tncd); });
  return 0;
}
