#pragma once

#include <cstdint>
#include <string>
#include <utility>

namespace zuvo {

// Why an operation that answers by its result (-1, False, "") ended as it did: what failed,
// the record and field where that applies, and the database's or the system's own words.
// The internal steps return it; a method maps it to its result only at its edge.
class Status {
 public:
  enum class Code : std::uint8_t {
    Ok,
    Query,             // the query could not be opened or its rows read
    OpenFile,          // a file could not be opened
    ReadFile,          // reading a file failed, or it ends inside a record
    WriteFile,         // writing a file failed
    CloseFile,         // closing (flushing) a file failed
    TargetTable,       // the target table cannot be opened or named in a statement
    FieldCount,        // the header's or the layout's field count does not match
    ConversionTable,   // the JEF conversion table could not be read
    BeginTransaction,  // a transaction could not be begun
    Commit,            // a commit failed
    Statement,         // the statement before the load, or the insert of a record
    Value,             // a value could not be converted into its field
    Stopped,           // an exception from outside (the event pump) ended the run
  };

  Status() = default;
  Status(Code code, std::string message) : code_(code), message_(std::move(message)) {}

  bool ok() const { return code_ == Code::Ok; }
  Code code() const { return code_; }
  // One line that says what failed, where, and why.
  const std::string& message() const { return message_; }
  // The 1-based record and field the failure belongs to; 0 where none applies.
  std::int64_t record() const { return record_; }
  std::int32_t field() const { return field_; }

  Status& at(std::int64_t record, std::int32_t field = 0) {
    record_ = record;
    field_ = field;
    return *this;
  }

 private:
  Code code_ = Code::Ok;
  std::string message_;
  std::int64_t record_ = 0;
  std::int32_t field_ = 0;
};

}  // namespace zuvo
