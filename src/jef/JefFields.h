#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "../convert/FieldDefs.h"
#include "../runtime/ByteArray.h"
#include "../runtime/String.h"
#include "JefDirect.h"
#include "Numbers.h"

namespace zuvo {
class ZuvoCls;
}

// The fields of JEF records: how a value becomes the bytes of its field and back, shared by
// the table and CSV conversions.
namespace zuvo::jef {

// Bytes of a field: len div 2 + 1 for "p" (len digits), len for every other type; never
// below 0.
std::int32_t fieldWidth(const convert::FieldDescriptor& d);

// Builds fields through the object's character and packed-decimal conversions. The buffers
// are kept from field to field, so a long run allocates nothing per record.
class FieldEncoder {
 public:
  // Values read from a CSV file are taken more strictly than values of a table: an empty or
  // non-numeric text fails a "p" field and the whole-number and left-aligned "n" fields.
  FieldEncoder(ZuvoCls& z, bool fromCsv) : z_(z), fromCsv_(fromCsv) {}

  // Appends the field for `v` (trailing blanks already removed) to `record`. False when a
  // step failed: the field then holds the bytes written before the failure, the rest 0x00.
  bool append(const convert::FieldDescriptor& d, const String& v, std::string& record);

  // The direct encoder, once the object's conversion table is loaded; null before.
  DirectEncoder* direct();

 private:
  bool packed(const convert::FieldDescriptor& d, const String& v);
  bool zoned(const convert::FieldDescriptor& d, const String& v);
  bool doubleByte(const convert::FieldDescriptor& d, const String& v);
  bool singleByte(const convert::FieldDescriptor& d, const String& v);
  bool shifted(const convert::FieldDescriptor& d, const String& v);
  // Sets text_ to v filled with `fill` and cut to len Shift-JIS bytes as MidByte cuts,
  // filled on the right when `left`, else on the left.
  void fit(const String& v, int len, char16_t fill, bool left);

  ZuvoCls& z_;
  bool fromCsv_;
  ByteArray field_;
  ByteArray work_;
  String text_;
  DecimalDigits lead_;
  std::optional<DirectEncoder> direct_;
};

// Turns the bytes of a field back into text.
class FieldDecoder {
 public:
  // For a CSV there is no column: "sz" keeps the text as it is and "n" gives its number.
  FieldDecoder(ZuvoCls& z, bool toCsv) : z_(z), toCsv_(toCsv) {}

  // Decodes `bytes` (exactly the field's width; the zone or sign of the last byte may be
  // rewritten) into `v`. `columnSize` serves "sz" when decoding for a table. False when a
  // step failed; `v` then holds what the conversion gave before the failure.
  bool decode(const convert::FieldDescriptor& d, ByteArray& bytes, std::int32_t columnSize,
              String& v);

  // The direct decoder, once the object's conversion table is loaded; null before.
  DirectDecoder* direct();

 private:
  String asText(const ByteArray& bytes);
  ZuvoCls& z_;
  bool toCsv_;
  std::optional<DirectDecoder> direct_;
};

// The value of a number field as a statement or a CSV takes it: the leading numeric part of
// `v`, divided by 10^decimals when decimals is above 0, in the general number form.
String scaledNumber(const String& v, int decimals);

}  // namespace zuvo::jef
