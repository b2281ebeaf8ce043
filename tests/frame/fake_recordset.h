// A query result in memory, behaving as the engine's dynasets do for the
// conversions: the record count is 1 before the first MoveLast (when there are
// records) and exact after it.
#pragma once

#include <functional>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "engine/dao.h"
#include "frame/automation_error.h"
#include "frame/variant.h"

namespace svrZIVE::testing {

class FakeRecordset;

class FakeField : public engine::Field {
 public:
  FakeField(const FakeRecordset& owner, int32_t column, std::string name)
      : owner_(owner), column_(column), name_(std::move(name)) {}
  std::string name() const override { return name_; }
  void setName(std::string) override { unsupported(); }
  engine::DaoType type() const override { return engine::DaoType::Unknown; }
  void setType(engine::DaoType) override { unsupported(); }
  int32_t size() const override { return 0; }
  void setSize(int32_t) override { unsupported(); }
  Variant defaultValue() const override { return Variant(); }
  void setDefaultValue(const Variant&) override { unsupported(); }
  bool required() const override { return false; }
  void setRequired(bool) override { unsupported(); }
  bool allowZeroLength() const override { return true; }
  void setAllowZeroLength(bool) override { unsupported(); }
  int32_t attributes() const override { return 0; }
  void setAttributes(int32_t) override { unsupported(); }
  int16_t ordinalPosition() const override { return int16_t(column_); }
  void setOrdinalPosition(int16_t) override { unsupported(); }
  Variant value() const override;
  void setValue(const Variant&) override { unsupported(); }

 private:
  [[noreturn]] static void unsupported() { throw AutomationError(3251, "DAO.Field", "Operation is not supported for this type of object."); }
  const FakeRecordset& owner_;
  int32_t column_;
  std::string name_;
};

class FakeFields : public engine::Fields {
 public:
  explicit FakeFields(const FakeRecordset& owner, const std::vector<std::string>& names) {
    for (std::size_t i = 0; i < names.size(); ++i) {
      fields_.push_back(std::make_shared<FakeField>(owner, int32_t(i), names[i]));
    }
  }
  int32_t count() const override { return int32_t(fields_.size()); }
  std::shared_ptr<engine::Field> item(int32_t index) const override {
    if (index < 0 || index >= count()) notFound();
    return fields_[std::size_t(index)];
  }
  std::shared_ptr<engine::Field> item(std::string_view name) const override {
    for (const auto& f : fields_) {
      if (sameText(f->name(), name)) return f;
    }
    notFound();
  }
  void append(std::shared_ptr<engine::Field>) override {}
  void remove(std::string_view) override {}
  void refresh() override {}

 private:
  static bool sameText(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) return false;
    for (std::size_t i = 0; i < a.size(); ++i) {
      if (std::tolower(static_cast<unsigned char>(a[i])) != std::tolower(static_cast<unsigned char>(b[i]))) return false;
    }
    return true;
  }
  [[noreturn]] static void notFound() {
    throw AutomationError(engine::kItemNotFound, "DAO.Fields", "Item not found in this collection.");
  }
  std::vector<std::shared_ptr<FakeField>> fields_;
};

class FakeRecordset : public engine::Recordset {
 public:
  using Cell = std::function<Variant(int32_t row, int32_t column)>;

  using Rows = std::vector<std::vector<Variant>>;

  FakeRecordset(const std::vector<std::string>& columns, Rows rows)
      : FakeRecordset(columns, std::make_shared<const Rows>(std::move(rows))) {}
  FakeRecordset(const std::vector<std::string>& columns, std::shared_ptr<const Rows> rows)
      : FakeRecordset(columns, int32_t(rows->size()), [rows](int32_t r, int32_t c) {
          return (*rows)[std::size_t(r)][std::size_t(c)];
        }) {}
  FakeRecordset(const std::vector<std::string>& columns, int32_t rowCount, Cell cell)
      : rowCount_(rowCount), cell_(std::move(cell)), fields_(*this, columns) {}

  int32_t recordCount() const override { return countExact_ ? rowCount_ : (rowCount_ > 0 ? 1 : 0); }
  bool eof() const override { return rowCount_ == 0 || position_ >= rowCount_; }
  bool bof() const override { return rowCount_ == 0 || position_ < 0; }
  void moveFirst() override { position_ = 0; }
  void moveLast() override {
    position_ = rowCount_ - 1;
    countExact_ = true;
  }
  void moveNext() override {
    if (eof()) throw AutomationError(engine::kNoCurrentRecord, "DAO.Recordset", "No current record.");
    ++position_;
  }
  void movePrevious() override {
    if (bof()) throw AutomationError(engine::kNoCurrentRecord, "DAO.Recordset", "No current record.");
    --position_;
  }
  engine::Fields& fields() override { return fields_; }
  Variant value(int32_t column) const override { return fields_.item(column)->value(); }
  Variant value(std::string_view column) const override { return fields_.item(column)->value(); }
  bool updatable() const override { return false; }
  void addNew() override {}
  void edit() override {}
  void update() override {}
  void deleteCurrent() override {}
  void close() override { open_ = false; }
  bool isOpen() const override { return open_; }

  Variant cell(int32_t column) const {
    if (eof() || bof()) throw AutomationError(engine::kNoCurrentRecord, "DAO.Recordset", "No current record.");
    return cell_(position_, column);
  }
  int32_t position() const { return position_; }

 private:
  int32_t rowCount_;
  Cell cell_;
  FakeFields fields_;
  int32_t position_ = 0;
  bool countExact_ = false;
  bool open_ = true;
};

inline Variant FakeField::value() const { return owner_.cell(column_); }

}  // namespace svrZIVE::testing
