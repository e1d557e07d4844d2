#include "Values.h"

#include <limits>
#include <string>

#include "runtime/Convert.h"

namespace zuvo::python {

namespace {

// Module-lifetime references, never released: the interpreter may be finalising when the
// module's statics would be destroyed.
PyObject* decimalType = nullptr;
PyObject* datetimeType = nullptr;
PyObject* dateType = nullptr;
PyObject* emptyObject = nullptr;

PyObject* attribute(const char* module, const char* name) {
  return py::object(py::module_::import(module).attr(name)).release().ptr();
}

bool isInstance(py::handle value, PyObject* type) {
  return PyObject_IsInstance(value.ptr(), type) == 1;
}

[[noreturn]] void notAValue(py::handle value) {
  throw py::type_error(std::string("a value (str, int, float, bool, None, Decimal, datetime, "
                                   "zuvo.EMPTY, bytes) was expected, not ") +
                       Py_TYPE(value.ptr())->tp_name);
}

// An int past Long keeps every digit as a Decimal; past Decimal it can't be passed.
Variant fromInt(py::handle value) {
  int overflow = 0;
  long long n = PyLong_AsLongLongAndOverflow(value.ptr(), &overflow);
  if (!overflow && n >= std::numeric_limits<std::int32_t>::min() &&
      n <= std::numeric_limits<std::int32_t>::max())
    return Variant::Long(std::int32_t(n));
  try {
    return Decimal::parse(py::str(value).cast<std::string>());
  } catch (const RuntimeError&) {
    PyErr_SetString(PyExc_OverflowError,
                    "int too large to pass: past the range of a Decimal (2**96 - 1)");
    throw py::error_already_set();
  }
}

Variant fromDecimal(py::handle value) {
  if (!value.attr("is_finite")().cast<bool>())
    throw py::value_error("a Decimal that is not finite has no value here");
  return Decimal::parse(py::str(py::str("{:f}").attr("format")(value)).cast<std::string>());
}

py::object decimalOf(const std::string& text) {
  return py::reinterpret_borrow<py::object>(decimalType)(text);
}

}  // namespace

void bindValueTypes(py::module_& m) {
  decimalType = attribute("decimal", "Decimal");
  datetimeType = attribute("datetime", "datetime");
  dateType = attribute("datetime", "date");

  py::class_<EmptyValue>(m, "EmptyType", "The type of zuvo.EMPTY, an uninitialised value.")
      .def("__repr__", [](const EmptyValue&) { return "zuvo.EMPTY"; })
      .def("__bool__", [](const EmptyValue&) { return false; })
      .def("__eq__",
           [](const EmptyValue&, py::handle other) { return py::isinstance<EmptyValue>(other); })
      .def("__hash__", [](const EmptyValue&) { return 0; });
  emptyObject = py::cast(EmptyValue{}).release().ptr();
  m.attr("EMPTY") = py::handle(emptyObject);

  py::class_<ArrayValue>(m, "Array", "An array with its own lower bound.")
      .def(py::init([](const py::iterable& values, std::int32_t lbound) {
             return ArrayValue{py::list(values), lbound};
           }),
           py::arg("values") = py::tuple(), py::arg("lbound") = 0)
      .def_readwrite("values", &ArrayValue::values)
      .def_readwrite("lbound", &ArrayValue::lbound)
      .def_property_readonly("ubound",
                             [](const ArrayValue& a) { return a.lbound + py::len(a.values) - 1; })
      .def("__len__", [](const ArrayValue& a) { return py::len(a.values); })
      .def("__iter__", [](const ArrayValue& a) { return py::iter(a.values); })
      .def("__getitem__",
           [](const ArrayValue& a, std::int64_t index) -> py::object {
             std::int64_t offset = index - a.lbound;
             if (offset < 0 || offset >= std::int64_t(py::len(a.values)))
               throw py::index_error("index outside the array's bounds");
             return a.values[py::size_t(offset)];
           })
      .def("__eq__",
           [](const ArrayValue& a, py::handle other) -> py::object {
             if (!py::isinstance<ArrayValue>(other))
               return py::reinterpret_borrow<py::object>(Py_NotImplemented);
             const auto& b = other.cast<const ArrayValue&>();
             return py::bool_(a.lbound == b.lbound && a.values.equal(b.values));
           })
      .def("__repr__", [](const ArrayValue& a) {
        return "zuvo.Array(" + py::repr(a.values).cast<std::string>() +
               ", lbound=" + std::to_string(a.lbound) + ")";
      });
}

String toString(py::handle text) {
  PyObject* s = text.ptr();
  Py_ssize_t length = PyUnicode_GET_LENGTH(s);
  const void* data = PyUnicode_DATA(s);
  String out;
  switch (PyUnicode_KIND(s)) {
    case PyUnicode_1BYTE_KIND: {
      const auto* chars = static_cast<const Py_UCS1*>(data);
      out.assign(chars, chars + length);
      break;
    }
    case PyUnicode_2BYTE_KIND: {
      const auto* chars = static_cast<const Py_UCS2*>(data);
      out.assign(chars, chars + length);
      break;
    }
    default: {
      const auto* chars = static_cast<const Py_UCS4*>(data);
      out.reserve(std::size_t(length));
      for (Py_ssize_t i = 0; i < length; ++i) {
        Py_UCS4 c = chars[i];
        if (c < 0x10000) {
          out.push_back(char16_t(c));
        } else {
          out.push_back(char16_t(0xD800 + ((c - 0x10000) >> 10)));
          out.push_back(char16_t(0xDC00 + ((c - 0x10000) & 0x3FF)));
        }
      }
    }
  }
  return out;
}

py::object fromString(const String& text) {
  // Lone surrogates pass through as they are, as the library keeps them.
  int byteOrder = -1;
  PyObject* s = PyUnicode_DecodeUTF16(reinterpret_cast<const char*>(text.data()),
                                      Py_ssize_t(text.size() * 2), "surrogatepass", &byteOrder);
  if (!s) throw py::error_already_set();
  return py::reinterpret_steal<py::object>(s);
}

Variant toVariant(py::handle value) {
  if (PyUnicode_Check(value.ptr())) return toString(value);
  if (PyBool_Check(value.ptr())) return value.ptr() == Py_True;
  if (PyLong_Check(value.ptr())) return fromInt(value);
  if (PyFloat_Check(value.ptr())) return PyFloat_AS_DOUBLE(value.ptr());
  if (value.is_none()) return Variant::Null();
  if (py::isinstance<EmptyValue>(value)) return Variant();
  if (PyByteArray_Check(value.ptr()) || PyBytes_Check(value.ptr())) {
    std::string_view bytes = py::cast<std::string_view>(value);
    return ByteArray(bytes.begin(), bytes.end());
  }
  if (isInstance(value, decimalType)) return fromDecimal(value);
  if (isDate(value)) return toDate(value);
  notAValue(value);
}

py::object fromVariant(const Variant& value) {
  switch (value.type()) {
    case VarType::Empty:
      return py::reinterpret_borrow<py::object>(emptyObject);
    case VarType::Null:
      return py::none();
    case VarType::Integer:
      return py::int_(*value.get<std::int16_t>());
    case VarType::Long:
      return py::int_(*value.get<std::int32_t>());
    case VarType::Byte:
      return py::int_(*value.get<std::uint8_t>());
    case VarType::Single:
      return py::float_(*value.get<float>());
    case VarType::Double:
      return py::float_(*value.get<double>());
    case VarType::Currency:
      return decimalOf(std::to_string(value.get<Currency>()->scaled)).attr("scaleb")(-4);
    case VarType::Date: {
      auto d = rt::splitDate(*value.get<Date>());
      return py::reinterpret_borrow<py::object>(datetimeType)(d.year, d.month, d.day, d.hour,
                                                              d.minute, d.second);
    }
    case VarType::String:
      return fromString(*value.get<String>());
    case VarType::Boolean:
      return py::bool_(*value.get<bool>());
    case VarType::Decimal:
      return decimalOf(value.get<Decimal>()->toString());
    case VarType::ByteArray: {
      const auto& bytes = *value.get<ByteArray>();
      return py::reinterpret_steal<py::object>(PyByteArray_FromStringAndSize(
          reinterpret_cast<const char*>(bytes.data()), Py_ssize_t(bytes.size())));
    }
  }
  return py::none();
}

Array<Variant> toArray(py::handle value) {
  std::int32_t lbound = 0;
  py::handle items = value;
  if (py::isinstance<ArrayValue>(value)) {
    const auto& array = value.cast<const ArrayValue&>();
    lbound = array.lbound;
    items = array.values;
  } else if (!PyList_Check(value.ptr()) && !PyTuple_Check(value.ptr())) {
    throw py::type_error(std::string("a list, tuple or zuvo.Array was expected, not ") +
                         Py_TYPE(value.ptr())->tp_name);
  }
  std::vector<Variant> values;
  for (auto item : items) values.push_back(toVariant(item));
  return Array<Variant>(lbound, std::move(values));
}

py::object fromArray(const Array<Variant>& array, bool keepBounds) {
  py::list values(array.size());
  for (std::size_t i = 0; i < array.size(); ++i) values[i] = fromVariant(array.items()[i]);
  if (!keepBounds && array.lbound() == 0) return values;
  return py::cast(ArrayValue{std::move(values), array.lbound()});
}

bool isDate(py::handle value) {
  return isInstance(value, dateType);  // a datetime is a date too
}

Date toDate(py::handle value) {
  auto part = [&](const char* name) { return value.attr(name).cast<int>(); };
  if (isInstance(value, datetimeType))
    return rt::makeDate(part("year"), part("month"), part("day"), part("hour"), part("minute"),
                        part("second"));
  return rt::makeDate(part("year"), part("month"), part("day"));
}

}  // namespace zuvo::python
