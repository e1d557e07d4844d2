#include "jef/JefDirect.h"

#include <algorithm>
#include <cstring>

#include "convert/Width.h"
#include "jef/JefTable.h"
#include "platform/Cp932.h"

namespace zuvo::jef {

namespace {

constexpr std::uint8_t ShiftIn = 0x28;
constexpr std::uint8_t ShiftOut = 0x29;
constexpr char16_t IdeographicSpace = u'\u3000';
// The character methods count the bytes they write in 16 bits and raise 6 past that.
constexpr std::size_t MaxBytes = 32767;

// The characters for which the general encoder runs a "k" text through the width mapping.
bool isNarrow(char16_t c) {
  return c < 0x100 || c == 0x20A9 || c >= 0xFF61;
}

// The cleaning of every CSV field that the JEF files give.
char16_t cleaned(char16_t c) {
  if (c == u',' || c == u'\'' || c == u'"') return u' ';
  if (c == u'\u201D') return u'\u2019';
  return c;
}

// Writes JEF codes as SjisJef (and, with shifts, SjisJefShift) write them, into a field that
// keeps its first `keep` bytes; counts every byte, kept or not.
class JefWriter {
 public:
  JefWriter(std::uint8_t* field, std::size_t keep, bool shifts)
      : field_(field), keep_(keep), shifts_(shifts) {}
  void put(std::uint16_t jef) {
    if (jef <= 0xFF) {
      if (inRun_) byte(ShiftOut), inRun_ = false;
      byte(jef);
    } else {
      if (shifts_ && !inRun_) byte(ShiftIn), inRun_ = true;
      byte(jef >> 8);
      byte(jef & 0xFF);
    }
  }
  void repeat(std::uint16_t jef, std::size_t n) {
    if (jef <= 0xFF && !inRun_) {
      if (total_ < keep_) std::memset(field_ + total_, jef, std::min(n, keep_ - total_));
      total_ += n;
    } else if (jef > 0xFF && (inRun_ || !shifts_)) {
      // Two-byte codes inside a run, or without shift codes: the pairs alone.
      const auto high = static_cast<std::uint8_t>(jef >> 8), low = static_cast<std::uint8_t>(jef);
      std::size_t i = 0;
      for (; i < n && total_ + 2 <= keep_; ++i, total_ += 2) {
        field_[total_] = high;
        field_[total_ + 1] = low;
      }
      for (; i < n; ++i) byte(high), byte(low);  // across or past the end of the field
    } else {
      for (std::size_t i = 0; i < n; ++i) put(jef);
    }
  }
  void end() {
    if (inRun_) byte(ShiftOut);
    inRun_ = false;
  }
  // Bytes written already, shift codes and all.
  void append(const std::uint8_t* bytes, std::size_t n) {
    if (total_ < keep_) std::memcpy(field_ + total_, bytes, std::min(n, keep_ - total_));
    total_ += n;
  }
  std::size_t total() const { return total_; }

 private:
  void byte(unsigned b) {
    if (total_ < keep_) field_[total_] = static_cast<std::uint8_t>(b);
    ++total_;
  }
  std::uint8_t* field_;
  std::size_t keep_;
  bool shifts_;
  bool inRun_ = false;
  std::size_t total_ = 0;
};

}  // namespace

DirectTables::DirectTables(const JefTable& table)
    : table_(table), byUnit_(0x10000), byCode_(0x10000), pair_(0x10000) {
  const cp932::Tables& cp = cp932::tables();
  // ASCII is read, written and measured as itself everywhere (the CSV reader's and writer's
  // shortcuts rely on it too); the direct paths test separators, blanks and digits by byte.
  for (char16_t c = 0; c < 0x80; ++c)
    if (cp.charOf[c] != c || cp.codeOf[c] != c || cp.weightOf[c] != 1) usable_ = false;

  for (std::uint32_t u = 0; u < 0x10000; ++u) {
    const auto c = static_cast<char16_t>(u);
    CharEntry& e = byUnit_[u];
    const std::int16_t code = cp.codeOf[c];
    e.jef = static_cast<std::uint16_t>(table.toJef(code));
    e.weight = cp.weightOf[c];
    if (c >= 0x80 && code == '?') e.flags |= charFlag::Substitute;
    e.wideJef = e.jef;
    e.wideWeight = e.weight;
    // The width mapping was found to change a character regardless of its neighbours, except
    // for the voiced marks, which join the katakana before them; characters that code page
    // 932 doesn't give back as themselves weren't part of that finding.
    const bool roundTrip =
        !(e.flags & charFlag::Substitute) && cp.charOf[static_cast<std::uint16_t>(code)] == c;
    if (!roundTrip) e.flags |= charFlag::WideUnsure;
    if (!isNarrow(c)) continue;
    e.flags |= charFlag::Narrow;
    if (c == u'\uFF9E' || c == u'\uFF9F') e.flags |= charFlag::WideUnsure;
    // The full-width forms come from the width mapping when a "k" field first needs them.
    if (!(e.flags & charFlag::WideUnsure)) e.wideWeight = 0;
  }

  // Shift-JIS codes as the CSV reader decodes them; anything its decoding would report as
  // naming no character, or that doesn't stand for itself, goes the general way.
  for (std::uint32_t code = 0; code < 0x10000; ++code) {
    const char16_t c = cp.charOf[code];
    bool valid = code < 0x100 ? !isLead(static_cast<std::uint8_t>(code)) && (c != 0 || code == 0)
                              : isLead(static_cast<std::uint8_t>(code >> 8)) && c != 0;
    if (valid && c < 0x80 && c != code) valid = false;
    CharEntry& e = byCode_[code];
    if (valid) e = byUnit_[c];
    if (!valid || (e.flags & charFlag::Substitute)) e.flags |= charFlag::Invalid;
  }

  // JEF codes as JefSjis and JefSjisShift decode them and the CSV writer writes them.
  auto sjisEntry = [&](std::int16_t s) {
    SjisEntry out;
    const char16_t c = cp.charOf[static_cast<std::uint16_t>(s)];
    if (c == 0 && s != 0) return SjisEntry{};  // the character methods raise 5 for it
    if (c >= u'0' && c <= u'9') out.digit = static_cast<std::uint8_t>(c - u'0');
    const char16_t w = cleaned(c);
    if (w < 0x80) {
      out.out[0] = static_cast<char>(w);
      out.bytes = 1;
      return out;
    }
    const auto code = static_cast<std::uint16_t>(cp.codeOf[w]);
    out.bytes = cp.weightOf[w];
    out.out[0] = static_cast<char>(out.bytes == 2 ? code >> 8 : code & 0xFF);
    out.out[1] = static_cast<char>(code & 0xFF);
    // A substitute, or a byte the trimming would take for a blank.
    if (code == '?' || (out.bytes == 1 && code == ' ')) return SjisEntry{};
    return out;
  };
  for (std::uint32_t b = 0; b < 0x100; ++b)
    single_[b] = sjisEntry(table.toSjis(static_cast<std::int32_t>(b)));
  for (std::uint32_t code = 0; code < 0x10000; ++code)
    pair_[code] = sjisEntry(table.toSjis(static_cast<std::int32_t>(code)));
}

void DirectTables::widen() const {
  if (widened_) return;
  widened_ = true;
  const cp932::Tables& cp = cp932::tables();
  for (std::uint32_t u = 0; u < 0x10000; ++u) {
    CharEntry& e = byUnit_[u];
    if (e.wideWeight != 0) continue;  // not narrow, or unsure
    const String wide = convert::toFullWidth(String(1, static_cast<char16_t>(u)));
    if (wide.size() != 1) {
      e.flags |= charFlag::WideUnsure;
      e.wideWeight = e.weight;
      continue;
    }
    e.wideJef = static_cast<std::uint16_t>(table_.toJef(cp.codeOf[wide[0]]));
    e.wideWeight = cp.weightOf[wide[0]];
  }
  for (std::uint32_t code = 0; code < 0x10000; ++code) {
    CharEntry& e = byCode_[code];
    if (e.flags & charFlag::Invalid) continue;
    const CharEntry& unit = byUnit_[cp.charOf[code]];
    e.wideJef = unit.wideJef;
    e.wideWeight = unit.wideWeight;
    e.flags |= unit.flags & charFlag::WideUnsure;
  }
}

// --- Encoder ---

namespace {

// What a text field is read from: UTF-16 units (a table's values) or Shift-JIS bytes (a CSV
// file), one character at a time from a copy: next gives its entry and the character when it
// is ASCII (0xFFFF otherwise); bytes that name no character give an entry flagged Invalid.
struct Units {
  std::u16string_view v;
  const DirectTables& t;
  std::size_t i = 0;
  std::size_t size() const { return v.size(); }
  bool next(const CharEntry*& e, char16_t& ascii) {
    if (i == v.size()) return false;
    const char16_t c = v[i++];
    e = &t.unit(c);
    ascii = c < 0x80 ? c : u'\uFFFF';
    return true;
  }
};

struct Bytes {
  std::string_view v;
  const DirectTables& t;
  std::size_t i = 0;
  std::size_t size() const { return v.size(); }
  bool next(const CharEntry*& e, char16_t& ascii) {
    static constexpr CharEntry strayLead{0, 0, 1, 1, charFlag::Invalid};
    if (i == v.size()) return false;
    std::uint16_t code = static_cast<std::uint8_t>(v[i++]);
    ascii = u'\uFFFF';
    if (DirectTables::isLead(static_cast<std::uint8_t>(code))) {
      if (i == v.size()) {
        e = &strayLead;
        return true;
      }
      code = static_cast<std::uint16_t>(code << 8 | static_cast<std::uint8_t>(v[i++]));
    } else if (code < 0x80) {
      ascii = static_cast<char16_t>(code);
    }
    e = &t.code(code);
    return true;
  }
};

}  // namespace

DirectEncoder::DirectEncoder(const DirectTables& tables, bool fromCsv)
    : t_(tables), fromCsv_(fromCsv) {
  for (char16_t c = 0; c < 0x80; ++c) asciiJef_[c] = tables.unit(c).jef;
  for (char c : std::string_view("0123456789."))
    if (asciiJef_[static_cast<unsigned char>(c)] > 0xFF) digitsSingle_ = false;
}

bool DirectEncoder::append(const convert::FieldDescriptor& d, std::u16string_view v,
                           std::uint8_t* field, bool& substitute) {
  substitute = false;
  if (d.type == u'p' || d.type == u'n') {
    ascii_.clear();
    for (char16_t c : v) {
      if (c >= 0x80) return false;
      ascii_.push_back(static_cast<char>(c));
    }
    return number(d, ascii_, field);
  }
  return textField(d, Units{v, t_}, field, substitute);
}

bool DirectEncoder::append(const convert::FieldDescriptor& d, std::string_view v,
                           std::uint8_t* field) {
  if (d.type == u'p' || d.type == u'n') return number(d, v, field);  // ASCII or no number
  // Bytes of characters that Shift-JIS would write as "?" are flagged Invalid.
  bool substitute = false;
  return textField(d, Bytes{v, t_}, field, substitute);
}

template <bool Shifts, bool Wide, typename Source>
DirectEncoder::Run DirectEncoder::encode(Source source) {
  // At most two bytes a character and a shift code before it, and one closing shift code.
  if (run_.size() < 3 * source.size() + 1) run_.resize(3 * source.size() + 1);
  Run run;
  std::uint8_t* out = run_.data();
  bool inRun = false;
  const CharEntry* e;
  char16_t ascii;
  while (source.next(e, ascii)) {
    run.flags |= e->flags;
    run.weight += Wide ? e->wideWeight : e->weight;
    const std::uint16_t jef = Wide ? e->wideJef : e->jef;
    if (jef <= 0xFF) {
      if (inRun) *out++ = ShiftOut, inRun = false;
      *out++ = static_cast<std::uint8_t>(jef);
    } else {
      if (Shifts && !inRun) *out++ = ShiftIn, inRun = true;
      *out++ = static_cast<std::uint8_t>(jef >> 8);
      *out++ = static_cast<std::uint8_t>(jef & 0xFF);
    }
  }
  if (inRun) *out++ = ShiftOut;
  run.bytes = static_cast<std::size_t>(out - run_.data());
  return run;
}

template <typename Source>
bool DirectEncoder::textField(const convert::FieldDescriptor& d, const Source& source,
                              std::uint8_t* field, bool& substitute) {
  if (d.len <= 0) return false;
  const auto len = static_cast<std::size_t>(d.len);
  const bool left = d.leftAligned();

  if (d.type == u'f' || d.type == u't' || d.type == u'd') {
    chars_.clear();
    std::uint8_t flags = 0;
    Source cursor = source;
    const CharEntry* e;
    char16_t ascii;
    while (cursor.next(e, ascii)) {
      flags |= e->flags;
      chars_.push_back({e, ascii});
    }
    substitute = flags & charFlag::Substitute;
    return !(flags & charFlag::Invalid) && singleByte(d, field);
  }

  if (d.type == u'k') {
    // Widened as a whole when the text holds anything the width mapping would change.
    Run run = encode<false, false>(source);
    substitute = run.flags & charFlag::Substitute;
    if (run.flags & charFlag::Invalid) return false;
    if (run.flags & charFlag::Narrow) {
      if (run.flags & charFlag::WideUnsure) return false;
      t_.widen();
      run = encode<false, true>(source);
      if (run.flags & charFlag::WideUnsure) return false;
    }
    if (run.weight > len) return false;  // cut by MidByte
    // Filled with ideographic spaces: one more on the left than fits, one fewer on the right.
    const CharEntry& fill = t_.unit(IdeographicSpace);
    const std::size_t spare = len - run.weight, weight = fill.weight;
    const std::size_t fills = left ? (spare + weight - 1) / weight : spare / weight;
    const std::size_t fillBytes = fill.jef > 0xFF ? 2 : 1;
    if (run.bytes + fills * fillBytes > MaxBytes) return false;
    JefWriter out(field, len, false);
    if (!left) out.repeat(fill.jef, fills);
    out.append(run_.data(), run.bytes);
    if (left) out.repeat(fill.jef, fills);
    return true;
  }

  // Text with shift codes, filled with blanks or zeros and cut to the field.
  const CharEntry& fill = t_.unit(d.zeroFill() ? u'0' : u' ');
  if (fill.jef > 0xFF) return false;  // a fill that opened a run of its own
  const Run run = encode<true, false>(source);
  substitute = run.flags & charFlag::Substitute;
  if (run.flags & charFlag::Invalid) return false;
  if (run.weight > len) return false;  // cut by MidByte
  const std::size_t fills = len - run.weight;
  // The general way converts into a work array of 2 * len + 1 bytes.
  if (fills + run.bytes > std::min(2 * len + 1, MaxBytes)) return false;
  JefWriter out(field, len, false);
  if (!left) out.repeat(fill.jef, fills);
  out.append(run_.data(), run.bytes);
  if (left) out.repeat(fill.jef, fills);
  return true;
}

bool DirectEncoder::singleByte(const convert::FieldDescriptor& d, std::uint8_t* field) {
  const auto len = static_cast<std::size_t>(d.len);
  const bool left = d.leftAligned();
  const char16_t separator = d.type == u'f' ? u'-' : d.type == u't' ? u':' : u'.';
  const char16_t fillChar = d.zeroFill() ? u'0' : u' ';
  text_.clear();
  for (const Char& c : chars_)
    if (c.ascii != separator) text_.push_back(c);
  // Cut or filled to len characters.
  std::size_t fills = 0;
  if (text_.size() > len)
    text_.erase(left ? text_.begin() + static_cast<std::ptrdiff_t>(len) : text_.begin(),
                left ? text_.end() : text_.end() - static_cast<std::ptrdiff_t>(len));
  else
    fills = len - text_.size();
  const CharEntry& fill = t_.unit(fillChar);
  JefWriter out(field, len, false);
  if (d.type != u'f' && fillChar == u' ' && fills == 0 &&
      std::all_of(text_.begin(), text_.end(), [](const Char& c) { return c.ascii == u'0'; })) {
    out.repeat(fill.jef, len);  // a date or time of zeros is left blank
  } else {
    if (!left) out.repeat(fill.jef, fills);
    for (const Char& c : text_) out.put(c.entry->jef);
    if (left) out.repeat(fill.jef, fills);
  }
  return out.total() <= len;  // one byte a character
}

bool DirectEncoder::number(const convert::FieldDescriptor& d, std::string_view v,
                           std::uint8_t* field) {
  if (v.empty()) {
    // An empty value of a CSV file fails or reads as 0 depending on the field: the general way.
    if (fromCsv_) return false;
    v = "0";
  }
  PlainParts parts;
  if (!scanPlain(v, parts)) return false;
  const Number n{v.substr(parts.whole, parts.wholeEnd - parts.whole),
                 v.substr(parts.fraction, parts.fractionEnd - parts.fraction), parts.negative};
  if (d.type == u'p') return d.len >= 0 && packed(d, n, field);
  return d.len > 0 && zoned(d, n, field);
}

bool DirectEncoder::Number::isZero() const {
  return whole.empty() && fraction.find_first_not_of('0') == std::string_view::npos;
}

bool DirectEncoder::packed(const convert::FieldDescriptor& d, const Number& n,
                           std::uint8_t* field) {
  if (d.second < u'0' || d.second > u'9') return false;
  const int places = d.second - u'0';
  const int le = d.len;
  if (places > le + 1) return false;
  if (n.fraction.size() > static_cast<std::size_t>(places)) return false;  // to be rounded
  const auto wholeWidth = static_cast<std::size_t>(places > 0 ? le - places + 1 : le + 1);
  if (n.whole.size() > wholeWidth) return false;  // its high digits would be dropped
  // The le + 1 digits are zeros, the whole digits and the fraction filled with zeros to
  // `places`; the field holds the last (le div 2) * 2 + 1 of them, placed here from the right
  // (the field's zeros standing for the zeros) after the sign.
  const auto last = static_cast<std::size_t>(le / 2);
  const std::size_t keep = 2 * last + 1;
  const bool negative = n.negative && !n.isZero();
  field[last] = negative ? 0xD : 0xF;
  std::size_t j = places > 0 ? static_cast<std::size_t>(places) - n.fraction.size() : 0;
  auto place = [&](char c) {
    if (j < keep) {
      const auto digit = static_cast<std::uint8_t>(c - '0');
      field[last - (j + 1) / 2] |= j % 2 == 0 ? static_cast<std::uint8_t>(digit << 4) : digit;
    }
    ++j;
  };
  std::for_each(n.fraction.rbegin(), n.fraction.rend(), place);
  std::for_each(n.whole.rbegin(), n.whole.rend(), place);
  return true;
}

bool DirectEncoder::zoned(const convert::FieldDescriptor& d, const Number& n, std::uint8_t* field) {
  if (!digitsSingle_) return false;
  const auto len = static_cast<std::size_t>(d.len);
  auto jef = [&](char c) {
    return static_cast<std::uint8_t>(asciiJef_[static_cast<unsigned char>(c)]);
  };
  const std::uint8_t zero = jef('0');
  std::size_t i = 0;
  if (d.leftAligned()) {
    // The number in ordinary form ("0" before the point, no trailing zeros after it), filled
    // with zeros on the right.
    const std::string_view whole = n.whole.empty() ? std::string_view("0") : n.whole;
    const std::string_view fraction = n.fraction.substr(0, n.fraction.find_last_not_of('0') + 1);
    if (whole.size() + (fraction.empty() ? 0 : fraction.size() + 1) > len) return false;
    for (char c : whole) field[i++] = jef(c);
    if (!fraction.empty()) {
      field[i++] = jef('.');
      for (char c : fraction) field[i++] = jef(c);
    }
  } else {
    const auto places = static_cast<std::size_t>(d.decimals());
    if (len < places || n.fraction.size() > places) return false;
    if (n.whole.size() > len - places) return false;  // more digits than the field
    const std::size_t zeros = len - places - n.whole.size();
    std::memset(field, zero, zeros);
    i = zeros;
    for (char c : n.whole) field[i++] = jef(c);
    for (char c : n.fraction) field[i++] = jef(c);
  }
  std::memset(field + i, zero, len - i);
  if (n.negative && !n.isZero()) {
    // The zone of the last digit carries the sign.
    if (field[len - 1] < 0x20) return false;
    field[len - 1] -= 0x20;
  }
  return true;
}

// --- Decoder ---

namespace {

// The conversion codes of the importers, which reformat their text.
bool isConversionCode(const convert::FieldDescriptor& d) {
  switch (d.type) {
    case u'j':
      return d.second == u'c';
    case u'd':
      return d.second == u't' || d.second == u'2';
    case u'm':
      return d.second == u'd' || d.second == u's';
    case u't':
      return d.second == u'm';
    case u's':
      return d.second == u'z';
    case u'l':
    case u'h':
      return d.second == u's';
    default:
      return false;
  }
}

}  // namespace

char* DirectDecoder::csvField(const convert::FieldDescriptor& d, std::string_view bytes,
                              char* out) {
  if (isConversionCode(d)) return nullptr;
  const std::size_t n = bytes.size();
  const auto* in = reinterpret_cast<const std::uint8_t*>(bytes.data());

  if (d.type == u'n' || d.type == u'p') {
    bool negative;
    int scale;
    if (d.type == u'n') {
      if (n == 0) return nullptr;
      // Zoned: the digits through the table, the sign in the zone of the last one.
      digits_.resize(n);
      std::uint8_t notDigit = 0;
      for (std::size_t i = 0; i + 1 < n; ++i) {
        const std::uint8_t digit = t_.single(in[i]).digit;
        notDigit |= digit & 0xF0;
        digits_[i] = static_cast<char>('0' + digit);
      }
      const std::uint8_t digit =
          t_.single(static_cast<std::uint8_t>((in[n - 1] & 0x0F) + 0xF0)).digit;
      if ((notDigit | (digit & 0xF0)) != 0) return nullptr;
      digits_[n - 1] = static_cast<char>('0' + digit);
      negative = (in[n - 1] >> 4) == 0xD;
      scale = d.decimals();
    } else {
      if (d.second < u'0' || d.second > u'9' || d.len < 0) return nullptr;
      const auto last = static_cast<std::size_t>(d.len / 2);
      if (n != last + 1) return nullptr;
      // Packed: two digits a byte; half-bytes above 9 print as two digits: the general way.
      digits_.resize(2 * last + 1);
      bool above9 = false;
      for (std::size_t i = 0; i < last; ++i) {
        const std::uint8_t high = in[i] >> 4, low = in[i] & 0x0F;
        above9 |= high > 9 || low > 9;
        digits_[2 * i] = static_cast<char>('0' + high);
        digits_[2 * i + 1] = static_cast<char>('0' + low);
      }
      above9 |= (in[last] >> 4) > 9;
      if (above9) return nullptr;
      digits_[2 * last] = static_cast<char>('0' + (in[last] >> 4));
      negative = (in[last] & 0x0F) == 0xD;
      scale = d.second - u'0';
    }
    *out++ = '"';
    out = writeGeneralNumber(out, negative, digits_, scale);
    if (!out) return nullptr;
    *out++ = '"';
    *out++ = ',';
    return out;
  }

  char* const start = out;
  *out++ = '"';
  // Both bytes are stored, the room being there; only the character's own are kept.
  auto put = [&out](const SjisEntry& e) {
    std::memcpy(out, e.out, 2);
    out += e.bytes;
    return e.bytes != 0;
  };
  bool plain = true;
  if (d.type == u'k') {
    // Two-byte codes; a last byte without its pair gives nothing.
    for (std::size_t i = 0; i + 1 < n; i += 2)
      plain &= put(t_.pair(static_cast<std::uint16_t>(in[i] << 8 | in[i + 1])));
  } else if (!std::memchr(in, ShiftIn, n)) {
    // One-byte codes only: the trailing ones that give blanks needn't be decoded at all.
    std::size_t end = n;
    while (end > 0 && t_.single(in[end - 1]).isBlank()) --end;
    for (std::size_t i = 0; i < end; ++i)
      if (in[i] != ShiftOut) plain &= put(t_.single(in[i]));
  } else {
    bool inRun = false;
    for (std::size_t i = 0; i < n; ++i) {
      const std::uint8_t b = in[i];
      if (b == ShiftIn || b == ShiftOut) {
        inRun = b == ShiftIn;
        continue;
      }
      if (!inRun) {
        plain &= put(t_.single(b));
      } else if (i + 1 < n) {
        plain &= put(t_.pair(static_cast<std::uint16_t>(b << 8 | in[++i])));
      } else {
        break;  // a two-byte code cut by the end of the field
      }
    }
  }
  if (!plain) return nullptr;
  while (out > start + 1 && out[-1] == ' ') --out;  // trailing blanks
  *out++ = '"';
  *out++ = ',';
  return out;
}

}  // namespace zuvo::jef
