// `zuvo convert csv-to-jef|jef-to-csv`: the CSV / JEF file conversions as batch jobs.
#include "BatchJef.h"

#include <unistd.h>

#include <CLI/CLI.hpp>
#include <chrono>
#include <cstdio>
#include <memory>
#include <optional>
#include <string>

#include "Argument.h"
#include "BatchFiles.h"
#include "BatchJob.h"
#include "BatchProgress.h"
#include "component/ZuvoCls.h"
#include "convert/Export.h"
#include "runtime/Convert.h"

namespace zuvo::cli {

namespace {

struct ConvertOptions {
  std::string direction;  // csv-to-jef or jef-to-csv
  std::string input;
  std::string output;
  std::string fds;
  std::optional<std::string> home;
  std::string encoding = "cp932";
  int bln = 0;  // taken for the command line's sake: JEF records follow their layout
  bool append = false;
  bool quiet = false;
  bool strict = false;
};

int run(const ConvertOptions& o) {
  const bool toJef = o.direction == "csv-to-jef";
  const TextEncoding encoding = encodingNamed(o.encoding);
  if (!toJef && o.output != "-" &&
      rt::toUtf8(convert::columnTypeFileName(rt::fromUtf8(o.output))) == o.output)
    throw JobError{o.output +
                   " is the name of its own column type file: give it another extension"};

  SignalGuard signals;
  SpooledInput input;
  if (std::string error = input.take(o.input); !error.empty()) throw JobError{error};
  stopIfSignalled("");
  if (toJef) checkInput(input.path(), input.shown(), encoding, true, o.strict, false);

  auto platform = Platform::posix(homeDirectory(o.home));
  std::shared_ptr<ProgressBar> bar;
  if (!o.quiet && ::isatty(STDERR_FILENO))
    bar = std::make_shared<ProgressBar>("converted", input.path(), stderr);
  platform->events = std::make_shared<JobPump>(bar);
  ZuvoCls z(platform);
  if (bar) bar->attach(&z);
  z.conversionOptions().csvEncoding = encoding;
  if (!z.jefTableStatus().ok()) throw JobError{z.jefTableStatus().message()};

  StagedOutput out(o.output, o.append, !toJef);
  const std::string shown = o.output == "-" ? "standard output" : o.output;
  const String from = rt::fromUtf8(input.path()), to = rt::fromUtf8(out.path()),
               fds = rt::fromUtf8(o.fds);
  auto started = std::chrono::steady_clock::now();
  std::int32_t result = -1;
  try {
    result = toJef ? z.CSVtoJEF(from, to, fds, o.append)
                   : z.JEFtoCSV(from, to, fds, static_cast<std::int16_t>(o.bln), o.append);
  } catch (const Interrupted&) {
  }
  if (bar) bar->finish(result >= 0);
  const std::string kept = out.staged() ? shown + " was left as it was" : "";
  stopIfSignalled(kept);
  if (result < 0) throw JobError{input.tell(out.tell(z.lastConversion().status.message()))};
  finishOutput(z.lastConversion(), !toJef, o.strict, out, shown, "convert " + o.direction);
  if (!o.quiet) {
    double seconds =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - started).count();
    std::fprintf(stderr, "zuvo: converted %d records from %s to %s in %.2f s\n", result,
                 input.shown().c_str(), shown.c_str(), seconds);
  }
  return 0;
}

}  // namespace

}  // namespace zuvo::cli

int runConvert(int argc, char** argv) {
  using namespace zuvo::cli;
  ConvertOptions o;
  CLI::App app{"CSV files to JEF sequential files and back"};
  app.name("zuvo convert");
  app.add_option("direction", o.direction, "csv-to-jef or jef-to-csv")
      ->required()
      ->check(CLI::IsMember({"csv-to-jef", "jef-to-csv"}));
  app.add_option("input", o.input, "the file read; - is standard input")->required();
  app.add_option("output", o.output, "the file written; - is standard output")->required();
  app.add_option("--fds", o.fds, "field definitions, one per field of a record")->required();
  app.add_option("--home", o.home,
                 "directory of zuvodll.ini and sjisjef.tbl (default $ZUVO_HOME, /etc/zuvo)");
  app.add_option("--encoding", o.encoding, "of the CSV file: cp932 (the default) or utf-8")
      ->check(CLI::IsMember({"cp932", "utf-8"}, CLI::ignore_case));
  app.add_option("--bln", o.bln, "record length in bytes (records follow the layout)")
      ->check(CLI::Range(0, 32767));
  app.add_flag("--append", o.append, "append to the output file");
  app.add_flag("--strict", o.strict,
               "fail, keeping no file, when the input holds bytes that are not valid in its "
               "encoding or a value had to be changed");
  app.add_flag("--quiet,-q", o.quiet, "no progress bar and no summary");
  try {
    app.parse(argc - 1, argv + 1);
  } catch (const CLI::CallForHelp& e) {
    return app.exit(e);
  } catch (const CLI::ParseError& e) {
    std::fprintf(stderr, "zuvo convert: %s\n", e.what());
    return 2;
  }
  try {
    return run(o);
  } catch (const UsageError& e) {
    std::fprintf(stderr, "zuvo convert: %s\n", e.what());
    return 2;
  } catch (const JobError& e) {
    std::fprintf(stderr, "zuvo convert %s: %s\n", o.direction.c_str(), e.what.c_str());
    return e.status;
  } catch (const std::exception& e) {
    std::fprintf(stderr, "zuvo convert %s: %s\n", o.direction.c_str(), e.what());
  }
  return 1;
}
