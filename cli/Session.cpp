#include "Session.h"

#include <signal.h>
#include <unistd.h>

#include <CLI/CLI.hpp>
#include <cerrno>
#include <chrono>
#include <csignal>
#include <cstdlib>
#include <map>
#include <memory>
#include <string_view>
#include <variant>
#include <vector>

#include "DatabaseUri.h"
#include "Dispatch.h"
#include "Invoke.h"
#include "Json.h"
#include "platform/Posix.h"
#include "platform/Recording.h"
#include "runtime/Convert.h"

namespace zuvo::cli {

namespace {

// JSON-RPC's own error codes.
constexpr int ParseError = -32700;
constexpr int InvalidRequest = -32600;
constexpr int MethodNotFound = -32601;
constexpr int InvalidParams = -32602;
constexpr int ServerError = -32000;  // the database refused a session's own request

// A request that gets an error response; the session goes on.
struct RpcError {
  int code;
  std::string message;
  Json data = nullptr;
};

volatile std::sig_atomic_t terminated = 0;

void onTerminate(int) {
  terminated = 1;
}

// Thrown from the event pump into a running conversion when SIGTERM came.
struct Terminated : std::runtime_error {
  Terminated() : std::runtime_error("the session was ended by SIGTERM") {}
};

// Sends responses and notifications, one line each. Lines are flushed when the client can be
// waiting for them, so that a client piping many requests is not slowed by a write per line.
class Output {
 public:
  explicit Output(std::FILE* out) : out_(out) {}
  void send(const Json& message) {
    std::string line = dump(message);
    line += '\n';
    std::fwrite(line.data(), 1, line.size(), out_);
  }
  void flush() { std::fflush(out_); }

 private:
  std::FILE* out_;
};

// Progress of a running conversion, at most ten notifications a second.
class ProgressPump : public EventPump {
 public:
  explicit ProgressPump(Output& out) : out_(out) {}
  void watch(ZuvoCls* z) { zuvo_ = z; }
  void processPending() override {
    if (terminated) throw Terminated();
    auto now = std::chrono::steady_clock::now();
    if (!zuvo_ || now - last_ < std::chrono::milliseconds(100)) return;
    last_ = now;
    out_.send(Json{{"jsonrpc", "2.0"},
                   {"method", "session.progress"},
                   {"params", {{"count", zuvo_->GetCnvCount()}}}});
    out_.flush();
  }

 private:
  Output& out_;
  ZuvoCls* zuvo_ = nullptr;
  std::chrono::steady_clock::time_point last_{};
};

// Lines of a file descriptor; false at its end, or when SIGTERM interrupts the wait.
class LineReader {
 public:
  explicit LineReader(int fd) : fd_(fd) {}
  bool next(std::string& line) {
    for (;;) {
      std::size_t nl = buffer_.find('\n', start_);
      if (nl != std::string::npos) {
        line.assign(buffer_, start_, nl - start_);
        start_ = nl + 1;
        if (!line.empty() && line.back() == '\r') line.pop_back();
        return true;
      }
      buffer_.erase(0, start_);
      start_ = 0;
      char chunk[65536];
      ssize_t n = ::read(fd_, chunk, sizeof chunk);
      if (n < 0 && errno == EINTR && !terminated) continue;
      if (n <= 0) {
        // A last request without its line end still counts.
        if (buffer_.empty()) return false;
        line.swap(buffer_);
        buffer_.clear();
        return true;
      }
      buffer_.append(chunk, static_cast<std::size_t>(n));
    }
  }
  // Whether a whole request is waiting already, so that responses may wait for the next.
  bool hasLine() const { return buffer_.find('\n', start_) != std::string::npos; }

 private:
  int fd_;
  std::string buffer_;
  std::size_t start_ = 0;
};

// The objects a session opened, each under its handle. A query or resultset belongs to the
// connection it was opened on (0: the connection of --db) and closes with it.
class Handles {
 public:
  using Object =
      std::variant<std::unique_ptr<Connection>, std::unique_ptr<Query>, std::unique_ptr<Resultset>>;

  std::int64_t add(Object object, std::int64_t owner) {
    std::int64_t id = next_++;
    entries_.emplace(id, Entry{std::move(object), owner});
    return id;
  }
  template <typename T>
  T& get(const Argument& a, const char* kind) {
    auto it = entries_.find(a.handle);
    if (it == entries_.end() || !std::holds_alternative<std::unique_ptr<T>>(it->second.object))
      throw RpcError{InvalidParams, std::string("{\"") + kind + "\":" + std::to_string(a.handle) +
                                        "} is no open " + kind + " of this session"};
    return *std::get<std::unique_ptr<T>>(it->second.object);
  }
  // Closes the object and everything opened on it; false when there is no such handle.
  bool close(std::int64_t id) {
    auto it = entries_.find(id);
    if (it == entries_.end()) return false;
    std::vector<std::int64_t> dependents;
    for (const auto& [other, entry] : entries_)
      if (entry.owner == id) dependents.push_back(other);
    for (std::int64_t other : dependents) close(other);
    closeEntry(entries_.find(id));
    return true;
  }
  // Rolls back what every connection left open, then closes everything, resultsets first.
  void closeAll(Connection* db) {
    for (auto& [id, entry] : entries_)
      if (auto* cn = std::get_if<std::unique_ptr<Connection>>(&entry.object)) rollback(**cn);
    if (db) rollback(*db);
    for (int pass = 2; pass >= 0; --pass)
      for (auto it = entries_.begin(); it != entries_.end();)
        it = static_cast<int>(it->second.object.index()) == pass ? closeEntry(it) : std::next(it);
  }
  static void rollback(Connection& cn) {
    try {
      cn.RollbackTrans();
    } catch (const DatabaseError&) {
      // No transaction was open.
    }
  }

 private:
  struct Entry {
    Object object;
    std::int64_t owner;
  };
  std::map<std::int64_t, Entry>::iterator closeEntry(std::map<std::int64_t, Entry>::iterator it) {
    if (auto* rs = std::get_if<std::unique_ptr<Resultset>>(&it->second.object)) {
      try {
        (*rs)->Close();
      } catch (const DatabaseError&) {
      }
    }
    return entries_.erase(it);
  }
  std::map<std::int64_t, Entry> entries_;
  std::int64_t next_ = 1;
};

class Session {
 public:
  Session(const SessionOptions& options, Output& out) : out_(out), pump_(out) {
    recorder_ = std::make_shared<Recorder>();
    if (options.now) {
      recorder_->fixedNow = parseDateText(*options.now, true);
      if (!recorder_->fixedNow)
        throw UsageError("--now needs \"yyyy-mm-ddThh:mm:ss\", not \"" + *options.now + "\"");
    }
    std::filesystem::path home = options.home ? *options.home : posix::defaultHome();
    auto platform = recordingPlatform(recorder_, home);
    platform->events = std::shared_ptr<EventPump>(&pump_, [](EventPump*) {});
    object_ = std::make_unique<ZuvoCls>(platform);
    pump_.watch(object_.get());
    if (options.db) db_ = openDatabase(*options.db);
  }
  ~Session() { handles_.closeAll(db_.get()); }

  // One request line; false once session.exit was answered.
  bool handle(const std::string& line) {
    Json request = Json::parse(line, nullptr, false);
    if (request.is_discarded()) {
      reply(nullptr, RpcError{ParseError, "the request is not JSON"});
      return true;
    }
    Json id = nullptr;
    bool notification = true;
    if (request.is_object() && request.contains("id")) {
      id = request["id"];
      notification = false;
    }
    try {
      if (!request.is_object() || !request.contains("method") || !request["method"].is_string())
        throw RpcError{InvalidRequest, "a request is an object with a \"method\""};
      Json params = request.contains("params") ? request["params"] : Json::array();
      if (!params.is_array()) throw RpcError{InvalidParams, "\"params\" must be an array"};
      const std::string& method = request["method"].get_ref<const std::string&>();
      bool more = true;
      Json result = method.rfind("session.", 0) == 0 ? sessionMethod(method, params, more)
                                                     : callMethod(method, params);
      if (!notification) out_.send(Json{{"jsonrpc", "2.0"}, {"id", id}, {"result", result}});
      return more;
    } catch (const RpcError& e) {
      if (!notification) reply(id, e);
    } catch (const UsageError& e) {
      if (!notification) reply(id, RpcError{InvalidParams, e.what()});
    } catch (const DatabaseError& e) {
      if (!notification) reply(id, RpcError{ServerError, e.description()});
    } catch (const MissingDatabase& e) {
      if (!notification) reply(id, RpcError{ServerError, e.what()});
    }
    return true;
  }

 private:
  void reply(const Json& id, const RpcError& e) {
    Json error{{"code", e.code}, {"message", e.message}};
    if (!e.data.is_null()) error["data"] = e.data;
    out_.send(Json{{"jsonrpc", "2.0"}, {"id", id}, {"error", std::move(error)}});
  }

  // One of the 81 methods, with the arguments and output of `zuvo call`.
  Json callMethod(const std::string& name, const Json& params) {
    const Method* method = findMethod(name);
    if (!method) throw RpcError{MethodNotFound, "unknown method " + name};
    if (params.size() != method->arity())
      throw RpcError{InvalidParams, std::string(method->name) + " takes " +
                                        std::to_string(method->arity()) + " arguments, " +
                                        std::to_string(params.size()) + " given"};
    std::vector<Argument> args;
    args.reserve(params.size());
    for (const auto& p : params) args.push_back(parseArgument(p));
    CallObjects call;
    bind(args, call);
    recorder_->messages.clear();
    recorder_->beeps = 0;
    recorder_->started.clear();
    CallResult outcome = runCall([&] { return method->invoke(*object_, args); }, args, *recorder_);
    if (!outcome.failed) return std::move(outcome.output);
    Json error = outcome.output["error"];
    outcome.output.erase("error");
    throw RpcError{error["number"].get<int>(), error["description"].get<std::string>(),
                   std::move(outcome.output)};
  }

  // Queries and resultsets made for one call from SQL text; resultsets close first.
  struct CallObjects {
    std::vector<std::unique_ptr<Query>> queries;
    std::vector<std::unique_ptr<Resultset>> resultsets;
  };

  Connection& connection(const Argument& a) {
    if (a.handle) return handles_.get<Connection>(a, "Connection");
    if (!db_)
      throw RpcError{InvalidParams,
                     "{\"Connection\":null} needs --db; or open one with session.connect"};
    return *db_;
  }

  void bind(std::vector<Argument>& args, CallObjects& call) {
    Query* firstQuery = nullptr;
    for (auto& a : args) {
      if (a.kind == Argument::Kind::Connection) a.connection = &connection(a);
      if (a.kind != Argument::Kind::Query) continue;
      if (a.handle) {
        a.query = &handles_.get<Query>(a, "Query");
      } else {
        call.queries.push_back(connection(Argument{}).CreateQuery(a.sql));
        a.query = call.queries.back().get();
      }
      if (!firstQuery) firstQuery = a.query;
    }
    for (auto& a : args) {
      if (a.kind == Argument::Kind::Resultset && a.handle) {
        a.resultset = &handles_.get<Resultset>(a, "Resultset");
        continue;
      }
      if (a.kind == Argument::Kind::Resultset) {
        call.resultsets.push_back(
            connection(Argument{}).OpenResultset(a.sql, rdo::Keyset, rdo::ReadOnly));
      } else if (a.kind == Argument::Kind::QueryResultset) {
        if (!firstQuery)
          throw RpcError{InvalidParams, "{\"QueryResultset\":null} needs a Query argument"};
        call.resultsets.push_back(firstQuery->OpenResultset());
      } else {
        continue;
      }
      a.resultset = call.resultsets.back().get();
    }
  }

  Argument handleArgument(const Json& params, std::size_t i, Argument::Kind kind,
                          const char* what) {
    if (params.size() <= i) throw RpcError{InvalidParams, std::string("needs ") + what};
    Argument a = parseArgument(params[i]);
    if (a.kind != kind) throw RpcError{InvalidParams, std::string("needs ") + what};
    return a;
  }
  static std::string text(const Json& params, std::size_t i, const char* what) {
    if (params.size() <= i || !params[i].is_string())
      throw RpcError{InvalidParams, std::string("needs ") + what};
    return params[i].get<std::string>();
  }
  static std::int32_t number(const Json& params, std::size_t i, std::int32_t otherwise) {
    if (params.size() <= i) return otherwise;
    if (!params[i].is_number_integer())
      throw RpcError{InvalidParams, "argument " + std::to_string(i + 1) + " must be a number"};
    return params[i].get<std::int32_t>();
  }
  std::int64_t ownerId(const Argument& a) { return a.handle; }

  Json sessionMethod(const std::string& method, const Json& params, bool& more) {
    using Kind = Argument::Kind;
    if (method == "session.connect") {
      std::string uri = text(params, 0, "a connection URI: sqlite:PATH or odbc:…");
      return Json{{"Connection", handles_.add(openDatabase(uri), 0)}};
    }
    if (method == "session.prepare") {
      Argument cn = handleArgument(params, 0, Kind::Connection, "a connection and the SQL");
      auto query = connection(cn).CreateQuery(rt::fromUtf8(text(params, 1, "the SQL")));
      return Json{{"Query", handles_.add(std::move(query), ownerId(cn))}};
    }
    if (method == "session.open") {
      Argument first = parseArgument(params.empty() ? Json() : params[0]);
      std::unique_ptr<Resultset> rs;
      std::int64_t owner = 0;
      if (first.kind == Kind::Query && first.handle) {
        rs = handles_.get<Query>(first, "Query")
                 .OpenResultset(number(params, 1, rdo::Keyset), number(params, 2, rdo::ReadOnly));
        owner = first.handle;
      } else if (first.kind == Kind::Connection) {
        rs = connection(first).OpenResultset(rt::fromUtf8(text(params, 1, "the SQL")),
                                             number(params, 2, rdo::Keyset),
                                             number(params, 3, rdo::ReadOnly));
        owner = ownerId(first);
      } else {
        throw RpcError{InvalidParams, "needs a Query handle, or a connection and the SQL"};
      }
      return Json{{"Resultset", handles_.add(std::move(rs), owner)}};
    }
    if (method == "session.fetch") {
      Argument a = handleArgument(params, 0, Kind::Resultset, "a Resultset handle");
      return fetch(handles_.get<Resultset>(a, "Resultset"), number(params, 1, 100));
    }
    if (method == "session.rollback") {
      Argument cn = handleArgument(params, 0, Kind::Connection, "a connection");
      connection(cn).RollbackTrans();
      return nullptr;
    }
    if (method == "session.close") {
      Argument a = params.empty() ? Argument{} : parseArgument(params[0]);
      if (!a.handle || !handles_.close(a.handle))
        throw RpcError{InvalidParams, "session.close needs a handle open in this session"};
      return nullptr;
    }
    if (method == "session.exit") {
      more = false;
      return nullptr;
    }
    throw RpcError{MethodNotFound, "unknown method " + method};
  }

  static Json fetch(Resultset& rs, std::int32_t maxRows) {
    Columns& columns = rs.rdoColumns();
    Json names = Json::array(), rows = Json::array();
    for (std::int32_t i = 0; i < columns.Count(); ++i)
      names.push_back(rt::toUtf8(columns[i].Name()));
    for (std::int32_t n = 0; n < maxRows && !rs.IsEOF(); ++n, rs.MoveNext()) {
      Json row = Json::array();
      for (std::int32_t i = 0; i < columns.Count(); ++i)
        row.push_back(encodeVariant(columns[i].Value()));
      rows.push_back(std::move(row));
    }
    return Json{{"columns", std::move(names)}, {"rows", std::move(rows)}, {"eof", rs.IsEOF()}};
  }

  Output& out_;
  ProgressPump pump_;
  std::shared_ptr<Recorder> recorder_;
  std::unique_ptr<ZuvoCls> object_;
  std::unique_ptr<Connection> db_;
  Handles handles_;
};

}  // namespace

int serveSession(const SessionOptions& options, int in, std::FILE* out) {
  struct sigaction action {};
  action.sa_handler = onTerminate;  // no SA_RESTART: a waiting read returns at once
  sigemptyset(&action.sa_mask);
  struct sigaction previous {};
  sigaction(SIGTERM, &action, &previous);
  terminated = 0;

  Output output(out);
  int status = 0;
  {
    std::unique_ptr<Session> session;
    try {
      session = std::make_unique<Session>(options, output);
    } catch (const UsageError& e) {
      std::fprintf(stderr, "zuvo session: %s\n", e.what());
      status = 2;
    } catch (const DatabaseError& e) {
      std::fprintf(stderr, "zuvo session: cannot open the database: %s\n", e.description().c_str());
      status = 1;
    }
    LineReader reader(in);
    std::string line;
    while (session && !terminated && reader.next(line)) {
      if (line.find_first_not_of(" \t") == std::string::npos) continue;
      bool more = session->handle(line);
      if (!reader.hasLine()) output.flush();
      if (!more) break;
    }
  }  // the session rolls back and closes here
  output.flush();
  sigaction(SIGTERM, &previous, nullptr);
  return status;
}

}  // namespace zuvo::cli

int runSession(int argc, char** argv) {
  zuvo::cli::SessionOptions options;
  CLI::App app{"Serves one ZuvoCls over JSON-RPC 2.0, one request per line of standard input"};
  app.name("zuvo session");
  app.add_option("--db", options.db, "the connection {\"Connection\":null} stands for");
  app.add_option("--home", options.home, "home directory of the library (instead of $ZUVO_HOME)");
  app.add_option("--now", options.now, "fixed clock, \"yyyy-mm-ddThh:mm:ss\"");
  try {
    app.parse(argc - 1, argv + 1);
  } catch (const CLI::ParseError& e) {
    int status = app.exit(e);
    return status == 0 ? 0 : 2;
  }
  return zuvo::cli::serveSession(options, STDIN_FILENO, stdout);
}
