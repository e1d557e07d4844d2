#include "Program.h"

#include <gtest/gtest.h>
#include <sys/wait.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "Call.h"
#include "database/Database.h"

namespace zuvo::cli {
namespace {

struct Outcome {
  int status;
  std::string out, err;
};

Outcome run(std::vector<const char*> words) {
  words.insert(words.begin(), "zuvo");
  std::ostringstream out, err;
  int status = runProgram(int(words.size()), words.data(), out, err);
  return {status, out.str(), err.str()};
}

// Through the built program, so that main and the exit status are the real ones.
Outcome runProgramFile(const std::string& arguments, const std::string& environment = "") {
  std::string command = environment + " " + ZUVO_PROGRAM + " " + arguments + " 2>/dev/null";
  FILE* pipe = popen(command.c_str(), "r");
  std::string out;
  char buffer[4096];
  while (std::size_t n = fread(buffer, 1, sizeof buffer, pipe)) out.append(buffer, n);
  int status = pclose(pipe);
  return {WIFEXITED(status) ? WEXITSTATUS(status) : -1, out, ""};
}

// Calls that need methods of other parts of the library skip until those have landed.
Json callOrSkip(const CallOptions& options, std::string_view method,
                const std::vector<std::string>& args, bool& skipped) {
  CallResult r = callMethod(options, method, args);
  skipped = r.failed && r.output["error"]["number"] == 445;
  return r.output;
}

class ProgramTest : public testing::Test {
 protected:
  void SetUp() override {
    home = std::filesystem::temp_directory_path() /
           ("zuvo-cli-" + std::to_string(::getpid()) + "-" +
            testing::UnitTest::GetInstance()->current_test_info()->name());
    std::filesystem::create_directories(home);
    options.home = home;
  }
  void TearDown() override { std::filesystem::remove_all(home); }
  std::filesystem::path home;
  CallOptions options;
};

TEST_F(ProgramTest, VersionTellsWhichFilesAreUsed) {
  const std::string dir = home.string();
  Outcome bare = runProgramFile("--version", "ZUVO_HOME=" + dir);
  EXPECT_NE(bare.out.find("\nhome: " + dir + " ($ZUVO_HOME)\nsettings file: " + dir +
                          "/zuvodll.ini (missing: the defaults apply)\nconversion table: "),
            std::string::npos)
      << bare.out;

  std::ofstream(home / "zuvodll.ini") << "tranmax=10\r\n";
  std::ofstream(home / "sjisjef.tbl") << "65,193\r\n";
  Outcome filled = runProgramFile("--version", "ZUVO_HOME=" + dir);
  EXPECT_NE(filled.out.find("\nsettings file: " + dir + "/zuvodll.ini\nconversion table: " + dir +
                            "/sjisjef.tbl\n"),
            std::string::npos)
      << filled.out;
}

TEST_F(ProgramTest, HelpVersionAndMethodList) {
  Outcome version = runProgramFile("--version");
  EXPECT_EQ(version.status, 0);
  EXPECT_EQ(version.out.rfind("zuvo 2.1.0\nhome: ", 0), 0u) << version.out;

  Outcome list = runProgramFile("methods");
  EXPECT_EQ(list.status, 0);
  EXPECT_EQ(list.out.rfind("6003005B FindWindow\n6003005C SendMessage\n", 0), 0u);
  EXPECT_EQ(std::count(list.out.begin(), list.out.end(), '\n'), 81);
  EXPECT_NE(list.out.find("\n600300AD GetCnvCount\n"), std::string::npos);

  Outcome help = run({"--help"});
  EXPECT_EQ(help.status, 0);
  for (const char* command : {"methods", "call", "session", "export", "import", "convert"})
    EXPECT_NE(help.out.find("\n  " + std::string(command) + " "), std::string::npos) << command;
  // Each command's help shows its positional arguments.
  for (auto [command, usage] : std::vector<std::pair<std::string, std::string>>{
           {"call", "zuvo call [OPTIONS] METHOD [ARG ...]"},
           {"export", "zuvo export [OPTIONS] kind file"},
           {"import", "zuvo import [OPTIONS] kind file"},
           {"convert", "zuvo convert [OPTIONS] direction input output"}}) {
    Outcome sub = runProgramFile(command + " --help");
    EXPECT_EQ(sub.status, 0) << command;
    EXPECT_NE(sub.out.find("Usage: " + usage + "\n"), std::string::npos) << sub.out;
  }
}

TEST_F(ProgramTest, UsageErrorsExitWithTwo) {
  for (auto words : std::vector<std::vector<const char*>>{
           {},
           {"frobnicate"},
           {"methods", "extra"},
           {"call"},
           {"call", "NoSuchMethod"},
           {"call", "GetCmdPara", R"("a")"},            // too few
           {"call", "GetCmdPara", R"("a")", "1", "2"},  // too many
           {"call", "GetCmdPara", "a", "1"},            // not JSON
           {"call", "GetCmdPara", R"({"Bytes":"0"})", "1"},
           {"call", "RDBExec", R"({"Connection":null})", R"("select 1")", R"("")"},  // no --db
           {"call", "--now", "2000-01-05", "GetCnvCount"},
           {"call", "--db"},
           {"call", "--db", "nosuch:x", "GetCnvCount"},  // an unknown scheme
           {"call", "--db", "sqlite:", "GetCnvCount"},
           {"call", "--db", "odbc:", "GetCnvCount"}}) {
    Outcome r = run(words);
    EXPECT_EQ(r.status, 2) << (words.empty() ? "" : words.back());
    EXPECT_TRUE(r.out.empty()) << r.out;
    EXPECT_FALSE(r.err.empty());
  }
  EXPECT_EQ(runProgramFile("call GetCmdPara '\"a\"'").status, 2);
}

TEST_F(ProgramTest, ResultArgsAndRecordsAsJson) {
  Outcome r = run({"call", "--home", home.c_str(), "--now", "2000-01-05T10:30:00", "getcnvcount"});
  EXPECT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(r.out, R"({"result":0,"args":[],"messages":[],"beeps":0,"started":[]})"
                   "\n");

  bool skipped = false;
  Json out = callOrSkip(options, "GetCmdPara", {R"("a  b ")", "1"}, skipped);
  if (skipped) GTEST_SKIP() << dump(out);
  EXPECT_EQ(dump(out["result"]), R"("a")");
  EXPECT_EQ(dump(out["args"]), R"(["a  b ",4])");
  // A number given for the String parameter is taken as its text.
  out = callMethod(options, "GetCmdPara", {"12.5", "1"}).output;
  EXPECT_EQ(dump(out["result"]), R"("12.5")");
}

TEST_F(ProgramTest, RunTimeErrorsExitWithOne) {
  Outcome r = run({"call", "--home", home.c_str(), "GetCmdPara", R"("a")", R"("x")"});
  EXPECT_EQ(r.status, 1);
  EXPECT_EQ(r.out.rfind(R"({"error":{"number":13,"description":"Type mismatch","argument":2},)"
                        R"("args":["a","x"],"messages":[],"beeps":0,"started":[]})",
                        0),
            0u)
      << r.out;

  Outcome file = runProgramFile("call --home " + home.string() + " GetCmdPara '\"a\"' null");
  EXPECT_EQ(file.status, 1);
  EXPECT_NE(file.out.find(R"("number":13)"), std::string::npos) << file.out;
}

TEST_F(ProgramTest, DataAccessArgumentsComeFromTheConnection) {
  options.db = "sqlite::memory:";
  bool skipped = false;
  Json out =
      callOrSkip(options, "RDBExec",
                 {R"({"Connection":null})", R"x("create table t (a integer)")x", R"("")"}, skipped);
  if (skipped) GTEST_SKIP() << dump(out);
  EXPECT_EQ(dump(out["result"]), "0");
  EXPECT_EQ(dump(out["args"][0]), R"({"Connection":null})");

  out = callMethod(options, "RequeryRS", {R"({"Resultset":"select 1"})"}).output;
  EXPECT_EQ(dump(out["args"]), R"([{"Resultset":"select 1"}])") << dump(out);
  EXPECT_THROW(callMethod(options, "RequeryRS", {R"({"QueryResultset":null})"}), UsageError);
  EXPECT_THROW(callMethod(options, "RequeryRS", {R"({"Resultset":1})"}), UsageError);

  // The path of an existing SQLite file is taken as it is; a missing one is not made.
  const std::string file = (home / "t.db").string();
  openConnection("sqlite:" + file)->Execute(u"create table t as select 1 as a");
  for (const std::string& db : {file, "sqlite:" + file}) {
    options.db = db;
    out = callMethod(options, "RequeryRS", {R"({"Resultset":"select * from t"})"}).output;
    EXPECT_FALSE(out.contains("error")) << dump(out);
  }
  for (const std::string& db :
       {(home / "none.db").string(), "sqlite:" + (home / "none.db").string()}) {
    options.db = db;
    CallResult missing = callMethod(options, "GetCnvCount", {});
    EXPECT_TRUE(missing.failed);
    EXPECT_EQ(dump(missing.output["error"]), R"({"number":53,"description":"no database file )" +
                                                 (home / "none.db").string() + R"("})");
  }
  EXPECT_FALSE(std::filesystem::exists(home / "none.db"));

  // An export to a pipe streams through standard output.
  Outcome piped =
      runProgramFile("export csv - --quiet --db " + file + " --sql 'select 7 as a' | cat");
  EXPECT_EQ(piped.out, "\"a\"\r\n\"7\"\r\n");
}

}  // namespace
}  // namespace zuvo::cli
