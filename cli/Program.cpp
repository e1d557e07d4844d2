#include "Program.h"

#include <CLI/CLI.hpp>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "Batch.h"
#include "Call.h"
#include "Dispatch.h"
#include "Session.h"
#include "platform/Platform.h"

namespace zuvo::cli {

namespace {

constexpr const char* argumentHelp = R"(
Each ARG is one JSON value: a string is a String, a whole number a Long, any other number a
Double, true/false a Boolean, null is Null. Tagged forms give other types:
  {"Integer":5} {"Long":5} {"Double":5} {"Decimal":"1.25"} {"Date":"2000-01-05T10:30:00"}
  {"Empty":null} {"Bytes":"00123F"} {"Array":[...],"lbound":1} (a plain JSON array has lbound 0)
and, with --db, the data access objects {"Connection":null}, {"Query":"SQL"},
{"Resultset":"SQL"} and {"QueryResultset":null} (opened from the call's Query).
Output is one JSON object: {"result":…,"args":[…],"messages":[…],"beeps":N,"started":[…]};
a run-time error gives {"error":{"number":N,"description":"…"},…} and exit status 1.

Example: zuvo call GetCmdPara '"a  b "' 1)";

// CLI11 cannot show the words of a prefix command as positionals, so the call says them itself.
class CallFormatter : public CLI::Formatter {
 public:
  std::string make_usage(const CLI::App* app, std::string name) const override {
    std::string usage = CLI::Formatter::make_usage(app, std::move(name));
    usage.insert(usage.find_last_not_of('\n') + 1, " METHOD [ARG ...]");
    return usage +
           "\nPositionals:\n"
           "  METHOD                      one of the methods (zuvo methods), in any case\n"
           "  ARG                         one JSON value per parameter of the method\n";
  }
};

// The version and the files a plain run uses, so that a user can see which of them counts.
std::string versionText() {
  auto platform = Platform::posix();
  auto line = [](const char* what, const std::filesystem::path& file,
                 const std::string& otherwise) {
    std::error_code ec;
    bool found = std::filesystem::is_regular_file(file, ec);
    return std::string(what) + file.string() + (found ? "" : otherwise) + "\n";
  };
  const char* variable = std::getenv("ZUVO_HOME");
  std::string text =
      "zuvo " ZUVO_VERSION "\nhome: " + platform->home.string() +
      (variable && *variable ? " ($ZUVO_HOME)\n" : " ($ZUVO_HOME is not set)\n") +
      line("settings file: ", platform->settingsFile(), " (missing: the defaults apply)") +
      line("conversion table: ", platform->conversionTable(),
           " (missing, nor in " + platform->dataDirectory.string() + ")");
  text.pop_back();  // the caller ends the last line
  return text;
}

void listMethods(std::ostream& out) {
  for (const auto& m : methods()) {
    char id[16];
    std::snprintf(id, sizeof id, "%08X", unsigned(m.dispatchId));
    out << id << ' ' << m.name << '\n';
  }
}

}  // namespace

bool isBatchCommand(const char* command) {
  std::string_view c = command;
  return c == "export" || c == "import" || c == "convert";
}

int runProgram(int argc, const char* const* argv, std::ostream& out, std::ostream& err) {
  CLI::App app("Calls the methods of the zuvo library from the command line.", "zuvo");
  app.set_version_flag("--version", versionText);
  app.require_subcommand(1);

  auto* list = app.add_subcommand("methods", "List the methods with their dispatch identifiers");
  auto* call = app.add_subcommand("call", "Call one method: zuvo call [OPTIONS] METHOD [ARG …]");
  CallOptions options;
  call->add_option(
      "--db", options.db,
      "Database: sqlite:PATH, sqlite::memory:, odbc:CONNECTION-STRING or an SQLite file");
  call->add_option("--home", options.home, "Home directory of the library (instead of $ZUVO_HOME)");
  call->add_option("--now", options.now, "Fixed clock, \"yyyy-mm-ddThh:mm:ss\"");
  // Everything from METHOD on belongs to the call, so "-1" is an argument, not an option.
  call->prefix_command();
  call->footer(argumentHelp);
  call->formatter(std::make_shared<CallFormatter>());
  // The session and the batch jobs parse their own command lines; they are here for the list.
  for (auto [name, what] :
       {std::pair{"session", "Serve one object to a client over JSON-RPC on stdio"},
        std::pair{"export", "Write the rows of a query to a CSV, fixed-length or JEF file"},
        std::pair{"import", "Load a CSV, fixed-length or JEF file into a table"},
        std::pair{"convert", "Convert a CSV file to a JEF file or back"}})
    app.add_subcommand(name, what)->prefix_command();

  if (argc > 1 && (isBatchCommand(argv[1]) || std::string_view(argv[1]) == "session")) {
    std::vector<std::string> words(argv, argv + argc);
    std::vector<char*> own;
    own.reserve(words.size());
    for (auto& w : words) own.push_back(w.data());
    return isBatchCommand(argv[1]) ? runBatch(argc, own.data()) : runSession(argc, own.data());
  }

  try {
    app.parse(argc, argv);
  } catch (const CLI::ParseError& e) {
    int status = app.exit(e, out, err);
    return status == 0 ? 0 : 2;
  }

  if (list->parsed()) {
    listMethods(out);
    return 0;
  }
  std::vector<std::string> words = call->remaining();
  if (words.empty()) {
    err << "zuvo call: which METHOD? (see zuvo methods)\n";
    return 2;
  }
  try {
    auto outcome = callMethod(options, words.front(),
                              std::vector<std::string>(words.begin() + 1, words.end()));
    out << dump(outcome.output) << '\n';
    return outcome.failed ? 1 : 0;
  } catch (const UsageError& e) {
    err << "zuvo call: " << e.what() << '\n';
    return 2;
  } catch (const RuntimeError& e) {
    // Raised outside the method itself, e.g. while reading or writing the JSON text.
    out << dump(Json{{"error", {{"number", e.number()}, {"description", e.description()}}}})
        << '\n';
    return 1;
  }
}

}  // namespace zuvo::cli
