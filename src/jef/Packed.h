#pragma once

#include <cstdint>

#include "../runtime/ByteArray.h"
#include "../runtime/String.h"
#include "Numbers.h"

// Packed decimal fields: two digits a byte, the sign in the last half-byte (0xD negative,
// 0xF otherwise as written; only 0xD reads as negative).
namespace zuvo::jef {

// Packs `magnitude` rounded to `places` decimals (halves away from zero) as a field of
// le div 2 + 1 bytes from index 0 of bdt, keeping the low (le div 2)*2+1 digits. Returns the
// index of the last byte. Raises 5 for a negative le or places above le + 1, and 9, before
// writing anything, when bdt is too short.
std::int16_t pack(DecimalDigits magnitude, bool negative, std::int32_t le, std::int32_t places,
                  ByteArray& bdt);

// The value of the field bdt(0..bmx) with `places` implied decimals, in the general number
// form. Half-bytes above 9 read as their two-digit numbers. Raises 9 when bmx lies outside bdt.
String unpack(const ByteArray& bdt, std::int32_t bmx, std::int32_t places);

}  // namespace zuvo::jef
