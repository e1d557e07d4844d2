#include "jef/JefDirect.h"

#include <algorithm>

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
    for (std::size_t i = 0; i < n; ++i) put(jef);
  }
  void end() {
    if (inRun_) byte(ShiftOut);
    inRun_ = false;
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

// Makes room for a field of `width` 0x00 bytes; the room goes again unless kept.
class FieldRoom {
 public:
  FieldRoom(std::string& record, std::size_t width) : record_(record), at_(record.size()) {
    record.resize(at_ + width, '\0');
  }
  ~FieldRoom() {
    if (!kept_) record_.resize(at_);
  }
  std::uint8_t* bytes() { return reinterpret_cast<std::uint8_t*>(record_.data() + at_); }
  bool keep() { return kept_ = true; }

 private:
  std::string& record_;
  std::size_t at_;
  bool kept_ = false;
};

}  // namespace

DirectTables::DirectTables(const JefTable& table)
    : byUnit_(0x10000), byCode_(0x10000), pair_(0x10000) {
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
    if (e.flags & charFlag::WideUnsure) continue;
    const String wide = convert::toFullWidth(String(1, c));
    if (wide.size() != 1) {
      e.flags |= charFlag::WideUnsure;
      continue;
    }
    e.wideJef = static_cast<std::uint16_t>(table.toJef(cp.codeOf[wide[0]]));
    e.wideWeight = cp.weightOf[wide[0]];
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
      out.code = w;
      out.bytes = 1;
      return out;
    }
    const std::int16_t code = cp.codeOf[w];
    out.code = static_cast<std::uint16_t>(code);
    out.bytes = cp.weightOf[w];
    // A substitute, or a byte the trimming would take for a blank.
    if (code == '?' || (out.bytes == 1 && out.code == ' ')) return SjisEntry{};
    return out;
  };
  for (std::uint32_t b = 0; b < 0x100; ++b)
    single_[b] = sjisEntry(table.toSjis(static_cast<std::int32_t>(b)));
  for (std::uint32_t code = 0; code < 0x10000; ++code)
    pair_[code] = sjisEntry(table.toSjis(static_cast<std::int32_t>(code)));
}

// --- Encoder ---

bool DirectEncoder::append(const convert::FieldDescriptor& d, std::u16string_view v,
                           std::string& record, bool& substitute) {
  substitute = false;
  if (d.type == u'p' || d.type == u'n') {
    ascii_.clear();
    for (char16_t c : v) {
      if (c >= 0x80) return false;
      ascii_.push_back(static_cast<char>(c));
    }
    return number(d, ascii_, record);
  }
  chars_.clear();
  flags_ = 0;
  for (char16_t c : v) {
    const CharEntry& e = t_.unit(c);
    flags_ |= e.flags;
    chars_.push_back({&e, c < 0x80 ? c : u'\uFFFF'});
  }
  substitute = flags_ & charFlag::Substitute;
  return text(d, record);
}

bool DirectEncoder::append(const convert::FieldDescriptor& d, std::string_view v,
                           std::string& record) {
  if (d.type == u'p' || d.type == u'n') {
    for (char c : v)
      if (static_cast<unsigned char>(c) >= 0x80) return false;
    return number(d, v, record);
  }
  chars_.clear();
  flags_ = 0;
  const std::size_t n = v.size();
  for (std::size_t i = 0; i < n;) {
    const auto b = static_cast<std::uint8_t>(v[i]);
    std::uint16_t code = b;
    if (DirectTables::isLead(b)) {
      if (i + 1 == n) return false;
      code = static_cast<std::uint16_t>(b << 8 | static_cast<std::uint8_t>(v[i + 1]));
      i += 2;
    } else {
      ++i;
    }
    const CharEntry& e = t_.code(code);
    if (e.flags & charFlag::Invalid) return false;
    flags_ |= e.flags;
    chars_.push_back({&e, code < 0x80 ? static_cast<char16_t>(code) : u'\uFFFF'});
  }
  return text(d, record);
}

bool DirectEncoder::text(const convert::FieldDescriptor& d, std::string& record) {
  if (d.len <= 0) return false;
  const auto len = static_cast<std::size_t>(d.len);
  const bool left = d.leftAligned();
  FieldRoom room(record, len);

  if (d.type == u'k') {
    // Widened as a whole when the text holds anything the width mapping would change.
    const bool wide = flags_ & charFlag::Narrow;
    if (wide && (flags_ & charFlag::WideUnsure)) return false;
    std::size_t bytes = 0;
    for (const Char& c : chars_) bytes += wide ? c.entry->wideWeight : c.entry->weight;
    if (bytes > len) return false;  // cut by MidByte
    const CharEntry& fill = t_.unit(IdeographicSpace);
    const std::size_t spare = len - bytes, weight = fill.weight;
    JefWriter out(room.bytes(), len, false);
    if (!left) out.repeat(fill.jef, spare / weight);
    for (const Char& c : chars_) out.put(wide ? c.entry->wideJef : c.entry->jef);
    if (left) out.repeat(fill.jef, (spare + weight - 1) / weight);
    return out.total() <= MaxBytes && room.keep();
  }

  if (d.type == u'f' || d.type == u't' || d.type == u'd') {
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
    JefWriter out(room.bytes(), len, false);
    if (d.type != u'f' && fillChar == u' ' && fills == 0 &&
        std::all_of(text_.begin(), text_.end(), [](const Char& c) { return c.ascii == u'0'; })) {
      out.repeat(fill.jef, len);  // a date or time of zeros is left blank
    } else {
      if (!left) out.repeat(fill.jef, fills);
      for (const Char& c : text_) out.put(c.entry->jef);
      if (left) out.repeat(fill.jef, fills);
    }
    return out.total() <= len && room.keep();  // one byte a character
  }

  // Text with shift codes, cut to the field.
  std::size_t bytes = 0;
  for (const Char& c : chars_) bytes += c.entry->weight;
  if (bytes > len) return false;  // cut by MidByte
  const CharEntry& fill = t_.unit(d.zeroFill() ? u'0' : u' ');
  JefWriter out(room.bytes(), len, true);
  if (!left) out.repeat(fill.jef, len - bytes);
  for (const Char& c : chars_) out.put(c.entry->jef);
  if (left) out.repeat(fill.jef, len - bytes);
  out.end();
  // The general way converts into a work array of 2 * len + 1 bytes.
  return out.total() <= std::min(2 * len + 1, MaxBytes) && room.keep();
}

bool DirectEncoder::number(const convert::FieldDescriptor& d, std::string_view v,
                           std::string& record) {
  if (v.empty()) {
    // An empty value of a CSV file fails or reads as 0 depending on the field: the general way.
    if (fromCsv_) return false;
    v = "0";
  }
  if (!parsePlain(v, digits_)) return false;
  if (d.type == u'p') {
    if (d.len < 0) return false;
    FieldRoom room(record, static_cast<std::size_t>(d.len / 2 + 1));
    return packed(d, room.bytes()) && room.keep();
  }
  if (d.len <= 0) return false;
  FieldRoom room(record, static_cast<std::size_t>(d.len));
  return zoned(d, room.bytes()) && room.keep();
}

bool DirectEncoder::packed(const convert::FieldDescriptor& d, std::uint8_t* field) {
  if (d.second < u'0' || d.second > u'9') return false;
  const int places = d.second - u'0';
  const int le = d.len;
  if (places > le + 1) return false;
  const std::string& whole = digits_.whole;
  const std::string& fraction = digits_.fraction;
  if (fraction.size() > static_cast<std::size_t>(places)) return false;  // to be rounded
  const auto wholeWidth = static_cast<std::size_t>(places > 0 ? le - places + 1 : le + 1);
  if (whole.size() > wholeWidth) return false;  // its high digits would be dropped
  const bool negative = digits_.negative && !digits_.isZero();
  number_.assign(wholeWidth - whole.size(), '0');
  number_ += whole;
  if (places > 0) {
    number_ += fraction;
    number_.append(static_cast<std::size_t>(places) - fraction.size(), '0');
  }
  // le + 1 digits, of which the field holds the last (le div 2) * 2 + 1.
  const auto last = static_cast<std::size_t>(le / 2);
  const char* digit = number_.data() + number_.size() - (2 * last + 1);
  for (std::size_t k = 0; k < last; ++k)
    field[k] = static_cast<std::uint8_t>((digit[2 * k] - '0') * 16 + (digit[2 * k + 1] - '0'));
  field[last] = static_cast<std::uint8_t>((digit[2 * last] - '0') * 16 + (negative ? 0xD : 0xF));
  return true;
}

bool DirectEncoder::zoned(const convert::FieldDescriptor& d, std::uint8_t* field) {
  const auto len = static_cast<std::size_t>(d.len);
  const std::string& whole = digits_.whole;
  const std::string& fraction = digits_.fraction;
  if (d.leftAligned()) {
    number_ = digits_.plainText();
    if (number_.size() > len) return false;  // cut by the general way
    number_.resize(len, '0');
  } else {
    const auto places = static_cast<std::size_t>(d.decimals());
    if (len < places || fraction.size() > places) return false;
    if (whole.size() > len - places) return false;  // more digits than the field
    number_.assign(len - places - whole.size(), '0');
    number_ += whole;
    number_ += fraction;
    number_.append(places - fraction.size(), '0');
  }
  for (std::size_t i = 0; i < len; ++i) {
    const std::uint16_t jef = t_.unit(static_cast<char16_t>(number_[i])).jef;
    if (jef > 0xFF) return false;
    field[i] = static_cast<std::uint8_t>(jef);
  }
  if (digits_.negative && !digits_.isZero()) {
    // The zone of the last digit carries the sign.
    if (field[len - 1] < 0x20) return false;
    field[len - 1] -= 0x20;
  }
  return true;
}

// --- Decoder ---

bool DirectDecoder::put(const SjisEntry& e, std::string& line) {
  if (e.bytes == 0) return false;
  if (e.bytes == 2) line.push_back(static_cast<char>(e.code >> 8));
  line.push_back(static_cast<char>(e.code & 0xFF));
  return true;
}

bool DirectDecoder::appendCsvField(const convert::FieldDescriptor& d, std::string_view bytes,
                                   std::string& line) {
  // The conversion codes of the importers reformat their text.
  static constexpr char16_t codes[][2] = {{u'j', u'c'}, {u'd', u't'}, {u'd', u'2'},
                                          {u'm', u'd'}, {u't', u'm'}, {u'm', u's'},
                                          {u's', u'z'}, {u'l', u's'}, {u'h', u's'}};
  for (const auto& code : codes)
    if (d.is(code[0], code[1])) return false;
  const std::size_t mark = line.size();
  const std::size_t n = bytes.size();
  auto byte = [&](std::size_t i) { return static_cast<std::uint8_t>(bytes[i]); };

  if (d.type == u'n' || d.type == u'p') {
    digits_.clear();
    bool negative;
    int scale;
    if (d.type == u'n') {
      if (n == 0) return false;
      // Zoned: the digits through the table, the sign in the zone of the last one.
      for (std::size_t i = 0; i < n; ++i) {
        std::uint8_t b = i + 1 < n ? byte(i) : static_cast<std::uint8_t>((byte(i) & 0x0F) + 0xF0);
        std::uint8_t digit = t_.single(b).digit;
        if (digit > 9) return false;
        digits_.push_back(static_cast<char>('0' + digit));
      }
      negative = (byte(n - 1) >> 4) == 0xD;
      scale = d.decimals();
    } else {
      if (d.second < u'0' || d.second > u'9' || d.len < 0) return false;
      const auto last = static_cast<std::size_t>(d.len / 2);
      if (n != last + 1) return false;
      // Packed: two digits a byte; half-bytes above 9 print as two digits: the general way.
      for (std::size_t i = 0; i <= last; ++i) {
        const std::uint8_t high = byte(i) >> 4, low = byte(i) & 0x0F;
        if (high > 9 || (i < last && low > 9)) return false;
        digits_.push_back(static_cast<char>('0' + high));
        if (i < last) digits_.push_back(static_cast<char>('0' + low));
      }
      negative = (byte(last) & 0x0F) == 0xD;
      scale = d.second - u'0';
    }
    line.push_back('"');
    if (!appendGeneralNumber(line, negative, digits_, scale)) {
      line.resize(mark);
      return false;
    }
    line += "\",";
    return true;
  }

  line.push_back('"');
  if (d.type == u'k') {
    // Two-byte codes; a last byte without its pair gives nothing.
    for (std::size_t i = 0; i + 1 < n; i += 2) {
      if (!put(t_.pair(static_cast<std::uint16_t>(byte(i) << 8 | byte(i + 1))), line)) {
        line.resize(mark);
        return false;
      }
    }
  } else {
    bool inRun = false;
    for (std::size_t i = 0; i < n; ++i) {
      const std::uint8_t b = byte(i);
      if (b == ShiftIn || b == ShiftOut) {
        inRun = b == ShiftIn;
        continue;
      }
      if (inRun && i + 1 >= n) break;  // a two-byte code cut by the end of the field
      const SjisEntry& e =
          inRun ? t_.pair(static_cast<std::uint16_t>(b << 8 | byte(++i))) : t_.single(b);
      if (!put(e, line)) {
        line.resize(mark);
        return false;
      }
    }
  }
  while (line.size() > mark + 1 && line.back() == ' ') line.pop_back();
  line += "\",";
  return true;
}

}  // namespace zuvo::jef
