// `zuvo export csv|fixed` and `zuvo import csv|fixed`: the table and file conversions of the
// library run as batch jobs on one database connection, with a progress bar.
#include "Batch.h"

#include <unistd.h>

#include <CLI/CLI.hpp>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <memory>
#include <optional>
#include <string>

#include "BatchJef.h"
#include "BatchProgress.h"
#include "component/ZuvoCls.h"
#include "convert/FieldDefs.h"
#include "convert/Import.h"
#include "database/Database.h"
#include "runtime/Convert.h"

namespace zuvo::cli {

namespace {

struct BatchOptions {
  std::string command;  // export or import
  std::string kind;     // csv or fixed
  std::string db;
  std::string sql;
  std::string fds;
  std::string table;
  std::string before;
  std::string file;
  std::optional<std::string> home;
  bool cr = false;
  bool append = false;
  int bln = 0;
  bool quiet = false;
};

// A failure the program explains in one line; the library itself only says -1.
struct JobError {
  std::string what;
};

String text(const std::string& s) {
  return rt::fromUtf8(s);
}

// "sqlite:…" and "odbc:…" are URIs; anything else is the path of an SQLite file, which must
// exist so that a typing error does not leave an empty database behind.
std::unique_ptr<Connection> connect(const std::string& db) {
  std::string uri = db;
  if (db.rfind("sqlite:", 0) != 0 && db.rfind("odbc:", 0) != 0) {
    if (!std::filesystem::is_regular_file(db)) throw JobError{"no database file " + db};
    uri = "sqlite:" + db;
  }
  try {
    return openConnection(uri);
  } catch (const DatabaseError& e) {
    throw JobError{"cannot open the database " + db + ": " + e.description()};
  }
}

std::filesystem::path homeDirectory(const BatchOptions& o) {
  if (o.home) return *o.home;
  const char* home = std::getenv("ZUVO_HOME");
  return home && *home ? home : "/etc/zuvo";
}

// Tells why a conversion answered -1, by checking what it depends on.
std::string exportFailure(ZuvoCls& z, Connection& cn, const BatchOptions& o) {
  try {
    auto rs = cn.OpenResultset(text(o.sql));
    rs->Close();
  } catch (const DatabaseError& e) {
    return "the query failed: " + e.description();
  }
  if (!std::filesystem::exists(o.file)) return "cannot write " + o.file;
  return "stopped after " + std::to_string(z.GetCnvCount()) + " records of " + o.file +
         ": a value could not be read, converted or written";
}

std::string importFailure(ZuvoCls& z, Connection& cn, const BatchOptions& o, bool started) {
  if (!o.before.empty() && !started) return "the --before statement failed";
  if (!std::filesystem::is_regular_file(o.file)) return "cannot read " + o.file;
  if (!convert::isPlainTableName(text(o.table)))
    return "\"" + o.table + "\" is not a plain table name";
  std::int32_t columns = 0;
  try {
    auto rs = convert::openTargetTable(cn, text(o.table));
    columns = rs->rdoColumns().Count();
    rs->Close();
  } catch (const DatabaseError& e) {
    return "cannot open the table " + o.table + ": " + e.description();
  }
  if (columns > convert::kMaxColumns)
    return "the table " + o.table + " has more than " + std::to_string(convert::kMaxColumns) +
           " columns";
  std::int32_t fields =
      o.kind == "csv" ? z.GetCntCSV(text(o.file)) : convert::fieldCount(text(o.fds));
  if (fields != columns)
    return (o.kind == "csv" ? "the header of " + o.file + " has " : "--fds has ") +
           std::to_string(fields) + " fields for the " + std::to_string(columns) + " columns of " +
           o.table;
  return "record " + std::to_string(z.GetCnvCount() + 1) + " of " + o.file +
         " was refused (a value that does not suit its column, bytes that are not Shift-JIS, "
         "or a record cut short); the rows of the open transaction were rolled back";
}

int run(const BatchOptions& o) {
  if (o.command == "export" && o.sql.empty()) throw JobError{"--sql is missing"};
  if (o.command == "import" && o.table.empty()) throw JobError{"--table is missing"};
  if (o.kind != "csv" && o.fds.empty()) throw JobError{"--fds is missing"};

  auto cn = connect(o.db);
  bool showBar = !o.quiet && ::isatty(STDERR_FILENO);
  auto platform = Platform::posix();
  platform->home = homeDirectory(o);
  std::string verb = o.command == "export" ? "exported" : "imported";
  auto bar = std::make_shared<ProgressBar>(
      verb, o.command == "import" ? std::filesystem::path(o.file) : std::filesystem::path(),
      stderr);
  if (showBar) platform->events = bar;
  ZuvoCls z(platform);
  bar->attach(&z);

  const String file = text(o.file), sql = text(o.sql), fds = text(o.fds), table = text(o.table);
  auto started = std::chrono::steady_clock::now();
  std::int32_t result = -1;
  bool beforeDone = false;
  if (o.command == "export") {
    result = o.kind == "csv"   ? z.CnvCSVFile(*cn, sql, file, o.append)
             : o.kind == "jef" ? z.CnvJefSFFile(*cn, sql, file, fds, o.append)
                               : z.CnvFixSFFile(*cn, sql, file, fds, o.cr, o.append);
  } else {
    // The statement before the load runs here, so that its failure can be told apart.
    if (!o.before.empty()) {
      if (!convert::runBeforeLoad(z, *cn, text(o.before)).ok()) {
        bar->finish(false);
        throw JobError{"the --before statement failed"};
      }
    }
    beforeDone = true;
    result = o.kind == "csv" ? z.SetRDB(*cn, u"", file, table)
             : o.kind == "jef"
                 ? z.SetJefRDB(*cn, u"", file, fds, 0, table)
                 : z.SetFixRDB(*cn, u"", file, fds, static_cast<std::int16_t>(o.bln), table);
  }
  if (showBar) bar->finish(result >= 0);
  if (result < 0)
    throw JobError{o.command == "export" ? exportFailure(z, *cn, o)
                                         : importFailure(z, *cn, o, beforeDone)};
  if (!o.quiet) {
    double seconds =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - started).count();
    std::fprintf(stderr, "zuvo: %s %d records %s %s in %.2f s\n", verb.c_str(), result,
                 o.command == "export" ? "to" : "from", o.file.c_str(), seconds);
  }
  return 0;
}

}  // namespace

}  // namespace zuvo::cli

int runBatch(int argc, char** argv) {
  using namespace zuvo::cli;
  BatchOptions o;
  CLI::App app{"Table and file conversions as batch jobs"};
  app.name(std::string("zuvo ") + (argc > 1 ? argv[1] : ""));
  app.add_option("kind", o.kind, "csv, fixed or jef")
      ->required()
      ->check(CLI::IsMember({"csv", "fixed", "jef"}));
  app.add_option("file", o.file, "the file written or read")->required();
  app.add_option("--db", o.db, "database: sqlite:PATH, odbc:CONNECTION-STRING or an SQLite file")
      ->required();
  app.add_option("--home", o.home, "directory of zuvodll.ini (default $ZUVO_HOME, /etc/zuvo)");
  app.add_flag("--quiet,-q", o.quiet, "no progress bar and no summary");
  std::string command = argc > 1 ? argv[1] : "";
  if (command == "convert") return runConvert(argc, argv);
  o.command = command;
  if (command == "export") {
    app.add_option("--sql", o.sql, "the query whose rows are written")->required();
    app.add_option("--fds", o.fds, "field definitions (fixed, jef)");
    app.add_flag("--cr", o.cr, "end each fixed-length record with CR LF");
    app.add_flag("--append", o.append, "append to the file (CSV: without a header line)");
  } else if (command == "import") {
    app.add_option("--table", o.table, "the target table")->required();
    app.add_option("--fds", o.fds, "field definitions (fixed, jef)");
    app.add_option("--bln", o.bln, "record length in bytes (fixed; 0: one record per line)");
    app.add_option("--before", o.before, "a statement run and committed before the load");
  } else {
    std::fprintf(stderr, "zuvo: %s: the batch jobs are export, import and convert\n",
                 command.c_str());
    return 2;
  }
  try {
    app.parse(argc - 1, argv + 1);
  } catch (const CLI::CallForHelp& e) {
    return app.exit(e);
  } catch (const CLI::ParseError& e) {
    std::fprintf(stderr, "zuvo %s: %s\n", command.c_str(), e.what());
    return 2;
  }
  try {
    return run(o);
  } catch (const JobError& e) {
    std::fprintf(stderr, "zuvo %s %s: %s\n", command.c_str(), o.kind.c_str(), e.what.c_str());
  } catch (const std::exception& e) {
    std::fprintf(stderr, "zuvo %s %s: %s\n", command.c_str(), o.kind.c_str(), e.what());
  }
  return 1;
}
