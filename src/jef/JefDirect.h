#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "../convert/FieldDefs.h"
#include "Numbers.h"

namespace zuvo {
struct JefTable;
}

// The direct way for plain fields: tables built once from a conversion table that give, code by
// code, what the character methods, the width mapping and the number conversions give, so that
// a field needs no text, no Variant and no allocation. A field the tables can't vouch for
// (bytes that name no character, voiced marks, a value that doesn't fit or must be rounded)
// is left to the general way, which then does exactly what it always did.
namespace zuvo::jef {

// A character as the writers of JEF fields need it.
struct CharEntry {
  std::uint16_t jef = 0;      // its JEF code through the table
  std::uint16_t wideJef = 0;  // the JEF code of its full-width form, for "k" fields
  std::uint8_t weight = 1;    // its Shift-JIS bytes
  std::uint8_t wideWeight = 1;
  std::uint8_t flags = 0;
};

namespace charFlag {
inline constexpr std::uint8_t Invalid = 1;     // the bytes name no character, or not plainly
inline constexpr std::uint8_t Substitute = 2;  // Shift-JIS has no form for it: it counts as "?"
inline constexpr std::uint8_t Narrow = 4;      // a "k" field holding it goes through the widening
inline constexpr std::uint8_t WideUnsure = 8;  // its full-width form may depend on its neighbours
}  // namespace charFlag

// A JEF code as the CSV side needs it: the bytes the CSV writer gives its character after the
// cleaning of the CSV fields (",", "'" and the double quote as blanks, 「”」 as 「’」).
struct SjisEntry {
  char out[2] = {0, 0};       // the bytes, the first of them alone for a one-byte character
  std::uint8_t bytes = 0;     // 1 or 2; 0 when the code names no character (the general way)
  std::uint8_t digit = 0xFF;  // 0 to 9 for the digit characters

  // A half-width blank (the cleaning makes some characters one), which the trimming removes.
  bool isBlank() const { return bytes == 1 && out[0] == ' '; }
};

class DirectTables {
 public:
  explicit DirectTables(const JefTable& table);

  // False when code page 932 doesn't keep ASCII as it is; nothing goes the direct way then.
  bool usable() const { return usable_; }
  static bool isLead(std::uint8_t b) {
    return (b >= 0x81 && b <= 0x9F) || (b >= 0xE0 && b <= 0xFC);
  }

  // Fills in the full-width forms of the narrow characters, through the width mapping (whose
  // start is costly): once, before the first "k" field that needs them.
  void widen() const;

  const CharEntry& unit(char16_t c) const { return byUnit_[c]; }
  // A Shift-JIS code: one byte, or lead * 256 + trail.
  const CharEntry& code(std::uint16_t code) const { return byCode_[code]; }
  const SjisEntry& single(std::uint8_t b) const { return single_[b]; }
  const SjisEntry& pair(std::uint16_t code) const { return pair_[code]; }

 private:
  const JefTable& table_;
  mutable std::vector<CharEntry> byUnit_;
  mutable std::vector<CharEntry> byCode_;
  mutable bool widened_ = false;
  std::array<SjisEntry, 256> single_{};
  std::vector<SjisEntry> pair_;
  bool usable_ = true;
};

// Builds the plain fields of a record, each into its place: fieldWidth bytes, all 0x00 when
// given. False for a field that is not plain, whose place then holds anything: the general way
// writes it whole.
class DirectEncoder {
 public:
  // As the general encoder: values of a CSV file are taken strictly (no empty numbers).
  DirectEncoder(const DirectTables& tables, bool fromCsv);

  // `v` without trailing blanks. `substitute` tells whether it holds characters that Shift-JIS
  // has no form for (written as "?").
  bool append(const convert::FieldDescriptor& d, std::u16string_view v, std::uint8_t* field,
              bool& substitute);
  // `v`: Shift-JIS bytes without trailing blanks.
  bool append(const convert::FieldDescriptor& d, std::string_view v, std::uint8_t* field);

 private:
  struct Char {
    const CharEntry* entry;
    char16_t ascii;  // the character when it is ASCII, else 0xFFFF
  };
  // The JEF form of a text, in run_, and what its characters add up to.
  struct Run {
    std::size_t bytes = 0;   // of JEF, shift codes included
    std::size_t weight = 0;  // Shift-JIS bytes of the text
    std::uint8_t flags = 0;  // of all its characters
  };
  template <bool Shifts, bool Wide, typename Source>
  Run encode(Source source);
  template <typename Source>
  bool textField(const convert::FieldDescriptor& d, const Source& source, std::uint8_t* field,
                 bool& substitute);
  bool singleByte(const convert::FieldDescriptor& d, std::uint8_t* field);
  bool number(const convert::FieldDescriptor& d, std::string_view v, std::uint8_t* field);
  // A plain number as views of its text.
  struct Number {
    std::string_view whole;     // without leading zeros
    std::string_view fraction;  // as written
    bool negative;
    bool isZero() const;
  };
  bool packed(const convert::FieldDescriptor& d, const Number& n, std::uint8_t* field);
  bool zoned(const convert::FieldDescriptor& d, const Number& n, std::uint8_t* field);

  const DirectTables& t_;
  bool fromCsv_;
  std::vector<Char> chars_;
  std::vector<Char> text_;
  std::vector<std::uint8_t> run_;
  std::array<std::uint16_t, 0x80> asciiJef_;  // the digits and the point of the numbers
  bool digitsSingle_ = true;                  // they are one byte each, as zoned fields need
  std::string ascii_;
};

// Turns plain fields of a record into CSV fields: a double quote, the text cleaned and without
// trailing blanks in Shift-JIS, a double quote and a comma.
class DirectDecoder {
 public:
  explicit DirectDecoder(const DirectTables& tables) : t_(tables) {}
  // Room a field of n bytes may take.
  static std::size_t room(std::size_t n) { return 2 * n + 48; }
  // Writes the CSV field of `bytes` at `out`, which has room(bytes.size()) bytes, and returns
  // its end; null for a field that is not plain (the bytes at `out` then hold anything).
  char* csvField(const convert::FieldDescriptor& d, std::string_view bytes, char* out);

 private:
  const DirectTables& t_;
  std::string digits_;
};

}  // namespace zuvo::jef
