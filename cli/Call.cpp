#include "Call.h"

#include <memory>

#include "DatabaseUri.h"
#include "Dispatch.h"
#include "platform/Posix.h"
#include "platform/Recording.h"
#include "runtime/Convert.h"

namespace zuvo::cli {

namespace {

std::filesystem::path homeDirectory(const CallOptions& options) {
  return options.home ? *options.home : posix::defaultHome();
}

// The data access objects of one call. Members go in reverse order, so resultsets close
// before their queries and queries before the connection.
struct DataAccess {
  std::unique_ptr<Connection> connection;
  std::vector<std::unique_ptr<Query>> queries;
  std::vector<std::unique_ptr<Resultset>> resultsets;

  void bind(const std::string& uri, std::vector<Argument>& args) {
    connection = openConnection(uri);
    Query* firstQuery = nullptr;
    for (auto& a : args) {
      if (a.kind == Argument::Kind::Connection) a.connection = connection.get();
      if (a.kind == Argument::Kind::Query) {
        queries.push_back(connection->CreateQuery(a.sql));
        a.query = queries.back().get();
        if (!firstQuery) firstQuery = a.query;
      }
    }
    // Resultsets come second: one opened from the call's query may stand before that query.
    for (auto& a : args) {
      if (a.kind == Argument::Kind::Resultset)
        resultsets.push_back(connection->OpenResultset(a.sql, rdo::Keyset, rdo::ReadOnly));
      else if (a.kind == Argument::Kind::QueryResultset)
        resultsets.push_back(firstQuery->OpenResultset());
      else
        continue;
      a.resultset = resultsets.back().get();
    }
  }
};

void checkDataAccess(const CallOptions& options, const std::vector<Argument>& args) {
  bool any = false, query = false, queryResultset = false;
  for (const auto& a : args) {
    if (a.handle)
      throw UsageError("handles such as " + dump(encodeArgument(a)) +
                       " exist only in zuvo session");
    any = any || a.isDataAccess();
    query = query || a.kind == Argument::Kind::Query;
    queryResultset = queryResultset || a.kind == Argument::Kind::QueryResultset;
  }
  if (any && !options.db)
    throw UsageError("data access arguments need a connection: give --db URI");
  if (queryResultset && !query)
    throw UsageError("{\"QueryResultset\":null} needs a {\"Query\":\"SQL\"} argument in the call");
}

}  // namespace

CallResult callMethod(const CallOptions& options, std::string_view name,
                      const std::vector<std::string>& arguments) {
  const Method* method = findMethod(name);
  if (!method) throw UsageError("unknown method " + std::string(name) + " (see zuvo methods)");
  if (arguments.size() != method->arity())
    throw UsageError(std::string(method->name) + " takes " + std::to_string(method->arity()) +
                     (method->arity() == 1 ? " argument, " : " arguments, ") +
                     std::to_string(arguments.size()) + " given");
  std::vector<Argument> args;
  args.reserve(arguments.size());
  for (const auto& text : arguments) args.push_back(parseArgumentText(text));
  checkDataAccess(options, args);
  std::optional<Date> now;
  if (options.now) {
    now = parseDateText(*options.now, true);
    if (!now) throw UsageError("--now needs \"yyyy-mm-ddThh:mm:ss\", not \"" + *options.now + "\"");
  }

  // A malformed --db is a usage error; a missing database file is the call's error.
  std::string uri, missingDatabase;
  if (options.db) {
    try {
      uri = databaseUri(*options.db);
    } catch (const MissingDatabase& e) {
      missingDatabase = e.what();
    }
  }

  auto recorder = std::make_shared<Recorder>();
  recorder->fixedNow = now;
  DataAccess data;
  std::unique_ptr<ZuvoCls> object;
  return runCall(
      [&] {
        object = std::make_unique<ZuvoCls>(recordingPlatform(recorder, homeDirectory(options)));
        if (!missingDatabase.empty()) throw RuntimeError(err::FileNotFound, missingDatabase);
        if (options.db) data.bind(uri, args);
        return method->invoke(*object, args);
      },
      args, *recorder);
}

}  // namespace zuvo::cli
