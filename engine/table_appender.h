// Whole records appended to a table of a database being filled from another
// one, as an append query from another database writes them: every field is
// given, a counter's too, and the counter goes on after the highest number
// written. Each value is converted to its field's type and checked as an
// INSERT checks it (Required, AllowZeroLength, sizes, ranges).
#pragma once

#include <memory>
#include <span>
#include <string_view>

#include "engine/dao.h"

namespace svrZIVE::engine {

class TableAppender {
 public:
  // 3078 when the table does not exist.
  TableAppender(Database& database, std::string_view table);
  ~TableAppender();
  TableAppender(const TableAppender&) = delete;
  TableAppender& operator=(const TableAppender&) = delete;

  // One record: a value per field, in field-collection order. Rows written
  // inside the workspace's transaction commit with it.
  void append(std::span<const Variant> values);

 private:
  struct State;
  std::unique_ptr<State> state_;
};

}  // namespace svrZIVE::engine
