// cZIVEConexionDAO on real databases, the statement texts it runs, the
// state every object of one client thread shares, and the lists made of its
// recordsets (ConvertirRecordset over the engine's dynasets, QuitarRepetidos).
#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <thread>
#include <vector>

#include "frame/conexion_dao.h"
#include "frame/service_paths.h"
#include "frame/statement.h"
#include "frame/zive_general.h"
#include "tests/engine/engine_test_support.h"
#include "tests/frame/frame_fixture.h"

namespace svrZIVE {
namespace {

using testing::errorNumberOf;
using testing::errorOf;
using ZIVEGeneral::ConvertirRecordset;
using ZIVEGeneral::QuitarRepetidos;

TEST(SlotRule, LastElevenCharactersUpperCasedNameTheModifiableDatabase) {
  const struct { const char* path; bool modifiable; } cases[] = {
      {"/data/ZiveMod.Mdb", true},      {"C:\\Archivos\\MIZIVEMOD.MDB", true}, {"/data/ZIVEMOD.MDB.bak", false},
      {"/data/ZIVEMOD.MDB ", false},    {"/data/ZIVELEC.MDB", false},          {"IVEMOD.MDB", false},
  };
  for (const auto& c : cases) EXPECT_EQ(isModifiablePath(c.path), c.modifiable) << c.path;
}

class Conexion : public testing::FrameFixture {};

TEST_F(Conexion, TheReferencePathWorksOnTheReferenceDatabaseWhileTheModifiableStaysOpen) {
  auto modifiable = connection(modPath_).modifiableDatabase();
  cZIVEConexionDAO& c = connection(refPath_);
  EXPECT_TRUE(c.modifiableDatabase() == modifiable && modifiable->isOpen());
  c.execute("INSERT INTO TR (A, B) VALUES (3, 'ref3')");
  EXPECT_EQ(c.openRecordset("SELECT COUNT(*) FROM TR")->value(0), Variant(3));
  EXPECT_EQ(errorNumberOf([&] { c.openRecordset("SELECT * FROM TM"); }), engine::kInputTableNotFound);
  // Cerrar too works on the slot the current path selects.
  c.Cerrar();
  EXPECT_TRUE(!c.referenceDatabase()->isOpen() && modifiable->isOpen());
}

TEST_F(Conexion, InicializaBDOpensAWorkspaceAndTheDatabaseUnderTheHourglass) {
  cZIVEConexionDAO& c = connection(modPath_);
  EXPECT_EQ(pointer_, (std::vector<int>{11, 0, 11, 0}));
  EXPECT_EQ(c.workspace()->name() + "/" + c.workspace()->userName(), "wrk/admin");
  for (int16_t tipo : {0, 1, 2, 4, 8, -1}) {
    EXPECT_TRUE(c.openRecordset("SELECT * FROM TM", tipo)->updatable()) << "a dynaset whatever the type " << tipo;
  }
}

TEST_F(Conexion, AFailingCallLeavesTheHourglassUntilTheNextSuccessfulOne) {
  cZIVEConexionDAO& c = connection(modPath_);
  pointer_.clear();
  c.execute("INSERT INTO TM (A, B) VALUES (2, 'b')");
  c.openRecordset("SELECT * FROM TM");
  EXPECT_EQ(pointer_, (std::vector<int>{11, 0, 11, 0}));
  pointer_.clear();
  EXPECT_EQ(errorNumberOf([&] { c.execute("INSERT INTO NOSUCHTABLE (A) VALUES (1)"); }), engine::kInputTableNotFound);
  c.execute("DELETE FROM TM WHERE A = 2");
  errorOf([&] { c.openRecordset("SELECT * FROM NOSUCHTABLE"); });
  EXPECT_EQ(pointer_, (std::vector<int>{11, 11, 0, 11}));

  pointer_.clear();
  const std::string missing = (folder_ / "missing" / "ZIVEMOD.MDB").string();
  EXPECT_NE(errorNumberOf([&] { c.InicializaBD(missing); }), 0);
  EXPECT_EQ(pointer_, (std::vector<int>{11, 0, 11}));
  EXPECT_EQ(c.Dbname, missing) << "the path is set before opening";
}

TEST_F(Conexion, CerrarClosesTheOpenRecordsetsThenTheDatabase) {
  cZIVEConexionDAO& c = connection(refPath_);
  auto db = c.referenceDatabase();
  auto first = c.openRecordset("SELECT * FROM TR");
  auto second = c.openRecordset("SELECT A FROM TR WHERE A = 2");
  pointer_.clear();
  c.Cerrar();
  EXPECT_FALSE(first->isOpen() || second->isOpen() || db->isOpen());
  EXPECT_EQ(c.referenceDatabase(), db) << "the slot keeps the closed database";
  EXPECT_TRUE(pointer_.empty()) << "Cerrar leaves the pointer alone";

  // Until the next initialisation, calls fail with the engine's error for a
  // closed database, passed on whole.
  auto engineError = errorOf([&] { db->execute("DELETE FROM TR"); });
  auto e1 = errorOf([&] { c.execute("DELETE FROM TR"); });
  ASSERT_TRUE(engineError && e1);
  EXPECT_EQ(engineError->number(), engine::kObjectClosed);
  EXPECT_EQ(testing::everything(*e1), testing::everything(*engineError));
  EXPECT_EQ(errorNumberOf([&] { c.openRecordset("SELECT * FROM TR"); }), engine::kObjectClosed);
  // A fresh initialisation opens it again; with no recordset open Cerrar
  // closes just the database.
  cZIVEConexionDAO& again = connection(refPath_);
  EXPECT_EQ(again.openRecordset("SELECT COUNT(*) FROM TR")->value(0), Variant(2));
  again.Cerrar();
  EXPECT_FALSE(again.referenceDatabase()->isOpen());
}

TEST_F(Conexion, ASlotNeverOpenedIsNoObject) {
  cZIVEConexionDAO c;
  c.Dbname = refPath_;
  EXPECT_EQ(errorNumberOf([&] { c.execute("DELETE FROM TR"); }), 91);
  EXPECT_EQ(errorNumberOf([&] { c.Cerrar(); }), 91);
  EXPECT_EQ(errorNumberOf([&] { c.AbrirBD(refPath_); }), 91) << "no workspace yet";
}

TEST_F(Conexion, InicializaBDOnAnotherObjectWorksOnTheSharedInstance) {
  cZIVEConexionDAO other;
  other.InicializaBD(modPath_);
  EXPECT_EQ(other.Dbname, modPath_);
  EXPECT_FALSE(other.modifiableDatabase());
  // The shared instance opens it, into the slot its own current path (still
  // empty) selects.
  cZIVEConexionDAO& shared = ZIVEGeneral::sharedConnection();
  EXPECT_EQ(shared.Dbname, "");
  EXPECT_FALSE(shared.modifiableDatabase());
  ASSERT_TRUE(shared.referenceDatabase() && shared.referenceDatabase()->isOpen());
  EXPECT_EQ(shared.referenceDatabase()->name(), modPath_);
}

TEST_F(Conexion, TeardownClosesEverySlotIgnoringFailures) {
  pointer_.clear();
  { cZIVEConexionDAO empty; }
  EXPECT_EQ(pointer_, (std::vector<int>{11, 0})) << "empty slots";

  std::shared_ptr<engine::Database> modifiable, reference;
  {
    cZIVEConexionDAO c;
    c.CrearWorkSpace();
    c.Dbname = modPath_;
    c.AbrirBD(modPath_);
    c.Dbname = refPath_;
    c.AbrirBD(refPath_);
    modifiable = c.modifiableDatabase();
    reference = c.referenceDatabase();
    c.Cerrar();  // the reference one is closed already
    pointer_.clear();
  }
  EXPECT_EQ(pointer_, (std::vector<int>{11, 0}));
  EXPECT_FALSE(modifiable->isOpen() || reference->isOpen());
}

TEST_F(Conexion, TheSharedConnectionEndsWithTheThreadState) {
  auto db = connection(modPath_).modifiableDatabase();
  pointer_.clear();
  ZIVEGeneral::endThreadState();
  EXPECT_FALSE(ZIVEGeneral::hasSharedConnection() || db->isOpen());
  EXPECT_EQ(pointer_, (std::vector<int>{11, 0}));

  // And with its thread.
  std::vector<int> threadPointer;
  std::thread([&] {
    ZIVEGeneral::setMousePointerHandler([&](int p) { threadPointer.push_back(p); });
    db = connection(refPath_).referenceDatabase();
    threadPointer.clear();
  }).join();
  EXPECT_FALSE(db->isOpen());
  EXPECT_EQ(threadPointer, (std::vector<int>{11, 0}));
  EXPECT_EQ(pointer_, (std::vector<int>{11, 0})) << "another thread's handler";
}

TEST_F(Conexion, AnApostropheInAValueRunsNothing) {
  cZIVEConexionDAO& c = connection(modPath_);
  Statement s("INSERT INTO TM (A, B) VALUES (");
  s << int32_t(5) << ", '" << std::string("x'); DELETE FROM TM; --") << "')";
  Statement q("SELECT * FROM TM WHERE B = '");
  q << std::string("a'b") << "'";
  pointer_.clear();
  EXPECT_EQ(errorNumberOf([&] { c.execute(s); }), engine::kSyntaxErrorInExpression);
  EXPECT_EQ(errorNumberOf([&] { c.openRecordset(q); }), engine::kSyntaxErrorInExpression);
  // Valid statements run, on the whole table.
  Statement ok("UPDATE TM SET A = A + ");
  ok << int32_t(1);
  c.execute(ok);
  EXPECT_EQ(c.openRecordset(Statement("SELECT A FROM TM"))->value(0), Variant(2));
  EXPECT_EQ(pointer_, (std::vector<int>{11, 11, 11, 0, 11, 0}));
}

TEST(Statement, ValuesAsTheSystemWritesThem) {
  // Doubles are written by formatDouble, whose forms are tested with it.
  Statement s("UPDATE T SET ");
  s << "Y=" << uint8_t(0) << "," << uint8_t(255) << " I=" << int16_t(-32768) << "," << int16_t(1999)
    << " L=" << int32_t(-42) << "," << int32_t(2147483647) << " D=" << (0.1 + 0.2) << "," << 3.0 << "," << -0.75
    << " T='" << std::string("Bilbao") << "','" << std::string("  a b  ") << "','" << std::string("say \"hi\"")
    << "','" << std::string() << "' V=" << std::string_view("ñandú");
  EXPECT_EQ(s.sql(),
            "UPDATE T SET Y=0,255 I=-32768,1999 L=-42,2147483647 D=0.3,3,-0.75 "
            "T='Bilbao','  a b  ','say \"hi\"','' V=ñandú");
}

TEST(Statement, AnApostropheInAValueFailsWithTheSyntaxError) {
  const char* fromOutside = "it's";  // a text that is no literal is a value
  for (const std::string value : {"O'Donnell", "'", "x'); DELETE FROM T01_DECLARANTES; --", "abc'", fromOutside}) {
    SCOPED_TRACE(value);
    Statement s("INSERT INTO T01_DECLARANTES (T01_NOMBRE) VALUES ('");
    if (value == fromOutside) s.text(fromOutside);
    else s << value;
    s << "')";
    EXPECT_FALSE(s.valid());
    EXPECT_EQ(s.written(), "INSERT INTO T01_DECLARANTES (T01_NOMBRE) VALUES ('" + value + "')");
    auto e = testing::errorOf([&] { (void)s.sql(); });
    ASSERT_TRUE(e) << "an apostrophe inside a value must not reach the engine";
    EXPECT_EQ(e->number(), engine::kSyntaxErrorInExpression);
    EXPECT_EQ(e->source(), "DAO.Database");
    EXPECT_NE(e->description().find("INSERT INTO T01_DECLARANTES"), std::string::npos) << e->description();
  }
}

// Two service classes, as every service class has the path properties.
class ServicioA : public ServicePaths {};
class ServicioB : public ServicePaths {};

struct ThreadState : ::testing::Test {
  void TearDown() override { ZIVEGeneral::endThreadState(); }
};

// The thread's two paths, "modifiable|reference".
std::string paths() { return ZIVEGeneral::modifiablePath() + "|" + ZIVEGeneral::referencePath(); }

TEST_F(ThreadState, APathSetOnOneObjectIsThePathOfEveryObjectOfTheThreadUntilItsStateEnds) {
  ServicioA a;
  ServicioB b;
  a.mdbmod("/datos/ZIVEMOD.MDB");
  b.mdblec("/datos/ZIVELEC.MDB");
  EXPECT_EQ(paths(), "/datos/ZIVEMOD.MDB|/datos/ZIVELEC.MDB");
  b.mdbmod("/otros/ZIVEMOD.MDB");
  ServicioA().mdblec("/otros/ZIVELEC.MDB");
  EXPECT_EQ(paths(), "/otros/ZIVEMOD.MDB|/otros/ZIVELEC.MDB");
  ZIVEGeneral::endThreadState();
  EXPECT_EQ(paths(), "|");
}

// Paths, connection and pointer handler: another thread starts with none of
// this thread's and changes none of them.
TEST_F(ThreadState, ThreadsShareNothing) {
  ServicioA here;
  here.mdbmod("/aqui/ZIVEMOD.MDB");
  here.mdblec("/aqui/ZIVELEC.MDB");
  EXPECT_FALSE(ZIVEGeneral::hasSharedConnection());
  cZIVEConexionDAO* mine = &ZIVEGeneral::sharedConnection();
  EXPECT_TRUE(ZIVEGeneral::hasSharedConnection() && mine == &ZIVEGeneral::sharedConnection());
  mine->Dbname = "/aqui/ZIVEMOD.MDB";
  std::vector<int> myPointer, theirPointer;
  ZIVEGeneral::setMousePointerHandler([&](int p) { myPointer.push_back(p); });

  std::string seen;
  cZIVEConexionDAO* theirs = nullptr;
  std::thread([&] {
    seen = paths();
    ServicioB there;
    there.mdbmod("/alli/ZIVEMOD.MDB");
    theirs = &ZIVEGeneral::sharedConnection();
    seen += " then " + ZIVEGeneral::modifiablePath() + ", connection '" + theirs->Dbname + "'";
    ZIVEGeneral::showMousePointer(vbHourglass);  // no handler here yet
    ZIVEGeneral::setMousePointerHandler([&](int p) { theirPointer.push_back(p); });
    ZIVEGeneral::showMousePointer(vbDefault);
    ZIVEGeneral::setMousePointerHandler({});  // before the thread's connection ends
  }).join();
  ZIVEGeneral::showMousePointer(vbHourglass);
  ZIVEGeneral::setMousePointerHandler({});
  EXPECT_EQ(seen, "| then /alli/ZIVEMOD.MDB, connection ''");
  EXPECT_EQ(paths(), "/aqui/ZIVEMOD.MDB|/aqui/ZIVELEC.MDB");
  EXPECT_NE(mine, theirs);
  EXPECT_EQ(ZIVEGeneral::sharedConnection().Dbname, "/aqui/ZIVEMOD.MDB");
  EXPECT_EQ(myPointer, std::vector<int>{vbHourglass});
  EXPECT_EQ(theirPointer, std::vector<int>{vbDefault});
}

// --- Lists of records -------------------------------------------------------

// Table L of the modifiable database: record r (1 to 4) holds (r, "R<r>", r * 1.5).
class ListConversion : public testing::FrameFixture {
 protected:
  void SetUp() override {
    FrameFixture::SetUp();
    c_ = &connection(modPath_);
    c_->execute("CREATE TABLE L (A LONG, B TEXT(10), C DOUBLE)");
    for (const char* row : {"1, 'R1', 1.5", "2, 'R2', 3", "3, 'R3', 4.5", "4, 'R4', 6"}) {
      c_->execute(std::string("INSERT INTO L (A, B, C) VALUES (") + row + ")");
    }
  }
  std::shared_ptr<engine::Recordset> records(int n, const std::string& columns = "A, B, C") {
    return c_->openRecordset("SELECT " + columns + " FROM L WHERE A <= " + std::to_string(n) + " ORDER BY A");
  }
  cZIVEConexionDAO* c_ = nullptr;
};

// An array of `bounds` holding `elements` in storage order, the first subscript fastest.
Variant arrayOf(std::vector<ArrayBound> bounds, std::vector<Variant> elements) {
  VariantArray a(std::move(bounds));
  a.elements() = std::move(elements);
  return Variant(std::move(a));
}

TEST_F(ListConversion, EachModeShapesTheRecordsAndLeavesTheRecordsetOpenAtItsEnd) {
  const Variant E, null = Variant::null();
  const Variant table = arrayOf({{0, 3}, {0, 2}}, {E, E, E, E, Variant(1), Variant("R1"), Variant(1.5), E,
                                                   Variant(2), Variant("R2"), Variant(3.0), E});
  const struct { int records; const char* columns; int32_t mode; Variant expected; } cases[] = {
      // No records: Null, whatever the mode.
      {0, "A, B, C", 0, null}, {0, "A, B, C", 1, null}, {0, "A, B, C", 2, null}, {0, "A, B, C", -1, null},
      // Any mode but 0 and 1: a column-first table, row 0 and the column past the last empty.
      {2, "A, B, C", 2, table}, {2, "A, B, C", -7, table},
      // Mode 1: the first column.
      {4, "A, B", 1, arrayOf({{0, 3}}, {Variant(1), Variant(2), Variant(3), Variant(4)})},
      // Mode 0: one record followed by an empty element; a second record goes
      // on where the first ended, into the last element with one column (past
      // the end with more, below).
      {1, "A, B, C", 0, arrayOf({{0, 3}}, {Variant(1), Variant("R1"), Variant(1.5), E})},
      {2, "A", 0, arrayOf({{0, 1}}, {Variant(1), Variant(2)})},
      // A null column is a Null element.
      {1, "A, NULL", 0, arrayOf({{0, 2}}, {Variant(1), null, E})},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(std::to_string(c.records) + " records of " + c.columns + ", mode " + std::to_string(c.mode));
    auto rs = records(c.records, c.columns);
    EXPECT_EQ(ConvertirRecordset(rs, c.mode), c.expected);
    EXPECT_TRUE(rs->eof() && rs->isOpen()) << "left open at its end for the caller to close";
  }
  EXPECT_EQ(errorNumberOf([&] { ConvertirRecordset(records(2), 0); }), kSubscriptOutOfRange);
}

TEST_F(ListConversion, CountersAre16Bit) {
  engine::testing::RawDb raw(modPath_);
  raw.exec("INSERT INTO L (A, B) WITH RECURSIVE n(i) AS (SELECT 5 UNION ALL SELECT i + 1 FROM n WHERE i < 40000) "
           "SELECT i, 'x' FROM n");
  EXPECT_EQ(ConvertirRecordset(records(32767, "A, B"), 2).array().ubound(2), 32767);
  // One record more overflows; mode 0 overruns at its second record long before.
  const std::pair<int32_t, int32_t> modes[] = {{1, kOverflow}, {2, kOverflow}, {0, kSubscriptOutOfRange}};
  for (const auto& m : modes) {
    EXPECT_EQ(errorNumberOf([&] { ConvertirRecordset(records(32768, "A, B"), m.first); }), m.second) << m.first;
  }
}

// --- QuitarRepetidos ------------------------------------------------------

TEST(QuitarRepetidos, KeepsTheFirstRowOfEachColumn3Value) {
  const struct { const char* name; std::vector<Variant> keys; std::vector<int32_t> keptRows; } cases[] = {
      {"ABAC", {Variant("A"), Variant("B"), Variant("A"), Variant("C")}, {1, 2, 4}},
      {"no rows", {}, {}},
      // Variant equality: a text that reads as a number equals the number;
      // Null equals nothing, itself included; Empty equals the empty text.
      {"text and number", {Variant(1), Variant("1"), Variant(2)}, {1, 3}},
      {"nulls", {Variant::null(), Variant::null(), Variant("A")}, {1, 2, 3}},
      {"empty and empty text", {Variant(), Variant("")}, {1}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    VariantArray input = VariantArray::matrix(0, 6, 0, int32_t(c.keys.size()));
    for (int32_t r = 1; r <= int32_t(c.keys.size()); ++r) {
      for (int32_t col = 0; col <= 6; ++col) input.at({col, r}) = Variant("r" + std::to_string(r) + "c" + std::to_string(col));
      input.at({3, r}) = c.keys[std::size_t(r - 1)];
    }
    // The kept rows from row 1 on, row 0 empty; with none kept, row 1 empty too.
    const int32_t kept = int32_t(c.keptRows.size());
    VariantArray expected = VariantArray::matrix(0, 6, 0, std::max(kept, 1));
    for (int32_t k = 1; k <= kept; ++k)
      for (int32_t col = 0; col <= 6; ++col) expected.at({col, k}) = input.at({col, c.keptRows[std::size_t(k - 1)]});
    EXPECT_EQ(QuitarRepetidos(Variant(input)), Variant(expected));
  }
  EXPECT_NE(errorNumberOf([] { QuitarRepetidos(Variant("x")); }), 0);
  EXPECT_EQ(errorNumberOf([] { QuitarRepetidos(Variant(VariantArray::vector(0, 3))); }), kSubscriptOutOfRange);
}

}  // namespace
}  // namespace svrZIVE
