// Every earlier layout, with rows in it, upgraded: the result has the layout
// that `zive init` gives, every stored value is kept, and the new fields hold
// what the filling statements give them.
#include <gtest/gtest.h>

#include <algorithm>
#include <optional>

#include "upgrade_support.h"

namespace svrZIVE::upgrade::testing {
namespace {

using Outcome = TraspasoEvent::Outcome;
using Names = std::vector<std::string>;

// Where an upgraded table may differ from a created one, by the rules the
// steps follow: a field inserted at a position it shares with an existing
// field comes after it when its name sorts after it, and T14_CE_OPEPRO1 gets
// an empty default from its step.
struct Divergence {
  std::string table;
  std::vector<std::pair<std::string, std::string>> movedAfter;  // field, the field it follows
  std::map<std::string, std::string> defaults;
};

struct LayoutCase {
  EarlierLayout layout;
  std::optional<Divergence> divergence;
};

// Listed by name (test names and failures), not as a dump of its bytes.
void PrintTo(const LayoutCase& c, std::ostream* os) { *os << c.layout.name; }

// A table created by its step in an older form, without its OPEPRO fields,
// which the field step `marker` adds after the EXFIN field of each line.
LayoutCase withoutOpepro(const std::string& name, const std::string& table, const std::string& prefix, int lines,
                         std::map<std::string, std::string> defaults = {}) {
  Names opepro;
  for (int k = 1; k <= lines; ++k) opepro.push_back(prefix + "OPEPRO" + std::to_string(k));
  TableLayout older = without(createdTable(table), [&](const std::string& n) {
    return std::find(opepro.begin(), opepro.end(), n) != opepro.end();
  });
  Divergence d{table, {}, std::move(defaults)};
  for (int k = 1; k <= lines; ++k) d.movedAfter.emplace_back(opepro[k - 1], prefix + "EXFIN" + std::to_string(k));
  return {{name, opepro.front(), {}, {{table, older}}}, d};
}

std::vector<LayoutCase> cases() {
  const TableLayout t02 = withColumns(firstLayoutTable("T02_DECLARACIONES"), "T02_CAE:T13= T02_TTA:T1=");
  return {
      {{"first_layout", "T09_TIPOLOGIA5_NUEVA"}, {}},
      {{"t02_cae_without_admcom", "T00_GENERAL", {"T02_CAE", "T02_ADMCOM"}, {{"T02_DECLARACIONES", t02}}}, {}},
      {{"t03_totalcuota_a_without_baseexenta", "T03_BASEEXENTA"}, {}},
      withoutOpepro("t10_without_opepro", "T10_TIPOLOGIA8", "T10_", 8),
      {{"t12_without_ppe_keys", "T12_PPE_CLAVE1"}, {}},
      withoutOpepro("t14_without_opepro", "T14_TIPOLOGIA12", "T14_CE_", 6, {{"T14_CE_OPEPRO1", ""}}),
      withoutOpepro("t16_without_opepro", "T16_TIPOLOGIA14", "T16_", 4),
  };
}

// Moves `field` right after `anchor`.
template <class T, class NameOf>
void moveAfter(std::vector<T>& list, const std::string& field, const std::string& anchor, NameOf nameOf) {
  auto it = std::find_if(list.begin(), list.end(), [&](const T& x) { return nameOf(x) == field; });
  ASSERT_NE(it, list.end()) << field;
  T moved = *it;
  list.erase(it);
  auto at = std::find_if(list.begin(), list.end(), [&](const T& x) { return nameOf(x) == anchor; });
  ASSERT_NE(at, list.end()) << anchor;
  list.insert(at + 1, moved);
}

class EarlierLayouts : public ::testing::TestWithParam<LayoutCase> {};

TEST_P(EarlierLayouts, UpgradeGivesTheCurrentLayoutAndKeepsEveryValue) {
  const LayoutCase& c = GetParam();
  TempDir dir;
  std::string file = dir.file("ZIVEMOD.MDB");
  build(file, c.layout);
  fillRows(file, 3);
  Rows before = readRows(file);

  RunResult run = runUpgrade(file, dir.slash());
  EXPECT_FALSE(run.result);
  EXPECT_TRUE(run.messages.empty()) << run.messages.front();
  for (const auto& e : run.events) EXPECT_NE(e.outcome, Outcome::Error) << e.statement << " " << e.name << ": " << e.error;

  // The layout: that of a database made by `zive init`, but where the steps diverge.
  LayoutShape expected = initLayout();
  LayoutShape after = readLayout(file);
  if (c.divergence) {
    const Divergence& d = *c.divergence;
    TableShape& table = expected[d.table];
    for (const auto& [field, anchor] : d.movedAfter) {
      moveAfter(table.fields, field, anchor, [](const FieldShape& f) { return f.name; });
      moveAfter(table.selectStar, field, anchor, [](const std::string& s) { return s; });
    }
    for (auto& f : table.fields) {
      f.ordinalPosition = 0;
      if (d.defaults.count(f.name)) f.defaultValue = d.defaults.at(f.name);
    }
    for (auto& f : after[d.table].fields) f.ordinalPosition = 0;
  }
  expectLayout(after, expected);
  // The rows: every stored value kept; new fields filled.
  expectRowsUpgraded(before, readRows(file));
}

INSTANTIATE_TEST_SUITE_P(Cases, EarlierLayouts, ::testing::ValuesIn(cases()),
                         [](const auto& info) { return info.param.layout.name; });

// The positions the field steps give, read back from the catalog.
TEST(UpgradedPositions, InsertedFieldsTakeTheirComputedPositions) {
  TempDir dir;
  std::string file = dir.file("ZIVEMOD.MDB");
  build(file, withoutOpepro("t10", "T10_TIPOLOGIA8", "T10_", 8).layout);
  runUpgrade(file, dir.slash());
  auto shape = readLayout(file);
  auto positionOf = [&](const std::string& table, const std::string& field) {
    for (const auto& f : shape[table].fields)
      if (f.name == field) return int(f.ordinalPosition);
    return -1;
  };
  for (int k = 1; k <= 8; ++k) {
    EXPECT_EQ(positionOf("T10_TIPOLOGIA8", "T10_OPEPRO" + std::to_string(k)), 11 + 13 * (k - 1)) << k;
    EXPECT_EQ(positionOf("T10_TIPOLOGIA8", "T10_SEXENT" + std::to_string(k)), 10 + 13 * (k - 1)) << k;
  }
  for (auto [field, position] :
       {std::pair{"T08_CODEPI6", 22}, {"T08_CUOTA6", 25}, {"T08_CUOTAINTEGRA", 25}, {"T08_CUOTA", 27}})
    EXPECT_EQ(positionOf("T08_TIPOLOGIA6", field), position) << field;
  EXPECT_EQ(positionOf("T03_TIPOLOGIA1", "T03_BASEEXENTA"), positionOf("T03_TIPOLOGIA1", "T03_TOTALCUOTA_A") + 1);
  int q = positionOf("T12_TIPOLOGIA10", "T12_PPE_DIFER");
  EXPECT_EQ(positionOf("T12_TIPOLOGIA10", "T12_PPE_CLAVE"), positionOf("T12_TIPOLOGIA10", "T12_PE_RECEP5") + 1);
  EXPECT_EQ(positionOf("T12_TIPOLOGIA10", "T12_PPE_CLAVE1"), q + 1);
  EXPECT_EQ(positionOf("T12_TIPOLOGIA10", "T12_PPE_DIFER1"), q + 7);
}

}  // namespace
}  // namespace svrZIVE::upgrade::testing
