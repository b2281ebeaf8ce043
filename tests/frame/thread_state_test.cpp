// The state every object of one client thread shares.
#include <gtest/gtest.h>

#include <string>
#include <thread>
#include <vector>

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
