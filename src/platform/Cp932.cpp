#include "platform/Cp932.h"

#include <unicode/ucnv.h>

#include <memory>
#include <stdexcept>

#include "runtime/RuntimeError.h"

namespace zuvo::cp932 {
namespace {

constexpr std::int16_t kQuestionMark = 63;

bool isLeadByte(unsigned b) {
  return (b >= 0x81 && b <= 0x9F) || (b >= 0xE0 && b <= 0xFC);
}
bool isTrailByte(unsigned b) {
  return b >= 0x40 && b <= 0xFC && b != 0x7F;
}
// C0 controls, DEL and the one C1 control that has a free single byte. ICU swaps some of
// them (SUB, FS, DEL), which would corrupt data passed through fixed-length files.
bool isStraightControl(unsigned c) {
  return c < 0x20 || c == 0x7F || c == 0x80;
}

struct ConverterCloser {
  void operator()(UConverter* c) const { ucnv_close(c); }
};
using Converter = std::unique_ptr<UConverter, ConverterCloser>;

Converter openConverter() {
  UErrorCode status = U_ZERO_ERROR;
  Converter cnv(ucnv_open("windows-932", &status));
  if (U_FAILURE(status)) throw std::runtime_error("ICU has no windows-932 converter");
  // Stop instead of substituting, so that an unmappable character is seen as one. The best-fit
  // mappings are taken (the desktop's own conversion takes them too): a wave dash or minus
  // sign typed on another system still weighs two bytes.
  ucnv_setFromUCallBack(cnv.get(), UCNV_FROM_U_CALLBACK_STOP, nullptr, nullptr, nullptr, &status);
  ucnv_setToUCallBack(cnv.get(), UCNV_TO_U_CALLBACK_STOP, nullptr, nullptr, nullptr, &status);
  ucnv_setFallback(cnv.get(), true);
  return cnv;
}

// ICU's answer for one unit: the code, or -1 when it has none. Default-ignorable characters
// come back as no bytes at all and so count as having none.
int icuEncode(UConverter* cnv, char16_t unit) {
  UErrorCode status = U_ZERO_ERROR;
  ucnv_resetFromUnicode(cnv);
  char out[8];
  UChar in[1] = {unit};
  int n = ucnv_fromUChars(cnv, out, sizeof out, in, 1, &status);
  if (U_FAILURE(status)) return -1;
  if (n == 1) return static_cast<unsigned char>(out[0]);
  if (n == 2) return static_cast<unsigned char>(out[0]) << 8 | static_cast<unsigned char>(out[1]);
  return -1;
}

// ICU's character for a byte sequence of one code, or 0 when it names none.
char16_t icuDecode(UConverter* cnv, const char* bytes, int length) {
  UErrorCode status = U_ZERO_ERROR;
  ucnv_resetToUnicode(cnv);
  UChar out[4];
  int n = ucnv_toUChars(cnv, out, 4, bytes, length, &status);
  if (U_FAILURE(status) || n != 1) return 0;
  return out[0];
}

std::unique_ptr<Tables> build() {
  auto t = std::make_unique<Tables>();
  Converter cnv = openConverter();
  for (unsigned u = 0; u < 0x10000; ++u) {
    int code = -1;
    if (isStraightControl(u))
      code = static_cast<int>(u);
    else if (u < 0xD800 || u > 0xDFFF)
      code = icuEncode(cnv.get(), static_cast<char16_t>(u));
    if (code < 0) {
      t->codeOf[u] = kQuestionMark;
      t->weightOf[u] = 1;
    } else {
      t->codeOf[u] = static_cast<std::int16_t>(static_cast<std::uint16_t>(code));
      t->weightOf[u] = code < 0x100 ? 1 : 2;
    }
  }
  t->charOf.fill(0);
  for (unsigned b = 0; b < 0x100; ++b) {
    if (isStraightControl(b)) {
      t->charOf[b] = static_cast<char16_t>(b);
    } else if (!isLeadByte(b)) {
      char one = static_cast<char>(b);
      t->charOf[b] = icuDecode(cnv.get(), &one, 1);
    }
  }
  for (unsigned lead = 0x81; lead <= 0xFC; ++lead) {
    if (!isLeadByte(lead)) continue;
    for (unsigned trail = 0x40; trail <= 0xFC; ++trail) {
      if (!isTrailByte(trail)) continue;
      char two[2] = {static_cast<char>(lead), static_cast<char>(trail)};
      t->charOf[lead << 8 | trail] = icuDecode(cnv.get(), two, 2);
    }
  }
  return t;
}

}  // namespace

const Tables& tables() {
  static const std::unique_ptr<Tables> built = build();
  return *built;
}

char16_t fromCode(std::int32_t code) {
  if (code < -32768 || code > 65535) throw RuntimeError(err::InvalidArgument);
  unsigned index = static_cast<unsigned>(code) & 0xFFFF;
  if (index == 0) return 0;
  char16_t c = tables().charOf[index];
  if (c == 0) throw RuntimeError(err::InvalidArgument);
  return c;
}

std::string encode(std::u16string_view text) {
  const Tables& t = tables();
  std::string out;
  out.reserve(text.size() * 2);
  for (char16_t c : text) {
    auto code = static_cast<std::uint16_t>(t.codeOf[c]);
    if (t.weightOf[c] == 2) out.push_back(static_cast<char>(code >> 8));
    out.push_back(static_cast<char>(code & 0xFF));
  }
  return out;
}

String decode(std::string_view bytes) {
  String out;
  decode(bytes, out);
  return out;
}

bool decode(std::string_view bytes, String& out) {
  const Tables& t = tables();
  out.resize(bytes.size());  // never more characters than bytes
  char16_t* o = out.data();
  bool valid = true;
  auto p = reinterpret_cast<const unsigned char*>(bytes.data());
  const unsigned char* end = p + bytes.size();
  while (p < end) {
    unsigned b = *p++;
    if (b < 0x80) {  // ASCII and the control characters stand for themselves
      *o++ = static_cast<char16_t>(b);
      continue;
    }
    char16_t c;
    if (!isLeadByte(b)) {
      c = t.charOf[b];
      if (c == 0 && b != 0) c = u'?';
      valid &= c != u'?' || b == u'?';
    } else if (p < end && isTrailByte(*p)) {
      // A well-formed pair without a character is still one character of the file.
      c = t.charOf[b << 8 | *p++];
      if (c == 0) {
        c = u'?';
        valid = false;
      }
    } else {
      c = u'?';  // a stray lead byte; the next byte starts afresh
      valid = false;
    }
    *o++ = c;
  }
  out.resize(static_cast<std::size_t>(o - out.data()));
  return valid;
}

}  // namespace zuvo::cp932
