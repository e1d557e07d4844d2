#include "jef/JefFields.h"

#include <algorithm>

#include "component/ZuvoCls.h"
#include "convert/Width.h"
#include "jef/JefTable.h"
#include "jef/Numbers.h"
#include "jef/Packed.h"
#include "platform/Cp932.h"
#include "runtime/Convert.h"

namespace zuvo::jef {

namespace {

constexpr char16_t IdeographicSpace = u'\u3000';

// A failing step of a field is noted, not raised: the conversion goes on with the next field
// and reports the failure in its result.
template <typename Step>
bool attempt(Step step) {
  try {
    step();
    return true;
  } catch (const std::exception&) {
    return false;
  }
}

// The second code of "p" as the packing takes it: a digit, anything else a type mismatch.
int packedPlaces(const convert::FieldDescriptor& d) {
  if (d.second < u'0' || d.second > u'9') throw RuntimeError(err::TypeMismatch);
  return d.second - u'0';
}

bool isAllZero(const String& t) {
  return t.find_first_not_of(u'0') == String::npos;
}

}  // namespace

std::int32_t fieldWidth(const convert::FieldDescriptor& d) {
  std::int32_t width = d.type == u'p' ? d.len / 2 + 1 : d.len;
  return std::max(width, 0);
}

bool FieldEncoder::append(const convert::FieldDescriptor& d, const String& v, std::string& record) {
  field_.assign(static_cast<std::size_t>(fieldWidth(d)), 0);
  bool ok;
  switch (d.type) {
    case u'p':
      ok = packed(d, v);
      break;
    case u'n':
      ok = zoned(d, v);
      break;
    case u'k':
      ok = doubleByte(d, v);
      break;
    case u'f':
    case u't':
    case u'd':
      ok = singleByte(d, v);
      break;
    default:
      ok = shifted(d, v);
  }
  record.append(reinterpret_cast<const char*>(field_.data()), field_.size());
  return ok;
}

DirectEncoder* FieldEncoder::direct() {
  if (direct_) return &*direct_;
  // Until the table is loaded the general way loads it, and meets its failure, as always.
  const JefTable* table = z_.loadedJefTable();
  if (!table || !table->direct().usable()) return nullptr;
  return &direct_.emplace(table->direct(), fromCsv_);
}

bool FieldEncoder::packed(const convert::FieldDescriptor& d, const String& v) {
  return attempt([&] {
    DecimalDigits digits = strictDigits(v.empty() && !fromCsv_ ? String(u"0") : v);
    bool negative = digits.negative && !digits.isZero();
    pack(std::move(digits), negative, d.len, packedPlaces(d), field_);
  });
}

bool FieldEncoder::zoned(const convert::FieldDescriptor& d, const String& given) {
  const String& v = given.empty() && !fromCsv_ ? u"0" : given;
  DecimalDigits& lead = lead_;
  // A plain number reads the same leniently and strictly: one reading serves both.
  bool plain = parsePlain(v, lead);
  bool ok = plain || attempt([&] { lead = leadingDigits(v); });
  bool negative = lead.negative && !lead.isZero();
  std::size_t len = static_cast<std::size_t>(std::max<int>(d.len, 0));
  ok = attempt([&] {
         int places = d.leftAligned() ? 0 : d.decimals();
         DecimalDigits strict;
         const DecimalDigits* magnitude = &lead;
         if (fromCsv_ && !plain && places <= 0) magnitude = &(strict = strictDigits(v));
         if (d.leftAligned()) {
           // The number filled with zeros on the right, its point kept.
           std::string digits = magnitude->plainText();
           text_.assign(digits.begin(), digits.end());
           text_.resize(len, u'0');
         } else {
           if (places > 0 && d.len < places) throw RuntimeError(err::InvalidArgument);
           std::size_t wholeWidth = len - std::max(places, 0);
           if (magnitude->fraction.size() > static_cast<std::size_t>(std::max(places, 0))) {
             strict = *magnitude;
             strict.roundTo(places);
             magnitude = &strict;
           }
           const std::string& whole = magnitude->whole;
           text_.assign(whole.size() < wholeWidth ? wholeWidth - whole.size() : 0, u'0');
           text_.append(whole.begin(), whole.end());
           if (places > 0) {
             text_.append(magnitude->fraction.begin(), magnitude->fraction.end());
             text_.append(places - magnitude->fraction.size(), u'0');
           }
         }
         z_.SjisJef(text_, field_);
       }) &&
       ok;
  if (negative) {
    // The zone of the last digit carries the sign: 0xF0-0xF9 become 0xD0-0xD9.
    ok = attempt([&] {
           if (field_.empty()) throw RuntimeError(err::SubscriptOutOfRange);
           if (field_.back() < 0x20) throw RuntimeError(err::Overflow);
           field_.back() -= 0x20;
         }) &&
         ok;
  }
  return ok;
}

void FieldEncoder::fit(const String& v, int len, char16_t fill, bool left) {
  const auto& weightOf = cp932::tables().weightOf;
  int bytes = 0;
  for (char16_t c : v) bytes += weightOf[c];
  if (bytes <= len) {
    // Only fill to add, the same that cutting the filled text with MidByte leaves: a fill
    // character across the end of the field is kept whole, one across its start is dropped.
    int room = len - bytes, weight = weightOf[fill];
    if (left) {
      text_ = v;
      text_.append((room + weight - 1) / weight, fill);
    } else {
      text_.assign(room / weight, fill);
      text_ += v;
    }
    return;
  }
  if (left) {
    text_ = v;
    text_.append(len, fill);
    text_ = z_.MidByte(text_, 1, len);
  } else {
    text_.assign(len, fill);
    text_ += v;
    text_ = z_.MidByte(text_, z_.LenByte(text_) - len + 1, len);
  }
}

bool FieldEncoder::doubleByte(const convert::FieldDescriptor& d, const String& v) {
  return attempt([&] {
    int len = std::max<int>(d.len, 0);
    // Text that is full-width already (the usual case) has nothing to widen.
    bool narrow = std::any_of(v.begin(), v.end(), [](char16_t c) {
      return c < 0x100 || c == 0x20A9 || c >= 0xFF61;  // the sources of the width mapping
    });
    String wide = narrow ? convert::toFullWidth(v) : v;
    fit(wide, len, IdeographicSpace, d.leftAligned());
    // An odd width can end in the middle of a two-byte code: the field keeps what fits.
    work_.assign(text_.size() * 2 + 2, 0);
    int written = z_.SjisJef(text_, work_) + 1;
    std::copy_n(work_.begin(), std::min<std::size_t>(written, field_.size()), field_.begin());
  });
}

bool FieldEncoder::singleByte(const convert::FieldDescriptor& d, const String& v) {
  return attempt([&] {
    char16_t separator = d.type == u'f' ? u'-' : d.type == u't' ? u':' : u'.';
    char16_t fill = d.zeroFill() ? u'0' : u' ';
    std::size_t len = static_cast<std::size_t>(std::max<int>(d.len, 0));
    text_.clear();
    for (char16_t c : v)
      if (c != separator) text_.push_back(c);
    if (d.leftAligned()) {
      text_.append(len, fill);
      text_.resize(len);
    } else {
      text_.insert(0, len, fill);
      text_.erase(0, text_.size() - len);
    }
    if (d.type != u'f' && fill == u' ' && isAllZero(text_)) text_.assign(len, u' ');
    // Double-byte text does not fit one byte a character: SjisJef stops at the field's end.
    z_.SjisJef(text_, field_);
  });
}

bool FieldEncoder::shifted(const convert::FieldDescriptor& d, const String& v) {
  int len = std::max<int>(d.len, 0);
  work_.assign(2 * static_cast<std::size_t>(len) + 1, 0);
  bool ok = attempt([&] {
    char16_t fill = d.zeroFill() ? u'0' : u' ';
    fit(v, len, fill, d.leftAligned());
    z_.SjisJefShift(text_, work_);
  });
  // With double-byte text the shift codes make the JEF form longer than the field: the bytes
  // past it are dropped.
  std::copy_n(work_.begin(), field_.size(), field_.begin());
  return ok;
}

DirectDecoder* FieldDecoder::direct() {
  if (direct_) return &*direct_;
  const JefTable* table = z_.loadedJefTable();
  if (!table || !table->direct().usable()) return nullptr;
  return &direct_.emplace(table->direct());
}

String FieldDecoder::asText(const ByteArray& bytes) {
  return z_.JefSjis(bytes, static_cast<int>(bytes.size()) - 1, 1);
}

bool FieldDecoder::decode(const convert::FieldDescriptor& d, ByteArray& bytes,
                          std::int32_t columnSize, String& v) {
  v.clear();
  int last = static_cast<int>(bytes.size()) - 1;
  return attempt([&] {
    if (convert::hasImportCode(d)) {
      v = asText(bytes);
      // For a CSV there is no column to fill "sz" to.
      if (!(toCsv_ && d.is(u's', u'z'))) v = convert::applyImportCode(d, std::move(v), columnSize);
    } else if (d.type == u'n') {
      if (last < 0) throw RuntimeError(err::SubscriptOutOfRange);
      bool negative = (bytes[last] >> 4) == 0xD;
      bytes[last] = static_cast<std::uint8_t>((bytes[last] & 0x0F) + 0xF0);
      v = asText(bytes);
      if (negative) v.insert(0, u"-");
      if (toCsv_) v = scaledNumber(v, d.decimals());
    } else if (d.type == u'p') {
      if (last >= 0 && (bytes[last] & 0x0F) != 0xD) bytes[last] |= 0x0F;
      v = unpack(bytes, d.len / 2, packedPlaces(d));
    } else if (d.type == u'k') {
      v = z_.JefSjis(bytes, last, 2);
    } else {
      v = z_.JefSjisShift(bytes, last);
    }
  });
}

String scaledNumber(const String& v, int decimals) {
  DecimalDigits x = leadingDigits(v);
  int scale = static_cast<int>(x.fraction.size()) + std::max(decimals, 0);
  return generalNumber(x.negative, x.whole + x.fraction, scale);
}

}  // namespace zuvo::jef
