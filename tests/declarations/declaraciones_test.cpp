// cZIVEDeclaraciones, cZIVET02 and the deletion dispatch.
#include <gtest/gtest.h>

#include <chrono>
#include <tuple>

#include "declarations/cZIVEDeclaraciones.h"
#include "declarations/detail_records.h"
#include "engine/dao.h"
#include "base/automation_error.h"
#include "tests/declarations/declarations_fixture.h"

namespace svrZIVE::testing {
namespace {

using Row = std::vector<std::string>;

// The header's columns in buffer order.
const char* const kAllColumns =
    "SELECT T02_SECDEC, T02_CSDE, T02_EJER, T02_PERDAD, T02_PERNUM, T02_MODELO, T02_TIPOL, T02_IMPFIN, "
    "T02_CAE, T02_TTA, T02_NESTAB, T02_DIRESTAB, T02_ADMCOM FROM T02_DECLARACIONES";

class Declaraciones : public ServiceTest {
 protected:
  int32_t save(Variant buffer) { return service_.GuardarDeclaracion(buffer); }
  cZIVEDeclaraciones service_;
};

TEST_F(Declaraciones, InsertThenUpdateChangesOnlyTheEstablishmentAndBodyFields) {
  Variant buffer = declarationBuffer(12);
  buffer.array()[7] = Variant(12.5);
  buffer.array()[9] = Variant("T");
  int32_t secdec = save(buffer);
  EXPECT_EQ(secdec, 1);
  EXPECT_EQ(rows(mod_, kAllColumns)[0], (Row{"1", "12", "2016", "1", "03", "560", "1", "12.5", " ", "T", " ", " ", " "}));

  VariantArray& b = buffer.array();
  b[0] = Variant(secdec);
  const Variant changed[] = {Variant(int32_t{99}), Variant(int32_t{2020}), Variant(int32_t{2}), Variant(int32_t{4}),
                             Variant("561"),       Variant(int32_t{7}),    Variant(1.0),        Variant("ES00000000001"),
                             Variant("U"),         Variant("FABRICA"),     Variant("CALLE 1"),  Variant("01")};
  for (int32_t i = 1; i <= 12; ++i) b[i] = changed[i - 1];
  EXPECT_EQ(save(buffer), secdec);
  EXPECT_EQ(rows(mod_, kAllColumns)[0], (Row{"1", "12", "2016", "1", "03", "560", "1", "12.5", "ES00000000001", "T",
                                             "FABRICA", "CALLE 1", "01"}));

  // Element 0 Empty or 0 inserts.
  Variant zero = declarationBuffer(1, 2017);
  zero.array()[0] = Variant(int32_t{0});
  EXPECT_EQ(save(zero), 2);
  EXPECT_EQ(save(declarationBuffer(1)), 3);
}

TEST_F(Declaraciones, EmptyEstablishmentFieldsReadBackAsOneBlank) {
  int32_t secdec = save(declarationBuffer(5));
  Variant heading = service_.ObtenerDeclaracion(secdec);
  const VariantArray& h = heading.array();
  ASSERT_EQ(h.ubound(), 9);
  EXPECT_EQ(h[0], Variant("560"));
  EXPECT_EQ(h[3].toText(), "03");
  for (int32_t i = 4; i <= 8; ++i) EXPECT_EQ(h[i], Variant(" ")) << i;
  EXPECT_TRUE(h[9].isEmpty());
  EXPECT_TRUE(service_.ObtenerDeclaracion(secdec + 1).isNull());
  EXPECT_TRUE(service_.ObtenerDeclaracion().isNull());
}

TEST_F(Declaraciones, BuffersThatDoNotConvertWriteNothing) {
  const struct {
    const char* name;
    int32_t element;  // -1: buffer of 12 elements only
    Variant value;
    int32_t error;
  } cases[] = {
      {"too short", -1, Variant(), 9},        {"empty text as number", 0, Variant(""), 13},
      {"period 256", 4, Variant(int16_t{256}), 6}, {"text for the amount", 7, Variant("x"), 13},
      {"null model", 5, Variant::null(), 94}, {"apostrophe in the establishment", 10, Variant("D'OR"), 3075},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    Variant buffer = declarationBuffer(1);
    if (c.element < 0) {
      buffer.array().redimPreserve(11);
    } else {
      buffer.array()[c.element] = c.value;
    }
    auto raised = raisedBy([&] { save(buffer); });
    EXPECT_EQ(raised.number, c.error);
    EXPECT_EQ(raised.description.rfind("cZIVEDeclaraciones.GuardarDeclaracion", 0), 0u) << raised.description;
    EXPECT_EQ(count(mod_, "T02_DECLARACIONES"), 0);
  }
  // The failed insert left no lock behind: the database is still open in the
  // shared connection, another writer gets in at once, the next save works.
  auto started = std::chrono::steady_clock::now();
  execute(mod_, "INSERT INTO T02_DECLARACIONES (T02_CSDE) VALUES (9)");
  EXPECT_LT(std::chrono::steady_clock::now() - started, std::chrono::seconds(2));
  EXPECT_EQ(save(declarationBuffer(1)), 2);
}

TEST_F(Declaraciones, ListOrderCountAndARowSentBackAsABuffer) {
  EXPECT_TRUE(service_.ObtenerDeclaraciones(1).isNull());
  EXPECT_TRUE(service_.ObtenerDeclaraciones().isNull());
  EXPECT_EQ(service_.NumeroDeclaraciones(1), 0);
  EXPECT_FALSE(service_.TieneDeclaraciones(1));
  // (year, periodicity, period, model), saved out of order.
  for (const auto& [year, periodicity, period, model] : std::vector<std::tuple<int, int, int, const char*>>{
           {2016, 1, 10, "560"}, {2016, 1, 3, "560"}, {2015, 2, 1, "560"},
           {2016, 1, 3, "560"}, {2014, 1, 1, "561"}, {2016, 0, 12, "560"}})
    save(declarationBuffer(1, year, periodicity, period, model));
  save(declarationBuffer(2));  // another declarant's
  // By model, year, periodicity, period text, number.
  const std::vector<Row> expected = {
      {"3", "2015", "2", "01", "560"}, {"6", "2016", "0", "12", "560"}, {"2", "2016", "1", "03", "560"},
      {"4", "2016", "1", "03", "560"}, {"1", "2016", "1", "10", "560"}, {"5", "2014", "1", "01", "561"},
  };
  Variant list = service_.ObtenerDeclaraciones(1);
  const VariantArray& t = list.array();
  ASSERT_EQ(t.ubound(1), 13);
  ASSERT_EQ(t.ubound(2), int32_t(expected.size()));
  for (int32_t r = 1; r <= t.ubound(2); ++r) {
    Row got = {t.at({0, r}).toText(), t.at({2, r}).toText(), t.at({3, r}).toText(), t.at({4, r}).toText(),
               t.at({5, r}).toText()};
    EXPECT_EQ(got, expected[r - 1]) << "row " << r;
    EXPECT_EQ(t.at({1, r}).toLong(), 1);
    EXPECT_EQ(t.at({12, r}), Variant(" "));
  }
  EXPECT_EQ(service_.NumeroDeclaraciones(1), 6);
  EXPECT_TRUE(service_.TieneDeclaraciones(1));
  EXPECT_EQ(service_.NumeroDeclaraciones(2), 1);

  // A list row sent back as a buffer updates that declaration.
  VariantArray row = VariantArray::vector(0, 12);
  for (int32_t c = 0; c <= 12; ++c) row[c] = t.at({c, 1});
  row[10] = Variant("NUEVO");
  EXPECT_EQ(save(Variant(row)), 3);
  EXPECT_EQ(rows(mod_, "SELECT T02_NESTAB FROM T02_DECLARACIONES WHERE T02_SECDEC = 3")[0][0], "NUEVO");
  EXPECT_EQ(count(mod_, "T02_DECLARACIONES"), 7);
}

TEST_F(Declaraciones, DecDuplicadas) {
  save(declarationBuffer(7, 2016, 1, 3, "560"));
  const std::tuple<int32_t, int32_t, int16_t, uint8_t, const char*, bool> cases[] = {
      {7, 2016, 3, 1, "560", true},  {8, 2016, 3, 1, "560", false}, {7, 2015, 3, 1, "560", false},
      {7, 2016, 4, 1, "560", false}, {7, 2016, 3, 2, "560", false}, {7, 2016, 3, 1, "561", false},
  };
  for (const auto& [csde, year, period, periodicity, model, duplicate] : cases)
    EXPECT_EQ(service_.DecDuplicadas(csde, year, period, periodicity, model), duplicate)
        << csde << " " << year << " " << period << " " << int(periodicity) << " " << model;
  auto raised = raisedBy([&] { service_.DecDuplicadas(7, 2016, 256, 1, "560"); });
  EXPECT_EQ(raised.number, 6);
  EXPECT_EQ(raised.description, "cZIVEDeclaraciones.DecDuplicadasOverflow");
  EXPECT_EQ(raisedBy([&] { service_.DecDuplicadas(7, 2016, -1, 1, "560"); }).number, 6);
  EXPECT_EQ(raisedBy([&] { service_.DecDuplicadas(7, 2016, 3, 1, "5'60"); }).number, 3075);
}

TEST_F(Declaraciones, NestedAnnotationsReachTheClientOuterFirst) {
  execute(mod_, "DROP TABLE T02_DECLARACIONES");
  Raised plain = raisedBy([&] {
    auto db = engine::DBEngine::forThread().openDatabase(mod_);
    db->openRecordset("Select count(*) From T02_Declaraciones WHERE T02_CSDE = 1");
  });
  expectAnnotated(plain, {
      {"cZIVEDeclaraciones.ObtenerDeclaraciones cZIVET02.ObtenerDeclaraciones",
       [&] { service_.ObtenerDeclaraciones(1); }},
      {"cZIVEDeclaraciones.NumeroDeclaraciones cZIVET02.NumeroDeclaraciones ",
       [&] { service_.NumeroDeclaraciones(1); }},
      {"cZIVEDeclaraciones.TieneDeclaraciones cZIVET02.TieneDeclaraciones ", [&] { service_.TieneDeclaraciones(1); }},
      {"cZIVEDeclaraciones.ObtenerDeclaracion ", [&] { service_.ObtenerDeclaracion(1); }},
      {"cZIVEDeclaraciones.GuardarDeclaracion", [&] { save(declarationBuffer(1)); }},
      {"cZIVEDeclaraciones.DecDuplicadas", [&] { service_.DecDuplicadas(1, 2016, 3, 1, "560"); }},
      {"cZIVEDeclaraciones.EliminarDeclaraciones", [&] { service_.EliminarDeclaraciones(1, 7); }},
  });
}

// A detail record class as the forms plug theirs in; it remembers what it did.
struct DetailLog {
  std::vector<int32_t> deleted;
  bool fail = false;
};
DetailLog gLog;

class FakeDetail : public DetailRecord {
 public:
  void setDeclarationNumber(int32_t lngSecdec) override { secdec_ = lngSecdec; }
  bool BorrarDeclaracion() override {
    if (gLog.fail) throw AutomationError(3078, "DAO.Database", "no detail table");
    gLog.deleted.push_back(secdec_);
    return true;
  }

 private:
  int32_t secdec_ = 0;
};

TEST_F(Declaraciones, DeletionDispatchesToTheTypologysDetailClass) {
  DetailRecordFactory previous = detailDeleterFor(1);
  ASSERT_TRUE(registerDetailDeleter(1, detailRecordFactory<FakeDetail>()));
  gLog = {};
  int32_t a = save(declarationBuffer(1));
  int32_t b = save(declarationBuffer(1, 2017));
  EXPECT_TRUE(service_.EliminarDeclaraciones(b, 1));
  EXPECT_EQ(gLog.deleted, std::vector<int32_t>{b});
  EXPECT_EQ(rows(mod_, "SELECT T02_SECDEC FROM T02_DECLARACIONES"), (std::vector<Row>{{std::to_string(a)}}));

  // A detail that cannot be deleted keeps the header.
  gLog.fail = true;
  Raised raised = raisedBy([&] { service_.EliminarDeclaraciones(a, 1); });
  EXPECT_EQ(raised.number, 3078);
  EXPECT_EQ(raised.description, "cZIVEDeclaraciones.EliminarDeclaracionesno detail table");
  EXPECT_EQ(count(mod_, "T02_DECLARACIONES"), 1);
  gLog = {};
  registerDetailDeleter(1, previous);
}

TEST_F(Declaraciones, TypologiesWithoutADetailClassLoseOnlyTheHeader) {
  gLog = {};
  int32_t seven = save(declarationBuffer(1, 2016, 1, 3, "564", 7));
  int32_t twelve = save(declarationBuffer(1, 2016, 1, 3, "570", 12));
  execute(mod_, "INSERT INTO T09_TIPOLOGIA5_NUEVA (T09_SECDEC) VALUES (" + std::to_string(seven) + ")");
  execute(mod_, "INSERT INTO T14_TIPOLOGIA12 (T14_SECDEC) VALUES (" + std::to_string(twelve) + ")");
  EXPECT_TRUE(service_.EliminarDeclaraciones(seven, 7));
  EXPECT_TRUE(service_.EliminarDeclaraciones(twelve, 12));
  EXPECT_EQ(count(mod_, "T02_DECLARACIONES"), 0);
  EXPECT_EQ(count(mod_, "T09_TIPOLOGIA5_NUEVA"), 1);
  EXPECT_EQ(count(mod_, "T14_TIPOLOGIA12"), 1);
  EXPECT_TRUE(gLog.deleted.empty());
}

TEST_F(Declaraciones, StatementTexts) {
  StatementLog log;
  int32_t secdec = save(declarationBuffer(12, 2016, 1, 3, "560", 1));
  EXPECT_TRUE(log.contains("INSERT INTO T02_Declaraciones (T02_CSDE, T02_EJER,T02_PERDAD,T02_PERNUM,T02_MODELO,"
                           "T02_TIPOL,T02_IMPFIN, T02_CAE,T02_TTA ,T02_NESTAB,T02_DIRESTAB, T02_ADMCOM) VALUES "
                           "(12,2016,'1','03','560',1,0,' ',' ',' ',' ',' ')"));
  EXPECT_TRUE(log.contains("SELECT MAX(T02_SECDEC) FROM T02_Declaraciones"));
  log.clear();
  Variant b = declarationBuffer(12);
  for (auto [i, value] : {std::pair{0, Variant(secdec)}, {8, Variant("C")}, {10, Variant("N")}, {11, Variant("D")},
                          {12, Variant("01")}})
    b.array()[i] = value;
  save(b);
  EXPECT_TRUE(log.contains("UPDATE T02_Declaraciones SET T02_CAE ='C',T02_NESTAB = 'N', T02_DIRESTAB='D', "
                           "T02_ADMCOM='01' WHERE T02_SECDEC =1"));
}

}  // namespace
}  // namespace svrZIVE::testing
