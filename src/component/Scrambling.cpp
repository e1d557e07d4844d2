#include <cstdint>

#include "component/ZuvoCls.h"
#include "platform/Cp932.h"
#include "runtime/Convert.h"

namespace zuvo {

// Each character becomes four hex digits: the low 16 bits of (code XOR key) plus its group
// number, the last character first. Unsigned arithmetic keeps the low bits of every key and
// text without overflow.
String ZuvoCls::Encode(const String& s) {
  static constexpr char16_t hexDigits[] = u"0123456789ABCDEF";
  const auto key = std::uint32_t(settings().scramblingKey);
  const std::size_t length = s.size();
  String result;
  result.reserve(length * 4);
  for (std::size_t group = 1; group <= length; ++group) {
    const auto code = std::uint32_t(std::int32_t(cp932::code(s[length - group])));
    const auto n = std::uint16_t((code ^ key) + group);
    for (int shift = 12; shift >= 0; shift -= 4) result.push_back(hexDigits[(n >> shift) & 0xF]);
  }
  return result;
}

// Text that was never scrambled decodes to meaningless characters, or raises error 5 where a
// group names no character; trailing digits that do not fill a group are ignored.
String ZuvoCls::Decode(const String& s) {
  const std::int64_t groups = std::int64_t(s.size() / 4);
  const std::int64_t key = settings().scramblingKey;
  String result;
  result.reserve(std::size_t(groups));
  for (std::int64_t group = groups; group >= 1; --group) {
    const auto value = std::int64_t(rt::val(u"&H" + s.substr(std::size_t(group - 1) * 4, 4)));
    result.push_back(cp932::fromCode(std::int32_t((value - group) ^ key)));
  }
  return result;
}

String ZuvoCls::DeDsn(const String& s) {
  static const String user = u";uid=", password = u";pwd=";
  const std::int64_t at = rt::inStr(s, user);
  const std::int64_t pwdAt = rt::inStr(s, password);
  if (at == 0 || pwdAt == 0) return {};
  const std::int64_t userStart = at + std::int64_t(user.size());
  // A password marker before the user marker leaves the user part a negative length.
  if (pwdAt < userStart) throw RuntimeError(err::InvalidArgument);
  return rt::left(s, userStart - 1) + Decode(rt::mid(s, userStart, pwdAt - userStart)) + password +
         Decode(rt::mid(s, pwdAt + std::int64_t(password.size())));
}

}  // namespace zuvo
