// `zuvo convert csv-to-jef|jef-to-csv`: the CSV / JEF file conversions as batch jobs.
#include "BatchJef.h"

#include <unistd.h>

#include <CLI/CLI.hpp>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <memory>
#include <optional>
#include <string>

#include "BatchProgress.h"
#include "component/ZuvoCls.h"
#include "runtime/Convert.h"

namespace zuvo::cli {

namespace {

struct ConvertOptions {
  std::string direction;  // csv-to-jef or jef-to-csv
  std::string input;
  std::string output;
  std::string fds;
  std::optional<std::string> home;
  bool append = false;
  bool quiet = false;
};

// Tells why a conversion answered -1 from what it depends on; the library only says -1.
std::string whyFailed(ZuvoCls& z, const ConvertOptions& o) {
  String input = rt::fromUtf8(o.input);
  if (!std::filesystem::is_regular_file(o.input)) return "cannot read " + o.input;
  if (o.direction == "csv-to-jef" && z.GetCntCSV(input) == 0)
    return "the first line of " + o.input + " has fewer than two fields";
  if (!std::filesystem::exists(std::filesystem::path(o.output).parent_path().empty()
                                   ? std::filesystem::path(".")
                                   : std::filesystem::path(o.output).parent_path()))
    return "cannot write " + o.output;
  if (!std::filesystem::exists(z.platform().home / "sjisjef.tbl"))
    return "no conversion table sjisjef.tbl in " + z.platform().home.string();
  return "some fields could not be converted (record " + std::to_string(z.GetCnvCount()) +
         " was the last one written; a value that does not suit its field, a number that does "
         "not fit, a record cut short, or a bad conversion table); " +
         o.output + " holds every record";
}

int run(const ConvertOptions& o) {
  auto platform = Platform::posix();
  if (o.home) platform->home = *o.home;
  bool showBar = !o.quiet && ::isatty(STDERR_FILENO);
  auto bar = std::make_shared<ProgressBar>("converted", o.input, stderr);
  if (showBar) platform->events = bar;
  ZuvoCls z(platform);
  bar->attach(&z);

  const String input = rt::fromUtf8(o.input), output = rt::fromUtf8(o.output),
               fds = rt::fromUtf8(o.fds);
  auto started = std::chrono::steady_clock::now();
  std::int32_t result = o.direction == "csv-to-jef" ? z.CSVtoJEF(input, output, fds, o.append)
                                                    : z.JEFtoCSV(input, output, fds, 0, o.append);
  if (showBar) bar->finish(result >= 0);
  if (result < 0) {
    std::fprintf(stderr, "zuvo convert %s: %s\n", o.direction.c_str(), whyFailed(z, o).c_str());
    return 1;
  }
  if (!o.quiet) {
    double seconds =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - started).count();
    std::fprintf(stderr, "zuvo: converted %d records from %s to %s in %.2f s\n", result,
                 o.input.c_str(), o.output.c_str(), seconds);
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
  app.add_option("input", o.input, "the file read")->required();
  app.add_option("output", o.output, "the file written")->required();
  app.add_option("--fds", o.fds, "field definitions, one per field of a record")->required();
  app.add_option("--home", o.home,
                 "directory of zuvodll.ini and sjisjef.tbl (default $ZUVO_HOME, /etc/zuvo)");
  app.add_flag("--append", o.append, "append to the output file");
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
  } catch (const std::exception& e) {
    std::fprintf(stderr, "zuvo convert %s: %s\n", o.direction.c_str(), e.what());
  }
  return 1;
}
