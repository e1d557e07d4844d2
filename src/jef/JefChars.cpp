// Text to JEF bytes and back through the object's conversion table.
#include <algorithm>

#include "component/ZuvoCls.h"
#include "jef/JefTable.h"
#include "platform/Cp932.h"
#include "runtime/Convert.h"

namespace zuvo {

namespace {

constexpr std::uint8_t ShiftIn = 0x28;   // starts a run of two-byte codes
constexpr std::uint8_t ShiftOut = 0x29;  // back to one-byte codes

// Writes into the caller's array and never past its end: the run-time raises 9 there.
class ByteWriter {
 public:
  explicit ByteWriter(ByteArray& bdt)
      : bdt_(bdt), fastEnd_(std::min<std::size_t>(bdt.size(), INT16_MAX)) {}
  void put(std::int32_t byte) {
    // Far from the end of the array and of the 16-bit count only the byte needs writing.
    if (pos_ < fastEnd_) {
      bdt_[pos_++] = static_cast<std::uint8_t>(byte);
      return;
    }
    if (pos_ >= bdt_.size()) throw RuntimeError(err::SubscriptOutOfRange);
    bdt_[pos_] = static_cast<std::uint8_t>(byte);
    // The position is a 16-bit count, as the result is.
    if (++pos_ > INT16_MAX) throw RuntimeError(err::Overflow);
  }
  std::int16_t lastIndex() const { return static_cast<std::int16_t>(pos_ - 1); }

 private:
  ByteArray& bdt_;
  std::size_t fastEnd_;
  std::size_t pos_ = 0;
};

std::int16_t toJefBytes(const JefTable& table, const String& s, ByteArray& bdt, bool shifts) {
  ByteWriter out(bdt);
  bool inRun = false;
  const auto& codeOf = cp932::tables().codeOf;
  for (char16_t c : s) {
    std::int32_t v = table.toJef(codeOf[c]);
    if (v <= 0xFF) {
      if (inRun) out.put(ShiftOut), inRun = false;
      out.put(v);
    } else {
      if (shifts && !inRun) out.put(ShiftIn), inRun = true;
      out.put(v >> 8);
      out.put(v & 0xFF);
    }
  }
  if (inRun) out.put(ShiftOut);
  return out.lastIndex();
}

// The last index to read, refused when the caller's array doesn't reach it.
std::int16_t lastIndexWithin(const ByteArray& bdt, const Variant& bmx) {
  std::int16_t last = rt::toInteger(bmx);
  if (last >= static_cast<std::int64_t>(bdt.size())) throw RuntimeError(err::SubscriptOutOfRange);
  return last;
}

// The character of a table code; a code that names none raises 5 as the run-time's Chr does.
char16_t characterOf(const std::array<char16_t, 65536>& charOf, std::int16_t code) {
  char16_t c = charOf[static_cast<std::uint16_t>(code)];
  return c != 0 || code == 0 ? c : cp932::fromCode(code);
}

}  // namespace

const JefTable& ZuvoCls::jefTable() {
  if (!jefTableLoaded_) {
    // Marked before the file is read: a failed load is not tried again by this object, which
    // goes on with what was read.
    jefTableLoaded_ = true;
    jefTable_ = std::make_unique<JefTable>();
    std::filesystem::path path = platform_->conversionTable();
    try {
      jefTable_->load(files(), path);
    } catch (const RuntimeError& e) {
      jefTableStatus_ =
          Status(Status::Code::ConversionTable,
                 "cannot read the conversion table " + path.string() + ": " + e.description());
      throw;
    }
  }
  return *jefTable_;
}

const Status& ZuvoCls::jefTableStatus() {
  try {
    jefTable();
  } catch (const RuntimeError&) {
    // Kept in jefTableStatus_.
  }
  return jefTableStatus_;
}

std::int16_t ZuvoCls::SjisJef(const String& s, ByteArray& bdt) {
  return toJefBytes(jefTable(), s, bdt, false);
}

std::int16_t ZuvoCls::SjisJefShift(const String& s, ByteArray& bdt) {
  return toJefBytes(jefTable(), s, bdt, true);
}

// A two-byte code that would need a byte past `bmx` was cut where the field ends: it gives no
// character, and nothing past `bmx` is read.
String ZuvoCls::JefSjis(const ByteArray& bdt, const Variant& bmx, const Variant& md) {
  const JefTable& table = jefTable();
  std::int16_t last = lastIndexWithin(bdt, bmx);
  std::int16_t step = rt::toInteger(md);
  if (step != 1 && step != 2) throw RuntimeError(err::InvalidArgument);
  const auto& charOf = cp932::tables().charOf;
  String result;
  result.reserve(last < 0 ? 0 : (last + 1) / step);
  for (std::int32_t i = 0; i <= last; i += step) {
    std::int32_t code = bdt[i];
    if (step == 2) {
      if (i + 1 > last) break;
      code = code * 256 + bdt[i + 1];
    }
    result.push_back(characterOf(charOf, table.toSjis(code)));
  }
  return result;
}

String ZuvoCls::JefSjisShift(const ByteArray& bdt, const Variant& bmx) {
  const JefTable& table = jefTable();
  std::int16_t last = lastIndexWithin(bdt, bmx);
  const auto& charOf = cp932::tables().charOf;
  String result;
  bool inRun = false;
  for (std::int32_t i = 0; i <= last; ++i) {
    std::int32_t code = bdt[i];
    if (code == ShiftIn || code == ShiftOut) {
      inRun = code == ShiftIn;
      continue;
    }
    if (inRun) {
      if (i + 1 > last) break;
      code = code * 256 + bdt[++i];
    }
    result.push_back(characterOf(charOf, table.toSjis(code)));
  }
  return result;
}

}  // namespace zuvo
