#pragma once

#include <cstddef>
#include <cstdint>
#include <stdexcept>
#include <string>

#include "database/Database.h"
#include "runtime/Array.h"
#include "runtime/RuntimeError.h"
#include "runtime/Variant.h"

namespace zuvo::cli {

// One argument of a call as an automation client holds it: a value, an array, or one of the
// data access objects of the connection given with --db.
struct Argument {
  enum class Kind { Value, Array, Connection, Query, Resultset, QueryResultset };

  Kind kind = Kind::Value;
  Variant value;         // Kind::Value (a byte array is a Variant too)
  Array<Variant> array;  // Kind::Array
  String sql;            // Kind::Query and Kind::Resultset
  // An object a session opened earlier ({"Connection":1}, {"Query":2}, {"Resultset":3});
  // 0 for none: the connection of --db, or one made from `sql` for this call.
  std::int64_t handle = 0;

  // Bound by the caller before the call; owned elsewhere.
  Connection* connection = nullptr;
  Query* query = nullptr;
  Resultset* resultset = nullptr;

  bool isDataAccess() const { return kind != Kind::Value && kind != Kind::Array; }
};

// What a parameter takes, as a client passes it.
enum class ParamKind : std::uint8_t {
  String,
  Integer,
  Long,
  Double,
  Boolean,
  Variant,
  ByteArray,
  Array,
  Connection,
  Query,
  Resultset
};

struct Parameter {
  ParamKind kind;
  bool written;  // the method writes it back, as a variable passed by reference
  friend bool operator==(const Parameter&, const Parameter&) = default;
};

// A command line the program cannot act on: reported on standard error, exit status 2.
class UsageError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

// A run-time error raised while converting one argument to its parameter's type; `position`
// is 1-based, as a client would count its arguments.
class ArgumentError : public RuntimeError {
 public:
  ArgumentError(std::size_t position, const RuntimeError& cause)
      : RuntimeError(cause.number(), cause.description()), position_(position) {}
  std::size_t position() const { return position_; }

 private:
  std::size_t position_;
};

}  // namespace zuvo::cli
