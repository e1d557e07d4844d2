#include "runtime/RuntimeError.h"

namespace zuvo {

RuntimeError::RuntimeError(std::int32_t number)
    : RuntimeError(number, standardDescription(number)) {}

RuntimeError::RuntimeError(std::int32_t number, const std::string& description)
    : std::runtime_error(description), number_(number) {}

std::string RuntimeError::standardDescription(std::int32_t number) {
  switch (number) {
    case 5:
      return "Invalid procedure call or argument";
    case 6:
      return "Overflow";
    case 7:
      return "Out of memory";
    case 9:
      return "Subscript out of range";
    case 11:
      return "Division by zero";
    case 13:
      return "Type mismatch";
    case 52:
      return "Bad file name or number";
    case 53:
      return "File not found";
    case 62:
      return "Input past end of file";
    case 75:
      return "Path/File access error";
    case 94:
      return "Invalid use of Null";
    case 445:
      return "Object doesn't support this action";
    default:
      return "Application-defined or object-defined error";
  }
}

RuntimeError RuntimeError::notImplemented(const std::string& method) {
  return RuntimeError(err::NotImplemented, method + " is not implemented yet");
}

}  // namespace zuvo
