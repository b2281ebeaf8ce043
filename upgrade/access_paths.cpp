#include "upgrade/access_paths.h"

#include <array>
#include <string>
#include <string_view>

#include "engine/schema.h"

namespace svrZIVE::upgrade {
namespace {

// The numbers the statements find rows by, after the table's prefix
// (T10_SECDEC in T10_TIPOLOGIA8, T02_CSDE in T02_DECLARACIONES).
constexpr std::array<std::string_view, 2> kFoundBy = {"_SECDEC", "_CSDE"};

}  // namespace

std::vector<engine::AccessPath> accessPathsOf(engine::Database& database) {
  std::vector<engine::AccessPath> paths;
  auto& tables = database.tableDefs();
  for (int32_t t = 0, n = tables.count(); t < n; ++t) {
    auto table = tables.item(t);
    const std::string name = table->name();
    const std::string prefix = name.substr(0, name.find('_'));
    auto& fields = table->fields();
    for (int32_t f = 0, m = fields.count(); f < m; ++f) {
      auto field = fields.item(f);
      if (field->attributes() & engine::dbAutoIncrField) continue;
      for (std::string_view suffix : kFoundBy) {
        if (engine::namesEqual(field->name(), prefix + std::string(suffix))) paths.push_back({name, field->name()});
      }
    }
  }
  return paths;
}

void giveAccessPaths(engine::Database& database) { engine::addAccessPaths(database, accessPathsOf(database)); }

}  // namespace svrZIVE::upgrade
