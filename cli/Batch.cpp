// `zuvo export|import csv|fixed|jef`: the table and file conversions of the library run as batch
// jobs on one database connection, with a progress bar.
#include "Batch.h"

#include <unistd.h>

#include <CLI/CLI.hpp>
#include <chrono>
#include <cstdio>
#include <memory>
#include <optional>
#include <string>

#include "Argument.h"
#include "BatchFiles.h"
#include "BatchJef.h"
#include "BatchJob.h"
#include "BatchProgress.h"
#include "DatabaseUri.h"
#include "component/ZuvoCls.h"
#include "convert/Export.h"
#include "convert/FieldDefs.h"
#include "convert/Import.h"
#include "database/Database.h"
#include "runtime/Convert.h"

namespace zuvo::cli {

namespace {

struct BatchOptions {
  std::string command;  // export or import
  std::string kind;     // csv, fixed or jef
  std::string db;
  std::string sql;
  std::string fds;
  std::string table;
  std::string before;
  std::string file;
  std::optional<std::string> home;
  std::optional<std::string> encoding;
  bool cr = false;
  bool append = false;
  int bln = 0;
  bool quiet = false;
  bool strict = false;
};

String text(const std::string& s) {
  return rt::fromUtf8(s);
}

// The bytes of one record of the layout; -1 when a length does not fit 16 bits.
std::int64_t layoutLength(const String& fds) {
  std::int64_t total = 0;
  try {
    for (std::int32_t k = 0; k < convert::fieldCount(fds); ++k)
      total += std::max<std::int16_t>(convert::fieldDescriptor(fds, k).len, 0);
  } catch (const RuntimeError&) {
    return -1;
  }
  return total;
}

// A layout that reads no column, or not as many as the query has, would write records that
// read back as nothing or shifted: refused before the file is touched.
void checkLayout(Connection& cn, const BatchOptions& o) {
  const String fds = text(o.fds);
  if (layoutLength(fds) == 0) throw JobError{"--fds \"" + o.fds + "\" reads no field"};
  std::int32_t columns = 0;
  try {
    auto rs = cn.OpenResultset(text(o.sql));
    columns = rs->rdoColumns().Count();
    convert::closeQuietly(rs.get());
  } catch (...) {
    return;  // the export itself tells why the query fails
  }
  std::int32_t fields = convert::fieldCount(fds);
  if (fields != columns)
    throw JobError{"--fds has " + std::to_string(fields) + (fields == 1 ? " field" : " fields") +
                   " for the " + std::to_string(columns) + " columns of the query"};
}

std::int32_t runExport(ZuvoCls& z, Connection& cn, const BatchOptions& o, StagedOutput& out) {
  const String sql = text(o.sql), file = text(out.path()), fds = text(o.fds);
  if (o.kind == "csv") return z.CnvCSVFile(cn, sql, file, o.append);
  if (o.kind == "jef") return z.CnvJefSFFile(cn, sql, file, fds, o.append);
  return z.CnvFixSFFile(cn, sql, file, fds, o.cr, o.append);
}

std::int32_t runImport(ZuvoCls& z, Connection& cn, const BatchOptions& o,
                       const SpooledInput& input) {
  const String file = text(input.path()), fds = text(o.fds), table = text(o.table);
  if (o.kind == "csv") return z.SetRDB(cn, u"", file, table);
  if (o.kind == "jef") return z.SetJefRDB(cn, u"", file, fds, 0, table);
  return z.SetFixRDB(cn, u"", file, fds, static_cast<std::int16_t>(o.bln), table);
}

int run(const BatchOptions& o) {
  const bool isExport = o.command == "export";
  const std::string title = o.command + " " + o.kind;
  if (o.kind != "csv" && o.fds.empty()) throw UsageError("--fds is missing");
  if (o.encoding && o.kind != "csv") throw UsageError("--encoding is for csv files");
  const TextEncoding encoding = encodingNamed(o.encoding.value_or("cp932"));
  const std::string uri = databaseUri(o.db);
  if (isExport && o.kind == "csv" && o.file != "-" &&
      rt::toUtf8(convert::columnTypeFileName(text(o.file))) == o.file)
    throw JobError{o.file + " is the name of its own column type file: give it another extension"};

  SignalGuard signals;
  SpooledInput input;
  if (!isExport) {
    if (std::string error = input.take(o.file); !error.empty()) throw JobError{error};
    stopIfSignalled("nothing was loaded");
    TextScan scan = checkInput(input.path(), input.shown(), encoding, o.kind == "csv",
                               o.strict && o.kind != "jef", o.kind == "fixed" && o.bln == 0);
    std::int64_t layout = layoutLength(text(o.fds));
    if (o.kind == "fixed" && o.bln == 0 && scan.opened && !scan.lineEnds && layout > 0 &&
        scan.size > static_cast<std::uint64_t>(layout))
      throw JobError{input.shown() +
                     " has no line ends: give the record length from --fds (--bln " +
                     std::to_string(layout) + ")"};
  }

  std::unique_ptr<Connection> cn;
  try {
    cn = openConnection(uri);
  } catch (const DatabaseError& e) {
    throw JobError{"cannot open the database " + o.db + ": " + e.description()};
  }
  auto platform = Platform::posix(homeDirectory(o.home));
  std::shared_ptr<ProgressBar> bar;
  const std::string verb = isExport ? "exported" : "imported";
  if (!o.quiet && ::isatty(STDERR_FILENO))
    bar = std::make_shared<ProgressBar>(
        verb, isExport ? std::filesystem::path() : std::filesystem::path(input.path()), stderr);
  platform->events = std::make_shared<JobPump>(bar);
  ZuvoCls z(platform);
  if (bar) bar->attach(&z);
  z.conversionOptions().csvEncoding = encoding;
  if (o.kind == "jef" && !z.jefTableStatus().ok()) throw JobError{z.jefTableStatus().message()};

  auto started = std::chrono::steady_clock::now();
  std::int32_t result = -1;
  std::string shown;
  if (isExport) {
    if (o.kind != "csv") checkLayout(*cn, o);
    StagedOutput out(o.file, o.append, o.kind == "csv");
    shown = o.file == "-" ? "standard output" : o.file;
    try {
      result = runExport(z, *cn, o, out);
    } catch (const Interrupted&) {
    }
    if (bar) bar->finish(result >= 0);
    const std::string kept = out.staged() ? shown + " was left as it was" : "";
    stopIfSignalled(kept);
    if (result < 0) throw JobError{out.tell(z.lastConversion().status.message())};
    finishOutput(z.lastConversion(), o.kind == "csv", o.strict, out, shown, title);
  } else {
    if (!o.before.empty()) {
      Status before = convert::runBeforeLoad(z, *cn, text(o.before));
      if (!before.ok()) throw JobError{before.message()};
    }
    shown = input.shown();
    try {
      result = runImport(z, *cn, o, input);
    } catch (const Interrupted&) {
    }
    if (bar) bar->finish(result >= 0);
    // A load that committed its last rows is done, whatever came after.
    if (result < 0) stopIfSignalled("the rows of the open transaction were rolled back");
    if (result < 0) throw JobError{input.tell(z.lastConversion().status.message())};
    for (const auto& line : changedValues(z.lastConversion(), false))
      std::fprintf(stderr, "zuvo %s: %s\n", title.c_str(), line.c_str());
  }
  if (!o.quiet) {
    double seconds =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - started).count();
    std::fprintf(stderr, "zuvo: %s %d records %s %s in %.2f s\n", verb.c_str(), result,
                 isExport ? "to" : "from", shown.c_str(), seconds);
  }
  return 0;
}

}  // namespace

}  // namespace zuvo::cli

int runBatch(int argc, char** argv) {
  using namespace zuvo::cli;
  std::string command = argc > 1 ? argv[1] : "";
  if (command == "convert") return runConvert(argc, argv);
  BatchOptions o;
  o.command = command;
  CLI::App app{command == "export" ? "Writes the rows of a query to a CSV, fixed-length or JEF file"
               : command == "import" ? "Loads a CSV, fixed-length or JEF file into a table"
                                     : ""};
  app.name("zuvo " + command);
  app.add_option("kind", o.kind, "csv, fixed or jef")
      ->required()
      ->check(CLI::IsMember({"csv", "fixed", "jef"}));
  app.add_option("file", o.file,
                 command == "export" ? "the file written; - is standard output"
                                     : "the file read; - is standard input")
      ->required();
  app.add_option("--db", o.db, "database: sqlite:PATH, odbc:CONNECTION-STRING or an SQLite file")
      ->required();
  app.add_option("--home", o.home,
                 "directory of zuvodll.ini and sjisjef.tbl (default $ZUVO_HOME, /etc/zuvo)");
  app.add_option("--encoding", o.encoding, "of a CSV file: cp932 (the default) or utf-8")
      ->check(CLI::IsMember({"cp932", "utf-8"}, CLI::ignore_case));
  app.add_flag("--quiet,-q", o.quiet, "no progress bar and no summary");
  if (command == "export") {
    app.add_option("--sql", o.sql, "the query whose rows are written")->required();
    app.add_option("--fds", o.fds, "field definitions (fixed, jef)");
    app.add_flag("--cr", o.cr, "end each fixed-length record with CR LF");
    app.add_flag("--append", o.append, "append to the file (CSV: without a header line)");
    app.add_flag("--strict", o.strict,
                 "fail, keeping no file, when a value had to be changed or holds a double quote");
  } else if (command == "import") {
    app.add_option("--table", o.table, "the target table")->required();
    app.add_option("--fds", o.fds, "field definitions (fixed, jef)");
    app.add_option("--bln", o.bln, "record length in bytes (fixed; 0: one record per line)")
        ->check(CLI::Range(0, 32767));
    app.add_option("--before", o.before, "a statement run and committed before the load");
    app.add_flag("--strict", o.strict,
                 "refuse a file holding bytes that are not valid in its encoding");
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
  } catch (const UsageError& e) {
    std::fprintf(stderr, "zuvo %s: %s\n", command.c_str(), e.what());
    return 2;
  } catch (const JobError& e) {
    std::fprintf(stderr, "zuvo %s %s: %s\n", command.c_str(), o.kind.c_str(), e.what.c_str());
    return e.status;
  } catch (const std::exception& e) {
    std::fprintf(stderr, "zuvo %s %s: %s\n", command.c_str(), o.kind.c_str(), e.what());
  }
  return 1;
}
