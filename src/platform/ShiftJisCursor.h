#pragma once

#include <cstdint>
#include <string_view>

#include "../runtime/String.h"
#include "Cp932.h"

// Cutting, measuring and aligning text by its Shift-JIS bytes without encoding it. Every
// character weighs its code page 932 width (a character without a form weighs 1, as its "?"
// substitute does). Cuts fall on character boundaries only: a double-byte character whose
// second byte is the first byte asked for is left out, one whose first byte is the last byte
// asked for is taken whole. Counts are not limited here; the 16-bit limits of the methods
// that measure are theirs to apply.
namespace zuvo::cp932 {

// Shift-JIS bytes of the text.
inline std::int64_t byteLength(std::u16string_view text) {
  const std::uint8_t* weightOf = tables().weightOf.data();
  std::int64_t total = 0;
  for (char16_t c : text) total += weightOf[c];
  return total;
}

// Walks a text forwards by byte positions. Fields laid end to end are cut in one pass: each
// cut resumes where the previous one started, so a record costs its length, not its length
// times its fields.
class ByteCursor {
 public:
  explicit ByteCursor(std::u16string_view text)
      : text_(text), weightOf_(tables().weightOf.data()) {}

  // The characters that cover `length` bytes from byte `start` (1-based): from the first
  // character whose first byte is at or after `start`, until `length` bytes are taken or the
  // text ends. Empty when `start` or `length` is below 1 or the text ends before `start`.
  // A start lower than the previous one walks again from the beginning.
  std::u16string_view cut(std::int64_t start, std::int64_t length) {
    if (start < 1 || length < 1) return {};
    if (start < sought_) index_ = 0, before_ = 0;
    sought_ = start;
    const std::size_t n = text_.size();
    while (index_ < n && before_ + 1 < start) before_ += weightOf_[text_[index_++]];
    std::size_t end = index_;
    for (std::int64_t taken = 0; end < n && taken < length;) taken += weightOf_[text_[end++]];
    return text_.substr(index_, end - index_);
  }

 private:
  std::u16string_view text_;
  const std::uint8_t* weightOf_;
  std::size_t index_ = 0;    // the first character not skipped by the cuts so far
  std::int64_t before_ = 0;  // bytes of the characters before it
  std::int64_t sought_ = 0;  // the start of the last cut
};

// Appends `text` filled with `fill` and cut to `length` bytes, as the byte measures cut the
// filled text. Left-aligned: the first `length` bytes of the text followed by `length` fill
// characters, so a character across the end is kept and the field may be one byte longer.
// Right-aligned: the last `length` bytes of `length` fill characters followed by the text, so
// a character across the start is dropped and the field may be one byte shorter. Nothing for
// a length below 1.
inline void appendAligned(String& out, std::u16string_view text, std::int64_t length, char16_t fill,
                          bool left) {
  if (length < 1) return;
  const std::int64_t bytes = byteLength(text);
  const std::int64_t fillWeight = tables().weightOf[fill];
  if (bytes >= length) {
    out +=
        left ? ByteCursor(text).cut(1, length) : ByteCursor(text).cut(bytes - length + 1, length);
    return;
  }
  const std::int64_t room = length - bytes;
  if (left) {
    out += text;
    out.append(static_cast<std::size_t>((room + fillWeight - 1) / fillWeight), fill);
  } else {
    out.append(static_cast<std::size_t>(room / fillWeight), fill);
    out += text;
  }
}

}  // namespace zuvo::cp932
