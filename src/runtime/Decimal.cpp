#include "runtime/Decimal.h"

#include <algorithm>
#include <array>
#include <charconv>
#include <cmath>
#include <cstdlib>

#include "runtime/RuntimeError.h"

namespace zuvo {

namespace {

using u128 = unsigned __int128;

// A fixed-width unsigned integer wide enough for every intermediate result: a 96-bit mantissa
// scaled by 10^60 for division, or the 192-bit product of two mantissas.
struct Wide {
  static constexpr int kLimbs = 12;  // 384 bits
  std::array<std::uint32_t, kLimbs> limb{};

  static Wide of(u128 v) {
    Wide w;
    for (int i = 0; i < 4; ++i) w.limb[i] = std::uint32_t(v >> (32 * i));
    return w;
  }
  bool isZero() const {
    return std::all_of(limb.begin(), limb.end(), [](std::uint32_t x) { return x == 0; });
  }
  bool fits96() const {
    return std::all_of(limb.begin() + 3, limb.end(), [](std::uint32_t x) { return x == 0; });
  }
  u128 low128() const {
    u128 v = 0;
    for (int i = 3; i >= 0; --i) v = (v << 32) | limb[i];
    return v;
  }
  int bitLength() const {
    for (int i = kLimbs - 1; i >= 0; --i)
      if (limb[i]) return 32 * i + 32 - __builtin_clz(limb[i]);
    return 0;
  }
  bool bit(int n) const { return (limb[n / 32] >> (n % 32)) & 1u; }
  void setBit(int n) { limb[n / 32] |= 1u << (n % 32); }
  void shiftLeft1() {
    for (int i = kLimbs - 1; i > 0; --i) limb[i] = (limb[i] << 1) | (limb[i - 1] >> 31);
    limb[0] <<= 1;
  }
  // Returns false when the product no longer fits.
  bool mulSmall(std::uint32_t m) {
    std::uint64_t carry = 0;
    for (auto& x : limb) {
      std::uint64_t t = std::uint64_t(x) * m + carry;
      x = std::uint32_t(t);
      carry = t >> 32;
    }
    return carry == 0;
  }
  std::uint32_t divSmall(std::uint32_t d) {
    std::uint64_t rem = 0;
    for (int i = kLimbs - 1; i >= 0; --i) {
      std::uint64_t cur = (rem << 32) | limb[i];
      limb[i] = std::uint32_t(cur / d);
      rem = cur % d;
    }
    return std::uint32_t(rem);
  }
  void add(const Wide& o) {
    std::uint64_t carry = 0;
    for (int i = 0; i < kLimbs; ++i) {
      std::uint64_t t = std::uint64_t(limb[i]) + o.limb[i] + carry;
      limb[i] = std::uint32_t(t);
      carry = t >> 32;
    }
  }
  void sub(const Wide& o) {  // requires *this >= o
    std::int64_t borrow = 0;
    for (int i = 0; i < kLimbs; ++i) {
      std::int64_t t = std::int64_t(limb[i]) - o.limb[i] - borrow;
      borrow = t < 0;
      limb[i] = std::uint32_t(t + (borrow << 32));
    }
  }
  friend std::strong_ordering operator<=>(const Wide& a, const Wide& b) {
    for (int i = kLimbs - 1; i >= 0; --i)
      if (a.limb[i] != b.limb[i]) return a.limb[i] <=> b.limb[i];
    return std::strong_ordering::equal;
  }
};

Wide mul(const Wide& a, const Wide& b) {
  Wide r;
  for (int i = 0; i < Wide::kLimbs; ++i) {
    if (a.limb[i] == 0) continue;
    std::uint64_t carry = 0;
    for (int j = 0; i + j < Wide::kLimbs; ++j) {
      std::uint64_t t = std::uint64_t(a.limb[i]) * b.limb[j] + r.limb[i + j] + carry;
      r.limb[i + j] = std::uint32_t(t);
      carry = t >> 32;
    }
  }
  return r;
}

// Long division. A divisor of up to 64 bits goes limb by limb; a wider one (rare: a mantissa
// above 1.8E+19) by shift and subtract.
Wide divMod(const Wide& n, const Wide& d, Wide& rem) {
  Wide q;
  rem = Wide{};
  if (d.bitLength() <= 64) {
    u128 divisor = d.low128(), r = 0;
    for (int i = Wide::kLimbs - 1; i >= 0; --i) {
      u128 cur = (r << 32) | n.limb[i];
      q.limb[i] = std::uint32_t(cur / divisor);
      r = cur % divisor;
    }
    rem = Wide::of(r);
    return q;
  }
  for (int i = n.bitLength() - 1; i >= 0; --i) {
    rem.shiftLeft1();
    if (n.bit(i)) rem.limb[0] |= 1u;
    if (rem >= d) {
      rem.sub(d);
      q.setBit(i);
    }
  }
  return q;
}

// m / 10^digits, and how the dropped part compares with one half of the last kept unit
// (-1 below, 0 exactly half, +1 above); `dropped` says whether anything nonzero went.
Wide divPow10(Wide m, int digits, int& vsHalf, bool& dropped) {
  static constexpr std::uint32_t kSmall[] = {1,      10,      100,      1000,      10000,
                                             100000, 1000000, 10000000, 100000000, 1000000000};
  vsHalf = -1;
  dropped = false;
  if (digits <= 0) return m;
  bool lower = false;
  for (; digits > 9; digits -= 9) lower = m.divSmall(kSmall[9]) != 0 || lower;
  std::uint32_t r = m.divSmall(kSmall[digits]), half = kSmall[digits] / 2;
  vsHalf = r > half ? 1 : r < half ? -1 : lower ? 1 : 0;
  dropped = lower || r != 0;
  return m;
}

constexpr int kMaxPow = 110;  // 10^110 still fits in 384 bits

const Wide& pow10(int n) {
  static const auto table = [] {
    std::array<Wide, kMaxPow + 1> t;
    t[0] = Wide::of(1);
    for (std::size_t i = 1; i < t.size(); ++i) {
      t[i] = t[i - 1];
      t[i].mulSmall(10);
    }
    return t;
  }();
  return table[n];
}

constexpr int kMaxScale = 28;

[[noreturn]] void overflow() {
  throw RuntimeError(err::Overflow);
}

}  // namespace

struct DecimalAccess {
  static u128 mantissa(const Decimal& d) {
    return (u128(d.hi_) << 64) | (u128(d.mid_) << 32) | d.lo_;
  }

  // m without its last `drop` digits, rounded halves to even.
  static Wide roundedDown(const Wide& m, int drop, bool sticky) {
    int vsHalf;
    bool dropped;
    Wide q = divPow10(m, drop, vsHalf, dropped);
    if (vsHalf > 0 || (vsHalf == 0 && (sticky || (q.limb[0] & 1u)))) q.add(Wide::of(1));
    return q;
  }

  // Builds a Decimal from a wide mantissa and a scale, dropping digits with halves to even
  // until it fits; `sticky` says that nonzero digits were already dropped below the mantissa.
  static Decimal make(Wide m, int scale, bool negative, bool sticky = false) {
    while (scale < 0) {
      if (!m.mulSmall(10)) overflow();
      ++scale;
    }
    int drop = std::max(0, scale - kMaxScale);
    // Find how many digits must go before rounding once, so that no value is rounded twice.
    int vsHalf;
    bool dropped;
    Wide q = divPow10(m, drop, vsHalf, dropped);
    while (!q.fits96()) {
      q.divSmall(10);
      ++drop;
    }
    if (drop > scale) overflow();
    if (drop > 0) {
      m = roundedDown(m, drop, sticky);
      scale -= drop;
      if (!m.fits96()) {  // rounding carried into a new digit
        if (scale == 0) overflow();
        m = roundedDown(m, 1, false);
        --scale;
      }
    }
    Decimal d;
    u128 v = m.low128();
    d.lo_ = std::uint32_t(v);
    d.mid_ = std::uint32_t(v >> 32);
    d.hi_ = std::uint32_t(v >> 64);
    d.scale_ = std::uint8_t(scale);
    d.negative_ = negative && v != 0;
    return d;
  }

  static Wide scaledTo(const Decimal& d, int scale) {
    Wide w = Wide::of(mantissa(d));
    return mul(w, pow10(scale - d.scale_));
  }

  static Decimal add(const Decimal& a, const Decimal& b, bool subtract) {
    bool bneg = b.negative_ != subtract;
    int scale = std::max(a.scale_, b.scale_);
    Wide x = scaledTo(a, scale), y = scaledTo(b, scale);
    if (a.negative_ == bneg) {
      x.add(y);
      return make(x, scale, a.negative_);
    }
    if (x >= y) {
      x.sub(y);
      return make(x, scale, a.negative_);
    }
    y.sub(x);
    return make(y, scale, bneg);
  }

  static Decimal multiply(const Decimal& a, const Decimal& b) {
    Wide p = mul(Wide::of(mantissa(a)), Wide::of(mantissa(b)));
    return make(p, a.scale_ + b.scale_, a.negative_ != b.negative_);
  }

  static Decimal divide(const Decimal& a, const Decimal& b) {
    if (b.isZero()) throw RuntimeError(11);
    // Sixty extra digits give a quotient of at least 31 significant digits, enough to round
    // correctly to the 28-29 that fit.
    constexpr int kExtra = 60;
    Wide n = mul(Wide::of(mantissa(a)), pow10(kExtra));
    Wide rem;
    Wide q = divMod(n, Wide::of(mantissa(b)), rem);
    Decimal r = make(q, a.scale_ - b.scale_ + kExtra, a.negative_ != b.negative_, !rem.isZero());
    return trimmed(r);
  }

  // The same value with trailing fraction zeros removed (1/4 reads 0.25, not 0.2500…).
  static Decimal trimmed(Decimal d) {
    u128 m = mantissa(d);
    int scale = d.scale_;
    while (scale > 0 && m % 10 == 0) {
      m /= 10;
      --scale;
    }
    return make(Wide::of(m), scale, d.negative_);
  }

  static Decimal whole(const Decimal& d, bool halfEven) {
    if (d.scale_ == 0) return d;
    Wide m = Wide::of(mantissa(d));
    if (halfEven) return make(roundedDown(m, d.scale_, false), 0, d.negative_);
    int vsHalf;
    bool dropped;
    Wide q = divPow10(m, d.scale_, vsHalf, dropped);
    if (d.negative_ && dropped) q.add(Wide::of(1));  // floor moves negatives down
    return make(q, 0, d.negative_);
  }

  static std::strong_ordering compare(const Decimal& a, const Decimal& b) {
    bool az = a.isZero(), bz = b.isZero();
    if (az && bz) return std::strong_ordering::equal;
    bool an = a.negative_ && !az, bn = b.negative_ && !bz;
    if (an != bn) return an ? std::strong_ordering::less : std::strong_ordering::greater;
    int scale = std::max(a.scale_, b.scale_);
    auto cmp = scaledTo(a, scale) <=> scaledTo(b, scale);
    return an ? 0 <=> cmp : cmp;
  }

  static std::string digits(const Decimal& d) {
    Wide m = Wide::of(mantissa(d));
    std::string s;
    do {
      s.push_back(char('0' + m.divSmall(10)));
    } while (!m.isZero());
    std::reverse(s.begin(), s.end());
    return s;
  }

  static Decimal parse(const std::string& text) {
    std::size_t i = 0, n = text.size();
    auto blank = [&](std::size_t k) { return k < n && (text[k] == ' ' || text[k] == '\t'); };
    while (blank(i)) ++i;
    bool negative = false;
    if (i < n && (text[i] == '+' || text[i] == '-')) negative = text[i++] == '-';
    Wide m;
    int kept = 0;  // significant digits held in m
    long exponent = 0;
    bool anyDigit = false, sticky = false, point = false;
    for (; i < n; ++i) {
      char c = text[i];
      if (c == '.' && !point) {
        point = true;
        continue;
      }
      if (c < '0' || c > '9') break;
      anyDigit = true;
      if (kept == 0 && c == '0') {
        if (point) --exponent;
        continue;
      }
      if (kept < 40) {
        m.mulSmall(10);
        m.add(Wide::of(u128(c - '0')));
        ++kept;
        if (point) --exponent;
      } else {
        sticky = sticky || c != '0';
        if (!point) ++exponent;
      }
    }
    if (!anyDigit) throw RuntimeError(err::TypeMismatch);
    if (i < n && (text[i] == 'e' || text[i] == 'E' || text[i] == 'd' || text[i] == 'D')) {
      ++i;
      bool eneg = false;
      if (i < n && (text[i] == '+' || text[i] == '-')) eneg = text[i++] == '-';
      if (i >= n || text[i] < '0' || text[i] > '9') throw RuntimeError(err::TypeMismatch);
      long e = 0;
      for (; i < n && text[i] >= '0' && text[i] <= '9'; ++i)
        e = std::min(e * 10 + (text[i] - '0'), 100000L);
      exponent += eneg ? -e : e;
    }
    while (blank(i)) ++i;
    if (i != n) throw RuntimeError(err::TypeMismatch);
    if (m.isZero()) return Decimal();
    if (exponent > 0) {
      if (kept + exponent > 29) overflow();
      return make(m, int(-exponent), negative);
    }
    if (-exponent > kMaxScale + 2 * kMaxPow) return Decimal();
    return make(m, int(-exponent), negative, sticky);
  }
};

Decimal::Decimal(std::int64_t value) {
  u128 m = value < 0 ? u128(-(value + 1)) + 1 : u128(value);
  lo_ = std::uint32_t(m);
  mid_ = std::uint32_t(m >> 32);
  hi_ = 0;
  negative_ = value < 0;
}

Decimal Decimal::fromDouble(double value) {
  if (!std::isfinite(value)) overflow();
  if (value == 0) return Decimal();
  // Fifteen significant digits, as the run-time keeps them: 0.285 becomes exactly 0.285.
  char buf[64];
  auto res = std::to_chars(buf, buf + sizeof buf, value, std::chars_format::scientific, 14);
  return DecimalAccess::parse(std::string(buf, res.ptr));
}

Decimal Decimal::parse(const std::string& text) {
  return DecimalAccess::parse(text);
}

double Decimal::toDouble() const {
  return std::strtod(toString().c_str(), nullptr);
}

std::string Decimal::toString() const {
  std::string d = DecimalAccess::digits(*this);
  if (scale_ > 0) {
    if (d.size() <= scale_) d.insert(0, scale_ + 1 - d.size(), '0');
    d.insert(d.size() - scale_, 1, '.');
    while (d.back() == '0') d.pop_back();
    if (d.back() == '.') d.pop_back();
  }
  if (negative_ && !isZero()) d.insert(0, 1, '-');
  return d;
}

bool Decimal::isZero() const {
  return lo_ == 0 && mid_ == 0 && hi_ == 0;
}
bool Decimal::isNegative() const {
  return negative_ && !isZero();
}

Decimal Decimal::operator-() const {
  Decimal r = *this;
  r.negative_ = !negative_ && !isZero();
  return r;
}

Decimal operator+(const Decimal& a, const Decimal& b) {
  return DecimalAccess::add(a, b, false);
}
Decimal operator-(const Decimal& a, const Decimal& b) {
  return DecimalAccess::add(a, b, true);
}
Decimal operator*(const Decimal& a, const Decimal& b) {
  return DecimalAccess::multiply(a, b);
}
Decimal operator/(const Decimal& a, const Decimal& b) {
  return DecimalAccess::divide(a, b);
}
std::strong_ordering operator<=>(const Decimal& a, const Decimal& b) {
  return DecimalAccess::compare(a, b);
}
bool operator==(const Decimal& a, const Decimal& b) {
  return DecimalAccess::compare(a, b) == 0;
}

Decimal Decimal::floor() const {
  return DecimalAccess::whole(*this, false);
}
Decimal Decimal::roundHalfEven() const {
  return DecimalAccess::whole(*this, true);
}

}  // namespace zuvo
