#include "jef/JefTable.h"

#include <sstream>
#include <string>

#include "jef/JefDirect.h"
#include "platform/Platform.h"
#include "runtime/RuntimeError.h"

namespace zuvo {

namespace {

// List input of one number: blanks around it are ignored, an empty field reads as 0.
std::int64_t parseField(const std::string& field) {
  std::size_t b = field.find_first_not_of(" \t");
  if (b == std::string::npos) return 0;
  std::size_t e = field.find_last_not_of(" \t");
  std::size_t i = b;
  bool negative = false;
  if (field[i] == '+' || field[i] == '-') negative = field[i++] == '-';
  if (i > e) throw RuntimeError(err::TypeMismatch);
  std::int64_t value = 0;
  for (; i <= e; ++i) {
    char c = field[i];
    if (c < '0' || c > '9') throw RuntimeError(err::TypeMismatch);
    // Anything past the range of a Long is an overflow whatever digits follow.
    if (value > 10'000'000'000LL) throw RuntimeError(err::Overflow);
    value = value * 10 + (c - '0');
  }
  return negative ? -value : value;
}

// Splits the file into fields at commas and line ends; a blank line holds no field.
class FieldReader {
 public:
  explicit FieldReader(std::istream& in) : in_(in) {}

  bool next(std::string& field) {
    field.clear();
    int c;
    bool any = false;
    while ((c = in_.get()) != EOF) {
      if (c == ',') return true;
      if (c == '\r' || c == '\n') {
        if (any) return true;
        continue;
      }
      // A runaway line of garbage is refused before it grows without bound.
      if (field.size() > 64) throw RuntimeError(err::TypeMismatch);
      field.push_back(static_cast<char>(c));
      if (c != ' ' && c != '\t') any = true;
    }
    return any;
  }

 private:
  std::istream& in_;
};

}  // namespace

JefTable::JefTable() {
  jefBySjis.fill(NoEntry);
  sjisByJef.fill(NoEntry);
}

JefTable::~JefTable() = default;

const jef::DirectTables& JefTable::direct() const {
  if (!direct_) direct_ = std::make_unique<jef::DirectTables>(*this);
  return *direct_;
}

void JefTable::load(FileService& files, const std::filesystem::path& path) {
  struct IndexOnExit {
    JefTable& table;
    ~IndexOnExit() { table.index(); }
  } indexOnExit{*this};

  std::string bytes;
  if (readWholeFile(files, path.string(), bytes) != 0) throw RuntimeError(err::FileNotFound);
  std::istringstream in(bytes);
  FieldReader reader(in);
  std::string field;
  for (int k = 0; reader.next(field); ++k) {
    if (k >= Entries) throw RuntimeError(err::SubscriptOutOfRange);
    std::int64_t code = parseField(field);
    if (code < INT16_MIN || code > INT16_MAX) throw RuntimeError(err::Overflow);
    sjis[k] = static_cast<std::int16_t>(code);
    if (!reader.next(field)) throw RuntimeError(62);
    std::int64_t jefCode = parseField(field);
    // A JEF code is at most two bytes; anything else could not be written to a record.
    if (jefCode < 0 || jefCode > 0xFFFF) throw RuntimeError(err::Overflow);
    jef[k] = static_cast<std::int32_t>(jefCode);
  }
}

void JefTable::index() {
  jefBySjis.fill(NoEntry);
  sjisByJef.fill(NoEntry);
  // Every entry takes part, filled or not, so code 0 finds the first entry that holds 0.
  for (int k = 0; k < Entries; ++k) {
    std::int32_t& toJef = jefBySjis[static_cast<std::uint16_t>(sjis[k])];
    if (toJef == NoEntry) toJef = jef[k];
    std::int32_t& toSjis = sjisByJef[jef[k]];
    if (toSjis == NoEntry) toSjis = sjis[k];
  }
}

}  // namespace zuvo
