#include <algorithm>
#include <functional>
#include <thread>
#include <vector>

#include "database/ServicesFixture.h"

namespace zuvo::test {
namespace {

class SequenceTest : public ServicesFixture {
 protected:
  std::int32_t draw(const String& key, std::int16_t add, String& sql, const String& swd = u"",
                    const String& todt = u"2000.11.23") {
    seqs = u"x";
    return z->GetSEQ(*cn, u"seqm", *counterQuery, *counterRows, key, add, sql, swd, u"", u"T01",
                     todt, u"10:30:05", seqs);
  }
  std::int32_t draw(const String& key, std::int16_t add = 1) {
    String none;
    return draw(key, add, none);
  }
  String seqs;
};

INSTANTIATE_TEST_SUITE_P(Backends, SequenceTest, backends(), backendName);

TEST_P(SequenceTest, NewCounterIsCreatedThenAdvanced) {
  EXPECT_EQ(draw(u"受注"), 1);
  EXPECT_EQ(rt::left(seqs, 11), u"insert into");
  EXPECT_EQ(rt::toLong(scalar(u"select 開始番号 from seqm where キー = '受注'")), 1);
  EXPECT_EQ(rt::toLong(scalar(u"select 終了番号 from seqm where キー = '受注'")), 99999999);
  EXPECT_EQ(draw(u"受注"), 2);
  EXPECT_EQ(seqs,
            u"update seqm set 番号 = 番号 + 1, 更新担当者 = 'T01', 更新日付 = '2000.11.23', "
            u"更新時間 = '10:30:05' where キー = '受注'");
  EXPECT_EQ(draw(u"受注", 0), 2);  // a step of 0 reads without advancing
  EXPECT_EQ(draw(u"受注", 5), 7);
}

TEST_P(SequenceTest, DailyKeysRestartEachDay) {
  String none;
  EXPECT_EQ(draw(u"LOGm_番号", 3, none, u"", u"2000.11.23"), 3);
  EXPECT_EQ(draw(u"LOGm_番号", 3, none, u"", u"2000.11.23"), 6);
  EXPECT_EQ(draw(u"LOGm_番号", 3, none, u"", u"2000.11.24"), 3);
  EXPECT_EQ(count(u"seqm where キー = 'LOGm_番号_20001124'"), 1);
  EXPECT_EQ(draw(u"OTHER_番号", 1, none, u"", u"2000.11.24"), 1);
  EXPECT_EQ(count(u"seqm where キー = 'OTHER_番号'"), 1);
}

TEST_P(SequenceTest, NumberReplacesFirstPlaceholderOnly) {
  String sql = u"insert into t values (@no, @no)";
  EXPECT_EQ(draw(u"k", 1, sql, u"@no"), 1);
  EXPECT_EQ(sql, u"insert into t values (1, @no)");
  String missing = u"insert into t values (1)";
  EXPECT_EQ(draw(u"k", 1, missing, u"@no"), -1);
  EXPECT_EQ(missing, u"insert into t values (1)");
  EXPECT_EQ(seqs, u"");
  String any = u"no placeholder";
  EXPECT_EQ(draw(u"k", 1, any, u""), 3);  // no replacement asked: the number still comes
}

TEST_P(SequenceTest, CounterPastItsEndFails) {
  EXPECT_EQ(draw(u"k"), 1);
  cn->Execute(u"update seqm set 終了番号 = 2 where キー = 'k'");
  EXPECT_EQ(draw(u"k"), 2);
  EXPECT_EQ(draw(u"k"), -1);
  EXPECT_EQ(seqs, u"");
}

TEST_P(SequenceTest, QuotesInCallerTextsAreStoredAsWritten) {
  String none;
  seqs.clear();
  EXPECT_EQ(z->GetSEQ(*cn, u"seqm", *counterQuery, *counterRows, u"it's", 1, none, u"", u"",
                      u"O'Brien", u"2000.11.23", u"10:30:05", seqs),
            1);
  EXPECT_EQ(rt::toText(scalar(u"select 更新担当者 from seqm where キー = 'it''s'")), u"O'Brien");
  // A crafted key changes nothing but its own counter.
  EXPECT_EQ(draw(u"x' or '1'='1"), 1);
  EXPECT_EQ(count(u"seqm"), 2);
  EXPECT_EQ(rt::toLong(scalar(u"select 番号 from seqm where キー = 'it''s'")), 1);
}

TEST_P(SequenceTest, MissingTableFails) {
  String none;
  EXPECT_EQ(z->GetSEQ(*cn, u"nosuch", *counterQuery, *counterRows, u"k", 1, none, u"", u"", u"T",
                      u"2000.11.23", u"10:30:05", seqs),
            -1);
  EXPECT_EQ(seqs, u"");
}

}  // namespace
}  // namespace zuvo::test

namespace zuvo::test {
namespace {

// Each thread holds its own connection and object, as two client programs would. A draw
// that meets the other's lock is rolled back and tried again, as a client would.
std::vector<std::int32_t> drawInTransactions(const std::string& uri, const String& prelude,
                                             std::size_t draws) {
  ZuvoCls z(
      recordingPlatform(std::make_shared<Recorder>(), std::filesystem::temp_directory_path()));
  auto cn = openConnection(uri);
  if (!prelude.empty()) cn->Execute(prelude);
  auto query = cn->CreateQuery(u"select 番号, 終了番号 from seqm where キー = ?");
  query->SetParameter(0, String(u"shared"));
  auto rows = query->OpenResultset();
  std::vector<std::int32_t> numbers;
  for (int attempt = 0; numbers.size() < draws && attempt < 20 * int(draws); ++attempt) {
    String errs, none, seqs;
    if (z.RDBStartTran(*cn, errs, false) != 0) continue;
    try {
      const std::int32_t n = z.GetSEQ(*cn, u"seqm", *query, *rows, u"shared", 1, none, u"", u"",
                                      u"T", u"2000.11.23", u"10:00:00", seqs);
      if (n > 0 && z.RDBCommit(*cn, errs) == 0) {
        numbers.push_back(n);
        continue;
      }
    } catch (const DatabaseError&) {
    }
    cn->RollbackTrans();
  }
  return numbers;
}

class SequenceConcurrency : public DatabaseTest {};
INSTANTIATE_TEST_SUITE_P(Backends, SequenceConcurrency, backends(), backendName);

TEST_P(SequenceConcurrency, TwoConnectionsNeverShareANumber) {
  const auto path =
      std::filesystem::temp_directory_path() / ("zuvo-seq-" + std::to_string(::getpid()) + ".db");
  std::filesystem::remove(path);
  std::string uri = "sqlite:" + path.string();
  String prelude;
  std::unique_ptr<Connection> file;
  Connection* cn = &connection();
  if (isOdbc()) {
    uri = odbcUri();
    prelude = u"set search_path to " + schema_;
  } else {
    file = openConnection(uri);
    cn = file.get();
  }
  createMasterTables(*cn);
  cn->Execute(u"insert into seqm values ('shared', 0, 1, 99999999, 'T', '', '')");
  std::vector<std::int32_t> first, second;
  // An exception must not escape a thread: it would end the whole test program.
  auto run = [&](std::vector<std::int32_t>& numbers) {
    try {
      numbers = drawInTransactions(uri, prelude, 50);
    } catch (const std::exception& e) {
      ADD_FAILURE() << e.what();
    }
  };
  std::thread a(run, std::ref(first));
  std::thread b(run, std::ref(second));
  a.join();
  b.join();
  std::vector<std::int32_t> all(first);
  all.insert(all.end(), second.begin(), second.end());
  std::sort(all.begin(), all.end());
  EXPECT_EQ(std::adjacent_find(all.begin(), all.end()), all.end());
  EXPECT_EQ(all.size(), 100u);
  // Every committed draw advanced the counter once: nothing was lost or counted twice.
  EXPECT_EQ(rt::toLong(cn->OpenResultset(u"select 番号 from seqm")->rdoColumns()[0].Value()),
            std::int32_t(all.size()));
  file.reset();
  std::filesystem::remove(path);
}

}  // namespace
}  // namespace zuvo::test
