// Every earlier layout, with rows in it, upgraded: the result has the layout
// that `zive init` gives, every stored value is kept, and the new fields hold
// what the filling statements give them.
#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <optional>

#include "upgrade/schema_steps.h"
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
  Names expectedChanges;  // tables created and TABLE.FIELD added, in order
};

// Listed by name (test names and failures), not as a dump of its bytes.
void PrintTo(const LayoutCase& c, std::ostream* os) { *os << c.layout.name; }

// "T10_OPEPRO1".."T10_OPEPRO8" and the like.
Names numbered(const std::string& prefix, int lines) {
  Names out;
  for (int k = 1; k <= lines; ++k) out.push_back(prefix + std::to_string(k));
  return out;
}

Names fieldsOf(const std::string& table, const Names& names) {
  Names out;
  for (const auto& n : names) out.push_back(table + "." + n);
  return out;
}

Names join(std::initializer_list<Names> parts) {
  Names all;
  for (const auto& p : parts) all.insert(all.end(), p.begin(), p.end());
  return all;
}

// A table created by its step in an older form, without its OPEPRO fields,
// which the field step `marker` adds after the EXFIN field of each line.
LayoutCase withoutOpepro(const std::string& table, const std::string& prefix, int lines, const Names& tail,
                         std::map<std::string, std::string> defaults = {}) {
  Names opepro = numbered(prefix + "OPEPRO", lines);
  TableLayout older = without(createdTable(table), [&](const std::string& n) {
    return std::find(opepro.begin(), opepro.end(), n) != opepro.end();
  });
  Divergence d{table, {}, std::move(defaults)};
  for (int k = 1; k <= lines; ++k) d.movedAfter.emplace_back(opepro[k - 1], prefix + "EXFIN" + std::to_string(k));
  std::string marker = opepro.front();
  std::string name = table.substr(0, 3) + "_without_opepro";
  std::transform(name.begin(), name.end(), name.begin(), [](unsigned char c) { return std::tolower(c); });
  return {{name, marker, {}, {{table, older}}, {}}, d, join({fieldsOf(table, opepro), tail})};
}

std::vector<LayoutCase> cases() {
  const Names lastSteps =
      join({{"T17_TIPOLOGIA15", "T18_TIPOLOGIA16"},
            fieldsOf("T03_TIPOLOGIA1", {"T03_BASEIMP3", "T03_TIPO3", "T03_CUOTA3", "T03_TOTALCUOTA_N"}),
            {"T19_TIPOLOGIA1"}});
  const Names fromT12 = join({fieldsOf("T12_TIPOLOGIA10", join({{"T12_PPE_CLAVE"},
                                                               {"T12_PPE_CLAVE1", "T12_PPE_EXINI1", "T12_PPE_ENTR1",
                                                                "T12_PPE_SBODEG1", "T12_PPE_SALMAC1",
                                                                "T12_PPE_EXFIN1", "T12_PPE_DIFER1"}})),
                              lastSteps});
  const Names fromBaseExenta = join({fieldsOf("T03_TIPOLOGIA1", {"T03_BASEEXENTA"}), fromT12});
  const Names fromAdmcom =
      join({fieldsOf("T02_DECLARACIONES", {"T02_ADMCOM"}),
            {"T00_GENERAL"},
            fieldsOf("T02_DECLARACIONES", {"T02_NESTAB", "T02_DIRESTAB"}),
            fieldsOf("T03_TIPOLOGIA1", {"T03_BASEIMP1", "T03_TIPO1", "T03_CUOTA1", "T03_BASEIMP2", "T03_TIPO2",
                                        "T03_CUOTA2", "T03_TOTALCUOTA_B", "T03_TOTALCUOTA_A"}),
            {"T10_TIPOLOGIA8", "T11_TIPOLOGIA9", "T12_TIPOLOGIA10", "T13_TIPOLOGIA11", "T14_TIPOLOGIA12",
             "T15_TIPOLOGIA13", "T16_TIPOLOGIA14"},
            fromBaseExenta});
  return {
      {{"first_layout", "T09_TIPOLOGIA5_NUEVA", {}, {}, {}},
       {},
       join({{"T09_TIPOLOGIA5_NUEVA"},
             fieldsOf("T08_TIPOLOGIA6", {"T08_CODEPI6", "T08_BASIMP6", "T08_TIPO6", "T08_CUOTA6"}),
             fieldsOf("T02_DECLARACIONES", {"T02_CAE", "T02_TTA"}), fromAdmcom})},
      {{"t02_cae_without_admcom",
        "T00_GENERAL",
        {"T02_CAE", "T02_ADMCOM"},
        {{"T02_DECLARACIONES", withColumns(firstLayoutTable("T02_DECLARACIONES"), "T02_CAE:T13= T02_TTA:T1=")}},
        {}},
       {},
       fromAdmcom},
      {{"t03_totalcuota_a_without_baseexenta", "T03_BASEEXENTA", {}, {}, {}}, {}, fromBaseExenta},
      withoutOpepro("T10_TIPOLOGIA8", "T10_", 8, fromT12),
      {{"t12_without_ppe_keys", "T12_PPE_CLAVE1", {}, {}, {}}, {}, fromT12},
      withoutOpepro("T14_TIPOLOGIA12", "T14_CE_", 6, lastSteps, {{"T14_CE_OPEPRO1", ""}}),
      withoutOpepro("T16_TIPOLOGIA14", "T16_", 4, lastSteps),
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
  EXPECT_EQ(run.backupsMade(), 1);
  EXPECT_FALSE(std::filesystem::exists(dir.file("CopSegZIVEMod.mdb")));
  Names changes;
  for (const auto& e : run.events) changes.insert(changes.end(), e.created.begin(), e.created.end());
  EXPECT_EQ(changes, c.expectedChanges);

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
  ASSERT_EQ(after.size(), expected.size());
  for (const auto& [name, shape] : expected) {
    SCOPED_TRACE(name);
    expectSameTable(after[name], shape);
  }
  // The rows: every stored value kept; new fields filled.
  expectRowsUpgraded(before, readRows(file));
}

INSTANTIATE_TEST_SUITE_P(Cases, EarlierLayouts, ::testing::ValuesIn(cases()),
                         [](const auto& info) { return info.param.layout.name; });

// The column orders of forms 560 and 566 as `Select *` gives them (the
// upgrade of the first layout gives the same, above).
TEST(UpgradedColumnOrder, FormsOf560And566) {
  Names t03 = {"T03_SECDEC",   "T03_BASEIMP",      "T03_TIPO",         "T03_CUOTA",      "T03_BASEIMP1",
               "T03_TIPO1",    "T03_CUOTA1",       "T03_BASEIMP2",     "T03_TIPO2",      "T03_CUOTA2",
               "T03_TOTALCUOTA_B", "T03_TOTALCUOTA_A", "T03_BASEEXENTA", "T03_BASEIMP3", "T03_TIPO3",
               "T03_CUOTA3",   "T03_TOTALCUOTA_N"};
  Names t08 = {"T08_SECDEC"};
  for (int n = 1; n <= 6; ++n)
    for (const char* c : {"T08_CODEPI", "T08_BASIMP", "T08_TIPO", "T08_CUOTA"}) t08.push_back(c + std::to_string(n));
  for (const char* c : {"T08_CUOTAINTEGRA", "T08_DEDUCCUOTA", "T08_CUOTA"}) t08.push_back(c);
  EXPECT_EQ(initLayout().at("T03_TIPOLOGIA1").selectStar, t03);
  EXPECT_EQ(initLayout().at("T08_TIPOLOGIA6").selectStar, t08);
}

// The positions the field steps give, read back from the catalog.
TEST(UpgradedPositions, InsertedFieldsTakeTheirComputedPositions) {
  TempDir dir;
  std::string file = dir.file("ZIVEMOD.MDB");
  build(file, withoutOpepro("T10_TIPOLOGIA8", "T10_", 8, {}).layout);
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
  EXPECT_EQ(positionOf("T08_TIPOLOGIA6", "T08_CODEPI6"), 22);
  EXPECT_EQ(positionOf("T08_TIPOLOGIA6", "T08_CUOTA6"), 25);
  EXPECT_EQ(positionOf("T08_TIPOLOGIA6", "T08_CUOTAINTEGRA"), 25);
  EXPECT_EQ(positionOf("T08_TIPOLOGIA6", "T08_CUOTA"), 27);
  EXPECT_EQ(positionOf("T03_TIPOLOGIA1", "T03_BASEEXENTA"), positionOf("T03_TIPOLOGIA1", "T03_TOTALCUOTA_A") + 1);
  int q = positionOf("T12_TIPOLOGIA10", "T12_PPE_DIFER");
  EXPECT_EQ(positionOf("T12_TIPOLOGIA10", "T12_PPE_CLAVE"), positionOf("T12_TIPOLOGIA10", "T12_PE_RECEP5") + 1);
  EXPECT_EQ(positionOf("T12_TIPOLOGIA10", "T12_PPE_CLAVE1"), q + 1);
  EXPECT_EQ(positionOf("T12_TIPOLOGIA10", "T12_PPE_DIFER1"), q + 7);
}

}  // namespace
}  // namespace svrZIVE::upgrade::testing
