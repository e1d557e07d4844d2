// CSV export and import: CnvCSVFile, SetRDB, GetCntCSV.
#include <memory>
#include <vector>

#include "component/ZuvoCls.h"
#include "convert/Csv.h"
#include "convert/Export.h"
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

}  // namespace

std::int16_t ZuvoCls::GetCntCSV(const String& fnm) {
  String line;
  {
    convert::ShiftJisReader file;
    bool valid = true;
    if (!file.open(fnm) || !file.readLine(line, valid)) return 0;
  }
  return convert::countCsvFields(line);
}

std::int32_t ZuvoCls::CnvCSVFile(Connection& cn, const String& sql, const String& fnm, bool add) {
  convert::ShiftJisWriter out;
  std::unique_ptr<Resultset> rs = convert::openExport(cn, sql, fnm, add, out);
  if (!rs) return -1;

  bool failed = false;
  std::int32_t count = 0;
  Columns* columns = nullptr;
  try {
    columns = &rs->rdoColumns();
    String line;
    if (!add) {
      for (std::int32_t i = 0; i < columns->Count(); ++i)
        convert::appendCsvField(line, (*columns)[i].Name());
      convert::endCsvLine(line);
      out.writeText(line);
    }
    while (!rs->IsEOF()) {
      line.clear();
      std::int32_t n = columns->Count();
      for (std::int32_t i = 0; i < n; ++i) {
        Variant value = (*columns)[i].Value();
        if (const String* s = value.get<String>()) {
          // Text, by far the most common, goes in without a copy of its own.
          std::u16string_view view(*s);
          while (!view.empty() && view.back() == u' ') view.remove_suffix(1);
          convert::appendCsvField(line, view);
        } else {
          convert::appendCsvField(line, convert::columnText(value));
        }
      }
      convert::endCsvLine(line);
      out.writeText(line);
      ++count;
      countConverted(count, 1000);
      rs->MoveNext();
    }
  } catch (...) {
    failed = true;
  }
  if (!out.close()) failed = true;

  if (fnm.find(u'.') != String::npos) {
    try {
      String types;
      if (columns) {
        for (std::int32_t i = 0; i < columns->Count(); ++i)
          types += coltype::isText((*columns)[i].Type()) ? u"ss," : u"nn,";
      }
      if (!types.empty()) types.pop_back();
      convert::ShiftJisWriter typeFile;
      typeFile.open(convert::columnTypeFileName(fnm), false);
      typeFile.writeLine(types);
      if (!typeFile.close()) failed = true;
    } catch (...) {
      failed = true;
    }
  }
  convert::closeQuietly(rs.get());
  return failed ? -1 : count;
}

std::int32_t ZuvoCls::SetRDB(Connection& cn, const String& sql, const String& fnm,
                             const String& tbl) {
  if (!convert::runBeforeLoad(*this, cn, sql).ok()) return -1;
  if (rt::trim(fnm).empty() || rt::trim(tbl).empty()) return 0;

  convert::ShiftJisReader file;
  if (!file.open(fnm)) return -1;
  if (file.atEnd()) return 0;
  std::string header;
  file.readLineBytes(header);
  if (file.atEnd()) return 0;
  if (!convert::isPlainTableName(tbl)) return -1;

  std::unique_ptr<Resultset> rs;
  convert::ColumnTables columns;
  std::int32_t n = -1;
  try {
    rs = convert::openTargetTable(cn, tbl);
    if (!rs || !columns.read(*rs)) {
      convert::closeQuietly(rs.get());
      return -1;
    }
    n = GetCntCSV(fnm) - 1;
  } catch (...) {
    convert::closeQuietly(rs.get());
    return -1;
  }
  convert::closeQuietly(rs.get());
  if (n < 0 || n != columns.last) return -1;

  convert::ImportBatch batch(*this, cn, settings_.transactionInterval,
                             [this](std::int32_t count) { countConverted(count, 200); });
  convert::CsvFieldReader reader(file);
  std::vector<String> fields;
  const String prefix = u"insert into " + tbl + u" values (";
  String statement;
  try {
    for (;;) {
      auto got = reader.readRecord(fields, static_cast<std::size_t>(n) + 1);
      if (got == convert::CsvFieldReader::Record::End) break;
      if (got != convert::CsvFieldReader::Record::Complete) {
        batch.fail();
        return -1;
      }
      statement = prefix;
      for (std::int32_t k = 0; k <= n; ++k) {
        String& field = fields[static_cast<std::size_t>(k)];
        dropTrailingBlanks(field);
        if (columns.isString(k)) {
          std::int32_t size = columns.size[static_cast<std::size_t>(k)];
          if (size > 0 && !convert::fitsInBytes(field, size))
            field = MidByte(field, 1, Variant::Long(size));
          convert::cleanText(field);
          statement += u'\'';
          statement += field;
          statement += u"',";
        } else {
          // Sent unquoted, so it must be a number and nothing that could extend the statement.
          if (!convert::isNumberLiteral(field)) {
            batch.fail();
            return -1;
          }
          statement += field;
          statement += u',';
        }
      }
      statement.back() = u')';
      if (!batch.insert(statement)) return -1;
    }
    if (!batch.finish()) return -1;
  } catch (...) {
    batch.fail();
    return -1;
  }
  if (file.failed()) return -1;
  return batch.count();
}

}  // namespace zuvo
