// CSV export and import: CnvCSVFile, SetRDB, GetCntCSV.
#include <memory>
#include <vector>

#include "component/ZuvoCls.h"
#include "convert/Csv.h"
#include "convert/Export.h"
#include "convert/Failure.h"
#include "convert/Import.h"
#include "convert/TextFile.h"
#include "convert/ValueText.h"
#include "runtime/Convert.h"

namespace zuvo {

namespace {

void dropTrailingBlanks(String& s) {
  std::size_t n = s.size();
  while (n > 0 && s[n - 1] == u' ') --n;
  s.resize(n);
}

// The header's field count, or the status of a header line too long to count.
Status countHeaderFields(ZuvoCls& z, const String& fnm, std::int32_t& fields) {
  try {
    fields = z.GetCntCSV(fnm);
    return Status();
  } catch (const RuntimeError&) {
    return Status(Status::Code::FieldCount,
                  "the header line of " + convert::shown(fnm) + " is longer than 32767 characters");
  }
}

}  // namespace

std::int16_t ZuvoCls::GetCntCSV(const String& fnm) {
  String line;
  {
    convert::TextReader file(options_.csvEncoding, files());
    bool valid = true;
    if (!file.open(fnm) || !file.readLine(line, valid)) return 0;
  }
  return convert::countCsvFields(line);
}

namespace {

// The rows of a query as CSV lines, after a header line of the column names unless appending;
// the column type file beside it.
class CsvExport : public convert::QueryExport {
 public:
  CsvExport(ConversionReport& report, FileService& files, TextEncoding encoding, const String& fnm)
      : QueryExport(report, files, encoding), fnm_(fnm) {}

 private:
  void begin(Resultset& rs, bool add) override {
    if (add) return;
    Columns& columns = rs.rdoColumns();
    line_.clear();
    for (std::int32_t i = 0; i < columns.Count(); ++i)
      convert::appendCsvField(line_, columns[i].Name());
    convert::endCsvLine(line_);
    out_.writeText(line_);
  }

  void writeRow(Columns& columns, std::int64_t record) override {
    line_.clear();
    std::int32_t n = columns.Count();
    for (std::int32_t i = 0; i < n; ++i) {
      const Variant& value = columns[i].ValueRef();
      std::u16string_view view;
      if (const String* s = value.get<String>()) {
        // Text, by far the most common, goes in without a copy of its own.
        view = *s;
        while (!view.empty() && view.back() == u' ') view.remove_suffix(1);
      } else {
        text_ = convert::columnText(value);
        view = text_;
      }
      if (view.find(u'"') != std::u16string_view::npos) report_.quoted.note(record, i + 1);
      convert::appendCsvField(line_, view);
    }
    convert::endCsvLine(line_);
    out_.writeText(line_);
  }

  // "ss" for a text column, "nn" for any other, replaced on every run.
  void end(Columns* columns) override {
    try {
      String types;
      for (std::int32_t i = 0; columns && i < columns->Count(); ++i)
        types += coltype::isText((*columns)[i].Type()) ? u"ss," : u"nn,";
      if (!types.empty()) types.pop_back();
      if (Status s = convert::writeColumnTypeFile(files_, fnm_, types); !s.ok())
        report_.fail(std::move(s));
    } catch (...) {
      report_.fail(convert::failureOf(std::current_exception(), 0, "the query"));
    }
  }

  const String& fnm_;
  String line_;
  String text_;
};

}  // namespace

std::int32_t ZuvoCls::CnvCSVFile(Connection& cn, const String& sql, const String& fnm, bool add) {
  CsvExport job(beginConversion(), files(), options_.csvEncoding, fnm);
  return job.run(cn, sql, fnm, add, [this](std::int32_t count) { countConverted(count, 1000); });
}

namespace {

// A CSV file into a table: a header line that only tells the field count, then records of
// that many fields.
class CsvImport : public convert::FileImport {
 public:
  using FileImport::FileImport;

 private:
  bool readHeader() override {
    std::string header;
    file_.readLineBytes(header);
    return !file_.atEnd();
  }

  Status checkFields() override {
    std::int32_t fields = 0;
    if (Status s = countHeaderFields(z_, fnm_, fields); !s.ok()) return s;
    if (fields - 1 < 0 || fields - 1 != columns_.last)
      return convert::fieldCountMismatch("the header of " + source_, fields, columns_, tbl_);
    return Status();
  }

  void loadRecords(convert::ImportBatch& batch, convert::ImportRow& row) override {
    convert::CsvFieldReader reader(file_);
    const auto n = static_cast<std::size_t>(columns_.last) + 1;
    for (;;) {
      const std::int32_t record = batch.count() + 1;
      auto got = reader.readRecord(values_, n);
      if (got == convert::CsvFieldReader::Record::End) return;
      if (got != convert::CsvFieldReader::Record::Complete)
        return batch.fail(Status(Status::Code::ReadFile,
                                 source_ + " ends inside record " + std::to_string(record))
                              .at(record));
      if (reader.invalidField() >= 0)
        report_.substituted.note(record, reader.invalidField() + 1, reader.invalidFields());
      for (std::int32_t k = 0; k <= columns_.last; ++k) {
        String& field = values_[static_cast<std::size_t>(k)];
        dropTrailingBlanks(field);
        // A number goes into the statement unquoted, so it must be nothing but a number.
        if (!row.setField(z_, k, field))
          return batch.fail(
              Status(Status::Code::Value, "record " + std::to_string(record) + " of " + source_ +
                                              ": field " + std::to_string(k + 1) + " (\"" +
                                              convert::shown(field) + "\") is not a number")
                  .at(record, k + 1));
      }
      if (!batch.insert(row)) return;
    }
  }

  std::vector<String> values_;
};

}  // namespace

std::int32_t ZuvoCls::SetRDB(Connection& cn, const String& sql, const String& fnm,
                             const String& tbl) {
  CsvImport import(*this, beginConversion(), cn, fnm, tbl, options_.csvEncoding);
  return import.run(sql, settings_.transactionInterval,
                    [this](std::int32_t count) { countConverted(count, 200); });
}

}  // namespace zuvo
