// cZIVEConexionDAO on real databases, the statement texts it runs, and the
// state every object of one client thread shares.
#include <gtest/gtest.h>

#include <string>
#include <thread>
#include <vector>

#include "frame/conexion_dao.h"
#include "frame/service_paths.h"
#include "frame/statement.h"
#include "frame/zive_general.h"
#include "tests/frame/frame_fixture.h"

namespace svrZIVE {
namespace {

using testing::errorNumberOf;
using testing::errorOf;

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

}  // namespace
}  // namespace svrZIVE
