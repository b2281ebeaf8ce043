// Data definition: CREATE TABLE (positions, the primary key's fields made
// Required, its UNIQUE constraints), ALTER TABLE ADD and DROP, DROP TABLE and CREATE INDEX, checked
// against the catalog and handed to the engine as a DdlCommand.
#include <algorithm>

#include "engine/jet/translator_internal.h"

namespace svrZIVE::engine::jet {

void Translator::ddl(const Statement& st, Translation& out) {
  DdlCommand d = st.ddl;
  switch (st.kind) {
    case StatementKind::CreateTable: {
      for (size_t i = 0; i < d.columns.size(); ++i) {
        auto& c = d.columns[i];
        c.ordinalPosition = static_cast<int16_t>(i);
        // New Text fields accept the empty text, as the field definitions
        // the system creates do; Required is set by NOT NULL.
        if (c.type == DaoType::Text) c.allowZeroLength = true;
        for (size_t j = 0; j < i; ++j)
          if (namesEqual(d.columns[j].name, c.name))
            raise(kFieldDefinedTwice, "The field '" + c.name + "' is defined more than once in table '" + d.table + "'.");
      }
      if (!st.primaryKey.empty()) {
        d.unique = true;
        if (d.indexName.empty()) d.indexName = "PrimaryKey";
        for (const auto& k : st.primaryKey) {
          auto it = std::find_if(d.columns.begin(), d.columns.end(),
                                 [&](const ColumnInfo& c) { return namesEqual(c.name, k); });
          if (it == d.columns.end())
            raise(kItemNotFound, "The primary key names the field '" + k + "', which the table '" + d.table + "' does not have.");
          it->required = true;
          if (std::none_of(d.indexColumns.begin(), d.indexColumns.end(),
                           [&](const std::string& n) { return namesEqual(n, it->name); }))
            d.indexColumns.push_back(it->name);
        }
      }
      // UNIQUE constraints: their fields by the table's names, unnamed ones
      // named by their position.
      for (size_t i = 0; i < d.uniques.size(); ++i) {
        auto& [name, fields] = d.uniques[i];
        if (name.empty()) name = "Unique" + std::to_string(i + 1);
        for (auto& field : fields) {
          auto it = std::find_if(d.columns.begin(), d.columns.end(),
                                 [&](const ColumnInfo& c) { return namesEqual(c.name, field); });
          if (it == d.columns.end())
            raise(kItemNotFound, "The constraint '" + name + "' names the field '" + field + "', which the table '" +
                                     d.table + "' does not have.");
          field = it->name;
        }
      }
      break;
    }
    case StatementKind::AlterTableAdd: {
      const TableInfo& info = table(d.table);
      d.table = info.name;
      auto& c = d.columns.at(0);
      if (info.findColumn(c.name))
        raise(kFieldDefinedTwice, "The table '" + info.name + "' already has a field '" + c.name + "'.");
      int16_t position = 0;
      for (const auto& existing : info.columns)
        position = std::max<int16_t>(position, static_cast<int16_t>(existing.ordinalPosition + 1));
      c.ordinalPosition = position;
      if (c.type == DaoType::Text) c.allowZeroLength = true;
      d.indexName.clear();
      d.indexColumns.clear();
      d.unique = false;
      break;
    }
    case StatementKind::AlterTableDrop: {
      const TableInfo& info = table(d.table);
      d.table = info.name;
      const ColumnInfo* c = info.findColumn(d.column);
      if (c == nullptr)
        raise(kItemNotFound, "The table '" + info.name + "' has no field '" + d.column + "'.");
      d.column = c->name;
      break;
    }
    case StatementKind::DropTable: {
      const TableInfo* info = catalog_.findTable(d.table);
      if (info == nullptr) raise(kTableNotExisting, "The table '" + d.table + "' does not exist.");
      d.table = info->name;
      break;
    }
    case StatementKind::CreateIndex: {
      const TableInfo& info = table(d.table);
      d.table = info.name;
      for (auto& name : d.indexColumns) {
        const ColumnInfo* c = info.findColumn(name);
        if (c == nullptr)
          raise(kItemNotFound, "The index names the field '" + name + "', which the table '" + info.name + "' does not have.");
        name = c->name;
      }
      break;
    }
    default:
      break;
  }
  out.table = d.table;
  out.ddl = std::move(d);
}

}  // namespace svrZIVE::engine::jet
