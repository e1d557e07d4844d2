// The file imports and the CSV / JEF conversions on arbitrary files, into an in-memory table.
#include "FuzzCommon.h"

using namespace zuvo;

namespace {

Connection& database() {
  static std::unique_ptr<Connection> cn = [] {
    auto c = openConnection("sqlite::memory:");
    c->Execute(u"create table t (a varchar(10), b numeric(9, 2), c char(4))");
    std::filesystem::copy_file(std::string(ZUVO_SOURCE_DIR) + "/data/sjisjef.tbl",
                               fuzz::scratchDirectory() / "sjisjef.tbl",
                               std::filesystem::copy_options::overwrite_existing);
    return c;
  }();
  return *cn;
}

// Layouts that match the table, so that most inputs reach the record loop; the rest are fuzzed.
String takeLayout(FuzzedDataProvider& in) {
  static const char16_t* const layouts[] = {u"x_l0010 n2r0008 x_l0004", u"k_l0010 p2r0007 x_l0004",
                                            u"k_l0010 z2r0008 s_l0004", u"dt_0008 n0r0004 tm_0004",
                                            u"sz_0003 n3r0006 hs_0004", u"jc_0013 n2r0008 ls_0004"};
  if (in.ConsumeBool()) return layouts[in.ConsumeIntegralInRange<std::size_t>(0, 5)];
  return fuzz::takeShapedText(in, 40);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  FuzzedDataProvider in(data, size);
  Connection& cn = database();
  auto& z = fuzz::object();
  const String fds = takeLayout(in);
  const auto bln = in.ConsumeIntegralInRange<std::int16_t>(-1, 64);
  const auto which = in.ConsumeIntegralInRange(0, 4);
  const String file = fuzz::scratchFile("fuzz.dat", in.ConsumeRemainingBytesAsString());
  const String out = rt::fromUtf8((fuzz::scratchDirectory() / "fuzz.out").string());
  fuzz::expectNoFault([&] {
    switch (which) {
      case 0:
        z.SetFixRDB(cn, u"delete from t", file, fds, bln, u"t");
        break;
      case 1:
        z.SetJefRDB(cn, u"delete from t", file, fds, bln, u"t");
        break;
      case 2:
        z.SetRDB(cn, u"delete from t", file, u"t");
        break;
      case 3:
        z.CSVtoJEF(file, out, fds, false);
        break;
      default:
        z.JEFtoCSV(file, out, fds, bln, false);
        break;
    }
  });
  return 0;
}
