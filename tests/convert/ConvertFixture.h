#pragma once

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "TempDir.h"
#include "component/ZuvoCls.h"
#include "convert/ValueText.h"
#include "database/Database.h"
#include "platform/Cp932.h"

// Counts the event pump's runs and the conversion count seen at each.
class CountingPump : public zuvo::EventPump {
 public:
  void processPending() override { seen.push_back(zuvo_ ? zuvo_->GetCnvCount() : -1); }
  void watch(zuvo::ZuvoCls* z) { zuvo_ = z; }
  std::vector<std::int32_t> seen;

 private:
  zuvo::ZuvoCls* zuvo_ = nullptr;
};

// An in-memory SQLite database, a scratch directory and a component whose transaction
// interval the test chooses.
class ConvertTest : public ::testing::Test {
 protected:
  void SetUp() override { cn = zuvo::openConnection("sqlite::memory:"); }

  // A fresh component reading tranmax from its own settings file.
  zuvo::ZuvoCls& component(std::int32_t interval = 99999999) {
    dir.write("zuvodll.ini", "tranmax=" + std::to_string(interval) + "\r\n");
    auto platform = zuvo::Platform::posix(dir.file(""));
    platform->events = pump;
    z = std::make_unique<zuvo::ZuvoCls>(platform);
    pump->watch(z.get());
    return *z;
  }

  void exec(const std::u16string& sql) { cn->Execute(sql); }

  // Every row of a query, each value in its file text form; Null as "<null>".
  std::vector<std::vector<std::u16string>> rows(const std::u16string& sql) {
    std::vector<std::vector<std::u16string>> out;
    auto rs = cn->OpenResultset(sql);
    auto& columns = rs->rdoColumns();
    for (; !rs->IsEOF(); rs->MoveNext()) {
      std::vector<std::u16string> row;
      for (std::int32_t i = 0; i < columns.Count(); ++i) {
        zuvo::Variant v = columns[i].Value();
        row.push_back(v.isNull() ? u"<null>" : zuvo::convert::columnText(v));
      }
      out.push_back(row);
    }
    rs->Close();
    return out;
  }

  std::int64_t countRows(const std::u16string& table) {
    return static_cast<std::int64_t>(rows(u"select * from " + table).size());
  }

  static std::string sjis(const std::u16string& text) { return zuvo::cp932::encode(text); }

  TempDir dir;
  std::unique_ptr<zuvo::Connection> cn;
  std::shared_ptr<CountingPump> pump = std::make_shared<CountingPump>();
  std::unique_ptr<zuvo::ZuvoCls> z;
};
