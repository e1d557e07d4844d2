#pragma once

#include <array>
#include <cstddef>
#include <tuple>
#include <type_traits>
#include <utility>
#include <vector>

#include "Argument.h"
#include "runtime/ByteArray.h"

// Calls a member function with Arguments the way a dispatch interface does: each argument is
// converted to its parameter's type (a failed conversion is a run-time error naming the
// argument), the call is made, and what the function wrote into its reference parameters is
// copied back into the Arguments. Parameter types are deduced from the member pointer, so no
// method needs glue written by hand.
namespace zuvo::cli {

// Conversion of one Argument to a parameter type, and back for reference parameters.
template <typename T>
struct Param;

template <>
struct Param<String> {
  static constexpr ParamKind kind = ParamKind::String;
  static String load(Argument& a);
  static void store(Argument& a, const String& v) { a.value = v; }
};
template <>
struct Param<Variant> {
  static constexpr ParamKind kind = ParamKind::Variant;
  // The argument's own value, not a copy: a method that writes it writes the argument.
  static Variant& load(Argument& a);
  static void store(Argument&, const Variant&) {}
};
template <>
struct Param<std::int16_t> {
  static constexpr ParamKind kind = ParamKind::Integer;
  static std::int16_t load(Argument& a);
  static void store(Argument& a, std::int16_t v) { a.value = v; }
};
template <>
struct Param<std::int32_t> {
  static constexpr ParamKind kind = ParamKind::Long;
  static std::int32_t load(Argument& a);
  static void store(Argument& a, std::int32_t v) { a.value = Variant::Long(v); }
};
template <>
struct Param<double> {
  static constexpr ParamKind kind = ParamKind::Double;
  static double load(Argument& a);
  static void store(Argument& a, double v) { a.value = v; }
};
template <>
struct Param<bool> {
  static constexpr ParamKind kind = ParamKind::Boolean;
  static bool load(Argument& a);
  static void store(Argument& a, bool v) { a.value = v; }
};
template <>
struct Param<ByteArray> {
  static constexpr ParamKind kind = ParamKind::ByteArray;
  static ByteArray load(Argument& a);
  static void store(Argument& a, const ByteArray& v);
};
template <>
struct Param<Array<Variant>> {
  static constexpr ParamKind kind = ParamKind::Array;
  static Array<Variant> load(Argument& a);
  static void store(Argument& a, const Array<Variant>& v);
};
template <>
struct Param<Array<String>> {
  static constexpr ParamKind kind = ParamKind::Array;
  static Array<String> load(Argument& a);
  static void store(Argument& a, const Array<String>& v);
};
template <>
struct Param<Connection> {
  static constexpr ParamKind kind = ParamKind::Connection;
  static Connection& load(Argument& a);
};
template <>
struct Param<Query> {
  static constexpr ParamKind kind = ParamKind::Query;
  static Query& load(Argument& a);
};
template <>
struct Param<Resultset> {
  static constexpr ParamKind kind = ParamKind::Resultset;
  static Resultset& load(Argument& a);
};

inline Variant resultVariant(const String& v) {
  return v;
}
inline Variant resultVariant(const Variant& v) {
  return v;
}
inline Variant resultVariant(std::int16_t v) {
  return v;
}
inline Variant resultVariant(std::int32_t v) {
  return Variant::Long(v);
}
inline Variant resultVariant(double v) {
  return v;
}
inline Variant resultVariant(bool v) {
  return v;
}

namespace bind {

template <typename P>
using Bare = std::remove_cvref_t<P>;

// What the call holds for a parameter: a converted copy, or a reference to a data access
// object that lives outside the call.
template <typename P>
using Held = decltype(Param<Bare<P>>::load(std::declval<Argument&>()));

// A parameter the method writes: a non-const reference to a value (not a data access object).
template <typename P>
inline constexpr bool writes =
    std::is_lvalue_reference_v<P> && !std::is_const_v<std::remove_reference_t<P>> &&
    requires(Argument & a, const Bare<P>& v) {
  Param<Bare<P>>::store(a, v);
};

template <typename P>
Held<P> load(std::vector<Argument>& args, std::size_t index) {
  try {
    return Param<Bare<P>>::load(args[index]);
  } catch (const RuntimeError& e) {
    throw ArgumentError(index + 1, e);
  }
}

template <typename P, typename H>
void writeBack(Argument& argument, const H& held) {
  if constexpr (writes<P>) Param<Bare<P>>::store(argument, held);
}

template <auto Fn, typename C, typename R, typename... P, std::size_t... I>
Variant call(C& object, std::vector<Argument>& args, R (C::*)(P...), std::index_sequence<I...>) {
  // Braces convert the arguments left to right, so the first bad one is the one reported.
  [[maybe_unused]] std::tuple<Held<P>...> held{load<P>(args, I)...};
  auto copyBack = [&] { (writeBack<P>(args[I], std::get<I>(held)), ...); };
  try {
    if constexpr (std::is_void_v<R>) {
      (object.*Fn)(std::get<I>(held)...);
      copyBack();
      return Variant();
    } else {
      Variant result = resultVariant((object.*Fn)(std::get<I>(held)...));
      copyBack();
      return result;
    }
  } catch (...) {
    // What the method wrote before it failed stays written, as in the caller's variables.
    copyBack();
    throw;
  }
}

template <typename C, typename R, typename... P>
constexpr std::array<Parameter, sizeof...(P)> parametersOf(R (C::*)(P...)) {
  return {Parameter{Param<Bare<P>>::kind, writes<P>}...};
}

template <typename C, typename R, typename... P>
constexpr bool returnsValue(R (C::*)(P...)) {
  return !std::is_void_v<R>;
}

}  // namespace bind

// The parameters of member function Fn, in order.
template <auto Fn>
inline constexpr auto parametersOf = bind::parametersOf(Fn);

template <auto Fn>
inline constexpr bool returnsValue = bind::returnsValue(Fn);

template <auto Fn>
inline constexpr std::size_t arityOf = parametersOf<Fn>.size();

// Converts `args` (exactly arityOf<Fn> of them), calls `Fn` on `object` and returns its result
// (Empty for a function without one).
template <auto Fn, typename C>
Variant callMember(C& object, std::vector<Argument>& args) {
  return bind::call<Fn>(object, args, Fn, std::make_index_sequence<arityOf<Fn>>{});
}

}  // namespace zuvo::cli
