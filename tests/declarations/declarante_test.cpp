// cZIVEDeclarante and cZIVET01 on databases made by the init path.
#include <gtest/gtest.h>

#include "declarations/cZIVEDeclarante.h"
#include "frame/conexion_dao.h"
#include "frame/zive_general.h"
#include "tests/declarations/declarations_fixture.h"

namespace svrZIVE::testing {
namespace {

class Declarante : public ServiceTest {
 protected:
  std::string nameOf(int32_t csde) {
    return rows(mod_, "SELECT T01_NOMB FROM T01_DECLARANTES WHERE T01_CSDE = " + std::to_string(csde)).at(0).at(0);
  }
  cZIVEDeclarante service_;
};

TEST_F(Declarante, SaveInsertsLeavesTheDatabaseOpenAndLoadGivesTheBufferBackTyped) {
  Variant buffer = declarantBuffer();
  int32_t csde = service_.GuardarDeclarante(buffer);
  EXPECT_EQ(csde, 1);
  auto& db = ZIVEGeneral::sharedConnection().modifiableDatabase();
  ASSERT_TRUE(db && db->isOpen());

  Variant loaded;
  service_.CargarDeclarante(csde, loaded);
  const VariantArray& b = loaded.array();
  ASSERT_EQ(b.ubound(), 15);
  // Every column, typed as the record's properties are: the province a Byte.
  const std::vector<Variant> expected = {
      Variant(int32_t{1}), Variant("B12345678"), Variant("DESTILERIAS SA"), Variant("CL"), Variant("MAYOR"),
      Variant(int32_t{7}), Variant("B"), Variant("2"), Variant("3"), Variant("IZ"), Variant(uint8_t{20}),
      Variant(int32_t{20001}), Variant(int16_t{69}), Variant("DONOSTIA"), Variant(int16_t{943}),
      Variant(int32_t{600123})};
  for (int32_t i = 0; i <= 15; ++i) EXPECT_EQ(b[i], expected[i]) << "element " << i;

  // A new number is the highest in the table plus one.
  execute(mod_, "INSERT INTO T01_DECLARANTES (T01_CSDE, T01_NIF) VALUES (41, 'X')");
  EXPECT_EQ(service_.GuardarDeclarante(buffer), 42);
}

TEST_F(Declarante, ElementZeroEmptyOrEmptyTextInsertsZeroUpdatesNothing) {
  const struct {
    const char* name;
    Variant element0;
    int32_t result, rowsAfter;
  } cases[] = {{"Empty", Variant(), 2, 2}, {"empty text", Variant(""), 2, 2}, {"number 0", Variant(int16_t{0}), 0, 1},
               {"text 0", Variant("0"), 0, 1}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    SetUp();
    Variant first = declarantBuffer("11111111A", "PRIMERO");
    ASSERT_EQ(service_.GuardarDeclarante(first), 1);
    Variant buffer = declarantBuffer("22222222B", "SEGUNDO");
    buffer.array()[0] = c.element0;
    EXPECT_EQ(service_.GuardarDeclarante(buffer), c.result);
    EXPECT_EQ(count(mod_, "T01_DECLARANTES"), c.rowsAfter);
    EXPECT_EQ(nameOf(1), "PRIMERO");
  }
}

TEST_F(Declarante, SaveWithANumberRewritesEveryColumn) {
  Variant buffer = declarantBuffer();
  int32_t csde = service_.GuardarDeclarante(buffer);
  Variant changed = declarantBuffer("C87654321", "OTRO NOMBRE");
  VariantArray& b = changed.array();
  b[0] = Variant(csde);
  b[5] = Variant("12");  // a text that reads as a number
  b[6] = Variant("");
  b[10] = Variant(2.5);  // rounds half to even
  b[15] = Variant();     // Empty is 0
  EXPECT_EQ(service_.GuardarDeclarante(changed), csde);
  EXPECT_EQ(count(mod_, "T01_DECLARANTES"), 1);
  EXPECT_EQ(rows(mod_, "SELECT T01_NIF, T01_NOMB, T01_NUMDOM, T01_LETDOM, T01_PRODOM, T01_NUMTEL "
                       "FROM T01_DECLARANTES")[0],
            (std::vector<std::string>{"C87654321", "OTRO NOMBRE", "12", "", "2", "0"}));
}

TEST_F(Declarante, BuffersThatDoNotConvertWriteNothing) {
  const struct {
    const char* name;
    int32_t element;  // -1: buffer of 15 elements only
    Variant value;
    int32_t error;
    bool update;  // on a stored declarant rather than a new one
  } cases[] = {
      {"too short", -1, Variant(), 9, false},
      {"text for the street number", 5, Variant("siete"), 13, false},
      {"negative province", 10, Variant(int16_t{-1}), 6, false},
      {"municipality above 32767", 12, Variant(int32_t{40000}), 6, false},
      {"null postal code", 11, Variant::null(), 94, false},
      {"apostrophe in the name", 2, Variant("L'ESPERANÇA"), 3075, false},
      {"apostrophe in the town, update", 13, Variant("L'HOSPITALET"), 3075, true},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    SetUp();
    Variant buffer = declarantBuffer();
    if (c.update) buffer.array()[0] = Variant(service_.GuardarDeclarante(buffer));
    buffer.array()[2] = Variant("CAMBIADO");
    if (c.element < 0) {
      buffer.array().redimPreserve(14);
    } else {
      buffer.array()[c.element] = c.value;
    }
    EXPECT_EQ(raisedBy([&] { service_.GuardarDeclarante(buffer); }).number, c.error);
    EXPECT_EQ(count(mod_, "T01_DECLARANTES"), c.update ? 1 : 0);
    if (c.update) {
      EXPECT_EQ(nameOf(1), "DESTILERIAS SA");
    }
  }
}

TEST_F(Declarante, LoadingANumberNotStoredOrARowWithANull) {
  Variant loaded = Variant("previous");
  service_.CargarDeclarante(77, loaded);
  const VariantArray& b = loaded.array();
  const std::vector<Variant> expected = {
      Variant(int32_t{77}), Variant(""), Variant(""),         Variant(""), Variant(""),          Variant(int32_t{0}),
      Variant(""),          Variant(""), Variant(""),         Variant(""), Variant(uint8_t{0}), Variant(int32_t{0}),
      Variant(int16_t{0}),  Variant(""), Variant(int16_t{0}), Variant(int32_t{0})};
  for (int32_t i = 0; i <= 15; ++i) EXPECT_EQ(b[i], expected[i]) << "element " << i;
  // Another program left the other columns null.
  execute(mod_, "INSERT INTO T01_DECLARANTES (T01_NIF) VALUES ('X')");
  execute(mod_, "UPDATE T01_DECLARANTES SET T01_NOMB = Null");
  EXPECT_EQ(raisedBy([&] { service_.CargarDeclarante(1, loaded); }).number, 94);
}

TEST_F(Declarante, ImportarDteSavesLikeGuardarDeclarante) {
  Variant flat = declarantBuffer();
  int32_t a = service_.GuardarDeclarante(flat);
  VariantArray two = VariantArray::matrix(0, 15, 0, 0);
  for (int32_t k = 0; k <= 15; ++k) two.at({k, 0}) = flat.array()[k];
  Variant twoD(std::move(two));
  int32_t b = service_.ImportarDte(twoD);
  EXPECT_EQ(b, a + 1);
  auto stored = rows(mod_, "SELECT * FROM T01_DECLARANTES ORDER BY T01_CSDE");
  ASSERT_EQ(stored.size(), 2u);
  stored[0].erase(stored[0].begin());
  stored[1].erase(stored[1].begin());
  EXPECT_EQ(stored[0], stored[1]);
  // And updates with a number in (0, 0).
  twoD.array().at({0, 0}) = Variant(b);
  twoD.array().at({2, 0}) = Variant("IMPORTADO");
  EXPECT_EQ(service_.ImportarDte(twoD), b);
  EXPECT_EQ(nameOf(2), "IMPORTADO");
  // A one-dimensional buffer has no element (k, 0).
  EXPECT_EQ(raisedBy([&] { service_.ImportarDte(flat); }).number, 9);
}

TEST_F(Declarante, NifRepetidoListCountAndDeletion) {
  EXPECT_TRUE(service_.ObtenerDeclarantes().isNull());
  EXPECT_EQ(service_.NumeroDeclarantes(), 0);
  for (const char* nif : {"30000000C", "10000000A", "20000000B"}) {
    Variant b = declarantBuffer(nif);
    service_.GuardarDeclarante(b);
  }
  EXPECT_EQ(service_.NifRepetido("20000000B"), 3);
  EXPECT_EQ(service_.NifRepetido("33333333C"), 0);
  EXPECT_EQ(service_.NifRepetido(""), 0);
  EXPECT_EQ(raisedBy([&] { service_.NifRepetido("X'Y"); }).number, 3075);

  // Ordered by tax number.
  Variant list = service_.ObtenerDeclarantes();
  const VariantArray& t = list.array();
  ASSERT_EQ(t.ubound(1), 5);
  ASSERT_EQ(t.ubound(2), 3);
  EXPECT_EQ(t.at({0, 1}), Variant(int32_t{2}));
  EXPECT_EQ(t.at({1, 2}), Variant("20000000B"));
  EXPECT_EQ(t.at({3, 3}), Variant("DONOSTIA"));
  EXPECT_EQ(t.at({4, 3}).toLong(), 20);
  EXPECT_EQ(service_.NumeroDeclarantes(), 3);

  // Deleting a declarant leaves its declarations.
  execute(mod_, "INSERT INTO T02_DECLARACIONES (T02_CSDE, T02_EJER) VALUES (1, 2016)");
  service_.EliminarDeclarante(1);
  EXPECT_EQ(count(mod_, "T01_DECLARANTES"), 2);
  EXPECT_EQ(count(mod_, "T02_DECLARACIONES"), 1);
}

TEST_F(Declarante, AnnotatedFailures) {
  execute(mod_, "DROP TABLE T01_DECLARANTES");
  // The load passes the engine's error on unannotated.
  expectAnnotated(raisedBy([&] { Variant b; service_.CargarDeclarante(1, b); }), {
      {"cZIVEDeclarante.EliminarDeclarante ", [&] { service_.EliminarDeclarante(1); }},
      {"cZIVEDeclarante.ObtenerDeclarantes cZIVET01.ObtenerDeclarantes ", [&] { service_.ObtenerDeclarantes(); }},
      {"cZIVEDeclarante.NumeroDeclarantes ", [&] { service_.NumeroDeclarantes(); }},
  });
}

TEST_F(Declarante, StatementTexts) {
  StatementLog log;
  Variant buffer = declarantBuffer("A", "B");
  buffer.array()[6] = Variant("");
  int32_t csde = service_.GuardarDeclarante(buffer);
  EXPECT_TRUE(log.contains("INSERT INTO T01_DECLARANTES (T01_NIF,T01_NOMB,T01_SIGLDOM,T01_NOMDOM,T01_NUMDOM,"
                           "T01_LETDOM,T01_ESCDOM,T01_PISDOM, T01_MANDOM,T01_PRODOM,T01_CPODOM,T01_MUNDOM,"
                           "T01_NMUDOM,T01_PRETEL,T01_NUMTEL) VALUES ( 'A','B','CL','MAYOR',7,'','2','3','IZ',20,"
                           "20001,69,'DONOSTIA',943,600123)"));
  EXPECT_TRUE(log.contains("select max(T01_CSDE) from T01_Declarantes"));
  log.clear();
  buffer.array()[0] = Variant(csde);
  buffer.array()[6] = Variant("L");
  service_.GuardarDeclarante(buffer);
  EXPECT_TRUE(log.contains("UPDATE T01_DECLARANTES SET  T01_NIF = 'A' , T01_NOMB = 'B' , T01_SIGLDOM = 'CL' , "
                           "T01_NOMDOM = 'MAYOR' , T01_NUMDOM = 7 , T01_LETDOM = 'L' , T01_ESCDOM = '2' , "
                           "T01_PISDOM = '3' , T01_MANDOM = 'IZ' , T01_PRODOM = 20 , T01_CPODOM = 20001 , "
                           "T01_MUNDOM = 69 , T01_NMUDOM = 'DONOSTIA' , T01_PRETEL = 943 , T01_NUMTEL = 600123 "
                           "WHERE T01_CSDE = 1"))
      << (log.statements().empty() ? "" : log.statements().front());
}

}  // namespace
}  // namespace svrZIVE::testing
