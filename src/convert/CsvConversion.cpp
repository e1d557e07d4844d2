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
    convert::TextReader file(options_.csvEncoding);
    bool valid = true;
    if (!file.open(fnm) || !file.readLine(line, valid)) return 0;
  }
  return convert::countCsvFields(line);
}

std::int32_t ZuvoCls::CnvCSVFile(Connection& cn, const String& sql, const String& fnm, bool add) {
  ConversionReport& report = beginConversion();
  convert::TextWriter out(options_.csvEncoding);
  convert::ResultsetCloser query;
  if (Status s = convert::openExport(cn, sql, fnm, add, out, query.rs); !s.ok()) {
    report.fail(std::move(s));
    return -1;
  }

  std::int32_t count = 0;
  Columns* columns = nullptr;
  try {
    columns = &query.rs->rdoColumns();
    String line;
    if (!add) {
      for (std::int32_t i = 0; i < columns->Count(); ++i)
        convert::appendCsvField(line, (*columns)[i].Name());
      convert::endCsvLine(line);
      out.writeText(line);
    }
    while (!query.rs->IsEOF()) {
      line.clear();
      const std::int64_t substituted = out.substituted();
      std::int32_t n = columns->Count();
      for (std::int32_t i = 0; i < n; ++i) {
        Variant value = (*columns)[i].Value();
        String text;
        std::u16string_view view;
        if (const String* s = value.get<String>()) {
          // Text, by far the most common, goes in without a copy of its own.
          view = *s;
          while (!view.empty() && view.back() == u' ') view.remove_suffix(1);
        } else {
          text = convert::columnText(value);
          view = text;
        }
        if (view.find(u'"') != std::u16string_view::npos) report.quoted.note(count + 1, i + 1);
        convert::appendCsvField(line, view);
      }
      convert::endCsvLine(line);
      out.writeText(line);
      if (out.substituted() != substituted)
        convert::noteSubstitutions(report.substituted, *columns, count + 1);
      ++count;
      countConverted(count, 1000);
      query.rs->MoveNext();
    }
  } catch (...) {
    report.fail(convert::failureOf(std::current_exception(), count + 1, "the query"));
  }
  if (!out.close()) report.fail(out.status());

  String typeFileName = convert::columnTypeFileName(fnm);
  if (!typeFileName.empty()) {
    try {
      String types;
      if (columns) {
        for (std::int32_t i = 0; i < columns->Count(); ++i)
          types += coltype::isText((*columns)[i].Type()) ? u"ss," : u"nn,";
      }
      if (!types.empty()) types.pop_back();
      convert::TextWriter typeFile;
      typeFile.open(typeFileName, false);
      typeFile.writeLine(types);
      if (!typeFile.close()) report.fail(typeFile.status());
    } catch (...) {
      report.fail(convert::failureOf(std::current_exception(), count, "the query"));
    }
  }
  return report.status.ok() ? count : -1;
}

std::int32_t ZuvoCls::SetRDB(Connection& cn, const String& sql, const String& fnm,
                             const String& tbl) {
  ConversionReport& report = beginConversion();
  auto failed = [&](Status s) {
    report.fail(std::move(s));
    return -1;
  };
  if (Status s = convert::runBeforeLoad(*this, cn, sql); !s.ok()) return failed(std::move(s));
  if (rt::trim(fnm).empty() || rt::trim(tbl).empty()) return 0;

  convert::TextReader file(options_.csvEncoding);
  if (!file.open(fnm)) return failed(file.status());
  // An empty file, or one that holds only its header line, has nothing to load.
  std::string header;
  if (!file.atEnd()) file.readLineBytes(header);
  if (file.atEnd()) return file.failed() ? failed(file.status()) : 0;

  convert::ColumnTables columns;
  if (Status s = convert::readTargetTable(cn, tbl, columns); !s.ok()) return failed(std::move(s));
  const std::string source = convert::shown(fnm);
  std::int32_t fields = 0;
  if (Status s = countHeaderFields(*this, fnm, fields); !s.ok()) return failed(std::move(s));
  const std::int32_t n = fields - 1;
  if (n < 0 || n != columns.last)
    return failed(convert::fieldCountMismatch("the header of " + source, fields, columns, tbl));

  convert::ImportBatch batch(
      *this, cn, settings_.transactionInterval,
      [this](std::int32_t count) { countConverted(count, 200); }, source);
  convert::CsvFieldReader reader(file);
  std::vector<String> values;
  const String prefix = u"insert into " + rt::trim(tbl) + u" values (";
  String statement;
  try {
    for (;;) {
      const std::int32_t record = batch.count() + 1;
      auto got = reader.readRecord(values, static_cast<std::size_t>(n) + 1);
      if (got == convert::CsvFieldReader::Record::End) break;
      if (got != convert::CsvFieldReader::Record::Complete) {
        batch.fail(
            Status(Status::Code::ReadFile, source + " ends inside record " + std::to_string(record))
                .at(record));
        break;
      }
      if (reader.invalidField() >= 0)
        report.substituted.note(record, reader.invalidField() + 1, reader.invalidFields());
      statement = prefix;
      for (std::int32_t k = 0; k <= n; ++k) {
        String& field = values[static_cast<std::size_t>(k)];
        dropTrailingBlanks(field);
        if (!columns.isString(k) && !columns.isDate(k)) {
          // Sent unquoted, so it must be a number and nothing that could extend the statement;
          // an empty field is a Null, as the export writes one.
          if (field.empty()) {
            statement += u"Null,";
            continue;
          }
          if (!convert::isNumberLiteral(field)) {
            batch.fail(Status(Status::Code::Value, "record " + std::to_string(record) + " of " +
                                                       source + ": field " + std::to_string(k + 1) +
                                                       " (\"" + convert::shown(field) +
                                                       "\") is not a number")
                           .at(record, k + 1));
            break;
          }
          statement += field;
          statement += u',';
          continue;
        }
        convert::appendQuotedValue(*this, columns, k, field, statement);
      }
      if (batch.failed()) break;
      statement.back() = u')';
      if (!batch.insert(statement)) break;
    }
    batch.finish();
  } catch (...) {
    batch.fail(convert::failureOf(std::current_exception(), batch.count() + 1, source));
  }
  if (batch.failed()) return failed(batch.status());
  if (file.failed()) return failed(file.status());
  return batch.count();
}

}  // namespace zuvo
