#include "upgrade/schema_steps.h"

#include <limits>
#include <optional>

#include "base/automation_error.h"

namespace svrZIVE::upgrade {
namespace {

using engine::DaoType;

constexpr Position fixedAt(int16_t position) { return {Position::Fixed, position, {}, 0}; }
constexpr Position after(std::string_view field, int16_t offset, int16_t stride = 0) {
  return {Position::After, offset, field, stride};
}

// --- The tables the upgrade creates whole ----------------------------------

const std::vector<TableStep>& steps() {
  static const std::vector<TableStep> tables = {
      {"T09_TIPOLOGIA5_NUEVA",
       {{0, 0, "T09_SECDEC!"},
        {1, 12, "T09_CODEPI#:T6 T09_BASIMP# T09_TIPO# T09_CUOTA#"},
        {1, 8, "T09_DEDEPI#:T6 T09_DEDCON#:T1 T09_DEDCUO#"},
        {0, 0, "T09_CUOTAINTEGRA T09_DEDUCCUOTA T09_CUOTA"}},
       FieldMaking::Inline, false, true, {}},
      {"T00_GENERAL",
       {{0, 0, "T00_ACTONLINE:I9!=-1 T00_IDIOMA:T9="}},
       FieldMaking::Inline, false, false,
       "insert into T00_GENERAL (T00_ACTONLINE,T00_IDIOMA) values (-1,'C')"},
      {"T10_TIPOLOGIA8",
       {{0, 0, "T10_SECDEC!"},
        {1, 8,
         "T10_EXINI# T10_ELAB# T10_EINTER# T10_ERESTO# T10_EIMPOR# T10_SCONSUM# T10_SINTER# T10_SRESTO#"
         " T10_SEXPOR# T10_SEXENT# T10_OPEPRO# T10_EXFIN# T10_DIFER# T10_RECEP#"}},
       FieldMaking::Helpers, true, false, {}},
      {"T11_TIPOLOGIA9",
       {{0, 0, "T11_SECDEC!"},
        {1, 6,
         "T11_PM_MATERIA# T11_PM_EXINI# T11_PM_EINTERPP# T11_PM_EINTERPA# T11_PM_ERESTO# T11_PM_EIMPOR#"
         " T11_PM_EMPL# T11_PM_EXFIN# T11_PM_DIFER# T11_PM_RECEP# T11_MA_CLAVE# T11_MA_EXINI# T11_MA_FABR#"
         " T11_MA_EINTER# T11_MA_ERESTO# T11_MA_EIMPOR# T11_MA_SCONIMPPB# T11_MA_SCONIMPC# T11_MA_SINTER#"
         " T11_MA_SRESTO# T11_MA_SEXPOR# T11_MA_SEXENT# T11_MA_PROPIO# T11_MA_EXFIN# T11_MA_DIFER#"
         " T11_MA_RECEP#"}},
       FieldMaking::Helpers, true, false, {}},
      {"T12_TIPOLOGIA10",
       {{0, 0, "T12_SECDEC!"},
        {1, 5,
         "T12_PM_MATERIA# T12_PM_EXINIV# T12_PM_EXINIL# T12_PM_EINTERV# T12_PM_EINTERL# T12_PM_ERESTOV#"
         " T12_PM_ERESTOL# T12_PM_EIMPORV# T12_PM_EIMPORL# T12_PM_EMPLV# T12_PM_EMPLL# T12_PM_EXFINV#"
         " T12_PM_EXFINL# T12_PM_DIFERV# T12_PM_DIFERL# T12_PM_RECEPV# T12_PM_RECEPL# T12_PE_CLAVE#"
         " T12_PE_GRADO#:T1 T12_PE_EXINI# T12_PE_ELAB# T12_PE_EINTER# T12_PE_ERESTO# T12_PE_EIMPOR#"
         " T12_PE_SCONIMPPB# T12_PE_SCONIMPC# T12_PE_SINTER# T12_PE_SRESTO# T12_PE_SEXPOR# T12_PE_SEXENT#"
         " T12_PE_PROPIO# T12_PE_EXFIN# T12_PE_DIFER# T12_PE_RECEP#"},
        {0, 0, "T12_PPE_EXINI T12_PPE_ENTR T12_PPE_SBODEG T12_PPE_SALMAC T12_PPE_EXFIN T12_PPE_DIFER"}},
       FieldMaking::Helpers, true, false, {}},
      {"T13_TIPOLOGIA11",
       {{0, 0, "T13_SECDEC!"},
        {1, 6,
         "T13_PM_MATERIA# T13_PM_EXINI# T13_PM_EINTER# T13_PM_ERESTO# T13_PM_EIMPOR# T13_PM_EMPL#"
         " T13_PM_EXFIN# T13_PM_DIFER# T13_PM_RECEP# T13_MB_CLAVE# T13_MB_EXINI# T13_MB_ELAB#"
         " T13_MB_EINTER# T13_MB_ERESTO# T13_MB_EIMPOR# T13_MB_SCONIMPPBV# T13_MB_SCONIMPPBA#"
         " T13_MB_SCONIMPCV# T13_MB_SCONIMPCA# T13_MB_SINTER# T13_MB_SRESTO# T13_MB_SEXPOR#"
         " T13_MB_SEXENT# T13_MB_PROPIO# T13_MB_EXFIN# T13_MB_DIFER# T13_MB_RECEP#"}},
       FieldMaking::Helpers, true, false, {}},
      {"T14_TIPOLOGIA12",
       {{0, 0, "T14_SECDEC!"},
        {1, 6,
         "T14_PM_MATERIA# T14_PM_KILO# T14_PM_EXTR# T14_CE_EPIG#:T6 T14_CE_EXINI# T14_CE_ELAB#"
         " T14_CE_EINTER# T14_CE_ERESTO# T14_CE_EIMPOR# T14_CE_SCONIMPGP# T14_CE_SCONIMPCNE#"
         " T14_CE_SINTER# T14_CE_SRESTO# T14_CE_SEXPOR# T14_CE_SEXENT# T14_CE_OPEPRO# T14_CE_EXFIN#"
         " T14_CE_DIFER# T14_CE_RECEP#"},
        {7, 10, "T14_PM_MATERIA# T14_PM_KILO# T14_PM_EXTR#"}},
       FieldMaking::Helpers, true, false, {}},
      {"T15_TIPOLOGIA13",
       {{0, 0, "T15_SECDEC!"},
        {1, 6,
         "T15_EPIG#:T6 T15_EXINI# T15_ELAB# T15_EINTER# T15_ERESTO# T15_EIMPOR# T15_SCONIMP# T15_SINTER#"
         " T15_SRESTO# T15_SEXPOR# T15_SEXENT# T15_AUTCIMP# T15_AUTSIMP# T15_EXFIN# T15_DIFER# T15_RECEP#"}},
       FieldMaking::Helpers, true, false, {}},
      {"T16_TIPOLOGIA14",
       {{0, 0, "T16_SECDEC!"},
        {1, 4,
         "T16_EPIG#:T6 T16_EXINI# T16_ELAB# T16_EINTER# T16_ERESTO# T16_EIMPOR# T16_SCONIMPV# T16_SCONIMPC#"
         " T16_SINTERV# T16_SINTERC# T16_SRESTOV# T16_SRESTOC# T16_SEXPORV# T16_SEXPORC# T16_SEXENT#"
         " T16_OPEPRO# T16_EXFIN# T16_DIFER# T16_RECEP#"}},
       FieldMaking::Helpers, true, false, {}},
      {"T17_TIPOLOGIA15",
       {{0, 0, "T17_SECDEC!"},
        {1, 7, "T17_CODEPI#:T6 T17_BASIMP# T17_TIPO# T17_CUOTA#"},
        {1, 21, "T17_DEDEPI#:T6 T17_DEDCON#:T1 T17_DEDCUO#"},
        {0, 0, "T17_CUOTAINTEGRA T17_DEDUCCUOTA T17_CUOTA"}},
       FieldMaking::Inline, false, true, {}},
      {"T18_TIPOLOGIA16",
       {{0, 0, "T18_SECDEC! T18_CUENTA:T20"},
        {1, 8, "T18_CODEPI#:T6 T18_BASIMP# T18_TIPODEV# T18_REX_AC#:T2 T18_REX_TIPO# T18_DIF_TIPO# T18_CUOTA#"},
        {0, 0, "T18_IMPING T18_IMPDEV T18_CUOINT"}},
       FieldMaking::Inline, false, true, {}},
      {"T19_TIPOLOGIA1",
       {{0, 0,
         "T19_SECDEC! T19_BASEIMP T19_REDUCC T19_BASELIQ T19_TIPO T19_CUOINT T19_BASEIMPIND T19_BASEIMPOTR"
         " T19_TIPOIND T19_TIPOOTR T19_CUOINTIND T19_CUOINTOTR T19_CUOINTTOT"},
        {1, 16,
         "T19_CONCEPTO#:T1 T19_TARIFA#:T1 T19_CANTIDAD# T19_BASIMP# T19_BASILQ# T19_CUOTA# T19_CUOLIQ#"
         " T19_CUOLIQTOT#"}},
       FieldMaking::Inline, false, true, {}},
  };
  return tables;
}

// --- The fields the upgrade adds to existing tables -------------------------

const std::vector<FieldStep>& additions() {
  static const std::vector<FieldStep> fields = {
      {"T08_CODEPI6", "T08_TIPOLOGIA6", false, true,
       {{0, 0, "T08_CODEPI6:T6=", fixedAt(22), true, {}},
        {0, 0, "T08_BASIMP6", fixedAt(23), false, {}},
        {0, 0, "T08_TIPO6", fixedAt(24), false, {}},
        {0, 0, "T08_CUOTA6", fixedAt(25), false, {}}},
       "update T08_TIPOLOGIA6 SET T08_CODEPI6=' ' , T08_BASIMP6 = 0 , T08_TIPO6 = 0 , T08_CUOTA6 = 0",
       {"T08_CUOTAINTEGRA", "T08_DEDUCCUOTA", "T08_CUOTA"}, 4},
      {"T02_CAE", "T02_DECLARACIONES", true, true,
       {{0, 0, "T02_CAE:T13=", {}, true, "update T02_DECLARACIONES SET T02_CAE=' '"},
        {0, 0, "T02_TTA:T1=", {}, true, "update T02_DECLARACIONES SET T02_TTA=' '"},
        {0, 0, "T02_ADMCOM:T2=", {}, true, "update T02_DECLARACIONES SET T02_ADMCOM=' '"}},
       {}, {}, 0},
      {"T02_ADMCOM", "T02_DECLARACIONES", false, true,
       {{0, 0, "T02_ADMCOM:T2=", {}, true, {}}},
       "update T02_DECLARACIONES SET T02_ADMCOM=' '", {}, 0},
      {"T02_NESTAB", "T02_DECLARACIONES", true, false,
       {{0, 0, "T02_NESTAB:T25=", {}, false, {}},
        {0, 0, "T02_DIRESTAB:T50=", {}, false, {}}},
       "update T02_DECLARACIONES SET T02_NESTAB = ' ', T02_DIRESTAB = ' '", {}, 0},
      {"T03_TOTALCUOTA_A", "T03_TIPOLOGIA1", true, true,
       {{0, 0, "T03_BASEIMP1!", {}, false, {}},
        {0, 0, "T03_TIPO1!", {}, false, {}},
        {0, 0, "T03_CUOTA1!", {}, false, {}},
        {0, 0, "T03_BASEIMP2!", {}, false, {}},
        {0, 0, "T03_TIPO2!", {}, false, {}},
        {0, 0, "T03_CUOTA2!", {}, false, {}},
        {0, 0, "T03_TOTALCUOTA_B!", {}, false, {}},
        {0, 0, "T03_TOTALCUOTA_A!", {}, true, {}}},
       "update T03_TIPOLOGIA1 SET T03_TOTALCUOTA_A=T03_CUOTA, T03_BASEIMP1=0,T03_TIPO1=0,T03_CUOTA1=0, "
       "T03_BASEIMP2=0,T03_TIPO2=0,T03_CUOTA2=0,T03_TOTALCUOTA_B=0 ",
       {}, 0},
      {"T03_BASEEXENTA", "T03_TIPOLOGIA1", false, true,
       {{0, 0, "T03_BASEEXENTA", after("T03_TOTALCUOTA_A", 1), true, {}}},
       "update T03_TIPOLOGIA1 SET T03_BASEEXENTA = 0", {}, 0},
      {"T10_OPEPRO1", "T10_TIPOLOGIA8", false, true,
       {{0, 0, "T10_OPEPRO1", fixedAt(11), true, {}},
        {2, 8, "T10_OPEPRO#", after("T10_SEXENT1", 1, 13), false, {}}},
       "update T10_TIPOLOGIA8 SET T10_OPEPRO1 = 0 , T10_OPEPRO2 = 0, T10_OPEPRO3 = 0, T10_OPEPRO4 = 0, "
       "T10_OPEPRO5 = 0, T10_OPEPRO6 = 0, T10_OPEPRO7 = 0, T10_OPEPRO8 = 0",
       {}, 0},
      {"T12_PPE_CLAVE1", "T12_TIPOLOGIA10", false, true,
       {{0, 0, "T12_PPE_CLAVE:T2=00", after("T12_PE_RECEP5", 1), true, {}},
        {0, 0, "T12_PPE_CLAVE1:T2=00", after("T12_PPE_DIFER", 1), true, {}},
        {0, 0, "T12_PPE_EXINI1", after("T12_PPE_DIFER", 2), true, {}},
        {0, 0, "T12_PPE_ENTR1", after("T12_PPE_DIFER", 3), true, {}},
        {0, 0, "T12_PPE_SBODEG1", after("T12_PPE_DIFER", 4), true, {}},
        {0, 0, "T12_PPE_SALMAC1", after("T12_PPE_DIFER", 5), true, {}},
        {0, 0, "T12_PPE_EXFIN1", after("T12_PPE_DIFER", 6), true, {}},
        {0, 0, "T12_PPE_DIFER1", after("T12_PPE_DIFER", 7), true, {}}},
       "update T12_TIPOLOGIA10 SET T12_PPE_CLAVE = '00', T12_PPE_CLAVE1 = '00' , T12_PPE_EXINI1 = 0, "
       "T12_PPE_ENTR1 = 0, T12_PPE_SBODEG1 = 0, T12_PPE_SALMAC1 = 0, T12_PPE_EXFIN1 = 0, T12_PPE_DIFER1 = 0",
       {}, 0},
      {"T14_CE_OPEPRO1", "T14_TIPOLOGIA12", false, true,
       {{1, 1, "T14_CE_OPEPRO#=", after("T14_CE_SEXENT1", 1, 18), true, {}},
        {2, 6, "T14_CE_OPEPRO#", after("T14_CE_SEXENT1", 1, 18), false, {}}},
       "update T14_TIPOLOGIA12 SET T14_CE_OPEPRO1 = 0 , T14_CE_OPEPRO2 = 0, T14_CE_OPEPRO3 = 0, "
       "T14_CE_OPEPRO4 = 0, T14_CE_OPEPRO5 = 0, T14_CE_OPEPRO6 = 0",
       {}, 0},
      {"T16_OPEPRO1", "T16_TIPOLOGIA14", false, true,
       {{1, 1, "T16_OPEPRO#", after("T16_SEXENT1", 1, 18), true, {}},
        {2, 4, "T16_OPEPRO#", after("T16_SEXENT1", 1, 18), false, {}}},
       "update T16_TIPOLOGIA14 SET T16_OPEPRO1 = 0, T16_OPEPRO2 = 0, T16_OPEPRO3 = 0, T16_OPEPRO4 = 0",
       {}, 0},
      {"T03_BASEIMP3", "T03_TIPOLOGIA1", false, true,
       {{0, 0, "T03_BASEIMP3", {}, true, {}},
        {0, 0, "T03_TIPO3", {}, true, {}},
        {0, 0, "T03_CUOTA3", {}, true, {}},
        {0, 0, "T03_TOTALCUOTA_N", {}, true, {}}},
       "update T03_TIPOLOGIA1 SET T03_BASEIMP3 = 0, T03_TIPO3=0, T03_CUOTA3=0, T03_TOTALCUOTA_N=0", {}, 0},
  };
  return fields;
}

// --- 16-bit arithmetic ---------------------------------------------------------

int16_t add16(int32_t a, int32_t b) {
  int32_t r = a + b;
  if (r < std::numeric_limits<int16_t>::min() || r > std::numeric_limits<int16_t>::max())
    raiseRuntimeError(kOverflow);
  return static_cast<int16_t>(r);
}

int16_t mul16(int32_t a, int32_t b) {
  int32_t r = a * b;
  if (r < std::numeric_limits<int16_t>::min() || r > std::numeric_limits<int16_t>::max())
    raiseRuntimeError(kOverflow);
  return static_cast<int16_t>(r);
}

[[noreturn]] void objectNotSet() {
  throw AutomationError(91, std::string(kRuntimeSource), "Object variable or With block variable not set");
}

engine::TableDefs& tablesOf(WorkingObjects& objects) {
  if (!objects.tables) objectNotSet();
  return *objects.tables;
}

engine::Database& databaseOf(WorkingObjects& objects) {
  if (!objects.database) objectNotSet();
  return *objects.database;
}

bool hasField(engine::TableDef& table, std::string_view name) {
  auto& fields = table.fields();
  for (int32_t i = 0, n = fields.count(); i < n; ++i)
    if (fields.item(i)->name() == name) return true;
  return false;
}

void noteCreated(WorkingObjects& objects, std::string name) {
  if (objects.created) objects.created->push_back(std::move(name));
}

int16_t positionFor(engine::TableDef& table, const Position& position, int line) {
  switch (position.kind) {
    case Position::Fixed: return position.value;
    case Position::After: {
      int16_t p = add16(positionOf(table, position.field), position.value);
      return add16(p, mul16(position.stride, add16(line, -1)));
    }
    case Position::None: break;
  }
  return 0;
}

std::function<void()>& changeHook() {
  static std::function<void()> hook;
  return hook;
}

}  // namespace

void setChangeHook(std::function<void()> hook) { changeHook() = std::move(hook); }

void afterChange() {
  if (changeHook()) changeHook()();
}

const std::vector<TableStep>& tableSteps() { return steps(); }
const std::vector<FieldStep>& fieldSteps() { return additions(); }

const TableStep* findTableStep(std::string_view upperCaseName) {
  for (const auto& step : steps())
    if (step.name == upperCaseName) return &step;
  return nullptr;
}

const FieldStep* findFieldStep(std::string_view marker) {
  for (const auto& step : additions())
    if (step.marker == marker) return &step;
  return nullptr;
}

std::vector<ColumnDef> tableColumns(const TableStep& step) {
  return expandColumns(step.groups,
                       step.making == FieldMaking::Helpers ? NumberDefault::ZeroNumber : NumberDefault::ZeroText);
}

void CrearCampoNumerico(engine::TableDef& table, std::shared_ptr<engine::Field>& field, std::string_view nombre,
                        bool required) {
  field = table.createField(std::string(nombre), DaoType::Double);
  field->setDefaultValue(Variant(int16_t{0}));
  field->setRequired(required);
  table.fields().append(field);
}

void CrearCampoTexto(engine::TableDef& table, std::shared_ptr<engine::Field>& field, std::string_view nombre,
                     int16_t size) {
  field = table.createField(std::string(nombre), DaoType::Text, size);
  field->setRequired(false);
  field->setAllowZeroLength(true);
  table.fields().append(field);
}

int16_t positionOf(engine::TableDef& table, std::string_view name) {
  auto& fields = table.fields();
  for (int32_t i = 0, n = fields.count(); i < n; ++i) {
    auto field = fields.item(i);
    if (field->name() == name) return field->ordinalPosition();
  }
  return 0;
}

void runTableStep(const TableStep& step, WorkingObjects& objects) {
  auto& database = databaseOf(objects);
  objects.table = database.createTableDef(std::string(step.name));
  auto& table = *objects.table;
  for (const auto& column : tableColumns(step)) {
    if (step.making == FieldMaking::Helpers && column.type == DaoType::Double) {
      CrearCampoNumerico(table, objects.field, column.name, column.required);
    } else if (step.making == FieldMaking::Helpers && column.isText()) {
      CrearCampoTexto(table, objects.field, column.name, static_cast<int16_t>(column.size));
    } else {
      objects.field = makeField(table, column);
      table.fields().append(objects.field);
    }
  }
  if (step.appendedByTest) return;
  tablesOf(objects).append(objects.table);
  noteCreated(objects, std::string(step.name));
  afterChange();
  if (!step.statement.empty()) {
    database.execute(step.statement);
    afterChange();
  }
}

JournalEntry journalEntryFor(const FieldStep& step, engine::TableDef& table) {
  JournalEntry entry{std::string(step.marker), {}};
  auto& fields = table.fields();
  for (auto name : step.raised) {
    for (int32_t i = 0, n = fields.count(); i < n; ++i) {
      auto field = fields.item(i);
      if (engine::namesEqual(field->name(), name)) {
        entry.positions.emplace_back(std::string(name), field->ordinalPosition());
        break;
      }
    }
  }
  return entry;
}

void runFieldStep(const FieldStep& step, WorkingObjects& objects, const JournalEntry* resume) {
  auto& database = databaseOf(objects);
  if (step.takenByName) objects.table = tablesOf(objects).item(step.table);
  if (!objects.table) objectNotSet();
  auto& table = *objects.table;
  auto fill = [&](std::string_view statement) {
    if (statement.empty()) return;
    if (objects.postponed && !resume) {
      objects.postponed->push_back({std::string(step.marker), std::string(step.table), std::string(statement)});
      return;
    }
    database.execute(statement);
    afterChange();
  };
  for (const auto& addition : step.fields) {
    int first = addition.first, last = addition.last;
    if (first == 0 && last == 0) first = last = -1;
    for (int line = first; line <= last; ++line) {
      ColumnDef column = parseColumn(addition.column, line < 0 ? 0 : line, NumberDefault::ZeroText);
      if (resume && hasField(table, column.name)) {
        fill(addition.statement);
        continue;
      }
      objects.field = makeField(table, column);
      if (addition.position.kind != Position::None)
        objects.field->setOrdinalPosition(positionFor(table, addition.position, line < 0 ? 1 : line));
      table.fields().append(objects.field);
      noteCreated(objects, std::string(step.table) + "." + column.name);
      afterChange();
      if (addition.refresh) table.fields().refresh();
      fill(addition.statement);
    }
  }
  fill(step.statement);
  for (auto name : step.raised) {
    auto field = table.fields().item(name);
    std::optional<int16_t> started = resume ? resume->positionOf(std::string(name)) : std::nullopt;
    field->setOrdinalPosition(add16(started ? *started : field->ordinalPosition(), step.raiseBy));
    afterChange();
  }
}

std::string tableStepMessage(const TableStep& step) {
  return "Se ha producido un error la creación de la tabla " + std::string(step.name);
}

std::string fieldStepMessage(const FieldStep& step) {
  return "Se ha producido un error la creación de los campos de la tabla " + std::string(step.table);
}

void applyTableStep(const std::shared_ptr<engine::Database>& database, std::string_view name) {
  const TableStep* step = findTableStep(name);
  if (!step) throw std::invalid_argument("no table step " + std::string(name));
  WorkingObjects objects;
  objects.database = database;
  objects.tables = &database->tableDefs();
  runTableStep(*step, objects);
  if (step->appendedByTest) objects.tables->append(objects.table);
}

void applyFieldStep(const std::shared_ptr<engine::Database>& database, std::string_view marker) {
  const FieldStep* step = findFieldStep(marker);
  if (!step) throw std::invalid_argument("no field step " + std::string(marker));
  WorkingObjects objects;
  objects.database = database;
  objects.tables = &database->tableDefs();
  objects.table = objects.tables->item(step->table);
  runFieldStep(*step, objects);
}

}  // namespace svrZIVE::upgrade
