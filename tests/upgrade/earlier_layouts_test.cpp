// Every earlier layout, with rows in it, upgraded: the result has the layout
// that `zive init` gives, every stored value is kept, and the new fields hold
// what the filling statements give them.
#include <gtest/gtest.h>

#include <algorithm>

#include "upgrade/schema_steps.h"
#include "upgrade_support.h"

namespace svrZIVE::upgrade::testing {
namespace {

using Outcome = TraspasoEvent::Outcome;

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
  std::vector<Divergence> divergences;
  std::vector<std::string> expectedChanges;  // tables created and TABLE.FIELD added, in order
};

bool hasPrefixAndNumber(const std::string& name, const std::string& prefix) {
  if (name.rfind(prefix, 0) != 0 || name.size() == prefix.size()) return false;
  return std::all_of(name.begin() + prefix.size(), name.end(), [](char c) { return c >= '0' && c <= '9'; });
}

std::vector<std::pair<std::string, std::string>> opeproAfterExfin(const std::string& prefix, int lines) {
  std::vector<std::pair<std::string, std::string>> out;
  for (int k = 1; k <= lines; ++k)
    out.emplace_back(prefix + "OPEPRO" + std::to_string(k), prefix + "EXFIN" + std::to_string(k));
  return out;
}

std::vector<std::string> fieldsOf(const std::string& table, std::initializer_list<const char*> names) {
  std::vector<std::string> out;
  for (const char* n : names) out.push_back(table + "." + n);
  return out;
}

std::vector<LayoutCase> cases() {
  std::vector<LayoutCase> out;
  const std::vector<std::string> lateTables = {"T17_TIPOLOGIA15", "T18_TIPOLOGIA16"};
  auto t03Line3 = fieldsOf("T03_TIPOLOGIA1", {"T03_BASEIMP3", "T03_TIPO3", "T03_CUOTA3", "T03_TOTALCUOTA_N"});
  auto t12Ppe = fieldsOf("T12_TIPOLOGIA10", {"T12_PPE_CLAVE", "T12_PPE_CLAVE1", "T12_PPE_EXINI1", "T12_PPE_ENTR1",
                                             "T12_PPE_SBODEG1", "T12_PPE_SALMAC1", "T12_PPE_EXFIN1",
                                             "T12_PPE_DIFER1"});
  auto join = [](std::initializer_list<std::vector<std::string>> parts) {
    std::vector<std::string> all;
    for (const auto& p : parts) all.insert(all.end(), p.begin(), p.end());
    return all;
  };
  auto tail = join({t12Ppe, lateTables, t03Line3, {"T19_TIPOLOGIA1"}});

  out.push_back({{"first_layout", "T09_TIPOLOGIA5_NUEVA", {}, {}, {}},
                 {},
                 join({{"T09_TIPOLOGIA5_NUEVA"},
                       fieldsOf("T08_TIPOLOGIA6", {"T08_CODEPI6", "T08_BASIMP6", "T08_TIPO6", "T08_CUOTA6"}),
                       fieldsOf("T02_DECLARACIONES", {"T02_CAE", "T02_TTA", "T02_ADMCOM"}),
                       {"T00_GENERAL"},
                       fieldsOf("T02_DECLARACIONES", {"T02_NESTAB", "T02_DIRESTAB"}),
                       fieldsOf("T03_TIPOLOGIA1", {"T03_BASEIMP1", "T03_TIPO1", "T03_CUOTA1", "T03_BASEIMP2",
                                                   "T03_TIPO2", "T03_CUOTA2", "T03_TOTALCUOTA_B", "T03_TOTALCUOTA_A"}),
                       {"T10_TIPOLOGIA8", "T11_TIPOLOGIA9", "T12_TIPOLOGIA10", "T13_TIPOLOGIA11", "T14_TIPOLOGIA12",
                        "T15_TIPOLOGIA13", "T16_TIPOLOGIA14"},
                       fieldsOf("T03_TIPOLOGIA1", {"T03_BASEEXENTA"}), tail})});

  out.push_back({{"t02_cae_without_admcom",
                  "T00_GENERAL",
                  {"T02_CAE", "T02_ADMCOM"},
                  {{"T02_DECLARACIONES", withColumns(firstLayoutTable("T02_DECLARACIONES"), "T02_CAE:T13= T02_TTA:T1=")}},
                  {}},
                 {},
                 join({fieldsOf("T02_DECLARACIONES", {"T02_ADMCOM"}),
                       {"T00_GENERAL"},
                       fieldsOf("T02_DECLARACIONES", {"T02_NESTAB", "T02_DIRESTAB"}),
                       fieldsOf("T03_TIPOLOGIA1", {"T03_BASEIMP1", "T03_TIPO1", "T03_CUOTA1", "T03_BASEIMP2",
                                                   "T03_TIPO2", "T03_CUOTA2", "T03_TOTALCUOTA_B", "T03_TOTALCUOTA_A"}),
                       {"T10_TIPOLOGIA8", "T11_TIPOLOGIA9", "T12_TIPOLOGIA10", "T13_TIPOLOGIA11", "T14_TIPOLOGIA12",
                        "T15_TIPOLOGIA13", "T16_TIPOLOGIA14"},
                       fieldsOf("T03_TIPOLOGIA1", {"T03_BASEEXENTA"}), tail})});

  out.push_back({{"t03_totalcuota_a_without_baseexenta", "T03_BASEEXENTA", {}, {}, {}},
                 {},
                 join({fieldsOf("T03_TIPOLOGIA1", {"T03_BASEEXENTA"}), tail})});

  out.push_back({{"t10_without_opepro",
                  "T10_OPEPRO1",
                  {},
                  {{"T10_TIPOLOGIA8", without(createdTable("T10_TIPOLOGIA8"),
                                              [](const std::string& n) { return hasPrefixAndNumber(n, "T10_OPEPRO"); })}},
                  {}},
                 {{"T10_TIPOLOGIA8", opeproAfterExfin("T10_", 8), {}}},
                 join({fieldsOf("T10_TIPOLOGIA8", {"T10_OPEPRO1", "T10_OPEPRO2", "T10_OPEPRO3", "T10_OPEPRO4",
                                                   "T10_OPEPRO5", "T10_OPEPRO6", "T10_OPEPRO7", "T10_OPEPRO8"}),
                       tail})});

  out.push_back({{"t12_without_ppe_keys", "T12_PPE_CLAVE1", {}, {}, {}}, {}, tail});

  out.push_back(
      {{"t14_without_ce_opepro",
        "T14_CE_OPEPRO1",
        {},
        {{"T14_TIPOLOGIA12", without(createdTable("T14_TIPOLOGIA12"),
                                     [](const std::string& n) { return hasPrefixAndNumber(n, "T14_CE_OPEPRO"); })}},
        {}},
       {{"T14_TIPOLOGIA12", opeproAfterExfin("T14_CE_", 6), {{"T14_CE_OPEPRO1", ""}}}},
       join({fieldsOf("T14_TIPOLOGIA12", {"T14_CE_OPEPRO1", "T14_CE_OPEPRO2", "T14_CE_OPEPRO3", "T14_CE_OPEPRO4",
                                          "T14_CE_OPEPRO5", "T14_CE_OPEPRO6"}),
             lateTables, t03Line3, {"T19_TIPOLOGIA1"}})});

  out.push_back({{"t16_without_opepro",
                  "T16_OPEPRO1",
                  {},
                  {{"T16_TIPOLOGIA14", without(createdTable("T16_TIPOLOGIA14"),
                                               [](const std::string& n) { return hasPrefixAndNumber(n, "T16_OPEPRO"); })}},
                  {}},
                 {{"T16_TIPOLOGIA14", opeproAfterExfin("T16_", 4), {}}},
                 join({fieldsOf("T16_TIPOLOGIA14", {"T16_OPEPRO1", "T16_OPEPRO2", "T16_OPEPRO3", "T16_OPEPRO4"}),
                       lateTables, t03Line3, {"T19_TIPOLOGIA1"}})});
  return out;
}

// Moves `field` right after `anchor` in a list of names.
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

TableShape expectedShape(TableShape created, const Divergence& d) {
  for (const auto& [field, anchor] : d.movedAfter) {
    moveAfter(created.fields, field, anchor, [](const FieldShape& f) { return f.name; });
    moveAfter(created.selectStar, field, anchor, [](const std::string& s) { return s; });
  }
  for (auto& f : created.fields) {
    f.ordinalPosition = 0;
    auto it = d.defaults.find(f.name);
    if (it != d.defaults.end()) f.defaultValue = it->second;
  }
  return created;
}

class EarlierLayouts : public ::testing::TestWithParam<LayoutCase> {
 protected:
  static void SetUpTestSuite() {
    initDir_ = new TempDir();
    buildByInit(initDir_->file("ZIVEMOD.MDB"));
    initLayout_ = new LayoutShape(readLayout(initDir_->file("ZIVEMOD.MDB")));
  }
  static void TearDownTestSuite() {
    delete initLayout_;
    delete initDir_;
  }
  static TempDir* initDir_;
  static LayoutShape* initLayout_;
};

TempDir* EarlierLayouts::initDir_ = nullptr;
LayoutShape* EarlierLayouts::initLayout_ = nullptr;

TEST_P(EarlierLayouts, UpgradeGivesTheCurrentLayoutAndKeepsEveryValue) {
  const LayoutCase& c = GetParam();
  TempDir dir;
  std::string file = dir.file("ZIVEMOD.MDB");
  build(file, c.layout);
  fillRows(file, 3);
  Rows before = readRows(file);
  LayoutShape layoutBefore = readLayout(file);

  RunResult run = runUpgrade(file, dir.slash());
  EXPECT_FALSE(run.result);
  EXPECT_TRUE(run.messages.empty()) << run.messages.front();
  for (const auto& e : run.events) EXPECT_NE(e.outcome, Outcome::Error) << e.statement << " " << e.name << ": " << e.error;
  EXPECT_EQ(run.backupsMade(), 1);
  EXPECT_FALSE(std::filesystem::exists(dir.file("CopSegZIVEMod.mdb")));

  std::vector<std::string> changes;
  for (const auto& e : run.events) changes.insert(changes.end(), e.created.begin(), e.created.end());
  EXPECT_EQ(changes, c.expectedChanges);

  // The layout: that of a database made by `zive init`.
  LayoutShape after = readLayout(file);
  ASSERT_EQ(after.size(), initLayout_->size());
  for (const auto& [name, created] : *initLayout_) {
    SCOPED_TRACE(name);
    ASSERT_TRUE(after.count(name));
    auto d = std::find_if(c.divergences.begin(), c.divergences.end(), [&](const auto& x) { return x.table == name; });
    if (d == c.divergences.end()) {
      EXPECT_EQ(after[name].selectStar, created.selectStar);
      ASSERT_EQ(after[name].fields.size(), created.fields.size());
      for (size_t i = 0; i < created.fields.size(); ++i) EXPECT_EQ(after[name].fields[i], created.fields[i]) << i;
    } else {
      TableShape expected = expectedShape(created, *d);
      TableShape actual = after[name];
      for (auto& f : actual.fields) f.ordinalPosition = 0;
      EXPECT_EQ(actual.selectStar, expected.selectStar);
      ASSERT_EQ(actual.fields.size(), expected.fields.size());
      for (size_t i = 0; i < expected.fields.size(); ++i) EXPECT_EQ(actual.fields[i], expected.fields[i]) << i;
    }
  }

  // The rows: every stored value kept; new fields filled.
  expectRowsUpgraded(before, readRows(file));
}

INSTANTIATE_TEST_SUITE_P(Cases, EarlierLayouts, ::testing::ValuesIn(cases()),
                         [](const auto& info) { return info.param.layout.name; });

// The column orders of forms 560 and 566 as `Select *` gives them, after an
// upgrade of the first layout and after `zive init` alike.
TEST(UpgradedColumnOrder, FormsOf560And566) {
  std::vector<std::string> t03 = {"T03_SECDEC",     "T03_BASEIMP",      "T03_TIPO",         "T03_CUOTA",
                                  "T03_BASEIMP1",   "T03_TIPO1",        "T03_CUOTA1",       "T03_BASEIMP2",
                                  "T03_TIPO2",      "T03_CUOTA2",       "T03_TOTALCUOTA_B", "T03_TOTALCUOTA_A",
                                  "T03_BASEEXENTA", "T03_BASEIMP3",     "T03_TIPO3",        "T03_CUOTA3",
                                  "T03_TOTALCUOTA_N"};
  std::vector<std::string> t08 = {"T08_SECDEC"};
  for (int n = 1; n <= 6; ++n)
    for (const char* c : {"T08_CODEPI", "T08_BASIMP", "T08_TIPO", "T08_CUOTA"}) t08.push_back(c + std::to_string(n));
  for (const char* c : {"T08_CUOTAINTEGRA", "T08_DEDUCCUOTA", "T08_CUOTA"}) t08.push_back(c);
  ASSERT_EQ(t03.size(), 17u);
  ASSERT_EQ(t08.size(), 28u);

  TempDir dir;
  build(dir.file("old.mdb"), {"first", "T09_TIPOLOGIA5_NUEVA", {}, {}, {}});
  fillRows(dir.file("old.mdb"), 2);
  runUpgrade(dir.file("old.mdb"), dir.slash());
  buildByInit(dir.file("ZIVEMOD.MDB"));
  for (const auto& file : {dir.file("old.mdb"), dir.file("ZIVEMOD.MDB")}) {
    SCOPED_TRACE(file);
    auto layout = readLayout(file);
    EXPECT_EQ(layout["T03_TIPOLOGIA1"].selectStar, t03);
    EXPECT_EQ(layout["T08_TIPOLOGIA6"].selectStar, t08);
  }
}

// The positions the field steps give, read back from the catalog.
TEST(UpgradedPositions, InsertedFieldsTakeTheirComputedPositions) {
  TempDir dir;
  std::string file = dir.file("ZIVEMOD.MDB");
  EarlierLayout layout{"t10", "T10_OPEPRO1", {}, {}, {}};
  layout.replaced["T10_TIPOLOGIA8"] = without(createdTable("T10_TIPOLOGIA8"),
                                              [](const std::string& n) { return hasPrefixAndNumber(n, "T10_OPEPRO"); });
  build(file, layout);
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
