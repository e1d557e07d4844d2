// Version texts from the history texts of the client and of the library.
#include <vector>

#include "component/ZuvoCls.h"
#include "runtime/Convert.h"

namespace zuvo {
namespace {

const String kError = u"** err **";
const String kSeparator = u"~|~";
const String kCopyright = u"Copyright (C) 1999-2000 zuvo project";

// The entries of a history text: each closed by "~|~", trimmed, empty ones skipped. Of a long
// history the first entry and the last nine are kept.
std::vector<String> readHistory(const String& text) {
  std::vector<String> entries;
  std::int64_t pos = 1;
  for (;;) {
    std::int64_t sep = rt::inStr(text, kSeparator, pos);
    if (sep == 0) break;
    String entry = rt::trim(rt::mid(text, pos, sep - pos));
    if (!entry.empty()) entries.push_back(std::move(entry));
    pos = sep + static_cast<std::int64_t>(kSeparator.size());
  }
  if (entries.size() > 10) entries.erase(entries.begin() + 1, entries.end() - 9);
  return entries;
}

String lines(const std::vector<String>& entries) {
  String out;
  for (const String& e : entries) out += e + u"\n";
  return out;
}

}  // namespace

String ZuvoCls::SetVers(const String& ver, String& verl, String& dlltitle, String& dllcopy,
                        String& dllverl, const String& dllpgmv, const String& dllcpyt,
                        const String& dllcpyp, const String& dllcpyc) {
  const std::vector<String> client = readHistory(ver);
  if (client.empty()) {
    verl = dlltitle = dllcopy = dllverl = kError;
    return kError;
  }
  String result = kError;
  const String last = rt::lower(client.back());
  if (std::int64_t p = rt::inStr(last, u"ver"); p > 0) {
    if (std::int64_t q = rt::inStr(last, u"copy", p + 3); q > 0)
      result = rt::trim(rt::mid(last, p, q - p));
  }
  const std::vector<String> library = readHistory(dllpgmv);
  // Every input is read before any output is written: a caller may pass one variable twice.
  String title = dllcpyt + u"(" + dllcpyp + u")";
  String copy = dllcpyc;
  verl = lines(client);
  dlltitle = std::move(title);
  dllcopy = std::move(copy);
  dllverl = library.empty() ? kError : lines(library);
  return result;
}

String ZuvoCls::SetVer(const String& ver, String& verl, String& dlltitle, String& dllcopy,
                       String& dllverl) {
  const String history = kSeparator + u"1999.04.17 ver 1.00 " + kCopyright + kSeparator +
                         u"2000.11.23 ver 2.01 " + kCopyright + kSeparator + u" " + kSeparator +
                         u"  " + kSeparator;
  return SetVers(ver, verl, dlltitle, dllcopy, dllverl, history, u"ZUVO システム関数", u"zuvo.dll",
                 kCopyright);
}

}  // namespace zuvo
