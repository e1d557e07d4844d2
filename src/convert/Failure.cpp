#include "convert/Failure.h"

#include "database/Database.h"
#include "runtime/Convert.h"
#include "runtime/RuntimeError.h"

namespace zuvo::convert {

std::string shown(const String& name) {
  return rt::toUtf8(name);
}

Status databaseFailure(Status::Code code, const std::string& what, const std::string& words) {
  return Status(code, words.empty() ? what : what + ": " + words);
}

Status failureOf(const std::exception_ptr& error, std::int64_t record, const std::string& source) {
  std::string where = "record " + std::to_string(record) + " of " + source;
  try {
    std::rethrow_exception(error);
  } catch (const DatabaseError& e) {
    return databaseFailure(Status::Code::Query, "reading " + where + " failed", e.description())
        .at(record);
  } catch (const RuntimeError& e) {
    return Status(Status::Code::Value, where + ": run-time error " + std::to_string(e.number()) +
                                           " (" + e.description() + ")")
        .at(record);
  } catch (const std::exception& e) {
    return Status(Status::Code::Stopped, "stopped at " + where + ": " + e.what()).at(record);
  } catch (...) {
    return Status(Status::Code::Stopped, "stopped at " + where).at(record);
  }
}

}  // namespace zuvo::convert
