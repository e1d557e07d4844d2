#include "DataAccess.h"

#include <string>
#include <vector>

#include "Values.h"
#include "runtime/Convert.h"

namespace zuvo::python {

namespace {

// Drops a query or resultset under its connection's lock, the interpreter lock released first
// when this thread holds it.
template <typename Drop>
void dropUnderLink(const std::shared_ptr<Link>& link, Drop&& drop) {
  if (!link) return drop();
  if (PyGILState_Check()) return withLink(*link, drop);
  std::lock_guard lock(link->mutex);
  drop();
}

// Runs work(connection) as withLink does, holding the link for the call.
template <typename Work>
auto onConnection(const ConnectionObject& cn, Work&& work) {
  auto link = cn.open();
  return withLink(*link, [&] { return work(*link->connection); });
}

// Made on the heap: an object that closes under a lock is not moved.
std::unique_ptr<ResultsetObject> resultsetOn(std::shared_ptr<Link> link,
                                             std::shared_ptr<Query> query,
                                             std::unique_ptr<Resultset> rs) {
  auto object = std::make_unique<ResultsetObject>();
  object->link = std::move(link);
  object->query = std::move(query);
  object->resultset = std::move(rs);
  return object;
}

std::unique_ptr<ResultsetObject> openOn(ConnectionObject& cn, const std::string& sql) {
  String text = rt::fromUtf8(sql);
  auto link = cn.open();
  auto rs = withLink(
      *link, [&] { return link->connection->OpenResultset(text, rdo::Keyset, rdo::ReadOnly); });
  return resultsetOn(std::move(link), nullptr, std::move(rs));
}

py::list columnNames(ResultsetObject& rs) {
  if (!rs.resultset) throw py::value_error("the resultset is closed");
  std::vector<String> names = withLink(*rs.link, [&] {
    Columns& columns = rs.resultset->rdoColumns();
    std::vector<String> out(std::size_t(columns.Count()));
    for (std::int32_t i = 0; i < columns.Count(); ++i) out[std::size_t(i)] = columns[i].Name();
    return out;
  });
  py::list list;
  for (const auto& name : names) list.append(fromString(name));
  return list;
}

py::object nextRow(ResultsetObject& rs) {
  if (!rs.resultset) throw py::value_error("the resultset is closed");
  std::vector<Variant> row;
  bool ended = withLink(*rs.link, [&] {
    Resultset& r = *rs.resultset;
    if (r.IsEOF()) return true;
    Columns& columns = r.rdoColumns();
    row.reserve(std::size_t(columns.Count()));
    for (std::int32_t i = 0; i < columns.Count(); ++i) row.push_back(columns[i].Value());
    r.MoveNext();
    return false;
  });
  if (ended) throw py::stop_iteration();
  py::tuple values(row.size());
  for (std::size_t i = 0; i < row.size(); ++i) values[i] = fromVariant(row[i]);
  return values;
}

// The connection as the methods and Python see it, keeping track of its transaction so that a
// `with` block can end what it left open.
class TrackedConnection final : public Connection {
 public:
  TrackedConnection(std::unique_ptr<Connection> connection, bool& inTransaction)
      : connection_(std::move(connection)), inTransaction_(inTransaction) {}

  String Name() const override { return connection_->Name(); }
  std::unique_ptr<Resultset> OpenResultset(const String& sql, std::int32_t type,
                                           std::int32_t lockType, std::int32_t options) override {
    return connection_->OpenResultset(sql, type, lockType, options);
  }
  void Execute(const String& sql, std::int32_t options) override {
    connection_->Execute(sql, options);
  }
  void BeginTrans() override {
    connection_->BeginTrans();
    inTransaction_ = true;
  }
  void CommitTrans() override {
    connection_->CommitTrans();
    inTransaction_ = false;
  }
  void RollbackTrans() override {
    inTransaction_ = false;
    connection_->RollbackTrans();
  }
  std::unique_ptr<Query> CreateQuery(const String& sql) override {
    return connection_->CreateQuery(sql);
  }
  std::unique_ptr<RowInserter> PrepareInsert(const String& table, std::int32_t columns) override {
    return connection_->PrepareInsert(table, columns);
  }

 private:
  std::unique_ptr<Connection> connection_;
  bool& inTransaction_;
};

// Leaving a `with` block: an open transaction is committed, or rolled back when the block
// raised.
bool exitBlock(ConnectionObject& cn, py::handle type) {
  if (!cn.link) return false;
  auto link = cn.link;
  withLink(*link, [&] {
    if (!link->inTransaction) return;
    if (type.is_none())
      link->connection->CommitTrans();
    else
      link->connection->RollbackTrans();
  });
  return false;
}

}  // namespace

std::shared_ptr<Link> ConnectionObject::open() const {
  if (!link) throw py::value_error("the connection is closed");
  return link;
}

QueryObject::~QueryObject() {
  dropUnderLink(link, [&] { query.reset(); });
}

ResultsetObject::~ResultsetObject() {
  dropUnderLink(link, [&] {
    resultset.reset();
    query.reset();
  });
}

void bindDataAccess(py::module_& m) {
  py::class_<ConnectionObject>(m, "Connection", "A database connection: pass it as cn or RDBcn.")
      .def_property_readonly(
          "name", [](ConnectionObject& cn) { return fromString(cn.open()->connection->Name()); })
      .def("prepare",
           [](ConnectionObject& cn, const std::string& sql) {
             String text = rt::fromUtf8(sql);
             auto link = cn.open();
             std::shared_ptr<Query> query =
                 withLink(*link, [&] { return link->connection->CreateQuery(text); });
             auto object = std::make_unique<QueryObject>();
             object->link = std::move(link);
             object->query = std::move(query);
             return object;
           })
      .def("open", &openOn)
      .def("execute",
           [](ConnectionObject& cn, const std::string& sql) {
             String text = rt::fromUtf8(sql);
             onConnection(cn, [&](Connection& c) { c.Execute(text); });
           })
      .def("begin",
           [](ConnectionObject& cn) { onConnection(cn, [](Connection& c) { c.BeginTrans(); }); })
      .def("commit",
           [](ConnectionObject& cn) { onConnection(cn, [](Connection& c) { c.CommitTrans(); }); })
      .def("rollback",
           [](ConnectionObject& cn) { onConnection(cn, [](Connection& c) { c.RollbackTrans(); }); })
      .def("close", [](ConnectionObject& cn) { cn.link.reset(); })
      .def("__enter__", [](py::object self) { return self; })
      .def_property_readonly("in_transaction",
                             [](ConnectionObject& cn) { return cn.open()->inTransaction; })
      .def("__exit__", [](ConnectionObject& cn, py::handle type, py::handle, py::handle) {
        return exitBlock(cn, type);
      });

  py::class_<QueryObject>(m, "Query", "A prepared query; its parameters are marked \"?\".")
      .def("set_parameter",
           [](QueryObject& q, std::int32_t index, py::handle value) {
             Variant v = toVariant(value);
             withLink(*q.link, [&] { q.query->SetParameter(index, v); });
           })
      .def("open", [](QueryObject& q) {
        auto rs = withLink(*q.link, [&] { return q.query->OpenResultset(); });
        return resultsetOn(q.link, q.query, std::move(rs));
      });

  py::class_<ResultsetObject>(m, "Resultset", "The rows of a query, iterable as tuples.")
      .def_property_readonly("columns", &columnNames)
      .def_property_readonly("eof",
                             [](ResultsetObject& rs) {
                               return !rs.resultset ||
                                      withLink(*rs.link, [&] { return rs.resultset->IsEOF(); });
                             })
      .def("__iter__", [](py::object self) { return self; })
      .def("__next__", &nextRow)
      .def("close", [](ResultsetObject& rs) {
        dropUnderLink(rs.link, [&] {
          if (rs.resultset) rs.resultset->Close();
          rs.resultset.reset();
        });
      });

  m.def(
      "connect",
      [](const std::string& uri) {
        auto link = std::make_shared<Link>();
        link->connection = std::make_unique<TrackedConnection>(
            withLink(*link, [&] { return openConnection(uri); }), link->inTransaction);
        return ConnectionObject{std::move(link)};
      },
      py::arg("uri"), "Opens \"sqlite:PATH\", \"sqlite::memory:\" or \"odbc:CONNECTION-STRING\".");
}

}  // namespace zuvo::python
