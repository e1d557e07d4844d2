#pragma once

#include <cstdint>
#include <utility>

#include "../runtime/Status.h"

namespace zuvo {

// The encoding of the CSV side of the CSV conversions. Fixed-length files stay Shift-JIS.
enum class TextEncoding : std::uint8_t { ShiftJis, Utf8 };

// How the conversions read and write their files; set by the client outside the dispatch
// interface, kept for the object's life.
struct ConversionOptions {
  TextEncoding csvEncoding = TextEncoding::ShiftJis;
};

// Values a conversion had to change and went on: how many, and where the first one was.
struct ChangedValues {
  std::int64_t count = 0;
  std::int64_t firstRecord = 0;  // 1-based; the header line of a CSV file is record 0
  std::int32_t firstField = 0;   // 1-based

  void note(std::int64_t record, std::int32_t field, std::int64_t values = 1) {
    if (count == 0) {
      firstRecord = record;
      firstField = field;
    }
    count += values;
  }
};

// What the last of the eight table and file conversions found.
struct ConversionReport {
  Status status;
  // Characters the file's encoding cannot hold (exports) and bytes that name no character
  // (imports), replaced by the substitute character.
  ChangedValues substituted;
  // CSV values holding a double quote, written unchanged, so that the file does not read back
  // the same.
  ChangedValues quoted;

  // The first failure is the cause; what follows from it is not.
  void fail(Status s) {
    if (status.ok()) status = std::move(s);
  }
};

}  // namespace zuvo
