// JEF sequential files: export of a query, import into a table, and conversion from and to CSV.
#include <memory>
#include <vector>

#include "component/ZuvoCls.h"
#include "convert/Csv.h"
#include "convert/Export.h"
#include "convert/FieldDefs.h"
#include "convert/Import.h"
#include "convert/TextFile.h"
#include "convert/ValueText.h"
#include "jef/JefFields.h"
#include "runtime/Convert.h"

namespace zuvo {

namespace {

// Closes the resultset on every way out; a close that fails changes nothing for the caller.
struct ResultsetCloser {
  std::unique_ptr<Resultset> rs;
  ~ResultsetCloser() {
    if (!rs) return;
    try {
      rs->Close();
    } catch (...) {
    }
  }
};

// The descriptors of fds, read once each. A descriptor that can't be read (a length past 16
// bits) is an empty one, and the failure is noted.
class Descriptors {
 public:
  explicit Descriptors(const String& fds) : fds_(fds) {}
  const convert::FieldDescriptor& at(std::int32_t k, bool& failed) {
    while (static_cast<std::int32_t>(read_.size()) <= k) {
      try {
        read_.push_back(convert::fieldDescriptor(fds_, static_cast<std::int32_t>(read_.size())));
      } catch (...) {
        read_.emplace_back();
        failed = true;
      }
    }
    return read_[static_cast<std::size_t>(k)];
  }

 private:
  const String& fds_;
  std::vector<convert::FieldDescriptor> read_;
};

// Reads one record field by field; false when the file ends inside the record (a record cut
// short is not converted).
class RecordReader {
 public:
  explicit RecordReader(convert::ShiftJisReader& file) : file_(file) {}
  bool field(std::int32_t width, ByteArray& bytes) {
    bytes.resize(static_cast<std::size_t>(width));
    return file_.readBytes(reinterpret_cast<char*>(bytes.data()), bytes.size()) == bytes.size();
  }

 private:
  convert::ShiftJisReader& file_;
};

// Bytes of a record of the fields 0 to last; 0 means a reader could never move on.
std::int64_t recordWidth(Descriptors& descriptors, std::int32_t last, bool& failed) {
  std::int64_t width = 0;
  for (std::int32_t k = 0; k <= last; ++k) width += jef::fieldWidth(descriptors.at(k, failed));
  return width;
}

}  // namespace

std::int32_t ZuvoCls::CnvJefSFFile(Connection& cn, const String& sql, const String& fnm,
                                   const String& fds, bool add) {
  ResultsetCloser query;
  convert::ShiftJisWriter out;
  query.rs = convert::openExport(cn, sql, fnm, add, out);
  if (!query.rs) return -1;

  bool failed = false;
  std::int32_t count = 0;
  Descriptors descriptors(fds);
  jef::FieldEncoder encoder(*this, false);
  std::string record;
  try {
    Columns& columns = query.rs->rdoColumns();
    while (!query.rs->IsEOF()) {
      record.clear();
      std::int32_t n = columns.Count();
      for (std::int32_t k = 0; k < n; ++k) {
        const convert::FieldDescriptor& d = descriptors.at(k, failed);
        if (!encoder.append(d, convert::columnText(columns[k].Value()), record)) failed = true;
      }
      out.write(record);
      ++count;
      countConverted(count, 200);
      query.rs->MoveNext();
    }
  } catch (...) {
    // A row that can't be read ends the export; what was written stays in the file.
    failed = true;
  }
  if (!out.close()) failed = true;
  return failed ? -1 : count;
}

std::int32_t ZuvoCls::SetJefRDB(Connection& cn, const String& sql, const String& fnm,
                                const String& fds, std::int16_t /*bln*/, const String& tbl) {
  if (!convert::runBeforeLoad(*this, cn, sql).ok()) return -1;
  if (rt::trim(fnm).empty() || rt::trim(tbl).empty()) return 0;

  convert::ShiftJisReader file;
  if (!file.open(fnm)) return -1;
  if (file.atEnd()) return 0;
  if (!convert::isPlainTableName(tbl)) return -1;

  convert::ColumnTables columns;
  try {
    ResultsetCloser target;
    target.rs = convert::openTargetTable(cn, tbl);
    if (!target.rs || !columns.read(*target.rs)) return -1;
  } catch (...) {
    return -1;
  }
  std::int32_t nsp = convert::fieldCount(fds) - 1;
  if (nsp != columns.last) return -1;

  bool failed = false;
  Descriptors descriptors(fds);
  if (recordWidth(descriptors, nsp, failed) == 0) return -1;
  jef::FieldDecoder decoder(*this, false);
  RecordReader reader(file);
  convert::ImportBatch batch(*this, cn, settings_.transactionInterval,
                             [this](std::int32_t count) { countConverted(count, 200); });
  const String prefix = u"insert into " + tbl + u" values (";
  String statement, v;
  ByteArray bytes;
  try {
    while (!file.atEnd()) {
      statement = prefix;
      bool whole = true;
      for (std::int32_t k = 0; k <= nsp && whole; ++k) {
        const convert::FieldDescriptor& d = descriptors.at(k, failed);
        if (!(whole = reader.field(jef::fieldWidth(d), bytes))) break;
        std::int32_t size = columns.size[static_cast<std::size_t>(k)];
        if (!decoder.decode(d, bytes, size, v)) failed = true;
        v.erase(v.find_last_not_of(u' ') + 1);
        if (columns.isString(k)) {
          // A text of at most size/2 characters fits whatever its characters weigh.
          if (size > 0 && v.size() * 2 > static_cast<std::size_t>(size)) {
            try {
              v = MidByte(v, 1, Variant::Long(size));
            } catch (...) {
              failed = true;
            }
          }
          convert::cleanText(v);
          statement += u'\'';
          statement += v;
          statement += u"',";
        } else {
          try {
            statement += jef::scaledNumber(v, d.type == u'n' ? d.decimals() : 0);
          } catch (...) {
            failed = true;
            statement += u'0';
          }
          statement += u',';
        }
      }
      if (!whole) {
        // The file ends inside this record: it is not loaded; the rows before it are.
        failed = true;
        break;
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
  return failed ? -1 : batch.count();
}

std::int32_t ZuvoCls::CSVtoJEF(const String& csv, const String& fnm, const String& fds, bool add) {
  std::int32_t nf;
  try {
    nf = GetCntCSV(csv);
  } catch (...) {
    return -1;
  }
  if (nf == 0) return -1;
  convert::ShiftJisReader file;
  if (!file.open(csv)) return -1;
  convert::ShiftJisWriter out;
  if (!out.open(fnm, add)) return -1;

  bool failed = false;
  std::int32_t count = 0;
  Descriptors descriptors(fds);
  jef::FieldEncoder encoder(*this, true);
  convert::CsvFieldReader reader(file);
  std::vector<String> fields;
  std::string record;
  try {
    for (;;) {
      auto got = reader.readRecord(fields, static_cast<std::size_t>(nf));
      if (got == convert::CsvFieldReader::Record::End) break;
      if (got == convert::CsvFieldReader::Record::Truncated) {
        // The file ends inside a record: it is not converted.
        failed = true;
        break;
      }
      if (got == convert::CsvFieldReader::Record::InvalidBytes) failed = true;
      record.clear();
      for (std::int32_t k = 0; k < nf; ++k) {
        String& v = fields[static_cast<std::size_t>(k)];
        v.erase(v.find_last_not_of(u' ') + 1);
        if (!encoder.append(descriptors.at(k, failed), v, record)) failed = true;
      }
      out.write(record);
      ++count;
      countConverted(count, 500);
    }
  } catch (...) {
    failed = true;
  }
  if (!out.close() || file.failed()) failed = true;
  return failed ? -1 : count;
}

std::int32_t ZuvoCls::JEFtoCSV(const String& fnm, const String& csv, const String& fds,
                               std::int16_t /*bln*/, bool add) {
  convert::ShiftJisReader file;
  if (!file.open(fnm)) return -1;
  if (file.atEnd()) return 0;
  convert::ShiftJisWriter out;
  if (!out.open(csv, add)) return -1;

  bool failed = false;
  std::int32_t nsp = convert::fieldCount(fds) - 1;
  Descriptors descriptors(fds);
  if (recordWidth(descriptors, nsp, failed) == 0) {
    // Records of no bytes would never move through the file.
    out.close();
    return -1;
  }
  if (csv.find(u'.') != String::npos) {
    String types;
    for (std::int32_t k = 0; k <= nsp; ++k) {
      const convert::FieldDescriptor& d = descriptors.at(k, failed);
      if (d.type == u'n' || d.type == u'p') {
        types += u'n';
        if (d.second) types += d.second;
      } else {
        types += u"ss";
      }
      types += u',';
    }
    types.pop_back();
    convert::ShiftJisWriter typeFile;
    if (!typeFile.open(convert::columnTypeFileName(csv), false)) failed = true;
    typeFile.writeLine(types);
    if (!typeFile.close()) failed = true;
  }

  std::int32_t count = 0;
  jef::FieldDecoder decoder(*this, true);
  RecordReader reader(file);
  String line, v;
  ByteArray bytes;
  try {
    while (!file.atEnd()) {
      line.clear();
      bool whole = true;
      for (std::int32_t k = 0; k <= nsp; ++k) {
        const convert::FieldDescriptor& d = descriptors.at(k, failed);
        if (!(whole = reader.field(jef::fieldWidth(d), bytes))) break;
        if (!decoder.decode(d, bytes, 0, v)) failed = true;
        convert::cleanText(v);
        v.erase(v.find_last_not_of(u' ') + 1);
        convert::appendCsvField(line, v);
      }
      if (!whole) {
        // The file ends inside this record: no line is written for it.
        failed = true;
        break;
      }
      convert::endCsvLine(line);
      out.writeText(line);
      ++count;
      countConverted(count, 500);
    }
  } catch (...) {
    failed = true;
  }
  if (!out.close() || file.failed()) failed = true;
  return failed ? -1 : count;
}

}  // namespace zuvo
