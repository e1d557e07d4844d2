#include "convert/FieldDefs.h"

#include <algorithm>

#include "runtime/Convert.h"

namespace zuvo::convert {

namespace {

// Codes are compared in lower case; every code is an ASCII letter, so only those matter.
char16_t lowerAt(const String& fds, std::size_t i) {
  if (i >= fds.size()) return 0;
  char16_t c = fds[i];
  return c >= u'A' && c <= u'Z' ? static_cast<char16_t>(c - u'A' + u'a') : c;
}

}  // namespace

FieldDescriptor fieldDescriptor(const String& fds, std::int32_t k) {
  FieldDescriptor d;
  if (k < 0) return d;
  std::size_t p = static_cast<std::size_t>(k) * 8;
  d.type = lowerAt(fds, p);
  d.second = lowerAt(fds, p + 1);
  d.align = lowerAt(fds, p + 2);
  if (p + 3 < fds.size()) d.len = rt::roundToInteger(rt::val(fds.substr(p + 3, 4)));
  if (d.align == u'_') d.align = d.type == u'n' || d.type == u'p' ? u'r' : u'l';
  return d;
}

std::int32_t fieldCount(const String& fds) {
  return static_cast<std::int32_t>(std::count(fds.begin(), fds.end(), u' ')) + 1;
}

Layout::Layout(const String& fds, std::int32_t count) {
  fields_.reserve(static_cast<std::size_t>(std::max(count, 0)));
  for (std::int32_t k = 0; k < count; ++k) {
    try {
      fields_.push_back(fieldDescriptor(fds, k));
    } catch (...) {
      fields_.emplace_back();
      if (status_.ok())
        status_ = Status(Status::Code::FieldCount, "field " + std::to_string(k + 1) +
                                                       " of the layout has a length past 32767");
    }
  }
}

std::int64_t Layout::bytes() const {
  std::int64_t total = 0;
  for (const FieldDescriptor& d : fields_) total += std::max<std::int16_t>(d.len, 0);
  return total;
}

}  // namespace zuvo::convert
