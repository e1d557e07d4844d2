#pragma once

#include <cstdio>
#include <filesystem>
#include <optional>
#include <string>

// `zuvo session`: one ZuvoCls for a client's whole run, over JSON-RPC 2.0 on standard input
// and output, one request per line and one response per line, in order.
namespace zuvo::cli {

struct SessionOptions {
  std::optional<std::string> db;              // the connection {"Connection":null} stands for
  std::optional<std::filesystem::path> home;  // instead of $ZUVO_HOME
  std::optional<std::string> now;             // "yyyy-mm-ddThh:mm:ss": a fixed clock
};

// Serves requests read from `in` until it ends, session.exit or SIGTERM; responses and
// notifications go to `out`. Open transactions are rolled back at the end. The exit status.
int serveSession(const SessionOptions& options, int in, std::FILE* out);

}  // namespace zuvo::cli

// `zuvo session [--db URI] [--home DIR] [--now …]`; argv as main received it.
int runSession(int argc, char** argv);
