#pragma once

#include <cstdint>
#include <span>
#include <string_view>
#include <vector>

#include "Argument.h"
#include "component/ZuvoCls.h"

// The dispatch table of the zuvo program: the 81 methods of ZuvoCls in slot order, each with
// its dispatch identifier, as automation clients bind to them.
namespace zuvo::cli {

struct Method {
  std::string_view name;
  std::int32_t dispatchId;
  std::span<const Parameter> params;
  bool returns;  // a function, not a procedure
  // Converts exactly `arity()` arguments, calls the method, writes reference parameters back
  // into the arguments and returns the result (Empty for a method without one).
  Variant (*invoke)(ZuvoCls& object, std::vector<Argument>& args);

  std::size_t arity() const { return params.size(); }
};

std::span<const Method> methods();

// The method of that name without regard to case, or nullptr.
const Method* findMethod(std::string_view name);

}  // namespace zuvo::cli
