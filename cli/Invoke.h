#pragma once

#include <functional>
#include <vector>

#include "Argument.h"
#include "Json.h"
#include "platform/Recording.h"

namespace zuvo::cli {

struct CallResult {
  Json output;          // {"result":…,"args":[…],…} or {"error":{…},"args":[…],…}
  bool failed = false;  // a run-time error ended the call
};

// Runs `call` (which binds what it needs and calls the method) and writes what an automation
// client would see, the one output of `zuvo call` and `zuvo session`: the result or the
// run-time error {"number":N,"description":…}, every argument after the call, and the message
// boxes, beeps and started programs in `recorder`.
CallResult runCall(const std::function<Variant()>& call, const std::vector<Argument>& args,
                   const Recorder& recorder);

}  // namespace zuvo::cli
