#include "upgrade_support.h"

#include <gtest/gtest.h>
#include <sqlite3.h>

#include <algorithm>
#include <stdexcept>

#include "frame/message_box.h"
#include "upgrade/base_layout.h"
#include "upgrade/schema_steps.h"

namespace svrZIVE::upgrade::testing {
namespace {

using engine::DaoType;

// Tables or fields: a name in exactly this letter case.
template <typename Collection>
bool hasExactly(Collection& items, const std::string& name) {
  for (int32_t i = 0; i < items.count(); ++i)
    if (items.item(i)->name() == name) return true;
  return false;
}

bool isUserTable(const std::string& name) { return !name.empty() && (name[0] == 'T' || name[0] == 't'); }

std::string keyColumnOf(engine::TableDef& table) {
  auto& fields = table.fields();
  for (int32_t i = 0; i < fields.count(); ++i) {
    std::string name = fields.item(i)->name();
    if (name.size() > 5 && (name.ends_with("_CSDE") || name.ends_with("_SECDEC") || name.ends_with("_secdec")))
      return name;
  }
  return {};
}

std::string literalFor(const engine::Field& field, int row, int column) {
  switch (field.type()) {
    case DaoType::Text: {
      int size = field.size();
      if (size <= 1) return "'" + std::string(1, char('a' + (row + column) % 26)) + "'";
      std::string text = "v" + std::to_string(row) + "_" + std::to_string(column);
      if (int(text.size()) > size) text = text.substr(text.size() - size);
      return "'" + text + "'";
    }
    case DaoType::Double: return formatDouble(row * 1.5 + column + 0.25);
    case DaoType::Long: return std::to_string(row * 100 + column);
    case DaoType::Integer: return std::to_string((row * 7 + column) % 30000);
    case DaoType::Byte: return std::to_string((row + column) % 250);
    default: return "Null";
  }
}

const std::vector<std::string>& stepsInDriverOrder() {
  static const std::vector<std::string> steps = {
      "T09_TIPOLOGIA5_NUEVA", "T08_CODEPI6",     "T02_CAE",         "T02_ADMCOM",     "T00_GENERAL",
      "T02_NESTAB",           "T03_TOTALCUOTA_A", "T10_TIPOLOGIA8",  "T11_TIPOLOGIA9", "T12_TIPOLOGIA10",
      "T13_TIPOLOGIA11",      "T14_TIPOLOGIA12", "T15_TIPOLOGIA13", "T16_TIPOLOGIA14", "T03_BASEEXENTA",
      "T10_OPEPRO1",          "T12_PPE_CLAVE1",  "T14_CE_OPEPRO1",  "T16_OPEPRO1",    "T17_TIPOLOGIA15",
      "T18_TIPOLOGIA16",      "T03_BASEIMP3",    "T19_TIPOLOGIA1",
  };
  return steps;
}

std::string valueText(const Variant& value) {
  if (value.isNull()) return "Null";
  if (value.isEmpty()) return "Empty";
  return std::string(varTypeName(value.type())) + ":" + value.toText();
}

// The user's tables, by name as stored.
std::vector<std::string> userTables(engine::Database& db) {
  std::vector<std::string> names;
  for (int32_t i = 0; i < db.tableDefs().count(); ++i)
    if (std::string name = db.tableDefs().item(i)->name(); isUserTable(name)) names.push_back(name);
  return names;
}

}  // namespace

TableLayout firstLayoutTable(const std::string& name) {
  for (const auto& table : baseLayout())
    if (table.name == name) return table;
  throw std::invalid_argument("no first-layout table " + name);
}

TableLayout createdTable(const std::string& name) {
  const TableStep* step = findTableStep(name);
  if (!step) throw std::invalid_argument("no created table " + name);
  return {name, tableColumns(*step)};
}

TableLayout withColumns(TableLayout table, const std::string& tokens) {
  ColumnGroup group{0, 0, tokens};
  for (auto& column : expandColumns(std::span(&group, 1), NumberDefault::ZeroText))
    table.columns.push_back(std::move(column));
  return table;
}

TableLayout without(TableLayout table, const std::function<bool(const std::string&)>& leaveOut) {
  std::erase_if(table.columns, [&](const ColumnDef& c) { return leaveOut(c.name); });
  return table;
}

void build(const std::string& file, const EarlierLayout& layout) {
  auto db = engine::DBEngine::forThread().createDatabase(svrZIVE::testing::newDatabaseAt(file));
  for (const auto& table : baseLayout()) {
    auto replacement = layout.replaced.find(table.name);
    createTable(*db, replacement != layout.replaced.end() ? replacement->second : table);
  }
  for (const auto& step : stepsInDriverOrder()) {
    if (!layout.stopBefore.empty() && step == layout.stopBefore) break;
    if (layout.skipped.count(step)) continue;
    if (const TableStep* tableStep = findTableStep(step)) {
      if (hasExactly(db->tableDefs(), step)) continue;
      auto replacement = layout.replaced.find(step);
      if (replacement != layout.replaced.end()) createTable(*db, replacement->second);
      else applyTableStep(db, tableStep->name);
    } else {
      const FieldStep* fieldStep = findFieldStep(step);
      if (!fieldStep) throw std::invalid_argument("no step " + step);
      std::string tableName(fieldStep->table);
      if (!hasExactly(db->tableDefs(), tableName)) continue;
      auto table = db->tableDefs().item(tableName);
      if (hasExactly(table->fields(), step)) continue;
      applyFieldStep(db, step);
    }
  }
  for (const auto& table : layout.extra) createTable(*db, table);
  db->close();
}

void fillRows(const std::string& file, int rows) {
  auto db = engine::DBEngine::forThread().openDatabase(file);
  for (const auto& name : userTables(*db)) {
    if (name == "T00_GENERAL") continue;
    auto table = db->tableDefs().item(name);
    auto& fields = table->fields();
    std::string key = keyColumnOf(*table);
    for (int row = 1; row <= rows; ++row) {
      std::string columns, values;
      for (int32_t c = 0; c < fields.count(); ++c) {
        auto field = fields.item(c);
        if (field->attributes() & engine::dbAutoIncrField) continue;
        columns += (columns.empty() ? "" : ",") + field->name();
        std::string value = field->name() == key ? std::to_string(row) : literalFor(*field, row, c);
        values += (values.empty() ? "" : ",") + value;
      }
      db->execute("INSERT INTO " + name + " (" + columns + ") VALUES (" + values + ")");
    }
  }
  db->close();
}

LayoutShape readLayout(const std::string& file) {
  LayoutShape shape;
  auto db = engine::DBEngine::forThread().openDatabase(file);
  for (const auto& name : userTables(*db)) {
    TableShape& t = shape[name];
    auto table = db->tableDefs().item(name);
    auto& fields = table->fields();
    for (int32_t c = 0; c < fields.count(); ++c) {
      auto f = fields.item(c);
      Variant d = f->defaultValue();
      t.fields.push_back({f->name(), f->type(), f->size(), f->required(), f->allowZeroLength(),
                          d.isNull() || d.isEmpty() ? std::string() : d.toText(), f->attributes(),
                          f->ordinalPosition()});
    }
    auto rs = db->openRecordset("Select * from " + name);
    for (int32_t c = 0; c < rs->fields().count(); ++c) t.selectStar.push_back(rs->fields().item(c)->name());
    rs->close();
  }
  db->close();
  return shape;
}

const LayoutShape& initLayout() {
  static const LayoutShape layout = [] {
    TempDir dir;
    return readLayout(svrZIVE::testing::freshModifiable(dir));
  }();
  return layout;
}

void PrintTo(const FieldShape& f, std::ostream* os) {
  *os << f.name << " type " << int(f.type) << " size " << f.size << " required " << f.required << " zero length "
      << f.allowZeroLength << " default '" << f.defaultValue << "' attributes " << f.attributes << " position "
      << f.ordinalPosition;
}

void expectLayout(const LayoutShape& actual, const LayoutShape& expected) {
  ASSERT_EQ(actual.size(), expected.size());
  for (const auto& [name, shape] : expected) {
    SCOPED_TRACE(name);
    ASSERT_TRUE(actual.count(name));
    EXPECT_EQ(actual.at(name).selectStar, shape.selectStar);
    EXPECT_EQ(actual.at(name).fields, shape.fields);
  }
}

std::vector<std::string> rawRows(const std::string& file, const std::string& sql) {
  sqlite3* db = nullptr;
  sqlite3_stmt* st = nullptr;
  std::vector<std::string> out;
  if (sqlite3_open_v2(file.c_str(), &db, SQLITE_OPEN_READWRITE, nullptr) == SQLITE_OK &&
      sqlite3_prepare_v2(db, sql.c_str(), -1, &st, nullptr) == SQLITE_OK) {
    while (sqlite3_step(st) == SQLITE_ROW) {
      std::string row;
      for (int c = 0; c < sqlite3_column_count(st); ++c) {
        const unsigned char* text = sqlite3_column_text(st, c);
        row += (c ? "|" : "") + std::string(text ? reinterpret_cast<const char*>(text) : "Null");
      }
      out.push_back(std::move(row));
    }
  }
  sqlite3_finalize(st);
  sqlite3_close(db);
  return out;
}

Rows readRows(const std::string& file) {
  Rows rows;
  auto db = engine::DBEngine::forThread().openDatabase(file);
  for (const auto& name : userTables(*db)) {
    std::string key = keyColumnOf(*db->tableDefs().item(name));
    auto rs = db->openRecordset("Select * from " + name + (key.empty() ? "" : " order by " + key));
    auto& list = rows[name];
    for (; !rs->eof(); rs->moveNext()) {
      Row row;
      for (int32_t c = 0; c < rs->fields().count(); ++c) row[rs->fields().item(c)->name()] = valueText(rs->value(c));
      list.push_back(std::move(row));
    }
    rs->close();
  }
  db->close();
  return rows;
}

void expectRowsUpgraded(const Rows& before, const Rows& rowsAfter) {
  for (const auto& [table, rows] : before) {
    SCOPED_TRACE(table);
    auto found = rowsAfter.find(table);
    ASSERT_NE(found, rowsAfter.end());
    ASSERT_EQ(found->second.size(), rows.size());
    for (size_t r = 0; r < rows.size(); ++r) {
      const Row& old = rows[r];
      const Row& now = found->second[r];
      for (const auto& [column, value] : old) {
        auto it = now.find(column);
        ASSERT_NE(it, now.end()) << column;
        EXPECT_EQ(it->second, value) << column;
      }
      for (const auto& [column, value] : now) {
        if (old.count(column)) continue;
        std::string expected = "Double:0";
        if (column == "T03_TOTALCUOTA_A") expected = old.at("T03_CUOTA");
        else if (column == "T12_PPE_CLAVE" || column == "T12_PPE_CLAVE1") expected = "String:00";
        else if (column.rfind("T02_", 0) == 0 || column == "T08_CODEPI6") expected = "String: ";
        EXPECT_EQ(value, expected) << column << " row " << r;
      }
    }
  }
  for (const auto& [table, rows] : rowsAfter) {
    if (before.count(table)) continue;
    if (table == "T00_GENERAL") {
      ASSERT_EQ(rows.size(), 1u);
      EXPECT_EQ(rows[0].at("T00_ACTONLINE"), "Integer:-1");
      EXPECT_EQ(rows[0].at("T00_IDIOMA"), "String:C");
    } else {
      EXPECT_TRUE(rows.empty()) << table;
    }
  }
}

int RunResult::backupsMade() const {
  return int(std::count_if(events.begin(), events.end(), [](const TraspasoEvent& e) { return e.backup == 1; }));
}

RunResult runUpgrade(cZIVETraspaso& traspaso, const std::function<void(const TraspasoEvent&)>& also) {
  RunResult result;
  traspaso.setObserver([&](const TraspasoEvent& event) {
    result.events.push_back(event);
    if (also) also(event);
  });
  {
    ScopedMessageCallback messages([&](const std::string& text, int style) {
      result.messages.push_back(text);
      result.messageStyles.push_back(style);
    });
    result.result = traspaso.Traspaso();
  }
  traspaso.setObserver({});
  return result;
}

RunResult runUpgrade(const std::string& file, const std::string& backupFolder,
                     const std::function<void(const TraspasoEvent&)>& also) {
  cZIVETraspaso traspaso;
  traspaso.mdbmod(file);
  traspaso.mdblec("");
  traspaso.mdbPath(backupFolder);
  return runUpgrade(traspaso, also);
}

}  // namespace svrZIVE::upgrade::testing
