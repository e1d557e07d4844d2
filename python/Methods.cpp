#include "Methods.h"

#include <algorithm>
#include <filesystem>
#include <map>
#include <mutex>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "DataAccess.h"
#include "Dispatch.h"
#include "Values.h"
#include "platform/Posix.h"

namespace zuvo::python {

namespace {

const std::map<std::string_view, std::vector<std::string_view>> parameterNames = {
#include "MethodParameters.inc"
};

// Runs the Python callback of on_events while a conversion goes on. The callback's exception
// stops nothing: the first one is kept and raised when the method returns.
class PythonPump : public EventPump {
 public:
  void processPending() override {
    py::gil_scoped_acquire gil;
    if (!callback) return;
    try {
      callback();
    } catch (py::error_already_set& e) {
      if (!error) error = std::move(e);
    }
  }

  py::object callback;
  std::optional<py::error_already_set> error;
};

class FixedClock : public Clock {
 public:
  explicit FixedClock(Date at) : at_(at) {}
  Date now() override { return at_; }

 private:
  Date at_;
};

struct ZuvoObject {
  std::shared_ptr<PythonPump> pump = std::make_shared<PythonPump>();
  std::unique_ptr<ZuvoCls> zuvo;
  // One thread at a time; the same thread again from its event callback.
  std::recursive_mutex mutex;
  int depth = 0;  // calls running, counting those made from the event callback
};

// The installation's data seen from the module: the library looks beside the libraries and
// programs, not beside the interpreter's packages.
std::filesystem::path dataDirectory() {
  std::filesystem::path module = py::module_::import("zuvo").attr("__file__").cast<std::string>();
  auto dir = (module.parent_path() / ZUVO_DATA_FROM_PYTHONDIR).lexically_normal();
  std::error_code ec;
  return std::filesystem::is_directory(dir, ec) ? dir : posix::installedDataDirectory();
}

std::unique_ptr<ZuvoObject> makeZuvo(const py::object& home, const py::object& now) {
  auto object = std::make_unique<ZuvoObject>();
  std::filesystem::path homeDirectory =
      home.is_none() ? posix::defaultHome()
                     : std::filesystem::path(
                           py::module_::import("os").attr("fspath")(home).cast<std::string>());
  auto platform = Platform::posix(homeDirectory, dataDirectory());
  if (!now.is_none()) {
    if (!isDate(now)) throw py::type_error("now must be a datetime");
    platform->clock = std::make_shared<FixedClock>(toDate(now));
  }
  platform->events = object->pump;
  object->zuvo = std::make_unique<ZuvoCls>(std::move(platform));
  return object;
}

// What Python sees of one method: its parameter names and the type of the named tuple it
// returns when it writes any parameter.
struct Signature {
  const cli::Method* method = nullptr;
  std::vector<std::string> names;
  std::size_t required = 0;  // the parameters before the trailing written ones
  py::object resultType;     // none when the method writes nothing
  bool releasesGil = false;  // it may run long: other Python threads run meanwhile

  [[noreturn]] void typeError(const std::string& what) const {
    throw py::type_error(std::string(method->name) + "() " + what);
  }
};

// The argument given for each parameter, by position or by name; null where left out.
std::vector<py::handle> gather(const Signature& sig, const py::args& args, py::handle kw) {
  std::size_t arity = sig.method->arity();
  if (args.size() > arity)
    sig.typeError("takes " + std::to_string(arity) + " arguments (" + std::to_string(args.size()) +
                  " given)");
  std::vector<py::handle> given(arity);
  for (std::size_t i = 0; i < args.size(); ++i) given[i] = args[i];
  if (kw)
    for (auto [key, value] : kw.cast<py::dict>()) {
      auto name = key.cast<std::string>();
      auto at = std::ranges::find(sig.names, name);
      if (at == sig.names.end()) sig.typeError("got an unexpected keyword argument '" + name + "'");
      auto index = std::size_t(at - sig.names.begin());
      if (given[index]) sig.typeError("got multiple values for argument '" + name + "'");
      given[index] = value;
    }
  for (std::size_t i = 0; i < sig.required; ++i)
    if (!given[i]) sig.typeError("missing required argument '" + sig.names[i] + "'");
  return given;
}

// The value a written parameter left out starts from.
cli::Argument leftOut(cli::ParamKind kind) {
  using K = cli::ParamKind;
  cli::Argument a;
  switch (kind) {
    case K::String:
      a.value = String();
      break;
    case K::Integer:
      a.value = std::int16_t(0);
      break;
    case K::Long:
      a.value = Variant::Long(0);
      break;
    case K::Double:
      a.value = 0.0;
      break;
    case K::Boolean:
      a.value = false;
      break;
    case K::ByteArray:
      a.value = ByteArray();
      break;
    case K::Array:
      a.kind = cli::Argument::Kind::Array;
      break;
    default:
      break;  // Empty
  }
  return a;
}

// The connections of a call's arguments, held for the call: a close from another thread leaves
// them open until it ends.
using Links = std::vector<std::shared_ptr<Link>>;

template <typename T>
T* objectOf(py::handle value) {
  return py::isinstance<T>(value) ? &value.cast<T&>() : nullptr;
}

cli::Argument argumentOf(py::handle value, const cli::Parameter& param, Links& links) {
  using K = cli::ParamKind;
  using Kind = cli::Argument::Kind;
  cli::Argument a;
  auto dataAccess = [&](Kind kind, const std::shared_ptr<Link>& link, const char* name) {
    if (!link) throw py::value_error(std::string("the ") + name + " is closed");
    a.kind = kind;
    links.push_back(link);
  };
  switch (param.kind) {
    case K::Connection:
      if (auto* cn = objectOf<ConnectionObject>(value)) {
        dataAccess(Kind::Connection, cn->link, "connection");
        a.connection = cn->link->connection.get();
        return a;
      }
      throw py::type_error("a zuvo.Connection was expected");
    case K::Query:
      if (auto* q = objectOf<QueryObject>(value)) {
        dataAccess(Kind::Query, q->link, "query's connection");
        a.query = q->query.get();
        return a;
      }
      throw py::type_error("a zuvo.Query was expected");
    case K::Resultset:
      if (auto* rs = objectOf<ResultsetObject>(value); rs && rs->resultset) {
        dataAccess(Kind::Resultset, rs->link, "resultset's connection");
        a.resultset = rs->resultset.get();
        return a;
      }
      throw py::type_error("an open zuvo.Resultset was expected");
    case K::Array:
      a.kind = Kind::Array;
      a.array = toArray(value);
      return a;
    case K::ByteArray:
      if (!PyByteArray_Check(value.ptr()) && (param.written || !PyBytes_Check(value.ptr())))
        throw py::type_error(param.written ? "a bytearray was expected (it is written in place)"
                                           : "bytes or a bytearray was expected");
      a.value = toVariant(value);
      return a;
    default:
      a.value = toVariant(value);
      return a;
  }
}

std::vector<cli::Argument> argumentsOf(const Signature& sig, const std::vector<py::handle>& given,
                                       Links& links) {
  std::vector<cli::Argument> arguments;
  arguments.reserve(given.size());
  for (std::size_t i = 0; i < given.size(); ++i) {
    const auto& param = sig.method->params[i];
    if (!given[i]) {
      arguments.push_back(leftOut(param.kind));
      continue;
    }
    try {
      arguments.push_back(argumentOf(given[i], param, links));
    } catch (const py::type_error& e) {
      sig.typeError("argument '" + sig.names[i] + "': " + e.what());
    } catch (const RuntimeError& e) {
      throw cli::ArgumentError(i + 1, e);  // a value the library can't hold
    }
  }
  return arguments;
}

template <typename Lock>
void lockWithoutBlockingPython(Lock& lock) {
  if (lock.try_lock()) return;
  py::gil_scoped_release release;
  lock.lock();
}

// Calls the method holding the object, and the connections it is given with the interpreter
// lock released when it may run long; the first exception of the event callback is raised
// after it returns.
Variant invoke(ZuvoObject& self, const Signature& sig, std::vector<cli::Argument>& arguments,
               Links& links) {
  std::unique_lock object(self.mutex, std::defer_lock);
  lockWithoutBlockingPython(object);
  auto run = [&] {
    ++self.depth;
    try {
      Variant result = sig.method->invoke(*self.zuvo, arguments);
      --self.depth;
      return result;
    } catch (...) {
      if (--self.depth == 0) {
        py::gil_scoped_acquire gil;
        self.pump->error.reset();  // the method's own error is the one to tell
      }
      throw;
    }
  };
  Variant result;
  if (sig.releasesGil) {
    std::sort(links.begin(), links.end());
    links.erase(std::unique(links.begin(), links.end()), links.end());
    py::gil_scoped_release release;
    std::vector<std::unique_lock<std::recursive_mutex>> held;
    held.reserve(links.size());
    for (const auto& link : links) held.emplace_back(link->mutex);
    result = run();
  } else {
    result = run();
  }
  if (self.depth == 0 && self.pump->error) {
    py::error_already_set error = std::move(*self.pump->error);
    self.pump->error.reset();
    throw error;
  }
  return result;
}

py::object writtenValue(const cli::Argument& a, py::handle given, cli::ParamKind kind) {
  if (kind == cli::ParamKind::Array)
    return fromArray(a.array, given && py::isinstance<ArrayValue>(given));
  if (kind == cli::ParamKind::ByteArray && given) {
    const auto& bytes = *a.value.get<ByteArray>();
    if (PyByteArray_Resize(given.ptr(), Py_ssize_t(bytes.size())) != 0)
      throw py::error_already_set();
    std::copy(bytes.begin(), bytes.end(), PyByteArray_AS_STRING(given.ptr()));
    return py::reinterpret_borrow<py::object>(given);
  }
  return fromVariant(a.value);
}

// `kwargs` is a dict, or null for none.
py::object call(const Signature& sig, ZuvoObject& self, const py::args& args, py::handle kwargs) {
  std::vector<py::handle> given = gather(sig, args, kwargs);
  Links links;
  std::vector<cli::Argument> arguments = argumentsOf(sig, given, links);
  Variant result = invoke(self, sig, arguments, links);
  py::object value = sig.method->returns ? fromVariant(result) : py::none();
  if (!sig.resultType) return value;
  py::list fields;
  fields.append(value);
  const auto& params = sig.method->params;
  for (std::size_t i = 0; i < params.size(); ++i)
    if (params[i].written) fields.append(writtenValue(arguments[i], given[i], params[i].kind));
  return sig.resultType(*fields);
}

py::object namedtupleType(const std::string& name, const py::object& fields) {
  return py::module_::import("collections")
      .attr("namedtuple")(name, fields, py::arg("module") = "zuvo");
}

// Methods on a database, on files or starting a program. The rest return in well under a
// microsecond, where releasing the interpreter lock would cost more than the call.
bool runsLong(const cli::Method& method) {
  static constexpr std::string_view fileWork[] = {"CSVtoJEF", "JEFtoCSV", "GetCntCSV", "LHA"};
  auto dataAccess = [](const cli::Parameter& p) {
    return p.kind == cli::ParamKind::Connection || p.kind == cli::ParamKind::Query ||
           p.kind == cli::ParamKind::Resultset;
  };
  return std::ranges::any_of(method.params, dataAccess) ||
         std::ranges::find(fileWork, method.name) != std::end(fileWork);
}

// Parameters named as Python keywords come with a trailing underscore, as in the stubs.
Signature signatureOf(const cli::Method& method) {
  Signature sig;
  sig.method = &method;
  auto names = parameterNames.find(method.name);
  if (names == parameterNames.end() || names->second.size() != method.arity())
    throw std::logic_error("the parameter names of " + std::string(method.name) +
                           " do not match its parameters");
  py::list fields;
  fields.append("result");
  for (std::size_t i = 0; i < method.arity(); ++i) {
    sig.names.emplace_back(names->second[i]);
    if (method.params[i].written) fields.append(sig.names.back());
    if (!method.params[i].written) sig.required = i + 1;
  }
  if (fields.size() > 1)
    sig.resultType = namedtupleType(std::string(method.name) + "Result", fields);
  sig.releasesGil = runsLong(method);
  return sig;
}

}  // namespace

void bindZuvoCls(py::module_& m) {
  py::class_<ZuvoObject> cls(m, "ZuvoCls",
                             "The library's one class, its state kept between calls.");
  cls.def(py::init(&makeZuvo), py::arg("home") = py::none(), py::arg("now") = py::none())
      .def(
          "on_events",
          [](ZuvoObject& self, py::object callback) {
            if (!callback.is_none() && !PyCallable_Check(callback.ptr()))
              throw py::type_error("on_events needs a callable or None");
            self.pump->callback = callback.is_none() ? py::object() : std::move(callback);
          },
          py::arg("callback"), "Runs callback() while a conversion progresses.")
      .def_property_readonly(
          "last_conversion",
          [reportType = namedtupleType(
               "ConversionReport", py::make_tuple("ok", "message", "record", "field", "substituted",
                                                  "quoted"))](ZuvoObject& self) {
            std::lock_guard lock(self.mutex);
            const ConversionReport& r = self.zuvo->lastConversion();
            return reportType(r.status.ok(), r.status.message(), r.status.record(),
                              r.status.field(), r.substituted.count, r.quoted.count);
          },
          "What the last table or file conversion found: why it failed, values it changed.");

  for (const auto& method : cli::methods()) {
    // Made once and kept for the life of the process, as the bound functions are.
    const auto* sig = new Signature(signatureOf(method));
    if (sig->resultType) m.attr(sig->resultType.attr("__name__")) = sig->resultType;
    // Positional calls take the first overload, which spares making a dict for keywords.
    std::string name(method.name);
    cls.def(name.c_str(),
            [sig](ZuvoObject& self, const py::args& args) {
              return call(*sig, self, args, py::handle());
            })
        .def(name.c_str(), [sig](ZuvoObject& self, const py::args& args, const py::kwargs& kwargs) {
          return call(*sig, self, args, kwargs);
        });
  }
}

}  // namespace zuvo::python
