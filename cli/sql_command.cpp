// zive sql [--create] [--json] FILE "STATEMENT": one Jet statement on a database file.
#include <cctype>
#include <iostream>
#include <nlohmann/json.hpp>
#include <string>

#include "base/date_time.h"
#include "base/legacy_text.h"
#include "cli/commands.h"
#include "cli/json_variant.h"
#include "cli/table_printer.h"
#include "engine/dao.h"

namespace svrZIVE::cli {
namespace {

using engine::DaoType;

bool isQuery(std::string_view sql) {
  size_t i = 0;
  while (i < sql.size() && (std::isspace(static_cast<unsigned char>(sql[i])) || sql[i] == '(')) ++i;
  std::string word;
  while (i < sql.size() && std::isalpha(static_cast<unsigned char>(sql[i])))
    word += static_cast<char>(std::toupper(static_cast<unsigned char>(sql[i++])));
  return word == "SELECT" || word == "TRANSFORM";
}

// Numbers plain whatever their type; a Double that is not finite, and texts,
// as the call command writes them; a Decimal as the text of its digits, exact.
nlohmann::json toJson(const Variant& v) {
  switch (v.type()) {
    case VarType::Null:
    case VarType::Empty: return nullptr;
    case VarType::Boolean: return v.asBoolean();
    case VarType::Byte:
    case VarType::Integer:
    case VarType::Long: return v.toLong();
    case VarType::Double:
    case VarType::String:
    case VarType::ByteArray: return variantToJson(v);
    case VarType::Date: return isoDateText(v.asDate());
    default: return utf8Text(v.toText());
  }
}

std::string toCell(const Variant& v) {
  if (v.isNull()) return "Null";
  if (v.isBytes()) return "(" + std::to_string(v.asBytes().size()) + " bytes)";
  return utf8Text(v.toText());
}

int printError(const AutomationError& e, bool json) {
  if (json) {
    std::cout << nlohmann::json{{"number", e.number()}, {"source", e.source()}, {"description", utf8Text(e.description())}}.dump()
              << '\n';
  } else {
    std::cerr << "zive sql: error " << e.number() << " (" << e.source() << "): " << utf8Text(e.description()) << '\n';
  }
  return 1;
}

int usage() {
  std::cerr << "usage: zive sql [--create] [--json] FILE \"STATEMENT\"\n";
  return 2;
}

}  // namespace

int runSql(const Arguments& args) {
  bool create = false, json = false;
  std::vector<std::string> positional;
  for (const auto& a : args) {
    if (a == "--create") create = true;
    else if (a == "--json") json = true;
    else if (a.size() > 1 && a[0] == '-' && a[1] == '-') return usage();
    else positional.push_back(a);
  }
  if (positional.size() != 2) return usage();
  const std::string& file = positional[0];
  const std::string& statement = positional[1];

  try {
    auto& dbe = engine::DBEngine::forThread();
    auto db = create ? dbe.createDatabase(file) : dbe.openDatabase(file);
    std::shared_ptr<engine::Recordset> rs;
    if (isQuery(statement)) {
      try {
        rs = db->openRecordset(statement);
      } catch (const AutomationError& e) {
        // SELECT ... INTO makes a table: it is run, not read.
        if (e.number() != engine::kInvalidOperation) throw;
      }
    }
    if (!rs) {
      db->execute(statement);
      int32_t n = db->recordsAffected();
      if (json) std::cout << nlohmann::json{{"recordsAffected", n}}.dump() << '\n';
      else std::cout << n << (n == 1 ? " row" : " rows") << " affected.\n";
      db->close();
      return 0;
    }

    auto& fields = rs->fields();
    std::vector<std::string> names;
    std::vector<bool> numeric;
    for (int32_t c = 0; c < fields.count(); ++c) {
      auto f = fields.item(c);
      names.push_back(utf8Text(f->name()));
      DaoType t = f->type();
      numeric.push_back(t != DaoType::Text && t != DaoType::Memo && t != DaoType::Unknown);
    }
    nlohmann::json rows = nlohmann::json::array();
    TextTable table{names, {}, numeric};
    for (; !rs->eof(); rs->moveNext()) {
      nlohmann::json jrow = nlohmann::json::array();
      std::vector<std::string> row;
      for (int32_t c = 0; c < fields.count(); ++c) {
        Variant v = rs->value(c);
        if (json) jrow.push_back(toJson(v));
        else row.push_back(toCell(v));
      }
      if (json) rows.push_back(std::move(jrow));
      else table.rows.push_back(std::move(row));
    }
    rs->close();
    db->close();
    if (json) {
      std::cout << nlohmann::json{{"columns", names}, {"rows", rows}}.dump() << '\n';
    } else {
      table.print(std::cout);
      size_t n = table.rows.size();
      std::cout << "(" << n << (n == 1 ? " row" : " rows") << ")\n";
    }
    return 0;
  } catch (const AutomationError& e) {
    return printError(e, json);
  }
}

}  // namespace svrZIVE::cli
