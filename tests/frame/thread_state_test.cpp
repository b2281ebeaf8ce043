// The state every object of one client thread shares.
#include <gtest/gtest.h>

#include <string>
#include <thread>

#include "frame/conexion_dao.h"
#include "frame/service_paths.h"
#include "frame/zive_general.h"

namespace svrZIVE {
namespace {

// Two service classes, as every service class has the path properties.
class ServicioA : public ServicePaths {};
class ServicioB : public ServicePaths {};

class ThreadState : public ::testing::Test {
 protected:
  void TearDown() override { ZIVEGeneral::endThreadState(); }
};

TEST_F(ThreadState, APathSetOnOneObjectIsThePathOfEveryObjectOfTheThread) {
  ServicioA a;
  ServicioB b;
  a.mdbmod("/datos/ZIVEMOD.MDB");
  b.mdblec("/datos/ZIVELEC.MDB");
  EXPECT_EQ(ZIVEGeneral::modifiablePath(), "/datos/ZIVEMOD.MDB");
  EXPECT_EQ(ZIVEGeneral::referencePath(), "/datos/ZIVELEC.MDB");
  b.mdbmod("/otros/ZIVEMOD.MDB");
  EXPECT_EQ(ZIVEGeneral::modifiablePath(), "/otros/ZIVEMOD.MDB");
  ServicioA later;
  later.mdblec("/otros/ZIVELEC.MDB");
  EXPECT_EQ(ZIVEGeneral::referencePath(), "/otros/ZIVELEC.MDB");
}

TEST_F(ThreadState, ThreadsStartWithEmptyPathsAndNeverSeeEachOthers) {
  ServicioA here;
  here.mdbmod("/aqui/ZIVEMOD.MDB");
  here.mdblec("/aqui/ZIVELEC.MDB");
  std::string seenMod = "unset", seenRef = "unset", afterMod;
  std::thread other([&] {
    seenMod = ZIVEGeneral::modifiablePath();
    seenRef = ZIVEGeneral::referencePath();
    ServicioB there;
    there.mdbmod("/alli/ZIVEMOD.MDB");
    afterMod = ZIVEGeneral::modifiablePath();
  });
  other.join();
  EXPECT_EQ(seenMod, "");
  EXPECT_EQ(seenRef, "");
  EXPECT_EQ(afterMod, "/alli/ZIVEMOD.MDB");
  EXPECT_EQ(ZIVEGeneral::modifiablePath(), "/aqui/ZIVEMOD.MDB");
  EXPECT_EQ(ZIVEGeneral::referencePath(), "/aqui/ZIVELEC.MDB");
}

TEST_F(ThreadState, OneSharedConnectionPerThread) {
  EXPECT_FALSE(ZIVEGeneral::hasSharedConnection());
  cZIVEConexionDAO* mine = &ZIVEGeneral::sharedConnection();
  EXPECT_TRUE(ZIVEGeneral::hasSharedConnection());
  EXPECT_EQ(mine, &ZIVEGeneral::sharedConnection());
  mine->Dbname = "/aqui/ZIVEMOD.MDB";
  cZIVEConexionDAO* theirs = nullptr;
  std::string theirDbname = "unset";
  std::thread other([&] {
    theirs = &ZIVEGeneral::sharedConnection();
    theirDbname = theirs->Dbname;
  });
  other.join();
  EXPECT_NE(mine, theirs);
  EXPECT_EQ(theirDbname, "");
  EXPECT_EQ(ZIVEGeneral::sharedConnection().Dbname, "/aqui/ZIVEMOD.MDB");
}

TEST_F(ThreadState, PointerHandlersArePerThread) {
  std::vector<int> mine, theirs;
  ZIVEGeneral::setMousePointerHandler([&](int p) { mine.push_back(p); });
  std::thread other([&] {
    ZIVEGeneral::showMousePointer(vbHourglass);  // no handler here yet
    ZIVEGeneral::setMousePointerHandler([&](int p) { theirs.push_back(p); });
    ZIVEGeneral::showMousePointer(vbDefault);
  });
  other.join();
  ZIVEGeneral::showMousePointer(vbHourglass);
  ZIVEGeneral::setMousePointerHandler({});
  EXPECT_EQ(mine, std::vector<int>{vbHourglass});
  EXPECT_EQ(theirs, std::vector<int>{vbDefault});
}

TEST_F(ThreadState, EndingTheStateEmptiesThePaths) {
  ServicioA a;
  a.mdbmod("/x/ZIVEMOD.MDB");
  a.mdblec("/x/ZIVELEC.MDB");
  ZIVEGeneral::endThreadState();
  EXPECT_EQ(ZIVEGeneral::modifiablePath(), "");
  EXPECT_EQ(ZIVEGeneral::referencePath(), "");
}

}  // namespace
}  // namespace svrZIVE
