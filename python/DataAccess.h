#pragma once

#include <pybind11/pybind11.h>

#include <memory>
#include <mutex>

#include "database/Database.h"

// zuvo.connect and the connection, query and resultset objects a Python program passes to the
// methods.
namespace zuvo::python {

namespace py = pybind11;

// One connection and everything opened on it. Python's objects share it, so that the
// connection closes only when the last of them is gone, and its lock keeps two threads from
// using it at once while the interpreter lock is released.
struct Link {
  std::unique_ptr<Connection> connection;  // tells inTransaction, whoever begins or ends one
  bool inTransaction = false;
  std::recursive_mutex mutex;
};

struct ConnectionObject {
  std::shared_ptr<Link> link;  // null once closed
  // The link, held by the caller: another thread's close leaves it open until the caller ends.
  std::shared_ptr<Link> open() const;
};

struct QueryObject {
  std::shared_ptr<Link> link;
  std::shared_ptr<Query> query;
  ~QueryObject();
};

struct ResultsetObject {
  std::shared_ptr<Link> link;
  std::shared_ptr<Query> query;  // the query it was opened from, if any
  std::unique_ptr<Resultset> resultset;
  ~ResultsetObject();
};

// Runs `work` with the interpreter lock released and the link's lock held, in that order, so
// that a thread waiting for the link never holds what the link's holder may need.
template <typename Work>
auto withLink(Link& link, Work&& work) {
  py::gil_scoped_release release;
  std::lock_guard lock(link.mutex);
  return work();
}

void bindDataAccess(py::module_& m);

}  // namespace zuvo::python
