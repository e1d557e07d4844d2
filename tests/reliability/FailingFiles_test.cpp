// Every conversion through a file service that fails on demand: a refused open, a disk that
// fills at byte N, a read that fails at byte N, a close that fails. Each must answer -1 and
// keep the system's words for the failure.
#include <gtest/gtest.h>

#include <cerrno>
#include <cstring>
#include <functional>

#include "reliability/Harness.h"

namespace zuvo::reliability {
namespace {

// The system's files, but for the files whose path holds `target`, which fail as `fault` says.
class FailingFiles : public FileService {
 public:
  enum class Fault { None, Open, Write, Read, Close };
  FailingFiles(std::string target, Fault fault, std::size_t at)
      : target_(std::move(target)), fault_(fault), at_(at) {}

  std::unique_ptr<File> open(const std::string& path, Mode mode, int& error) override {
    const bool targeted = path.find(target_) != std::string::npos;
    if (targeted && fault_ == Fault::Open) {
      error = EACCES;
      return nullptr;
    }
    auto file = systemFiles().open(path, mode, error);
    if (!file || !targeted) return file;
    return std::make_unique<Failing>(std::move(file), fault_, at_);
  }

 private:
  class Failing : public File {
   public:
    Failing(std::unique_ptr<File> file, Fault fault, std::size_t at)
        : file_(std::move(file)), fault_(fault), at_(at) {}
    int read(char* into, std::size_t n, std::size_t& got) override {
      if (fault_ == Fault::Read && done_ + n > at_) {
        // A short read up to byte `at`, then the failure.
        if (done_ >= at_) return got = 0, EIO;
        n = at_ - done_;
      }
      int error = file_->read(into, n, got);
      done_ += got;
      return error;
    }
    int write(const char* from, std::size_t n) override {
      if (fault_ == Fault::Write && done_ + n > at_) {
        file_->write(from, at_ - done_);
        done_ = at_;
        return ENOSPC;
      }
      done_ += n;
      return file_->write(from, n);
    }
    int close() override {
      int error = file_->close();
      return fault_ == Fault::Close ? EIO : error;
    }
    std::uint64_t size() const override { return file_->size(); }

   private:
    std::unique_ptr<File> file_;
    Fault fault_;
    std::size_t at_;
    std::size_t done_ = 0;
  };

  std::string target_;
  Fault fault_;
  std::size_t at_;
};

using Fault = FailingFiles::Fault;
constexpr std::int32_t kRows = 3000;  // files well past one buffer of the conversions
const String kFds = u"n__0006 x_l0020";

struct Conversion {
  const char* name;
  const char* file;  // the file the fault hits, by a part of its name
  std::function<std::int32_t(ZuvoCls&, Connection&, const Workspace&)> run;
};

const Conversion kConversions[] = {
    {"CnvCSVFile", "out.csv",
     [](ZuvoCls& z, Connection& cn, const Workspace& ws) {
       return z.CnvCSVFile(cn, u"select * from src", ws.name("out.csv"), false);
     }},
    {"CnvFixSFFile", "out.dat",
     [](ZuvoCls& z, Connection& cn, const Workspace& ws) {
       return z.CnvFixSFFile(cn, u"select * from src", ws.name("out.dat"), kFds, true, false);
     }},
    {"CnvJefSFFile", "out.jef",
     [](ZuvoCls& z, Connection& cn, const Workspace& ws) {
       return z.CnvJefSFFile(cn, u"select * from src", ws.name("out.jef"), kFds, false);
     }},
    {"CSVtoJEF", "out.jef",
     [](ZuvoCls& z, Connection&, const Workspace& ws) {
       return z.CSVtoJEF(ws.name("in.rows.csv"), ws.name("out.jef"), kFds, false);
     }},
    {"JEFtoCSV", "out.csv",
     [](ZuvoCls& z, Connection&, const Workspace& ws) {
       return z.JEFtoCSV(ws.name("in.jef"), ws.name("out.csv"), kFds, 0, false);
     }},
    {"CSVtoJEF reading", "in.rows.csv",
     [](ZuvoCls& z, Connection&, const Workspace& ws) {
       return z.CSVtoJEF(ws.name("in.rows.csv"), ws.name("out.jef"), kFds, false);
     }},
    {"JEFtoCSV reading", "in.jef",
     [](ZuvoCls& z, Connection&, const Workspace& ws) {
       return z.JEFtoCSV(ws.name("in.jef"), ws.name("out.csv"), kFds, 0, false);
     }},
    {"SetRDB", "in.csv",
     [](ZuvoCls& z, Connection& cn, const Workspace& ws) {
       return z.SetRDB(cn, u"", ws.name("in.csv"), u"dst");
     }},
    {"SetFixRDB", "in.dat",
     [](ZuvoCls& z, Connection& cn, const Workspace& ws) {
       return z.SetFixRDB(cn, u"", ws.name("in.dat"), kFds, 0, u"dst");
     }},
    {"SetJefRDB", "in.jef",
     [](ZuvoCls& z, Connection& cn, const Workspace& ws) {
       return z.SetJefRDB(cn, u"", ws.name("in.jef"), kFds, 0, u"dst");
     }},
};

class FailingFilesTest : public ::testing::TestWithParam<Conversion> {
 protected:
  void SetUp() override {
    auto cn = ws.database();
    cn->Execute(u"create table src (k integer, name varchar(20))");
    cn->Execute(u"create table dst (k integer, name varchar(20))");
    cn->Execute(u"with recursive c(i) as (select 1 union all select i + 1 from c where i < " +
                rt::fromUtf8(std::to_string(kRows)) +
                u") insert into src select i, 'name-' || i from c");
    auto z = ws.component();
    ASSERT_EQ(z->CnvCSVFile(*cn, u"select * from src", ws.name("in.csv"), false), kRows);
    // Appending writes no header line: the records alone, as CSVtoJEF reads them.
    ASSERT_EQ(z->CnvCSVFile(*cn, u"select * from src", ws.name("in.rows.csv"), true), kRows);
    ASSERT_EQ(z->CnvFixSFFile(*cn, u"select * from src", ws.name("in.dat"), kFds, true, false),
              kRows);
    ASSERT_EQ(z->CnvJefSFFile(*cn, u"select * from src", ws.name("in.jef"), kFds, false), kRows);
  }

  // The result of the conversion with `fault` on its file, and the reason it kept.
  std::pair<std::int32_t, std::string> run(Fault fault, std::size_t at = 40000) {
    auto z = ws.component();
    z->platform().files = std::make_shared<FailingFiles>(GetParam().file, fault, at);
    auto cn = ws.database();
    std::int32_t result = GetParam().run(*z, *cn, ws);
    return {result, z->lastConversion().status.message()};
  }

  Workspace ws;
};

TEST_P(FailingFilesTest, EveryFaultIsAFailureWithTheSystemsWords) {
  const bool reads = std::string(GetParam().file).rfind("in.", 0) == 0;
  struct {
    Fault fault;
    int error;
  } faults[] = {{Fault::Open, EACCES}, {reads ? Fault::Read : Fault::Write, reads ? EIO : ENOSPC}};
  for (const auto& f : faults) {
    auto [result, reason] = run(f.fault);
    EXPECT_EQ(result, -1) << reason;
    EXPECT_NE(reason.find(std::strerror(f.error)), std::string::npos) << reason;
  }
  if (!reads) {
    auto [result, reason] = run(Fault::Close);
    EXPECT_EQ(result, -1) << reason;
    EXPECT_NE(reason.find("cannot close"), std::string::npos) << reason;
  }
  // Without a fault the same run succeeds.
  EXPECT_EQ(run(Fault::None).first, kRows);
}

INSTANTIATE_TEST_SUITE_P(Conversions, FailingFilesTest, ::testing::ValuesIn(kConversions),
                         [](const auto& info) {
                           std::string name = info.param.name;
                           for (char& c : name)
                             if (c == ' ') c = '_';
                           return name;
                         });

}  // namespace
}  // namespace zuvo::reliability
