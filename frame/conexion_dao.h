// cZIVEConexionDAO: the one way the component reaches its two databases.
//
// It holds the current path (`Dbname`), a workspace and two database slots:
// the modifiable slot for a path whose last 11 characters, upper-cased, are
// "ZIVEMOD.MDB", the reference slot for any other path. AbrirBD, execute,
// openRecordset and Cerrar choose the slot by the current path, never by a path
// passed with the call.
//
// Every failure passes through unchanged. CrearWorkSpace, AbrirBD, execute,
// openRecordset and the teardown show the busy pointer (vbHourglass) while the
// engine works and the default pointer when they are done; a call that fails
// leaves the hourglass showing.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

#include "engine/dao.h"

namespace svrZIVE {

class Statement;

// The slot rule: does `path` name the modifiable database?
bool isModifiablePath(std::string_view path);

class cZIVEConexionDAO {
 public:
  cZIVEConexionDAO() = default;
  // Teardown: shows the busy pointer, closes the modifiable slot's database,
  // the reference slot's database and the workspace, ignoring every failure,
  // and restores the default pointer.
  ~cZIVEConexionDAO();
  cZIVEConexionDAO(const cZIVEConexionDAO&) = delete;
  cZIVEConexionDAO& operator=(const cZIVEConexionDAO&) = delete;

  // The current path: the one last given to InicializaBD.
  std::string Dbname;

  // A new Jet workspace "wrk" for user "admin" with an empty password, made
  // current; the previous one is released.
  void CrearWorkSpace();
  // Stores `sdbname` in Dbname, then runs CrearWorkSpace and AbrirBD(sdbname)
  // on the thread's shared connection.
  void InicializaBD(const std::string& sdbname);
  // Opens `m_dbname` in the current workspace (not exclusive, read-write,
  // connect string empty) into the slot the current path selects, releasing
  // what that slot held.
  void AbrirBD(const std::string& m_dbname);
  // Closes every recordset still open on the selected slot's database, then
  // the database. The slot keeps the closed database until the next AbrirBD.
  void Cerrar();
  // Runs an action statement on the selected slot's database with options `i`.
  void execute(const std::string& sql, int16_t i = 0);
  void execute(const Statement& sql, int16_t i = 0);
  // Opens `sql` on the selected slot's database as a dynaset; `Tipo` is
  // accepted and not used. The caller closes the recordset.
  std::shared_ptr<engine::Recordset> openRecordset(const std::string& sql, int16_t Tipo = 0);
  std::shared_ptr<engine::Recordset> openRecordset(const Statement& sql, int16_t Tipo = 0);

  // What the slots and the workspace hold now (nullptr: nothing).
  const std::shared_ptr<engine::Workspace>& workspace() const { return workspace_; }
  const std::shared_ptr<engine::Database>& modifiableDatabase() const { return modifiable_; }
  const std::shared_ptr<engine::Database>& referenceDatabase() const { return reference_; }

 private:
  std::shared_ptr<engine::Database>& selectedSlot();
  engine::Database& selectedDatabase();
  void runStatement(std::string_view sql, int16_t options);
  std::shared_ptr<engine::Recordset> openQuery(std::string_view sql);

  std::shared_ptr<engine::Workspace> workspace_;
  std::shared_ptr<engine::Database> modifiable_;
  std::shared_ptr<engine::Database> reference_;
};

}  // namespace svrZIVE
