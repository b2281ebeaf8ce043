// cZIVEConexionDAO on real databases.
#include <gtest/gtest.h>

#include <string>
#include <thread>
#include <vector>

#include "base/automation_error.h"
#include "frame/conexion_dao.h"
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

}  // namespace
}  // namespace svrZIVE
