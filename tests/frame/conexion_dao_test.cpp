// cZIVEConexionDAO on real databases.
#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <thread>
#include <vector>

#include "frame/automation_error.h"
#include "frame/conexion_dao.h"
#include "frame/statement.h"
#include "frame/zive_general.h"
#include "tests/frame/frame_fixture.h"

namespace svrZIVE {
namespace {

using testing::FrameFixture;

AutomationError failureOf(const std::function<void()>& work) {
  try {
    work();
  } catch (const AutomationError& e) {
    return e;
  }
  ADD_FAILURE() << "no failure";
  return AutomationError(0, "", "");
}

int32_t count(cZIVEConexionDAO& c, const std::string& sql) {
  auto rs = c.openRecordset(sql);
  rs->moveLast();
  int32_t n = rs->recordCount();
  rs->close();
  return n;
}

// --- The slot rule -----------------------------------------------------------

struct SlotCase {
  std::string path;
  bool modifiable;
};

class SlotRule : public ::testing::TestWithParam<SlotCase> {};

TEST_P(SlotRule, LastElevenCharactersUpperCased) {
  EXPECT_EQ(isModifiablePath(GetParam().path), GetParam().modifiable) << GetParam().path;
}

INSTANTIATE_TEST_SUITE_P(
    Paths, SlotRule,
    ::testing::Values(SlotCase{"/data/ZIVEMOD.MDB", true}, SlotCase{"/data/zivemod.mdb", true},
                      SlotCase{"/data/ZiveMod.Mdb", true}, SlotCase{"ZIVEMOD.MDB", true},
                      SlotCase{"C:\\Archivos\\MIZIVEMOD.MDB", true},
                      SlotCase{"/data/ZIVEMOD.MDB.bak", false}, SlotCase{"/data/ZIVEMOD.MDBX", false},
                      SlotCase{"/data/ZIVEMOD.MDB ", false}, SlotCase{"/data/ZIVELEC.MDB", false},
                      SlotCase{"/data/ZIVEMOD.ACCDB", false}, SlotCase{"IVEMOD.MDB", false},
                      SlotCase{"", false}));

class Conexion : public FrameFixture {};

TEST_F(Conexion, LowerCaseModifiableNameGoesToTheModifiableSlot) {
  const std::string lower = (folder_ / "zivemod.mdb").string();
  std::filesystem::rename(modPath_, lower);
  cZIVEConexionDAO& c = ZIVEGeneral::sharedConnection();
  c.InicializaBD(lower);
  ASSERT_TRUE(c.modifiableDatabase());
  EXPECT_TRUE(c.modifiableDatabase()->isOpen());
  EXPECT_FALSE(c.referenceDatabase());
  EXPECT_EQ(count(c, "SELECT * FROM TM"), 1);
}

TEST_F(Conexion, FurtherCharactersAfterTheNameGoToTheReferenceSlot) {
  const std::string longer = modPath_ + ".bak";
  std::filesystem::copy_file(modPath_, longer);
  cZIVEConexionDAO& c = ZIVEGeneral::sharedConnection();
  c.InicializaBD(longer);
  EXPECT_FALSE(c.modifiableDatabase());
  ASSERT_TRUE(c.referenceDatabase());
  EXPECT_EQ(count(c, "SELECT * FROM TM"), 1);
}

TEST_F(Conexion, InicializaBDShowsTheHourglassTwice) {
  cZIVEConexionDAO& c = ZIVEGeneral::sharedConnection();
  c.InicializaBD(modPath_);
  EXPECT_EQ(c.Dbname, modPath_);
  EXPECT_EQ(pointer_, (std::vector<int>{11, 0, 11, 0}));
  ASSERT_TRUE(c.workspace());
  EXPECT_EQ(c.workspace()->name(), "wrk");
  EXPECT_EQ(c.workspace()->userName(), "admin");
}

TEST_F(Conexion, TheReferencePathWorksOnTheReferenceDatabaseWhileTheModifiableStaysOpen) {
  cZIVEConexionDAO& c = ZIVEGeneral::sharedConnection();
  c.InicializaBD(modPath_);
  auto modifiable = c.modifiableDatabase();
  c.InicializaBD(refPath_);
  EXPECT_TRUE(modifiable->isOpen());
  EXPECT_EQ(c.modifiableDatabase(), modifiable);
  c.execute("INSERT INTO TR (A, B) VALUES (3, 'ref3')");
  EXPECT_EQ(count(c, "SELECT * FROM TR"), 3);
  // TM lives in the modifiable database only.
  EXPECT_NE(failureOf([&] { c.openRecordset("SELECT * FROM TM"); }).number(), 0);
}

TEST_F(Conexion, OpenRecordsetGivesAnUpdatableDynasetWhateverTheType) {
  cZIVEConexionDAO& c = ZIVEGeneral::sharedConnection();
  c.InicializaBD(modPath_);
  for (int16_t tipo : {int16_t(0), int16_t(1), int16_t(2), int16_t(4), int16_t(8), int16_t(-1)}) {
    auto rs = c.openRecordset("SELECT * FROM TM", tipo);
    EXPECT_TRUE(rs->updatable()) << tipo;
    EXPECT_EQ(rs->value("B"), Variant("mod"));
    rs->close();
  }
}

TEST_F(Conexion, PointerOnSuccessAndOnFailure) {
  cZIVEConexionDAO& c = ZIVEGeneral::sharedConnection();
  c.InicializaBD(modPath_);
  pointer_.clear();
  c.execute("INSERT INTO TM (A, B) VALUES (2, 'b')");
  EXPECT_EQ(pointer_, (std::vector<int>{11, 0}));
  pointer_.clear();
  auto rs = c.openRecordset("SELECT * FROM TM");
  EXPECT_EQ(pointer_, (std::vector<int>{11, 0}));
  rs->close();

  pointer_.clear();
  AutomationError e = failureOf([&] { c.execute("INSERT INTO NOSUCHTABLE (A) VALUES (1)"); });
  EXPECT_EQ(e.number(), engine::kInputTableNotFound);
  EXPECT_EQ(pointer_, (std::vector<int>{11})) << "a failing call leaves the hourglass";
  // The next successful call restores the default pointer.
  c.execute("DELETE FROM TM WHERE A = 2");
  EXPECT_EQ(pointer_, (std::vector<int>{11, 11, 0}));

  pointer_.clear();
  failureOf([&] { c.openRecordset("SELECT * FROM NOSUCHTABLE"); });
  EXPECT_EQ(pointer_, (std::vector<int>{11}));

  pointer_.clear();
  failureOf([&] { c.InicializaBD((folder_ / "missing" / "ZIVEMOD.MDB").string()); });
  EXPECT_EQ(pointer_, (std::vector<int>{11, 0, 11}));
  EXPECT_EQ(c.Dbname, (folder_ / "missing" / "ZIVEMOD.MDB").string()) << "the path is set before opening";
}

TEST_F(Conexion, FailuresPassThroughUnchanged) {
  cZIVEConexionDAO& c = ZIVEGeneral::sharedConnection();
  c.InicializaBD(modPath_);
  auto db = c.modifiableDatabase();
  AutomationError direct = failureOf([&] { db->execute("INSERT INTO NOSUCHTABLE (A) VALUES (1)"); });
  AutomationError wrapped = failureOf([&] { c.execute("INSERT INTO NOSUCHTABLE (A) VALUES (1)"); });
  EXPECT_EQ(wrapped.number(), direct.number());
  EXPECT_EQ(wrapped.source(), direct.source());
  EXPECT_EQ(wrapped.description(), direct.description());
  EXPECT_EQ(wrapped.helpFile(), direct.helpFile());
  EXPECT_EQ(wrapped.helpContext(), direct.helpContext());
}

TEST_F(Conexion, NoHandlerShowsNothing) {
  ZIVEGeneral::setMousePointerHandler({});
  cZIVEConexionDAO& c = ZIVEGeneral::sharedConnection();
  c.InicializaBD(modPath_);
  c.execute("DELETE FROM TM");
  EXPECT_TRUE(pointer_.empty());
}

TEST_F(Conexion, CerrarWithNoOpenRecordsetClosesTheDatabase) {
  cZIVEConexionDAO& c = ZIVEGeneral::sharedConnection();
  c.InicializaBD(modPath_);
  auto db = c.modifiableDatabase();
  EXPECT_EQ(db->recordsets().count(), 0);
  pointer_.clear();
  c.Cerrar();
  EXPECT_FALSE(db->isOpen());
  EXPECT_EQ(c.modifiableDatabase(), db) << "the slot keeps the closed database";
  EXPECT_TRUE(pointer_.empty()) << "Cerrar leaves the pointer alone";
}

TEST_F(Conexion, CerrarClosesTwoOpenRecordsetsThenTheDatabase) {
  cZIVEConexionDAO& c = ZIVEGeneral::sharedConnection();
  c.InicializaBD(refPath_);
  auto first = c.openRecordset("SELECT * FROM TR");
  auto second = c.openRecordset("SELECT A FROM TR WHERE A = 2");
  auto db = c.referenceDatabase();
  EXPECT_EQ(db->recordsets().count(), 2);
  c.Cerrar();
  EXPECT_FALSE(first->isOpen());
  EXPECT_FALSE(second->isOpen());
  EXPECT_FALSE(db->isOpen());
}

TEST_F(Conexion, CerrarChoosesTheSlotByTheCurrentPath) {
  cZIVEConexionDAO& c = ZIVEGeneral::sharedConnection();
  c.InicializaBD(modPath_);
  auto modifiable = c.modifiableDatabase();
  c.InicializaBD(refPath_);
  c.Cerrar();
  EXPECT_FALSE(c.referenceDatabase()->isOpen());
  EXPECT_TRUE(modifiable->isOpen());
}

TEST_F(Conexion, ExecuteAndOpenRecordsetAfterCerrarFailWithTheClosedDatabaseError) {
  cZIVEConexionDAO& c = ZIVEGeneral::sharedConnection();
  c.InicializaBD(modPath_);
  auto db = c.modifiableDatabase();
  c.Cerrar();
  AutomationError engineError = failureOf([&] { db->execute("DELETE FROM TM"); });
  EXPECT_EQ(engineError.number(), engine::kObjectClosed);
  AutomationError e1 = failureOf([&] { c.execute("DELETE FROM TM"); });
  AutomationError e2 = failureOf([&] { c.openRecordset("SELECT * FROM TM"); });
  EXPECT_EQ(e1.number(), engineError.number());
  EXPECT_EQ(e1.description(), engineError.description());
  EXPECT_EQ(e2.number(), engineError.number());
  // A fresh initialisation opens it again.
  c.InicializaBD(modPath_);
  EXPECT_EQ(count(c, "SELECT * FROM TM"), 1);
}

TEST_F(Conexion, ASlotNeverOpenedIsNoObject) {
  cZIVEConexionDAO c;
  c.Dbname = refPath_;
  EXPECT_EQ(failureOf([&] { c.execute("DELETE FROM TR"); }).number(), 91);
  EXPECT_EQ(failureOf([&] { c.Cerrar(); }).number(), 91);
  EXPECT_EQ(failureOf([&] { c.AbrirBD(refPath_); }).number(), 91) << "no workspace yet";
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
  ASSERT_TRUE(shared.referenceDatabase());
  EXPECT_TRUE(shared.referenceDatabase()->isOpen());
  EXPECT_EQ(shared.referenceDatabase()->name(), modPath_);
}

TEST_F(Conexion, TeardownWithEmptySlots) {
  pointer_.clear();
  { cZIVEConexionDAO c; }
  EXPECT_EQ(pointer_, (std::vector<int>{11, 0}));
}

TEST_F(Conexion, TeardownWithClosedSlotsIgnoresTheirFailures) {
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
  EXPECT_FALSE(modifiable->isOpen());
  EXPECT_FALSE(reference->isOpen());
}

TEST_F(Conexion, TheSharedConnectionEndsWithTheThreadState) {
  ZIVEGeneral::sharedConnection().InicializaBD(modPath_);
  auto db = ZIVEGeneral::sharedConnection().modifiableDatabase();
  pointer_.clear();
  ZIVEGeneral::endThreadState();
  EXPECT_FALSE(ZIVEGeneral::hasSharedConnection());
  EXPECT_FALSE(db->isOpen());
  EXPECT_EQ(pointer_, (std::vector<int>{11, 0}));
}

TEST_F(Conexion, TheSharedConnectionEndsWithItsThread) {
  std::vector<int> threadPointer;
  std::shared_ptr<engine::Database> db;
  std::string failure;
  std::thread t([&] {
    try {
      ZIVEGeneral::setMousePointerHandler([&](int p) { threadPointer.push_back(p); });
      ZIVEGeneral::sharedConnection().InicializaBD(refPath_);
      db = ZIVEGeneral::sharedConnection().referenceDatabase();
      threadPointer.clear();
    } catch (const std::exception& e) {
      failure = e.what();
    }
  });
  t.join();
  ASSERT_EQ(failure, "");
  ASSERT_TRUE(db);
  EXPECT_FALSE(db->isOpen());
  EXPECT_EQ(threadPointer, (std::vector<int>{11, 0}));
  EXPECT_TRUE(pointer_.empty()) << "another thread's handler";
}

TEST_F(Conexion, AnApostropheInAValueRunsNothing) {
  cZIVEConexionDAO& c = ZIVEGeneral::sharedConnection();
  c.InicializaBD(modPath_);
  const std::string name = "x'); DELETE FROM TM; --";
  Statement s("INSERT INTO TM (A, B) VALUES (");
  s << int32_t(5) << ", '" << name << "')";
  pointer_.clear();
  AutomationError e = failureOf([&] { c.execute(s); });
  EXPECT_EQ(e.number(), engine::kSyntaxErrorInExpression);
  EXPECT_EQ(e.source(), "DAO.Database");
  EXPECT_EQ(pointer_, (std::vector<int>{11}));
  EXPECT_EQ(count(c, "SELECT * FROM TM"), 1);

  Statement q("SELECT * FROM TM WHERE B = '");
  q << std::string("a'b") << "'";
  EXPECT_EQ(failureOf([&] { c.openRecordset(q); }).number(), engine::kSyntaxErrorInExpression);
}

TEST_F(Conexion, StatementsRunThroughTheWriter) {
  cZIVEConexionDAO& c = ZIVEGeneral::sharedConnection();
  c.InicializaBD(modPath_);
  Statement s("INSERT INTO TM (A, B) VALUES (");
  s << int32_t(-7) << ", '" << std::string("Donostia") << "')";
  c.execute(s);
  Statement q("SELECT B FROM TM WHERE A = ");
  q << int32_t(-7);
  auto rs = c.openRecordset(q);
  EXPECT_EQ(rs->value(0), Variant("Donostia"));
  rs->close();
}

// --- The annotation convention ---------------------------------------------

// A record-class operation that annotates, called by a service operation that
// annotates too: the client reads the service's text, the record class's text,
// then the description the failure first carried.
void recordOperation(cZIVEConexionDAO& c) {
  annotate("cZIVET99_Prueba.Insertar", [&] { c.execute("INSERT INTO NOSUCHTABLE (A) VALUES (1)"); });
}
void serviceOperation(cZIVEConexionDAO& c) {
  annotate("cZIVEPrueba.GuardarDeclaracion ", [&] { recordOperation(c); });
}

TEST_F(Conexion, AnnotationsNestFromTheOuterOperationInwards) {
  cZIVEConexionDAO& c = ZIVEGeneral::sharedConnection();
  c.InicializaBD(modPath_);
  AutomationError original = failureOf([&] { c.execute("INSERT INTO NOSUCHTABLE (A) VALUES (1)"); });
  AutomationError e = failureOf([&] { serviceOperation(c); });
  EXPECT_EQ(e.number(), original.number());
  EXPECT_EQ(e.source(), original.source());
  EXPECT_EQ(e.helpFile(), original.helpFile());
  EXPECT_EQ(e.helpContext(), original.helpContext());
  EXPECT_EQ(e.description(),
            "cZIVEPrueba.GuardarDeclaracion cZIVET99_Prueba.Insertar" + original.description());
}

}  // namespace
}  // namespace svrZIVE
