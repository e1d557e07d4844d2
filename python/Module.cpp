#include <pybind11/pybind11.h>

#include "DataAccess.h"
#include "Errors.h"
#include "Methods.h"
#include "Values.h"

PYBIND11_MODULE(zuvo, m) {
  m.doc() =
      "Japanese business text, dates, checks and table/file conversions (Shift-JIS, JEF) from "
      "Python.";
  zuvo::python::bindErrors(m);
  zuvo::python::bindValueTypes(m);
  zuvo::python::bindDataAccess(m);
  zuvo::python::bindZuvoCls(m);
}
