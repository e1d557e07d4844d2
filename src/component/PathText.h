#pragma once

#include <cstddef>

#include "../runtime/String.h"

// Small text rules shared by the component's INI, path and system-service methods.
namespace zuvo::component {

// The text up to its first NUL, as the system's fixed buffers are read.
inline String upToNul(const String& s) {
  return s.substr(0, s.find(u'\0'));
}

// A path written the POSIX way: "/" but no "\". Its case is kept, since POSIX file names are
// case-sensitive; Windows-style paths are taken in lower case.
inline bool isPosixPath(const String& s) {
  return s.find(u'/') != String::npos && s.find(u'\\') == String::npos;
}

// The last folder separator ("\" or "/"), npos when there is none.
inline std::size_t lastSeparator(const String& s) {
  return s.find_last_of(u"\\/");
}

// `folder` and `name` joined with the folder's own kind of separator.
inline String joinPath(const String& folder, const String& name) {
  return folder + (isPosixPath(folder) ? u"/" : u"\\") + name;
}

}  // namespace zuvo::component
