#include "engine/table_appender.h"

#include "engine/engine_impl.h"

namespace svrZIVE::engine {

using namespace detail;

struct TableAppender::State {
  std::shared_ptr<DatabaseImpl> database;
  std::string table;
  std::vector<ColumnInfo> columns;
  std::unique_ptr<Statement> insert;
};

TableAppender::TableAppender(Database& database, std::string_view table) : state_(std::make_unique<State>()) {
  auto* impl = dynamic_cast<DatabaseImpl*>(&database);
  if (!impl) raiseJet(kInputTableNotFound, kSrcDatabase, table);
  state_->database = impl->shared_from_this();
  const TableInfo* info = impl->catalog(kSrcDatabase).findTable(table);
  if (!info) raiseJet(kInputTableNotFound, kSrcDatabase, table);
  state_->table = info->name;
  state_->columns = info->columns;
  std::string names, parameters;
  for (size_t i = 0; i < state_->columns.size(); ++i) {
    names += (i ? ", " : "") + quoteName(state_->columns[i].name);
    parameters += (i ? ", ?" : "?") + std::to_string(i + 1);
  }
  state_->insert = impl->connection(kSrcDatabase).prepare(
      "INSERT INTO " + quoteName(state_->table) + " (" + names + ") VALUES (" + parameters + ")", kSrcDatabase);
}

TableAppender::~TableAppender() = default;

void TableAppender::append(std::span<const Variant> values) {
  if (values.size() != state_->columns.size()) raiseJet(kInvalidArgument, kSrcDatabase);
  Statement& insert = *state_->insert;
  insert.reset();
  for (size_t i = 0; i < values.size(); ++i) {
    const ColumnInfo& column = state_->columns[i];
    // A counter given no number gets the next one.
    insert.bind(static_cast<int>(i + 1), jet::storeValue(values[i], column, state_->table));
  }
  insert.run();
}

}  // namespace svrZIVE::engine
