// Failures from outside the library: a disk that fills, a statement that fails in the middle
// of a load, a process killed during a load, a database locked by another program. None may
// crash the caller, lose a committed row or leave half a batch behind.
#include <gtest/gtest.h>
#include <sys/resource.h>

#include <cstdio>
#include <filesystem>
#include <vector>

#include "convert/TextFile.h"
#include "database/MasterTables.h"
#include "reliability/Harness.h"

namespace zuvo::reliability {
namespace {

using namespace std::chrono_literals;

constexpr std::int32_t kBigRows = 2000;
constexpr std::int32_t kSizeLimit = 10000;  // bytes: inside the first flush of a big export
const String kFixedFds = u"n__0006 x_l0020";
const String kJefFds = u"n__0006 x_l0020";

std::string nameOf(std::int32_t k) {
  return "name-" + std::to_string(k);
}

// src(k, name) holding the rows 1 to `rows`.
void createSource(Connection& cn, std::int32_t rows) {
  cn.Execute(u"drop table if exists src");
  cn.Execute(u"create table src (k integer, name varchar(20))");
  cn.Execute(u"with recursive c(i) as (select 1 union all select i + 1 from c where i < " +
             rt::fromUtf8(std::to_string(rows)) +
             u") insert into src select i, 'name-' || i from c");
}

String sourceQuery(std::int32_t rows) {
  return u"select k, name from src where k <= " + rt::fromUtf8(std::to_string(rows)) +
         u" order by k";
}

// The rows of src as a CSV file (with or without a header) and as fixed-length records.
std::string csvText(std::int32_t rows, bool header) {
  std::string text = header ? "\"k\",\"name\"\r\n" : "";
  for (std::int32_t k = 1; k <= rows; ++k)
    text += "\"" + std::to_string(k) + "\",\"" + nameOf(k) + "\"\r\n";
  return text;
}

std::string fixedText(std::int32_t rows, bool lineEnds) {
  std::string text;
  char record[64];
  for (std::int32_t k = 1; k <= rows; ++k) {
    std::snprintf(record, sizeof record, "%06d%-20s%s", k, nameOf(k).c_str(),
                  lineEnds ? "\r\n" : "");
    text += record;
  }
  return text;
}

bool methodsPending(ZuvoCls& z) {
  try {
    z.MidByte(u"a", 1, 1);
    return false;
  } catch (const RuntimeError& e) {
    if (e.number() == err::NotImplemented) return true;
    throw;
  }
}

// --- Exports ---------------------------------------------------------------------------------

struct ExportCase {
  const char* name;
  bool jef;  // reads or writes JEF files
  std::function<std::int32_t(ZuvoCls&, Connection&, const Workspace&, const String& out, bool add,
                             std::int32_t rows)>
      run;
};

const std::vector<ExportCase>& exportCases() {
  static const std::vector<ExportCase> cases = {
      {"CnvCSVFile", false,
       [](ZuvoCls& z, Connection& cn, const Workspace&, const String& out, bool add,
          std::int32_t rows) { return z.CnvCSVFile(cn, sourceQuery(rows), out, add); }},
      {"CnvFixSFFile", false,
       [](ZuvoCls& z, Connection& cn, const Workspace&, const String& out, bool add,
          std::int32_t rows) {
         return z.CnvFixSFFile(cn, sourceQuery(rows), out, kFixedFds, true, add);
       }},
      {"CnvJefSFFile", true,
       [](ZuvoCls& z, Connection& cn, const Workspace&, const String& out, bool add,
          std::int32_t rows) { return z.CnvJefSFFile(cn, sourceQuery(rows), out, kJefFds, add); }},
      {"CSVtoJEF", true,
       [](ZuvoCls& z, Connection&, const Workspace& ws, const String& out, bool add,
          std::int32_t rows) {
         return z.CSVtoJEF(ws.name(rows == 1 ? "small.csv" : "big.csv"), out, kJefFds, add);
       }},
      {"JEFtoCSV", true,
       [](ZuvoCls& z, Connection&, const Workspace& ws, const String& out, bool add,
          std::int32_t rows) {
         return z.JEFtoCSV(ws.name(rows == 1 ? "small.jef" : "big.jef"), out, kJefFds, 0, add);
       }},
  };
  return cases;
}

class ExportFaultTest : public ::testing::TestWithParam<ExportCase> {
 protected:
  void SetUp() override {
    auto cn = ws.database();
    createSource(*cn, kBigRows);
    ws.write("small.csv", csvText(1, false));
    ws.write("big.csv", csvText(kBigRows, false));
    auto z = ws.component();
    if (methodsPending(*z)) GTEST_SKIP() << "text measures not implemented yet";
    if (GetParam().jef) {
      ZUVO_SKIP_IF_PENDING(
          z->CnvJefSFFile(*cn, sourceQuery(1), ws.name("small.jef"), kJefFds, false));
      ASSERT_EQ(z->CnvJefSFFile(*cn, sourceQuery(kBigRows), ws.name("big.jef"), kJefFds, false),
                kBigRows);
    }
    // The parent holds no connection when it forks: each process opens its own.
  }

  std::int32_t run(ZuvoCls& z, const String& out, bool add, std::int32_t rows) {
    auto cn = ws.database();
    return GetParam().run(z, *cn, ws, out, add, rows);
  }

  Workspace ws;
};

TEST_P(ExportFaultTest, WritingToAFullDiskFails) {
  auto z = ws.component();
  // One row fails only when the buffer is flushed at the end; many fail in the middle.
  for (std::int32_t rows : {1, kBigRows})
    for (bool add : {false, true})
      EXPECT_EQ(run(*z, u"/dev/full", add, rows), -1) << rows << " rows, add " << add;
}

TEST_P(ExportFaultTest, AFileSizeLimitKeepsWhatWasWritten) {
  for (bool add : {false, true}) {
    SCOPED_TRACE(add ? "appending" : "replacing");
    std::filesystem::remove(ws.file("ref.out"));
    std::filesystem::remove(ws.file("ref.csd"));
    ASSERT_EQ(run(*ws.component(), ws.name("ref.out"), add, kBigRows), kBigRows);
    const std::string full = ws.read("ref.out");
    // The limit is reached in the middle of the run, not when the file is closed.
    ASSERT_GT(full.size(), convert::kFileBufferSize);

    // Replacing must drop an old, longer file; appending must keep an old one.
    const std::string old(add ? 1000 : 3 * kSizeLimit, 'o');
    ws.write("lim.out", old);
    std::filesystem::remove(ws.file("lim.csd"));
    Child child([&] {
      rlimit limit{kSizeLimit, kSizeLimit};
      ::setrlimit(RLIMIT_FSIZE, &limit);
      ::signal(SIGXFSZ, SIG_IGN);
      return run(*ws.component(), ws.name("lim.out"), add, kBigRows);
    });
    Outcome outcome = child.wait(20s);
    EXPECT_TRUE(outcome.returned(-1)) << outcome;
    const std::string kept = add ? old : "";
    EXPECT_EQ(ws.read("lim.out"), kept + full.substr(0, kSizeLimit - kept.size()));
    // The column type file is small and is still written in full.
    if (std::filesystem::exists(ws.file("ref.csd"))) {
      EXPECT_EQ(ws.read("lim.csd"), ws.read("ref.csd"));
    }
  }
}

// A row that can't be read ends the export with -1; the records before it are in the file.
TEST(QueryFaultTest, AQueryFailingMidwayKeepsTheRecordsBefore) {
  Workspace ws;
  auto z = ws.component();
  if (methodsPending(*z)) GTEST_SKIP() << "text measures not implemented yet";
  auto cn = ws.database();
  createSource(*cn, 300);
  // abs() of the smallest integer overflows: row 100 raises an error when it is read.
  const String query =
      u"select k, case when k = 100 then abs(-9223372036854775808) else name end from src";
  const struct {
    const char* name;
    std::function<std::int32_t(const String& sql, const String& out)> run;
  } exports[] = {
      {"CnvCSVFile",
       [&](const String& sql, const String& out) { return z->CnvCSVFile(*cn, sql, out, false); }},
      {"CnvFixSFFile",
       [&](const String& sql, const String& out) {
         return z->CnvFixSFFile(*cn, sql, out, kFixedFds, true, false);
       }},
      {"CnvJefSFFile",
       [&](const String& sql, const String& out) {
         return z->CnvJefSFFile(*cn, sql, out, kJefFds, false);
       }},
  };
  for (const auto& e : exports) {
    SCOPED_TRACE(e.name);
    try {
      ASSERT_EQ(e.run(query + u" where k < 100", ws.name("ref.out")), 99);
      EXPECT_EQ(e.run(query, ws.name("failed.out")), -1);
    } catch (const RuntimeError& error) {
      if (error.number() != err::NotImplemented) throw;
      continue;
    }
    EXPECT_EQ(ws.read("failed.out"), ws.read("ref.out"));
  }
}

INSTANTIATE_TEST_SUITE_P(Exports, ExportFaultTest, ::testing::ValuesIn(exportCases()),
                         [](const auto& info) { return std::string(info.param.name); });

// --- Imports ---------------------------------------------------------------------------------

struct ImportCase {
  const char* name;
  bool jef;
  std::function<std::int32_t(ZuvoCls&, Connection&, const Workspace&, const String& sql,
                             const String& tbl)>
      run;
};

const std::vector<ImportCase>& importCases() {
  static const std::vector<ImportCase> cases = {
      {"SetRDB", false,
       [](ZuvoCls& z, Connection& cn, const Workspace& ws, const String& sql, const String& tbl) {
         return z.SetRDB(cn, sql, ws.name("in.csv"), tbl);
       }},
      {"SetFixRDB_lines", false,
       [](ZuvoCls& z, Connection& cn, const Workspace& ws, const String& sql, const String& tbl) {
         return z.SetFixRDB(cn, sql, ws.name("in.txt"), kFixedFds, 0, tbl);
       }},
      {"SetFixRDB_records", false,
       [](ZuvoCls& z, Connection& cn, const Workspace& ws, const String& sql, const String& tbl) {
         return z.SetFixRDB(cn, sql, ws.name("in.dat"), kFixedFds, 26, tbl);
       }},
      {"SetJefRDB", true,
       [](ZuvoCls& z, Connection& cn, const Workspace& ws, const String& sql, const String& tbl) {
         return z.SetJefRDB(cn, sql, ws.name("in.jef"), kJefFds, 0, tbl);
       }},
  };
  return cases;
}

// Writes the rows 1 to `rows` in every input form; false when the JEF export is not there yet.
bool writeImportInputs(const Workspace& ws, std::int32_t rows, bool jef) {
  ws.write("in.csv", csvText(rows, true));
  ws.write("in.txt", fixedText(rows, true));
  ws.write("in.dat", fixedText(rows, false));
  if (!jef) return true;
  auto cn = ws.database();
  createSource(*cn, rows);
  try {
    return ws.component()->CnvJefSFFile(*cn, sourceQuery(rows), ws.name("in.jef"), kJefFds,
                                        false) == rows;
  } catch (const RuntimeError& e) {
    if (e.number() == err::NotImplemented) return false;
    throw;
  }
}

void createTarget(Connection& cn, const String& table) {
  cn.Execute(u"drop table if exists " + table);
  cn.Execute(u"create table " + table + u" (k integer, name varchar(20))");
}

// True when `table` holds exactly the rows 1 to n of the input, each once.
::testing::AssertionResult holdsFirstRows(Connection& cn, const String& table, std::int32_t n) {
  std::int32_t count = rowCount(cn, table);
  std::int32_t matching =
      rt::toLong(scalar(cn, u"select count(distinct k) from " + table +
                                u" where name = 'name-' || k and k between 1 and " +
                                rt::fromUtf8(std::to_string(n))));
  if (count == n && matching == n) return ::testing::AssertionSuccess();
  return ::testing::AssertionFailure()
         << rt::toUtf8(table) << " holds " << count << " rows, " << matching
         << " of them among the first " << n << " of the file";
}

class ImportFaultTest : public ::testing::TestWithParam<ImportCase> {
 protected:
  void prepare(std::int32_t rows) {
    if (methodsPending(*ws.component())) GTEST_SKIP() << "text measures not implemented yet";
    if (!writeImportInputs(ws, rows, GetParam().jef)) GTEST_SKIP() << "JEF export pending";
  }
  std::int32_t run(ZuvoCls& z, Connection& cn, const String& sql = u"") {
    return GetParam().run(z, cn, ws, sql, u"t");
  }
  Workspace ws;
};

TEST_P(ImportFaultTest, AStatementFailingMidwayKeepsTheCommittedBatches) {
  prepare(30);
  if (IsSkipped()) return;
  constexpr std::int32_t interval = 4;
  auto z = ws.component(interval);
  auto cn = ws.database();
  auto other = ws.database();
  other->Execute(u"pragma busy_timeout = 0");
  // The insert after `failAt` rows fails: at the first row, inside a batch, and on a batch
  // boundary.
  for (std::int32_t failAt : {0, 3, 10, 8}) {
    SCOPED_TRACE("failing after row " + std::to_string(failAt));
    createTarget(*cn, u"t");
    cn->Execute(u"create trigger boom before insert on t when (select count(*) from t) >= " +
                rt::fromUtf8(std::to_string(failAt)) + u" begin select raise(abort, 'boom'); end");
    cn->Execute(u"drop table if exists before_load");
    cn->Execute(u"create table before_load (x integer)");

    EXPECT_EQ(run(*z, *cn, u"insert into before_load values (1)"), -1);
    // Seen from another connection: only whole committed batches, and the statement run
    // before the load.
    EXPECT_TRUE(holdsFirstRows(*other, u"t", failAt / interval * interval));
    EXPECT_EQ(rowCount(*other, u"before_load"), 1);
    // No transaction is left open: the other connection can write at once, and a write on
    // the import's connection is committed on its own.
    EXPECT_NO_THROW({
      other->Execute(u"begin immediate");
      other->Execute(u"rollback");
    });
    cn->Execute(u"insert into before_load values (2)");
    EXPECT_EQ(rowCount(*other, u"before_load"), 2);
  }
}

TEST_P(ImportFaultTest, AKilledImportLeavesWholeBatches) {
  constexpr std::int32_t rows = 10000, interval = 250;
  prepare(rows);
  if (IsSkipped()) return;
  createTarget(*ws.database(), u"t");
  Child child([&] {
    auto cn = ws.database();
    return run(*ws.component(interval, std::make_shared<SlowPump>()), *cn);
  });
  // Kill it once some batches are in, at whatever point of the next one it has reached.
  std::int32_t seen = 0;
  {
    auto watch = ws.database();
    auto deadline = std::chrono::steady_clock::now() + 15s;
    while (child.running() && std::chrono::steady_clock::now() < deadline) {
      seen = rowCount(*watch, u"t");
      if (seen >= 2 * interval) break;
      std::this_thread::sleep_for(1ms);
    }
  }
  ASSERT_TRUE(child.running()) << "the import ended before it could be killed: " << child.wait(0ms);
  child.kill();

  auto cn = ws.database();
  EXPECT_EQ(rt::toText(scalar(*cn, u"pragma integrity_check")), u"ok");
  std::int32_t count = rowCount(*cn, u"t");
  EXPECT_EQ(count % interval, 0) << count;
  EXPECT_GE(count, seen);
  EXPECT_LT(count, rows);
  EXPECT_TRUE(holdsFirstRows(*cn, u"t", count));
}

INSTANTIATE_TEST_SUITE_P(Imports, ImportFaultTest, ::testing::ValuesIn(importCases()),
                         [](const auto& info) { return std::string(info.param.name); });

// Another program holds the write lock for longer than the connection waits: every import
// (and the statement run before a load) gives up with -1 instead of hanging, and the other
// program's transaction is not disturbed.
TEST(LockedDatabaseTest, CallsFailWithinABoundedTime) {
  Workspace ws;
  if (methodsPending(*ws.component())) GTEST_SKIP() << "text measures not implemented yet";
  bool jef = writeImportInputs(ws, 30, true);
  {
    auto cn = ws.database();
    cn->Execute(u"create table held (x integer)");
    test::createMasterTables(*cn);
    for (std::size_t i = 0; i < importCases().size(); ++i)
      createTarget(*cn, u"t" + rt::fromUtf8(std::to_string(i)));
  }

  Child locker([&] {
    auto cn = ws.database();
    cn->Execute(u"begin immediate");
    cn->Execute(u"insert into held values (1)");
    ws.write("locked", "");
    while (!std::filesystem::exists(ws.file("release"))) std::this_thread::sleep_for(2ms);
    cn->Execute(u"commit");
    return 0;
  });
  for (auto deadline = std::chrono::steady_clock::now() + 10s;
       !std::filesystem::exists(ws.file("locked"));) {
    ASSERT_LT(std::chrono::steady_clock::now(), deadline) << "the locker did not start";
    std::this_thread::sleep_for(2ms);
  }

  // The calls run side by side, so the whole test waits for one lock time-out only.
  std::vector<std::unique_ptr<Child>> calls;
  std::vector<std::string> names;
  for (std::size_t i = 0; i < importCases().size(); ++i) {
    const ImportCase& c = importCases()[i];
    if (c.jef && !jef) continue;
    String table = u"t" + rt::fromUtf8(std::to_string(i));
    calls.push_back(std::make_unique<Child>([&ws, &c, table] {
      auto cn = ws.database();
      return c.run(*ws.component(), *cn, ws, u"", table);
    }));
    names.push_back(c.name);
  }
  calls.push_back(std::make_unique<Child>([&ws] {
    auto cn = ws.database();
    return ws.component()->SetRDB(*cn, u"delete from t0", u"", u"");
  }));
  names.push_back("the statement before a load");
  // The sequence and the masters: -1, or one message shown for the transaction not begun.
  calls.push_back(std::make_unique<Child>([&ws] {
    auto cn = ws.database();
    auto query = cn->CreateQuery(u"select 番号, 終了番号 from seqm where キー = ?");
    query->SetParameter(0, String(u""));
    auto rows = query->OpenResultset();
    String sql, seqs;
    return ws.component()->GetSEQ(*cn, u"seqm", *query, *rows, u"K", 1, sql, u"", u"", u"T01",
                                  u"2000.11.23", u"10:00:00", seqs);
  }));
  names.push_back("GetSEQ");
  calls.push_back(std::make_unique<Child>([&ws] {
    auto cn = ws.database();
    auto recorder = std::make_shared<Recorder>();
    ws.component(99999999, nullptr, recorder)
        ->WritePGMm(*cn, u"pgmm", u"a.exe", u"title", u"~|~1999.04.01 ver 1.00~|~", u"T01");
    return -static_cast<std::int32_t>(recorder->messages.size());
  }));
  names.push_back("WritePGMm");
  calls.push_back(std::make_unique<Child>([&ws] {
    auto cn = ws.database();
    auto query = cn->CreateQuery(u"select 番号, 終了番号 from seqm where キー = ?");
    query->SetParameter(0, String(u""));
    auto rows = query->OpenResultset();
    auto recorder = std::make_shared<Recorder>();
    ws.component(99999999, nullptr, recorder)
        ->WriteMSGm(*cn, u"msgm", u"logm", u"seqm", *query, *rows, u"a.exe", u"title", u"01",
                    u"T01", u"message", u"", u"");
    return -static_cast<std::int32_t>(recorder->messages.size());
  }));
  names.push_back("WriteMSGm");

  for (std::size_t i = 0; i < calls.size(); ++i) {
    Outcome outcome = calls[i]->wait(20s);
    EXPECT_TRUE(outcome.returned(-1)) << names[i] << ": " << outcome;
  }
  ws.write("release", "");
  EXPECT_TRUE(locker.wait(10s).returned(0));

  auto cn = ws.database();
  EXPECT_EQ(rowCount(*cn, u"held"), 1);
  for (std::size_t i = 0; i < importCases().size(); ++i)
    EXPECT_EQ(rowCount(*cn, u"t" + rt::fromUtf8(std::to_string(i))), 0);
  for (const char16_t* master : {u"seqm", u"pgmm", u"msgm", u"logm"})
    EXPECT_EQ(rowCount(*cn, master), 0) << rt::toUtf8(master);
  // Once the lock is gone the same load goes through.
  EXPECT_EQ(importCases()[0].run(*ws.component(), *cn, ws, u"", u"t0"), 30);
}

}  // namespace
}  // namespace zuvo::reliability
