#pragma once

#include "../runtime/Convert.h"
#include "../runtime/String.h"

namespace zuvo::sqltext {

// A text value as a SQL literal: between single quotes, each single quote inside doubled, so
// that no caller text can end the literal and change the statement.
inline String literal(const String& value) {
  return u"'" + rt::replaceAll(value, u"'", u"''") + u"'";
}

// The single quotes of a statement doubled, so that the statement is stored as written.
inline String doubledQuotes(const String& statement) {
  return rt::replaceAll(statement, u"'", u"''");
}

}  // namespace zuvo::sqltext
