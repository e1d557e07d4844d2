#pragma once

#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "Invoke.h"
#include "Json.h"

namespace zuvo::cli {

struct CallOptions {
  std::optional<std::string> db;              // URI of the connection for data access arguments
  std::optional<std::filesystem::path> home;  // instead of $ZUVO_HOME
  std::optional<std::string> now;             // "yyyy-mm-ddThh:mm:ss": a fixed clock
};

// Calls one method of a fresh ZuvoCls on a recording platform, each argument given as JSON
// text. A command line that cannot make a call (unknown method, wrong argument count, bad
// JSON or tagged form, data access without --db, bad --now) throws UsageError; everything that
// goes wrong once the call is under way is a run-time error in the result.
CallResult callMethod(const CallOptions& options, std::string_view method,
                      const std::vector<std::string>& arguments);

}  // namespace zuvo::cli
