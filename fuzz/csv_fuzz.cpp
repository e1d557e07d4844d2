// The CSV field count and the CSV field reader on arbitrary file bytes.
#include "FuzzCommon.h"
#include "convert/Csv.h"

using namespace zuvo;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  FuzzedDataProvider in(data, size);
  const auto fields = in.ConsumeIntegralInRange<std::size_t>(1, 300);
  const String file = fuzz::scratchFile("fuzz.csv", in.ConsumeRemainingBytesAsString());
  fuzz::expectNoFault([&] { fuzz::object().GetCntCSV(file); });
  fuzz::expectNoFault([&] {
    convert::TextReader reader;
    if (!reader.open(file)) return;
    convert::CsvFieldReader csv(reader);
    std::vector<String> record;
    for (std::size_t records = 0; records <= size; ++records) {
      if (csv.readRecord(record, fields) != convert::CsvFieldReader::Record::Complete) return;
    }
    __builtin_trap();  // more records than bytes: the reader is not moving forward
  });
  return 0;
}
