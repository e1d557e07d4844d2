#include "Session.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <set>
#include <thread>

#include "Json.h"
#include "database/TestDatabases.h"
#include "platform/TempDir.h"
#include "runtime/Convert.h"

extern char** environ;

namespace zuvo::cli {
namespace {

// Runs a whole session in-process on the requests given and returns every line it wrote.
std::vector<Json> serve(const std::vector<std::string>& requests, SessionOptions options = {}) {
  std::FILE* in = std::tmpfile();
  for (const auto& r : requests) std::fprintf(in, "%s\n", r.c_str());
  std::rewind(in);
  std::FILE* out = std::tmpfile();
  EXPECT_EQ(serveSession(options, fileno(in), out), 0);
  std::rewind(out);
  std::vector<Json> lines;
  char buffer[1 << 16];
  while (std::fgets(buffer, sizeof buffer, out)) lines.push_back(Json::parse(buffer));
  std::fclose(in);
  std::fclose(out);
  return lines;
}

std::string request(int id, const std::string& method, const std::string& params) {
  return R"({"jsonrpc":"2.0","id":)" + std::to_string(id) + R"(,"method":")" + method +
         R"(","params":)" + params + "}";
}

class SessionTest : public ::testing::Test {
 protected:
  void SetUp() override {
    db = (dir.path() / "s.db").string();
    auto cn = openConnection("sqlite:" + db);
    cn->Execute(
        u"create table seqm (キー varchar(40), 番号 integer, 開始番号 integer, 終了番号 "
        u"integer, 更新担当者 varchar(10), 更新日付 varchar(10), 更新時間 varchar(8))");
    cn->Execute(u"create table t (a varchar(4), b integer)");
  }
  std::int64_t rows(const std::u16string& table) {
    auto rs = openConnection("sqlite:" + db)->OpenResultset(u"select count(*) from " + table);
    return *rs->rdoColumns()[0].Value().get<std::int32_t>();
  }
  zuvo::testing::TempDir dir;
  std::string db;
};

// The draw of one number inside the client's own transaction, on the handles 1 (connection),
// 2 (query) and 3 (its resultset).
const std::string drawParams =
    R"([{"Connection":1},"seqm",{"Query":2},{"Resultset":3},"k",1,"","","","T01","2000.11.23","10:00:00",""])";
std::vector<std::string> openHandles(const std::string& db) {
  return {request(1, "session.connect", "[\"sqlite:" + db + "\"]"),
          request(2, "session.prepare",
                  R"([{"Connection":1},"select 番号, 終了番号 from seqm where キー = ?"])"),
          request(3, "session.open", R"([{"Query":2}])")};
}

TEST_F(SessionTest, HandlesAndTransactionsSpanCalls) {
  auto requests = openHandles(db);
  requests.insert(
      requests.end(),
      {request(4, "RDBStartTran", R"([{"Connection":1},"",false])"),
       request(5, "GetSEQ", drawParams), request(6, "GetSEQ", drawParams),
       request(7, "RDBCommit", R"([{"Connection":1},""])"),
       request(8, "RDBExec", R"J([{"Connection":1},"insert into t values ('x', 1)",""])J"),
       request(9, "session.open", R"([{"Connection":1},"select a, b from t"])"),
       request(10, "session.fetch", R"([{"Resultset":4},5])"),
       request(11, "session.close", R"([{"Connection":1}])"),
       request(12, "session.fetch", R"([{"Resultset":4},5])")});
  auto out = serve(requests);
  ASSERT_EQ(out.size(), 12u);
  EXPECT_EQ(out[0]["result"], Json({{"Connection", 1}}));
  EXPECT_EQ(out[4]["result"]["result"], 1);
  EXPECT_EQ(out[5]["result"]["result"], 2);
  EXPECT_EQ(out[6]["result"]["result"], 0);  // the commit had a transaction to commit
  EXPECT_EQ(dump(out[9]["result"]), R"({"columns":["a","b"],"rows":[["x",1]],"eof":true})");
  // Closing the connection closed its resultset too.
  EXPECT_EQ(out[11]["error"]["code"], -32602);
  EXPECT_EQ(rows(u"seqm"), 1);
}

TEST_F(SessionTest, ErrorsAnswerAndTheSessionGoesOn) {
  struct Case {
    std::string line;
    int code;
  };
  const Case cases[] = {
      {"{not json", -32700},
      {R"({"jsonrpc":"2.0","id":1,"params":[]})", -32600},
      {request(1, "NoSuchMethod", "[]"), -32601},
      {request(1, "session.nothing", "[]"), -32601},
      {request(1, "LenByte", "[]"), -32602},
      {request(1, "LenByte", R"([{"Bad":1}])"), -32602},
      {request(1, "RequeryRS", R"([{"Resultset":7}])"), -32602},
      {request(1, "RDBCommit", R"([{"Connection":null},""])"), -32602},  // no --db
      {request(1, "MidByte", "[null,1,1]"), 94},
      {request(1, "session.connect", R"(["nosuch:x"])"), -32602},
      {request(1, "session.connect", R"(["sqlite:/nonexistent/x.db"])"), -32000},
  };
  for (const Case& c : cases) {
    auto out = serve({c.line, R"({"jsonrpc":"2.0","method":"LenByte","params":["a"]})",
                      request(2, "lenbyte", R"(["あいう"])")});
    ASSERT_EQ(out.size(), 2u) << c.line;  // the notification gets no answer
    EXPECT_EQ(out[0]["error"]["code"], c.code) << c.line << " → " << dump(out[0]);
    EXPECT_EQ(out[1]["id"], 2);
    EXPECT_EQ(out[1]["result"]["result"], 6);
  }
  // A run-time error keeps what the method wrote, as zuvo call shows it.
  auto out = serve({request(1, "MidByte", "[null,1,1]")});
  EXPECT_EQ(out[0]["error"]["data"]["args"], Json::parse("[null,1,1]"));
}

TEST_F(SessionTest, EndOfInputRollsBackAndStateLivesForTheSession) {
  std::FILE* csv = std::fopen((dir.path() / "t.csv").c_str(), "w");
  std::fclose(csv);
  auto cn = openConnection("sqlite:" + db);
  cn->Execute(
      u"with recursive n(i) as (select 1 union all select i + 1 from n where i < 1500) "
      u"insert into t select 'r', i from n");
  const std::string file = (dir.path() / "t.csv").string();
  SessionOptions options;
  options.db = "sqlite:" + db;
  auto out = serve({request(1, "CnvCSVFile",
                            R"([{"Connection":null},"select * from t",")" + file + R"(",false])"),
                    request(2, "GetCnvCount", "[]"),
                    request(3, "RDBStartTran", R"([{"Connection":null},"",false])"),
                    request(4, "RDBExec", R"([{"Connection":null},"delete from t",""])")},
                   options);
  ASSERT_EQ(out.size(), 5u);
  EXPECT_EQ(out[0]["method"], "session.progress");  // the pump ran at record 1000
  EXPECT_EQ(out[0]["params"]["count"], 1000);
  EXPECT_EQ(out[1]["result"]["result"], 1500);
  EXPECT_EQ(out[2]["result"]["result"], 1500);
  EXPECT_EQ(out[4]["result"]["result"], 0);
  EXPECT_EQ(rows(u"t"), 1500);  // the delete was never committed
}

// A session in a process of its own, spoken to over pipes as a client would.
class SessionProcess {
 public:
  explicit SessionProcess(const std::vector<std::string>& arguments) {
    int toChild[2], fromChild[2];
    EXPECT_EQ(::pipe2(toChild, O_CLOEXEC), 0);  // other clients must not hold our ends
    EXPECT_EQ(::pipe2(fromChild, O_CLOEXEC), 0);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, toChild[0], 0);
    posix_spawn_file_actions_adddup2(&actions, fromChild[1], 1);
    std::vector<std::string> words{ZUVO_PROGRAM, "session"};
    words.insert(words.end(), arguments.begin(), arguments.end());
    std::vector<char*> argv;
    for (auto& w : words) argv.push_back(w.data());
    argv.push_back(nullptr);
    EXPECT_EQ(posix_spawn(&pid_, ZUVO_PROGRAM, &actions, nullptr, argv.data(), environ), 0);
    posix_spawn_file_actions_destroy(&actions);
    ::close(toChild[0]);
    ::close(fromChild[1]);
    in_ = ::fdopen(toChild[1], "w");
    out_ = ::fdopen(fromChild[0], "r");
  }
  ~SessionProcess() { wait(); }
  Json call(const std::string& line) {
    std::fprintf(in_, "%s\n", line.c_str());
    std::fflush(in_);
    char buffer[1 << 16];
    if (!std::fgets(buffer, sizeof buffer, out_)) return nullptr;
    return Json::parse(buffer);
  }
  int wait() {
    if (in_) std::fclose(in_);
    if (out_) std::fclose(out_);
    in_ = out_ = nullptr;
    int status = 0;
    if (pid_ > 0) ::waitpid(pid_, &status, 0);
    pid_ = -1;
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  }
  pid_t pid() const { return pid_; }

 private:
  pid_t pid_ = -1;
  std::FILE* in_ = nullptr;
  std::FILE* out_ = nullptr;
};

TEST_F(SessionTest, SigtermRollsBackAndEndsCleanly) {
  SessionProcess p({"--db", "sqlite:" + db});
  p.call(request(1, "RDBStartTran", R"([{"Connection":null},"",false])"));
  p.call(request(2, "RDBExec", R"J([{"Connection":null},"insert into t values ('x', 1)",""])J"));
  ::kill(p.pid(), SIGTERM);
  EXPECT_EQ(p.wait(), 0);
  EXPECT_EQ(rows(u"t"), 0);
}

// Four clients draw from one counter, each draw in a transaction of its own: every number
// from 1 to 2000 exactly once.
class SessionConcurrency : public zuvo::test::DatabaseTest {};
INSTANTIATE_TEST_SUITE_P(Backends, SessionConcurrency, zuvo::test::backends(),
                         zuvo::test::backendName);

TEST_P(SessionConcurrency, FourSessionsDrawEveryNumberOnce) {
  zuvo::testing::TempDir dir;
  std::string uri = "sqlite:" + (dir.path() / "seq.db").string();
  std::string setup;
  if (isOdbc()) {
    uri = zuvo::test::odbcUri();
    setup = "set search_path to " + rt::toUtf8(schema());
  }
  auto cn = isOdbc() ? nullptr : openConnection(uri);
  Connection& admin = isOdbc() ? connection() : *cn;
  admin.Execute(
      u"create table seqm (キー varchar(40), 番号 integer, 開始番号 integer, "
      u"終了番号 integer, 更新担当者 varchar(10), 更新日付 varchar(10), 更新時間 "
      u"varchar(8))");
  admin.Execute(u"insert into seqm values ('k', 0, 1, 99999999, '', '', '')");
  constexpr int clients = 4, draws = 500;
  std::vector<std::vector<int>> numbers(clients);
  std::vector<std::thread> threads;
  for (int c = 0; c < clients; ++c)
    threads.emplace_back([&, c] {
      SessionProcess p({});
      p.call(request(1, "session.connect", "[\"" + uri + "\"]"));
      if (!setup.empty())
        p.call(request(9, "RDBExec", R"([{"Connection":1},")" + setup + R"(",""])"));
      p.call(request(2, "session.prepare",
                     R"([{"Connection":1},"select 番号, 終了番号 from seqm where キー = ?"])"));
      p.call(request(3, "session.open", R"([{"Query":2}])"));
      while (static_cast<int>(numbers[c].size()) < draws) {
        p.call(request(4, "RDBStartTran", R"([{"Connection":1},"",false])"));
        Json drawn = p.call(request(5, "GetSEQ", drawParams));
        int n = drawn["result"]["result"].get<int>();
        if (n < 0 ||
            p.call(request(6, "RDBCommit", R"([{"Connection":1},""])"))["result"]["result"] != 0) {
          p.call(request(7, "session.rollback", R"([{"Connection":1}])"));
          continue;
        }
        numbers[c].push_back(n);
      }
    });
  for (auto& t : threads) t.join();
  std::set<int> all;
  for (const auto& list : numbers) all.insert(list.begin(), list.end());
  EXPECT_EQ(all.size(), 2000u);
  EXPECT_EQ(*all.begin(), 1);
  EXPECT_EQ(*all.rbegin(), 2000);
}

}  // namespace
}  // namespace zuvo::cli
