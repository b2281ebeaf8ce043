// Another client writes a row at the worst moment of a save: once its insert
// has run (the statement trace names it, the connection's pointer goes back
// to the default) and before its maximum query reads the new number back.
// The insert and the query are one write transaction, so the other client
// cannot get in between, and the save returns the number of its own row.
#include <gtest/gtest.h>

#include <thread>

#include "declarations/cZIVEDeclaraciones.h"
#include "declarations/cZIVEDeclarante.h"
#include "engine/dao.h"
#include "engine/sqlite_db.h"
#include "frame/zive_general.h"
#include "tests/declarations/declarations_fixture.h"

namespace svrZIVE::testing {
namespace {

class NumberReadBack : public ServiceTest {};

TEST_F(NumberReadBack, NoRowOfAnotherClientComesBetweenTheInsertAndTheMaximumQuery) {
  cZIVEDeclarante declarante;
  cZIVEDeclaraciones declaraciones;
  const struct {
    const char *insert, *otherInsert;
    std::function<int32_t()> save;
    const char* ownRow;
  } cases[] = {
      {"INSERT INTO T01_DECLARANTES", "INSERT INTO T01_DECLARANTES (T01_NIF) VALUES ('OTRO')",
       [&] { Variant b = declarantBuffer("PROPIO"); return declarante.GuardarDeclarante(b); },
       "SELECT T01_CSDE FROM T01_DECLARANTES WHERE T01_NIF = 'PROPIO'"},
      {"INSERT INTO T02_Declaraciones", "INSERT INTO T02_DECLARACIONES (T02_CSDE) VALUES (99)",
       [&] { Variant b = declarationBuffer(1); return declaraciones.GuardarDeclaracion(b); },
       "SELECT T02_SECDEC FROM T02_DECLARACIONES WHERE T02_CSDE = 1"},
  };
  const int busyTimeout = engine::detail::busyTimeoutMs();
  engine::detail::setBusyTimeoutMs(100);
  for (const auto& c : cases) {
    SCOPED_TRACE(c.insert);
    bool inserted = false, tried = false;
    engine::setStatementTrace([&](std::string_view jet, std::string_view) { inserted |= jet.starts_with(c.insert); });
    ZIVEGeneral::setMousePointerHandler([&](int pointer) {
      if (!inserted || tried || pointer != vbDefault) return;
      tried = true;
      // The other client, on a thread (and so a connection) of its own; held off, it gives up.
      std::thread([&] {
        raisedBy([&] { execute(mod_, c.otherInsert); });
        ZIVEGeneral::endThreadState();
      }).join();
    });
    int32_t number = c.save();
    engine::setStatementTrace({});
    ZIVEGeneral::setMousePointerHandler({});
    EXPECT_TRUE(tried);
    EXPECT_EQ(rows(mod_, c.ownRow), (std::vector<std::vector<std::string>>{{std::to_string(number)}}));
  }
  engine::detail::setBusyTimeoutMs(busyTimeout);
}

}  // namespace
}  // namespace svrZIVE::testing
