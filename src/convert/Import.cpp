#include "convert/Import.h"

#include "component/ZuvoCls.h"
#include "convert/Export.h"
#include "convert/Failure.h"
#include "platform/Cp932.h"
#include "runtime/Convert.h"

namespace zuvo::convert {

bool ColumnTables::read(Resultset& rs) {
  Columns& columns = rs.rdoColumns();
  std::int32_t n = columns.Count();
  if (n > kMaxColumns) return false;
  for (std::int32_t i = 0; i < n; ++i) {
    Column& c = columns[i];
    std::int32_t type = c.Type();
    kind[static_cast<std::size_t>(i)] = coltype::isText(type)       ? 1
                                        : coltype::isDateTime(type) ? 2
                                                                    : 0;
    size[static_cast<std::size_t>(i)] = c.Size();
  }
  last = n - 1;
  return true;
}

std::unique_ptr<Resultset> openTargetTable(Connection& cn, const String& tbl) {
  // No row is needed, only the column list: a static cursor over a large table would
  // otherwise read all of it.
  return cn.OpenResultset(u"select * from " + tbl + u" where 1=0", rdo::Static, rdo::ReadOnly,
                          rdo::ExecDirect);
}

Status readTargetTable(Connection& cn, const String& tbl, ColumnTables& columns) {
  String name = rt::trim(tbl);
  if (!isPlainTableName(name))
    return Status(Status::Code::TargetTable, "\"" + shown(tbl) + "\" is not a plain table name");
  ResultsetCloser target;
  try {
    target.rs = openTargetTable(cn, name);
  } catch (const std::exception& e) {
    return databaseFailure(Status::Code::TargetTable, "cannot open the table " + shown(name),
                           e.what());
  }
  if (!columns.read(*target.rs))
    return Status(Status::Code::TargetTable, "the table " + shown(name) + " has more than " +
                                                 std::to_string(kMaxColumns) + " columns");
  return Status();
}

Status fieldCountMismatch(const std::string& what, std::int32_t fields, const ColumnTables& columns,
                          const String& tbl) {
  return Status(Status::Code::FieldCount, what + " has " + std::to_string(fields) +
                                              (fields == 1 ? " field" : " fields") + " for the " +
                                              std::to_string(columns.last + 1) + " columns of " +
                                              shown(rt::trim(tbl)));
}

bool ImportRow::setField(ZuvoCls& z, std::int32_t k, String& field) {
  if (columns_.isString(k) || columns_.isDate(k)) {
    setText(z, k, field);
    return true;
  }
  if (field.empty()) {
    setNull(k);
    return true;
  }
  if (!isNumberLiteral(field)) return false;
  setNumber(k, field);
  return true;
}

void ImportRow::setText(ZuvoCls& z, std::int32_t k, String& field) {
  if (columns_.isDate(k)) {
    if (field.empty()) return setNull(k);
  } else {
    std::int32_t size = columns_.size[static_cast<std::size_t>(k)];
    if (size > 0 && !fitsInBytes(field, size)) field = z.MidByte(field, 1, Variant::Long(size));
  }
  cleanText(field);
  InsertValue& v = value(k);
  v.kind = InsertValue::Kind::Text;
  v.text.swap(field);
}

void ImportRow::setNumber(std::int32_t k, const String& literal) {
  InsertValue& v = value(k);
  v.kind = InsertValue::Kind::Number;
  v.text.assign(literal);
}

void ImportRow::statement(const String& table, String& out) const {
  out.assign(u"insert into ");
  out += table;
  out += u" values (";
  for (const InsertValue& v : values_) {
    switch (v.kind) {
      case InsertValue::Kind::Null:
        out += u"Null";
        break;
      case InsertValue::Kind::Text:
        out += u'\'';
        out += v.text;
        out += u'\'';
        break;
      case InsertValue::Kind::Number:
        out += v.text;
        break;
    }
    out += u',';
  }
  out.back() = u')';
}

bool isPlainTableName(const String& tbl) {
  if (tbl.empty()) return false;
  bool quoted = false;  // inside a double-quoted name anything but control characters goes
  for (std::size_t i = 0; i < tbl.size(); ++i) {
    char16_t c = tbl[i];
    if (c < u' ' || c == 0x7F) return false;
    if (c == u'"') quoted = !quoted;
    if (quoted) continue;
    if (c == u' ' || c == 0x3000 || c == u'\'' || c == u';' || c == u',' || c == u'(' || c == u')')
      return false;
    if (i + 1 < tbl.size() &&
        ((c == u'-' && tbl[i + 1] == u'-') || (c == u'/' && tbl[i + 1] == u'*')))
      return false;
  }
  return !quoted;
}

bool fitsInBytes(std::u16string_view s, std::int32_t size) {
  if (size < 0) return false;
  auto limit = static_cast<std::size_t>(size);
  if (s.size() * 2 <= limit) return true;  // whatever its characters weigh
  if (s.size() > limit) return false;
  std::size_t bytes = 0;
  for (char16_t c : s) bytes += static_cast<std::size_t>(cp932::weight(c));
  return bytes <= limit;
}

void cleanText(String& s) {
  for (char16_t& c : s) {
    if (c == u',' || c == u'\'' || c == u'"')
      c = u' ';
    else if (c == u'\u201D')
      c = u'\u2019';
  }
}

bool isNumberLiteral(std::u16string_view s) {
  std::size_t i = 0, n = s.size();
  while (i < n && s[i] == u' ') ++i;
  while (n > i && s[n - 1] == u' ') --n;
  std::u16string_view body = s.substr(i, n - i);
  if (rt::sameAsciiNoCase(body, u"true") || rt::sameAsciiNoCase(body, u"false")) return true;
  std::size_t k = 0;
  auto digits = [&] {
    std::size_t from = k;
    while (k < body.size() && body[k] >= u'0' && body[k] <= u'9') ++k;
    return k - from;
  };
  if (k < body.size() && (body[k] == u'+' || body[k] == u'-')) ++k;
  std::size_t mantissa = digits();
  if (k < body.size() && body[k] == u'.') {
    ++k;
    mantissa += digits();
  }
  if (mantissa == 0) return false;
  if (k < body.size() && (body[k] == u'e' || body[k] == u'E')) {
    ++k;
    if (k < body.size() && (body[k] == u'+' || body[k] == u'-')) ++k;
    if (digits() == 0) return false;
  }
  return k == body.size();
}

Status runBeforeLoad(ZuvoCls& z, Connection& cn, const String& sql) {
  if (rt::trim(sql).empty()) return Status();
  String errs;
  if (z.RDBStartTran(cn, errs, false) != 0)
    return Status(
        Status::Code::BeginTransaction,
        "cannot begin the transaction of the statement before the load: " + rt::toUtf8(errs));
  if (z.RDBExec(cn, sql, errs) != 0 || z.RDBCommit(cn, errs) != 0) {
    cn.RollbackTrans();
    return Status(Status::Code::Statement,
                  "the statement before the load failed: " + rt::toUtf8(errs));
  }
  return Status();
}

ImportBatch::ImportBatch(ZuvoCls& z, Connection& cn, const String& table, std::int32_t columns,
                         std::int32_t interval, std::function<void(std::int32_t)> counted,
                         std::string source)
    : z_(z),
      cn_(cn),
      table_(rt::trim(table)),
      inserter_(cn.PrepareInsert(table_, columns)),
      interval_(interval),
      counted_(std::move(counted)),
      source_(std::move(source)) {}

ImportBatch::~ImportBatch() {
  if (open_) rollback();
}

void ImportBatch::rollback() {
  open_ = false;
  try {
    cn_.RollbackTrans();
  } catch (...) {
    // The load has failed already; a roll-back that fails as well changes nothing for it.
  }
}

void ImportBatch::fail(Status why) {
  if (open_) rollback();
  if (status_.ok()) status_ = std::move(why);
}

bool ImportBatch::insert(const ImportRow& row) {
  if (failed()) return false;
  const std::int32_t record = count_ + 1;
  if (!open_ && !begin(record)) return false;
  bool bound = false;
  if (inserter_) {
    try {
      bound = inserter_->insert(row.values());
    } catch (const DatabaseError& e) {
      refused(record, e.description());
      return false;
    }
  }
  if (!bound) {
    row.statement(table_, statement_);
    if (z_.RDBExec(cn_, statement_, errs_) != 0) {
      refused(record, rt::toUtf8(errs_));
      return false;
    }
  }
  ++count_;
  if (counted_) counted_(count_);
  if (interval_ > 0 && count_ % interval_ == 0) return commit();
  return true;
}

bool ImportBatch::begin(std::int32_t record) {
  if (z_.RDBStartTran(cn_, errs_, false) != 0) {
    fail(databaseFailure(
             Status::Code::BeginTransaction,
             "cannot begin a transaction for record " + std::to_string(record) + " of " + source_,
             rt::toUtf8(errs_))
             .at(record));
    return false;
  }
  open_ = true;
  return true;
}

void ImportBatch::refused(std::int32_t record, const std::string& words) {
  fail(databaseFailure(Status::Code::Statement,
                       "record " + std::to_string(record) + " of " + source_ + " was refused",
                       words)
           .at(record));
}

bool ImportBatch::commit() {
  if (z_.RDBCommit(cn_, errs_) != 0) {
    fail(databaseFailure(
             Status::Code::Commit,
             "the commit after record " + std::to_string(count_) + " of " + source_ + " failed",
             rt::toUtf8(errs_))
             .at(count_));
    return false;
  }
  open_ = false;
  return true;
}

bool ImportBatch::finish() {
  if (failed()) return false;
  return !open_ || commit();
}

FileImport::FileImport(ZuvoCls& z, ConversionReport& report, Connection& cn, const String& fnm,
                       const String& tbl, TextEncoding encoding)
    : z_(z),
      report_(report),
      fnm_(fnm),
      tbl_(tbl),
      file_(encoding, z.files()),
      source_(shown(fnm)),
      cn_(cn) {}

std::int32_t FileImport::run(const String& sql, std::int32_t interval,
                             std::function<void(std::int32_t)> counted) {
  auto failed = [&](Status s) {
    report_.fail(std::move(s));
    return -1;
  };
  if (Status s = runBeforeLoad(z_, cn_, sql); !s.ok()) return failed(std::move(s));
  if (rt::trim(fnm_).empty() || rt::trim(tbl_).empty()) return 0;
  if (!file_.open(fnm_)) return failed(file_.status());
  if (file_.atEnd() || !readHeader()) return file_.failed() ? failed(file_.status()) : 0;
  if (Status s = readTargetTable(cn_, tbl_, columns_); !s.ok()) return failed(std::move(s));
  if (Status s = checkFields(); !s.ok()) return failed(std::move(s));

  ImportBatch batch(z_, cn_, tbl_, columns_.last + 1, interval, std::move(counted), source_);
  ImportRow row(columns_);
  try {
    loadRecords(batch, row);
    batch.finish();
  } catch (...) {
    batch.fail(failureOf(std::current_exception(), batch.count() + 1, source_));
  }
  // A read that failed is why the records ended early, whatever the batch made of that.
  if (file_.failed()) return failed(file_.status());
  if (batch.failed()) return failed(batch.status());
  return report_.status.ok() ? batch.count() : -1;
}

}  // namespace zuvo::convert
