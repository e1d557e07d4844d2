#include "Errors.h"

#include <optional>
#include <string>
#include <utility>

#include "Argument.h"
#include "database/Database.h"

namespace zuvo::python {

namespace py = pybind11;

namespace {

// Module-lifetime types, never released: the interpreter may be finalising when statics die.
PyObject* runtimeErrorType = nullptr;
PyObject* databaseErrorType = nullptr;

void raise(PyObject* type, std::int32_t number, const std::string& description,
           std::optional<std::size_t> argument) {
  py::object error = py::reinterpret_borrow<py::object>(type)("error " + std::to_string(number) +
                                                              ": " + description);
  error.attr("number") = number;
  error.attr("description") = description;
  error.attr("argument") = argument ? py::cast(*argument) : py::none();
  PyErr_SetObject(type, error.ptr());
}

void translate(std::exception_ptr thrown) {
  try {
    std::rethrow_exception(std::move(thrown));
  } catch (const cli::ArgumentError& e) {
    raise(runtimeErrorType, e.number(), e.description(), e.position());
  } catch (const RuntimeError& e) {
    raise(runtimeErrorType, e.number(), e.description(), std::nullopt);
  } catch (const DatabaseError& e) {
    raise(databaseErrorType, e.number(), e.description(), std::nullopt);
  }
}

}  // namespace

void bindErrors(py::module_& m) {
  runtimeErrorType = PyErr_NewExceptionWithDoc(
      "zuvo.RuntimeError", "A run-time error of a method: .number, .description, .argument.",
      PyExc_RuntimeError, nullptr);
  databaseErrorType = PyErr_NewExceptionWithDoc(
      "zuvo.DatabaseError", "A failure of the database: its own .number and .description.",
      runtimeErrorType, nullptr);
  if (!runtimeErrorType || !databaseErrorType) throw py::error_already_set();
  m.attr("RuntimeError") = py::reinterpret_borrow<py::object>(runtimeErrorType);
  m.attr("DatabaseError") = py::reinterpret_borrow<py::object>(databaseErrorType);
  py::register_exception_translator(&translate);
}

}  // namespace zuvo::python
