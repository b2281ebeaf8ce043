// Disk full and failing writes, syncs and truncations, injected at every
// point of whole operations: a save of each kind, a deletion, an upgrade.
// After each fault the operation has reported a Jet error, the file passes
// SQLite's integrity check, holds a state the operation passes through
// between two of its statements (before it, after it, or between two
// statements that the system runs without a transaction), and the next
// operation works.
#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <sqlite3.h>

#include <algorithm>
#include <set>

#include "engine/dao.h"
#include "frame/class_registry.h"
#include "frame/conexion_dao.h"
#include "frame/zive_general.h"
#include "tests/declarations/declarations_fixture.h"
#include "tests/faults/fault_vfs.h"
#include "tests/forms/forms_fixture.h"
#include "tests/upgrade/upgrade_support.h"

namespace svrZIVE::testing {
namespace {

namespace fs = std::filesystem;

// Every row of every table as text, table by table, rows sorted: the
// database's state as a user can see it.
std::string stateOf(const std::string& file) {
  std::string out;
  for (const auto& table : upgrade::testing::rawRows(file, "SELECT name FROM sqlite_master WHERE type = 'table' "
                                                           "ORDER BY name")) {
    auto rows = upgrade::testing::rawRows(file, "SELECT * FROM \"" + table + "\"");
    std::sort(rows.begin(), rows.end());
    out += table + ":\n";
    for (const std::string& row : rows) out += "  " + row + "\n";
  }
  return out;
}

const std::vector<std::string> kSound = {"ok"};
std::vector<std::string> integrityOf(const std::string& file) {
  return upgrade::testing::rawRows(file, "PRAGMA integrity_check");
}

Variant call(const std::string& member, std::vector<Variant> args) {
  auto dot = member.find('.');
  auto object = CreateObject("svrZIVE." + member.substr(0, dot));
  return object->invoke(member.substr(dot + 1), args);
}

// A form buffer of 1s (one character in the text columns) for return `secdec`.
Variant formBuffer(int32_t elements, int32_t secdec) {
  VariantArray b = VariantArray::vector(0, elements - 1);
  for (int32_t i = 1; i < elements; ++i) b[i] = Variant(1.0);
  b[0] = Variant(secdec);
  return Variant(std::move(b));
}

struct Operation {
  const char* name;
  // Brings a fresh modifiable database to where the operation starts.
  std::function<void()> prepare;
  std::function<void()> run;
};

// The save of return 1's detail row through `record`, a form of `elements`.
std::function<void()> detail(const std::string& record, int32_t elements, bool insert) {
  return [=] { call(record + ".GuardarDeclaracion", {formBuffer(elements, 1), Variant(insert)}); };
}

// A declarant (1) with a form-560 return (1), with or without its detail row.
void withReturn() {
  call("cZIVEDeclarante.GuardarDeclarante", {declarantBuffer()});
  call("cZIVEDeclaraciones.GuardarDeclaracion", {declarationBuffer(1)});
}
void declarantWithReturn() {
  withReturn();
  detail("cZIVETipologia1", 17, true)();
}

const std::vector<Operation>& operations() {
  static const std::vector<Operation> kOperations = {
      {"new declarant", [] {}, [] { call("cZIVEDeclarante.GuardarDeclarante", {declarantBuffer()}); }},
      {"declarant rewritten", declarantWithReturn,
       [] {
         Variant b = declarantBuffer("A0000000", "OTRO NOMBRE");
         b.array()[0] = Variant(int32_t{1});
         call("cZIVEDeclarante.GuardarDeclarante", {b});
       }},
      {"new return header", declarantWithReturn,
       [] { call("cZIVEDeclaraciones.GuardarDeclaracion", {declarationBuffer(1, 2017)}); }},
      {"form 560 detail inserted", withReturn, detail("cZIVETipologia1", 17, true)},
      {"form 560 detail updated", declarantWithReturn, detail("cZIVETipologia1", 17, false)},
      {"typology 8 detail inserted", declarantWithReturn, detail("cZIVETipologia8", 113, true)},
      {"form 581 detail inserted", declarantWithReturn, detail("cZIVETipologia15", 95, true)},
      {"return deleted", declarantWithReturn,
       [] { call("cZIVEDeclaraciones.EliminarDeclaraciones", {Variant(int32_t{1}), Variant(uint8_t{1})}); }},
      {"declarant deleted", declarantWithReturn, [] { call("cZIVEDeclarante.EliminarDeclarante", {Variant(1)}); }},
  };
  return kOperations;
}

// The calls a fault is injected at: every one of the first 12, then every
// 5th, so that long operations stay quick to test.
int nextCall(int nth) { return nth < 12 ? nth + 1 : nth + 5; }

const struct Fault {
  const char* name;
  FaultPoint point;
  int code;
} kFaults[] = {
    {"disk full on write", FaultPoint::Write, SQLITE_FULL}, {"write error", FaultPoint::Write, SQLITE_IOERR_WRITE},
    {"sync error", FaultPoint::Sync, SQLITE_IOERR_FSYNC}, {"truncate error", FaultPoint::Truncate, SQLITE_IOERR_TRUNCATE},
};

class IoFaults : public ServiceTest {
 protected:
  // A database prepared for `op` at `name`, the thread's modifiable database.
  std::string prepared(const Operation& op, const std::string& folder) {
    fs::create_directories(dir_.path() / folder);
    std::string file = (dir_.path() / folder / "ZIVEMOD.MDB").string();
    fs::copy_file(mod_, file, fs::copy_options::overwrite_existing);
    ZIVEGeneral::endThreadState();
    ZIVEGeneral::setModifiablePath(file);
    ZIVEGeneral::setReferencePath(sampleReference());
    op.prepare();
    return file;
  }
  // Closes whatever the operation left open.
  static void settle() {
    raisedBy([] { ZIVEGeneral::sharedConnection().Cerrar(); });
  }
};

TEST_F(IoFaults, EveryFaultLeavesAStateOfTheOperationAndTheNextOneWorks) {
  FaultInjector faults;
  for (const Operation& op : operations()) {
    // The states a clean run passes through: before each statement, and at the end.
    std::string clean = prepared(op, "clean");
    std::set<std::string> states{stateOf(clean)};
    engine::setStatementTrace([&](std::string_view, std::string_view) { states.insert(stateOf(clean)); });
    op.run();
    engine::setStatementTrace({});
    settle();
    states.insert(stateOf(clean));

    for (const Fault& fault : kFaults) {
      for (int nth = 1;; nth = nextCall(nth)) {
        SCOPED_TRACE(std::string(op.name) + ", " + fault.name + " at call " + std::to_string(nth));
        std::string file = prepared(op, "faulted");
        faults.arm(fault.point, nth, fault.code);
        Raised raised = raisedBy(op.run);
        faults.disarm();
        settle();
        if (!faults.fired()) {
          EXPECT_EQ(raised.number, 0) << raised.description;
          break;
        }
        EXPECT_THAT(raised.number, ::testing::AnyOf(3035, 3043)) << raised.description;
        EXPECT_THAT(raised.description, ::testing::AnyOf(::testing::HasSubstr("Disk or network error"),
                                                         ::testing::HasSubstr("System resource exceeded")));
        EXPECT_EQ(integrityOf(file), kSound);
        EXPECT_EQ(states.count(stateOf(file)), 1u) << stateOf(file);
        // The next operation works on the same file.
        EXPECT_EQ(raisedBy([] { call("cZIVEDeclarante.GuardarDeclarante", {declarantBuffer("Z9999999")}); }).number,
                  0);
        settle();
        if (nth > 200) {
          ADD_FAILURE() << "the operation never ends without reaching the fault";
          break;
        }
      }
    }
  }
}

// An upgrade hit by a fault at any point: the file stays sound, and the next
// run ends as one that was never interrupted.
TEST(IoFaultsUpgrade, ARerunAfterAnyFaultEndsAsAnUninterruptedRun) {
  using namespace upgrade::testing;
  TempDir dir;
  std::string original = dir.file("original_ZIVEMOD.MDB");
  build(original, EarlierLayout{"without T19 and a field of T03", "", {"T19_TIPOLOGIA1", "T03_BASEEXENTA"}});
  fillRows(original, 3);
  std::string clean = dir.file("clean_ZIVEMOD.MDB");
  fs::copy_file(original, clean);
  runUpgrade(clean, dir.slash());
  const std::string upgraded = stateOf(clean);

  FaultInjector faults;
  for (const Fault& fault : kFaults) {
    for (int nth = 1;; nth = nextCall(nth)) {
      SCOPED_TRACE(std::string(fault.name) + " at call " + std::to_string(nth));
      std::string file = dir.file("ZIVEMOD.MDB");
      fs::copy_file(original, file, fs::copy_options::overwrite_existing);
      faults.arm(fault.point, nth, fault.code);
      runUpgrade(file, dir.slash());
      faults.disarm();
      bool fired = faults.fired();
      EXPECT_EQ(integrityOf(file), kSound);
      runUpgrade(file, dir.slash());
      EXPECT_EQ(stateOf(file), upgraded);
      if (!fired || nth > 400) break;
    }
  }
}

}  // namespace
}  // namespace svrZIVE::testing
