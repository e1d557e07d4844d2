#pragma once

#include <pybind11/pybind11.h>

// zuvo.RuntimeError (a run-time error of a method: .number, .description, .argument) and its
// subclass zuvo.DatabaseError (the database's own number and words), raised for the library's
// RuntimeError and DatabaseError wherever they leave a call.
namespace zuvo::python {

void bindErrors(pybind11::module_& m);

}  // namespace zuvo::python
