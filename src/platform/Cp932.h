#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <string_view>

#include "../runtime/String.h"

// Code page 932 (Shift-JIS) through tables built once from ICU. Every control character maps
// straight through; a character without a CP932 form counts as "?" (one byte).
namespace zuvo::cp932 {

struct Tables {
  std::array<std::int16_t, 65536> codeOf;    // UTF-16 unit -> signed 16-bit character code
  std::array<std::uint8_t, 65536> weightOf;  // UTF-16 unit -> 1 or 2 bytes
  std::array<char16_t, 65536> charOf;        // code as unsigned 16 bits -> character, 0 if none
};

const Tables& tables();

// The system's character code: 0..255 for a single-byte character, lead*256+trail read as a
// signed 16-bit number for a double-byte one, 63 ("?") for a character without a CP932 form.
inline std::int16_t code(char16_t c) {
  return tables().codeOf[c];
}
// Shift-JIS byte width of one character: 1 or 2.
inline int weight(char16_t c) {
  return tables().weightOf[c];
}
// The character of a code (the run-time's Chr): 0..255 single-byte, otherwise the double-byte
// code given by the low 16 bits. Raises error 5 when the code names no character.
char16_t fromCode(std::int32_t code);

// Text to Shift-JIS bytes, one or two per character ("?" for characters without a form).
std::string encode(std::u16string_view text);
// Shift-JIS bytes to text; a byte sequence that names no character becomes "?".
String decode(std::string_view bytes);
// The same into `out`, in one pass; false when some bytes named no character.
bool decode(std::string_view bytes, String& out);

}  // namespace zuvo::cp932
