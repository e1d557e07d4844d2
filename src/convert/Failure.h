#pragma once

#include <cstdint>
#include <exception>
#include <string>

#include "../runtime/Status.h"
#include "../runtime/String.h"

// The statuses the conversions give, so that every message has one form.
namespace zuvo::convert {

// A file or table name as the messages show it.
std::string shown(const String& name);

// `what`, then the database's own words: "cannot open the table T: no such table: T".
Status databaseFailure(Status::Code code, const std::string& what, const std::string& words);

// The exception that ended a conversion at `record` of `source`: a database error while rows
// were read, a run-time error of a value, or anything from outside (the event pump).
Status failureOf(const std::exception_ptr& error, std::int64_t record, const std::string& source);

}  // namespace zuvo::convert
