#include "Bind.h"

#include "runtime/Convert.h"

namespace zuvo::cli {

namespace {

[[noreturn]] void mismatch() {
  throw RuntimeError(err::TypeMismatch);
}

// A scalar that a typed parameter can take. Null has no String or number form in a dispatch
// conversion (a type mismatch, where the run-time's own functions would say "invalid use of
// Null"), and neither has a byte array.
const Variant& scalar(const Variant& value) {
  if (value.isNull() || value.type() == VarType::ByteArray) mismatch();
  return value;
}

const Variant& valueOf(const Argument& a) {
  if (a.kind != Argument::Kind::Value) mismatch();
  return a.value;
}

String text(const Variant& value) {
  return rt::toText(scalar(value));
}

}  // namespace

String Param<String>::load(Argument& a) {
  return text(valueOf(a));
}

Variant& Param<Variant>::load(Argument& a) {
  valueOf(a);  // a value, not an array or a data access object
  return a.value;
}

std::int16_t Param<std::int16_t>::load(Argument& a) {
  return rt::toInteger(scalar(valueOf(a)));
}

std::int32_t Param<std::int32_t>::load(Argument& a) {
  return rt::toLong(scalar(valueOf(a)));
}

double Param<double>::load(Argument& a) {
  return rt::toDouble(scalar(valueOf(a)));
}

bool Param<bool>::load(Argument& a) {
  return rt::toBoolean(scalar(valueOf(a)));
}

ByteArray Param<ByteArray>::load(Argument& a) {
  if (a.kind == Argument::Kind::Array) {
    ByteArray bytes;
    bytes.reserve(a.array.size());
    for (const auto& item : a.array.items()) {
      auto value = rt::toLong(scalar(item));
      if (value < 0 || value > 255) throw RuntimeError(err::Overflow);
      bytes.push_back(std::uint8_t(value));
    }
    return bytes;
  }
  const auto* bytes = valueOf(a).get<ByteArray>();
  if (!bytes) mismatch();
  return *bytes;
}

void Param<ByteArray>::store(Argument& a, const ByteArray& v) {
  a.kind = Argument::Kind::Value;
  a.value = v;
}

Array<Variant> Param<Array<Variant>>::load(Argument& a) {
  if (a.kind != Argument::Kind::Array) mismatch();
  return a.array;
}

void Param<Array<Variant>>::store(Argument& a, const Array<Variant>& v) {
  a.kind = Argument::Kind::Array;
  a.array = v;
}

Array<String> Param<Array<String>>::load(Argument& a) {
  if (a.kind != Argument::Kind::Array) mismatch();
  std::vector<String> items;
  items.reserve(a.array.size());
  for (const auto& item : a.array.items()) items.push_back(text(item));
  return Array<String>(a.array.lbound(), std::move(items));
}

void Param<Array<String>>::store(Argument& a, const Array<String>& v) {
  std::vector<Variant> items(v.items().begin(), v.items().end());
  a.kind = Argument::Kind::Array;
  a.array = Array<Variant>(v.lbound(), std::move(items));
}

Connection& Param<Connection>::load(Argument& a) {
  if (a.kind != Argument::Kind::Connection || !a.connection) mismatch();
  return *a.connection;
}

Query& Param<Query>::load(Argument& a) {
  if (a.kind != Argument::Kind::Query || !a.query) mismatch();
  return *a.query;
}

Resultset& Param<Resultset>::load(Argument& a) {
  if ((a.kind != Argument::Kind::Resultset && a.kind != Argument::Kind::QueryResultset) ||
      !a.resultset)
    mismatch();
  return *a.resultset;
}

}  // namespace zuvo::cli
