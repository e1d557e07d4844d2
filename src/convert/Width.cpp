#include "convert/Width.h"

#include <unicode/translit.h>
#include <unicode/unistr.h>

#include <memory>
#include <stdexcept>

namespace zuvo::convert {

namespace {

std::unique_ptr<icu::Transliterator> open(const char* id) {
  UErrorCode status = U_ZERO_ERROR;
  std::unique_ptr<icu::Transliterator> t(
      icu::Transliterator::createInstance(icu::UnicodeString(id), UTRANS_FORWARD, status));
  if (U_FAILURE(status) || !t) throw std::runtime_error("ICU lacks the width transliterators");
  return t;
}

String run(const icu::Transliterator& t, const String& text) {
  icu::UnicodeString u(text.data(), static_cast<int32_t>(text.size()));
  t.transliterate(u);
  return String(u.getBuffer(), static_cast<std::size_t>(u.length()));
}

}  // namespace

String toFullWidth(const String& text) {
  static const auto t = open("Halfwidth-Fullwidth");
  return run(*t, text);
}

String toHalfWidth(const String& text) {
  // Nothing to narrow in plain ASCII; it is the usual case and saves the transliterator.
  bool ascii = true;
  for (char16_t c : text)
    if (c >= 0x80) {
      ascii = false;
      break;
    }
  if (ascii) return text;
  static const auto t = open("Fullwidth-Halfwidth");
  return run(*t, text);
}

}  // namespace zuvo::convert
