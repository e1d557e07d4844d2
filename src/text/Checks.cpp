// Field checks of the entry screens. Each check also normalises the field (half-width form,
// formatted number, segments in their final shape) and writes it back even when it refuses
// it, so the screen shows the user what was understood.
#include <algorithm>
#include <array>
#include <optional>
#include <vector>

#include "component/ZuvoCls.h"
#include "platform/Format.h"
#include "runtime/Convert.h"

namespace zuvo {

namespace {

bool isSeparator(char16_t c) {
  switch (c) {
    case u',':
    case u' ':
    case u'.':
    case u'/':
    case u':':
    case u'-':
    case u'\uFF70':  // half-width prolonged sound mark, typed for a hyphen
      return true;
    default:
      return false;
  }
}

bool isAsciiLetterOrDigit(char16_t c) {
  return (c >= u'A' && c <= u'Z') || (c >= u'a' && c <= u'z') || (c >= u'0' && c <= u'9');
}

// A length limit when the pattern argument is a number or reads as one as a whole; Empty is
// the limit 0.
std::optional<double> lengthLimit(const Variant& ft) {
  if (ft.isEmpty()) return 0.0;
  if (ft.isNumber() || ft.get<bool>()) return rt::toDouble(ft);
  const String* text = ft.get<String>();
  if (!text || rt::trim(*text).empty()) return std::nullopt;
  try {
    return rt::toDouble(ft);
  } catch (const RuntimeError&) {
    return std::nullopt;
  }
}

// A segmented layout such as 「0000/00/00」: its segment patterns and its one separator.
struct Layout {
  std::vector<String> segments{String()};
  char16_t separator = 0;
  std::size_t separatorCount = 0;
  bool text = false;  // any "@": pad with blanks at the end rather than zeros in front

  explicit Layout(const String& ft) {
    for (char16_t c : ft) {
      if (isSeparator(c)) {
        separator = c;
        ++separatorCount;
        segments.emplace_back();
      } else {
        segments.back() += c;
      }
      if (c == u'@') text = true;
    }
  }
};

constexpr std::size_t maxParts = 4;

}  // namespace

bool ZuvoCls::ChkVals(String& s, const String& ft, bool zr, bool ms) {
  s = Hankaku(s, 0);
  double v = 0;
  try {
    v = rt::val(s);
  } catch (const RuntimeError& e) {
    // A number too large to hold is simply not an acceptable amount.
    if (e.number() == err::Overflow) return false;
    throw;
  }
  // Only a field of zeros (or nothing) may read as zero; "abc" or "-0" read as 0 too.
  if (v == 0 && !std::all_of(s.begin(), s.end(), [](char16_t c) { return c == u'0'; }))
    return false;
  s = format(rt::numberText(v), ft);
  // The pattern is also the field's width; a minus sign may stand in front of it.
  if (!ft.empty() && s.size() > ft.size() + (v < 0 ? 1 : 0)) return false;
  if (zr && v == 0) return false;
  if (ms && v < 0) return false;
  return true;
}

bool ZuvoCls::ChkStrs(String& s, const Variant& ft, std::int16_t han, std::int16_t stype, bool nu) {
  s = han == 9 ? rt::trim(s) : Hankaku(s, han);
  // Quotes and commas would break the SQL text and CSV lines the fields end up in.
  if (s.find_first_of(u"'\",\u201D") != String::npos) return false;

  const auto characters = std::int64_t(s.size());
  switch (stype) {
    case 1:
      if (!std::all_of(s.begin(), s.end(), isAsciiLetterOrDigit)) return false;
      break;
    case 2:
      if (LenByte(s) > characters) return false;
      break;
    case 3:
      if (LenByte(s) != 2 * characters) return false;
      break;
    default:
      break;
  }

  if (const auto limit = lengthLimit(ft)) {
    if (LenByte(s) > *limit) return false;
  } else if (!ft.isNull()) {
    const String pattern = rt::toText(ft);
    if (!pattern.empty()) {
      if (s.size() != pattern.size()) return false;
      s = format(s, pattern);
    }
  }
  return !(s.empty() && nu);
}

bool ZuvoCls::ChkFormats(String& ss, const String& ft, std::int16_t han, bool z1, bool z2, bool z3,
                         bool z4) {
  const Layout layout(ft);
  ss = Hankaku(ss, han);
  String w = ss;
  // A layout without any separator is one segment: the whole field against the whole pattern.
  const bool segmented = layout.separatorCount > 0;

  if (segmented) {
    for (char16_t& c : w)
      if (isSeparator(c)) c = layout.separator;

    if (w.find(layout.separator) == String::npos) {
      // Typed without separators: pad to the layout's width and cut it into its segments.
      const std::size_t width = ft.size() - layout.separatorCount;
      if (layout.text)
        w = rt::left(w + String(width, u' '), std::int64_t(width));
      else
        w = rt::right(String(width, u'0') + w, std::int64_t(width));
      String shaped;
      std::size_t from = 0;
      for (std::size_t i = 0; i < std::min(layout.segments.size(), maxParts); ++i) {
        if (i > 0) shaped += layout.separator;
        const std::size_t take = std::min(layout.segments[i].size(), w.size() - from);
        shaped += w.substr(from, take);
        from += take;
      }
      w = shaped;
    }
  }

  std::array<String, maxParts> parts;
  std::size_t part = 0;
  for (char16_t c : w) {
    if (segmented && c == layout.separator) {
      if (++part == maxParts) break;
    } else {
      parts[part] += c;
    }
  }

  const std::array<bool, maxParts> zeroRefused{z1, z2, z3, z4};
  const std::size_t checked = std::min(layout.segments.size(), maxParts);
  for (std::size_t i = 0; i < checked; ++i) {
    const String& pattern = layout.segments[i];
    const bool lastSegment = i + 1 == layout.segments.size();
    const bool textSegment = (!pattern.empty() && pattern.front() == u'@') ||
                             (lastSegment && !ft.empty() && ft.back() == u'@');
    const bool accepted = textSegment ? ChkStrs(parts[i], pattern, han, 1, false)
                                      : ChkVals(parts[i], pattern, zeroRefused[i], true);
    if (!accepted) return false;
  }

  String joined = parts[0];
  for (std::size_t i = 1; i < maxParts; ++i) {
    if (parts[i].empty()) continue;
    joined += layout.separator;
    joined += parts[i];
  }
  ss = joined;
  return true;
}

}  // namespace zuvo
