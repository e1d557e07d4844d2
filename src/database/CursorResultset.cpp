#include "database/CursorResultset.h"

#include <cmath>
#include <limits>

#include "runtime/Convert.h"

namespace zuvo::db {

namespace {

class CursorResultset;

class CursorColumn : public Column {
 public:
  CursorColumn(const CursorResultset& owner, std::int32_t index) : owner_(owner), index_(index) {}
  const Variant& ValueRef() const override;
  String Name() const override;
  std::int32_t Type() const override;
  std::int32_t Size() const override;

 private:
  const CursorResultset& owner_;
  std::int32_t index_;
};

class CursorColumns : public Columns {
 public:
  explicit CursorColumns(const CursorResultset& owner) : owner_(owner) {}
  std::int32_t Count() const override;
  Column& operator[](std::int32_t position) override;
  Column& operator[](const String& name) override;

 private:
  const CursorResultset& owner_;
  std::vector<std::unique_ptr<CursorColumn>> items_;  // grown on demand; addresses stay put
};

class CursorResultset : public Resultset {
 public:
  CursorResultset(std::unique_ptr<Cursor> cursor, bool keyset)
      : cursor_(std::move(cursor)), keyset_(keyset), columns_(*this) {
    run();
  }

  Columns& rdoColumns() override {
    checkOpen();
    return columns_;
  }
  bool IsEOF() const override {
    checkOpen();
    return eof_;
  }
  bool IsBOF() const override {
    checkOpen();
    return bof_;
  }

  void MoveNext() override {
    checkRow();
    advance();
  }

  Variant Bookmark() const override {
    checkRow();
    if (position_ <= std::numeric_limits<std::int32_t>::max()) {
      return Variant::Long(static_cast<std::int32_t>(position_));
    }
    return Variant(static_cast<double>(position_));
  }

  void SetBookmark(const Variant& bookmark) override {
    checkOpen();
    std::int64_t row = rowOf(bookmark);
    if (keyset_) {
      if (row > static_cast<std::int64_t>(rows_.size())) throw noSuchRow();
      position_ = row;
      eof_ = bof_ = false;
      return;
    }
    if (!eof_ && row == position_) return;
    if (eof_ || row < position_) rerun();
    while (position_ < row) {
      advance();
      if (eof_) throw noSuchRow();
    }
  }

  void Requery() override {
    checkOpen();
    run();
  }

  void Close() override {
    if (!cursor_) return;
    cursor_->release();
    cursor_.reset();
    rows_.clear();
    row_.clear();
  }

  const ColumnInfo& info(std::int32_t index) const {
    checkOpen();
    return cursor_->columns().at(static_cast<std::size_t>(index));
  }
  std::int32_t columnCount() const {
    checkOpen();
    return static_cast<std::int32_t>(cursor_->columns().size());
  }
  const Variant& value(std::int32_t index) const {
    checkRow();
    const auto& row = keyset_ ? rows_[static_cast<std::size_t>(position_ - 1)] : row_;
    return row.at(static_cast<std::size_t>(index));
  }

 private:
  void checkOpen() const {
    if (!cursor_) throw DatabaseError(layerError::Closed, "The resultset is closed");
  }
  void checkRow() const {
    checkOpen();
    if (eof_ || bof_) throw DatabaseError(layerError::NoCurrentRow, "No current row");
  }
  static DatabaseError noSuchRow() {
    return DatabaseError(layerError::InvalidBookmark, "The bookmark does not name a row");
  }

  static std::int64_t rowOf(const Variant& bookmark) {
    double row = -1;
    if (auto l = bookmark.get<std::int32_t>()) row = *l;
    if (auto i = bookmark.get<std::int16_t>()) row = *i;
    if (auto d = bookmark.get<double>()) row = *d;
    if (!(row >= 1 && row < 9e15 && std::floor(row) == row)) {
      throw DatabaseError(layerError::InvalidBookmark, "Not a bookmark of this resultset");
    }
    return static_cast<std::int64_t>(row);
  }

  // Runs the statement and stands on its first row (or at the end when it has none).
  void run() {
    rerun();
    if (keyset_) {
      rows_.clear();
      std::vector<Variant> row;
      while (cursor_->fetch(row)) rows_.push_back(row);
      cursor_->release();
    }
    advance();
    bof_ = eof_;
  }

  void rerun() {
    cursor_->execute();
    position_ = 0;
    eof_ = bof_ = false;
  }

  void advance() {
    if (keyset_) {
      if (position_ < static_cast<std::int64_t>(rows_.size())) {
        ++position_;
      } else {
        eof_ = true;
      }
      return;
    }
    if (cursor_->fetch(row_)) {
      ++position_;
    } else {
      eof_ = true;
      row_.clear();
      cursor_->release();  // nothing more to read: let go of the read at once
    }
  }

  std::unique_ptr<Cursor> cursor_;
  bool keyset_;
  CursorColumns columns_;
  std::vector<Variant> row_;                // static: the current row
  std::vector<std::vector<Variant>> rows_;  // keyset: every row
  std::int64_t position_ = 0;               // 1-based number of the current row
  bool eof_ = false;
  bool bof_ = false;
};

const Variant& CursorColumn::ValueRef() const {
  return owner_.value(index_);
}
String CursorColumn::Name() const {
  return owner_.info(index_).name;
}
std::int32_t CursorColumn::Type() const {
  return owner_.info(index_).type;
}
std::int32_t CursorColumn::Size() const {
  return owner_.info(index_).size;
}

std::int32_t CursorColumns::Count() const {
  return owner_.columnCount();
}

Column& CursorColumns::operator[](std::int32_t position) {
  if (position < 0 || position >= Count()) {
    throw DatabaseError(layerError::ItemNotFound,
                        "No column at position " + std::to_string(position));
  }
  while (static_cast<std::int32_t>(items_.size()) <= position) {
    items_.push_back(
        std::make_unique<CursorColumn>(owner_, static_cast<std::int32_t>(items_.size())));
  }
  return *items_[static_cast<std::size_t>(position)];
}

Column& CursorColumns::operator[](const String& name) {
  std::int32_t count = Count();
  for (std::int32_t i = 0; i < count; ++i) {
    if (rt::sameAsciiNoCase(owner_.info(i).name, name)) return (*this)[i];
  }
  throw DatabaseError(layerError::ItemNotFound, "No column named " + rt::toUtf8(name));
}

}  // namespace

void checkResultsetOptions(std::int32_t type, std::int32_t lockType) {
  if (type < 0 || type > 3) {
    throw DatabaseError(layerError::InvalidArgument, "Unknown cursor type " + std::to_string(type));
  }
  if (lockType < 1 || lockType > 4) {
    throw DatabaseError(layerError::InvalidArgument,
                        "Unknown lock type " + std::to_string(lockType));
  }
}

std::unique_ptr<Resultset> makeResultset(std::unique_ptr<Cursor> cursor, std::int32_t type) {
  // Forward-only (0) reads like static; dynamic (2) like keyset.
  bool keyset = type == rdo::Keyset || type == 2;
  return std::make_unique<CursorResultset>(std::move(cursor), keyset);
}

}  // namespace zuvo::db
