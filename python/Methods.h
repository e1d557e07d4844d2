#pragma once

#include <pybind11/pybind11.h>

// zuvo.ZuvoCls: the 81 methods, bound from the dispatch table of the zuvo program by one
// generic binder, and on_events.
namespace zuvo::python {

void bindZuvoCls(pybind11::module_& m);

}  // namespace zuvo::python
