#include "frame/conexion_dao.h"

#include <cctype>

#include "frame/class_registry.h"
#include "frame/dao_objects.h"
#include "frame/statement.h"
#include "frame/zive_general.h"

namespace svrZIVE {

bool isModifiablePath(std::string_view path) {
  constexpr std::string_view kModifiableName = "ZIVEMOD.MDB";
  if (path.size() < kModifiableName.size()) return false;
  const std::string_view tail = path.substr(path.size() - kModifiableName.size());
  for (std::size_t i = 0; i < tail.size(); ++i) {
    if (std::toupper(static_cast<unsigned char>(tail[i])) != kModifiableName[i]) return false;
  }
  return true;
}

cZIVEConexionDAO::~cZIVEConexionDAO() {
  ZIVEGeneral::showMousePointer(vbHourglass);
  // An empty or already closed slot is no error; nothing stops the teardown.
  auto closeQuietly = [](auto& object) {
    try {
      if (object) object->close();
    } catch (...) {
    }
  };
  closeQuietly(modifiable_);
  closeQuietly(reference_);
  closeQuietly(workspace_);
  try {
    ZIVEGeneral::showMousePointer(vbDefault);
  } catch (...) {
  }
}

void cZIVEConexionDAO::CrearWorkSpace() {
  ZIVEGeneral::showMousePointer(vbHourglass);
  workspace_ = engine::DBEngine::forThread().createWorkspace("wrk", "admin", "", engine::dbUseJet);
  ZIVEGeneral::showMousePointer(vbDefault);
}

void cZIVEConexionDAO::InicializaBD(const std::string& sdbname) {
  Dbname = sdbname;
  cZIVEConexionDAO& shared = ZIVEGeneral::sharedConnection();
  shared.CrearWorkSpace();
  shared.AbrirBD(sdbname);
}

void cZIVEConexionDAO::AbrirBD(const std::string& m_dbname) {
  ZIVEGeneral::showMousePointer(vbHourglass);
  if (!workspace_) throw objectNotSet();
  std::shared_ptr<engine::Database> database = workspace_->openDatabase(m_dbname, false, false, "");
  selectedSlot() = std::move(database);
  ZIVEGeneral::showMousePointer(vbDefault);
}

void cZIVEConexionDAO::Cerrar() {
  engine::Database& database = selectedDatabase();
  engine::Recordsets& open = database.recordsets();
  for (int32_t i = open.count() - 1; i >= 0; --i) open.item(i)->close();
  database.close();
}

void cZIVEConexionDAO::execute(const std::string& sql, int16_t i) {
  ZIVEGeneral::showMousePointer(vbHourglass);
  selectedDatabase().execute(sql, i);
  ZIVEGeneral::showMousePointer(vbDefault);
}

void cZIVEConexionDAO::execute(const Statement& sql, int16_t i) {
  ZIVEGeneral::showMousePointer(vbHourglass);
  engine::Database& database = selectedDatabase();
  database.execute(sql.sql(), i);
  ZIVEGeneral::showMousePointer(vbDefault);
}

std::shared_ptr<engine::Recordset> cZIVEConexionDAO::openRecordset(const std::string& sql,
                                                                   int16_t /*Tipo*/) {
  ZIVEGeneral::showMousePointer(vbHourglass);
  std::shared_ptr<engine::Recordset> recordset =
      selectedDatabase().openRecordset(sql, engine::dbOpenDynaset);
  ZIVEGeneral::showMousePointer(vbDefault);
  return recordset;
}

std::shared_ptr<engine::Recordset> cZIVEConexionDAO::openRecordset(const Statement& sql,
                                                                   int16_t /*Tipo*/) {
  ZIVEGeneral::showMousePointer(vbHourglass);
  engine::Database& database = selectedDatabase();
  std::shared_ptr<engine::Recordset> recordset =
      database.openRecordset(sql.sql(), engine::dbOpenDynaset);
  ZIVEGeneral::showMousePointer(vbDefault);
  return recordset;
}

std::shared_ptr<engine::Database>& cZIVEConexionDAO::selectedSlot() {
  return isModifiablePath(Dbname) ? modifiable_ : reference_;
}

engine::Database& cZIVEConexionDAO::selectedDatabase() {
  std::shared_ptr<engine::Database>& slot = selectedSlot();
  if (!slot) throw objectNotSet();
  return *slot;
}

// --- Late binding -----------------------------------------------------------

namespace {

const TypeInfo& conexionMembers() {
  static const TypeInfo info = [] {
    MemberTable<cZIVEConexionDAO> t("cZIVEConexionDAO");
    t.get("Dbname", "String", [](cZIVEConexionDAO& c) { return Variant(c.Dbname); });
    t.let("Dbname", "String",
          [](cZIVEConexionDAO& c, const Variant& value) { c.Dbname = value.toText(); });
    t.method("CrearWorkSpace", {}, {}, [](cZIVEConexionDAO& c, CallArguments&) {
      c.CrearWorkSpace();
      return Variant();
    });
    t.method("InicializaBD", {{"sdbname", "String"}}, {},
             [](cZIVEConexionDAO& c, CallArguments& a) {
               c.InicializaBD(a.text(0));
               return Variant();
             });
    t.method("AbrirBD", {{"m_dbname", "String"}}, {}, [](cZIVEConexionDAO& c, CallArguments& a) {
      c.AbrirBD(a.text(0));
      return Variant();
    });
    t.method("Cerrar", {}, {}, [](cZIVEConexionDAO& c, CallArguments&) {
      c.Cerrar();
      return Variant();
    });
    t.method("execute", {{"sql", "String"}, {"i", "Integer", true}}, {},
             [](cZIVEConexionDAO& c, CallArguments& a) {
               c.execute(a.text(0), a.present(1) ? a.integer(1) : int16_t(0));
               return Variant();
             });
    t.method("openRecordset", {{"sql", "String"}, {"Tipo", "Integer", true}}, "Recordset",
             [](cZIVEConexionDAO& c, CallArguments& a) {
               return recordsetObject(
                   c.openRecordset(a.text(0), a.present(1) ? a.integer(1) : int16_t(0)));
             });
    return std::move(t).build();
  }();
  return info;
}

[[maybe_unused]] const bool kRegistered = registerPublicClass<cZIVEConexionDAO>("cZIVEConexionDAO", conexionMembers);

}  // namespace

}  // namespace svrZIVE
