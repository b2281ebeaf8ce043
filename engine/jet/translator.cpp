// Jet statements to SQLite statements: the entry point. The translation
// itself is spread by concern (translator_internal.h lists the files).
#include "engine/jet/parser.h"
#include "engine/jet/translator_internal.h"

namespace svrZIVE::engine::jet {

Translation Translator::run(Statement& st) {
  // Declared parameters get no values here: each is a missing one (3061).
  for (const auto& name : st.parameters) unknownName(name);
  Translation t;
  t.kind = st.kind;
  switch (st.kind) {
    case StatementKind::Select:
      if (st.transform) transform(st, t);
      else select(*st.select, t, Use::Result);
      break;
    case StatementKind::SelectInto: selectInto(*st.select, t); break;
    case StatementKind::Insert: insert(*st.insert, t); break;
    case StatementKind::Update: update(*st.update, t); break;
    case StatementKind::Delete: del(*st.del, t); break;
    default: ddl(st, t); break;
  }
  reportUnknownNames();
  return t;
}

namespace {
thread_local SqlTarget tTarget = SqlTarget::Sqlite;
}  // namespace

SqlTarget target() { return tTarget; }
TargetScope::TargetScope(SqlTarget target) : saved_(tTarget) { tTarget = target; }
TargetScope::~TargetScope() { tTarget = saved_; }

Translation translate(std::string_view jetSql, Catalog& catalog) {
  TargetScope scope(catalog.target());
  Statement st = parseStatement(jetSql);
  return Translator(catalog).run(st);
}

}  // namespace svrZIVE::engine::jet
