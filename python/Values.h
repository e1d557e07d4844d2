#pragma once

#include <pybind11/pybind11.h>

#include <cstdint>

#include "Argument.h"
#include "runtime/Variant.h"

// Python values and the library's: str ↔ String, int ↔ Long (Decimal past it), float ↔ Double,
// bool ↔ Boolean, None ↔ Null, decimal.Decimal ↔ Decimal (and Currency out), datetime ↔ Date,
// zuvo.EMPTY ↔ Empty, bytes/bytearray ↔ byte array, list/zuvo.Array ↔ array.
namespace zuvo::python {

namespace py = pybind11;

// zuvo.EMPTY is the one instance of this type.
struct EmptyValue {};

// zuvo.Array: an array with a lower bound other than 0.
struct ArrayValue {
  py::list values;
  std::int32_t lbound = 0;
};

// zuvo.EMPTY, its type and zuvo.Array; looks up decimal.Decimal and the datetime types once.
void bindValueTypes(py::module_& m);

String toString(py::handle text);  // a str
py::object fromString(const String& text);

// A value of any scalar kind; TypeError for anything else (a list, an object of another type).
Variant toVariant(py::handle value);
py::object fromVariant(const Variant& value);

// A list, tuple or zuvo.Array as an array; TypeError for anything else.
Array<Variant> toArray(py::handle value);
// A list when the lower bound is 0 and `keepBounds` is false, else a zuvo.Array.
py::object fromArray(const Array<Variant>& array, bool keepBounds);

Date toDate(py::handle datetime);  // a datetime.datetime or datetime.date
bool isDate(py::handle value);

}  // namespace zuvo::python
