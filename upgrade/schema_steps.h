// The steps of the upgrade, as data, and the one piece of code that runs them.
//
// A table step creates a whole table: its table definition, then each field
// created, configured and appended in order, then (unless the existence test
// does it) the table's append and its initialising statement.
//
// A field step adds a group of fields to an existing table: each field is
// created with its properties (and, for some, an ordinal position computed
// from the positions of fields already there), appended, the field
// collection refreshed where the step says so; at the end one statement
// gives the new fields their value in every stored row (left to the end of
// the run, where each table is written once for all its steps).
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "engine/dao.h"
#include "upgrade/layout.h"
#include "upgrade/step_journal.h"

namespace svrZIVE::upgrade {

// The driver's working objects of one run, shared by reference with the
// existence tests and every step: the open database, its table-definition
// collection, the current table definition and the current field definition.
struct WorkingObjects {
  std::shared_ptr<engine::Database> database;
  engine::TableDefs* tables = nullptr;
  std::shared_ptr<engine::TableDef> table;
  std::shared_ptr<engine::Field> field;
  // What the steps created: table names and field names, in order.
  std::vector<std::string>* created = nullptr;
  // Where field steps leave the statements that fill their new fields, for
  // the end of the run (one writing of each table for all of them); null:
  // they run at once.
  std::vector<PendingFill>* postponed = nullptr;
};

// How the fields of a created table are made.
enum class FieldMaking : uint8_t {
  Inline,   // createField, properties set one by one, append (number defaults: the text "0")
  Helpers,  // CrearCampoNumerico / CrearCampoTexto (number defaults: the number 0)
};

struct TableStep {
  std::string_view name;
  std::vector<ColumnGroup> groups;
  FieldMaking making = FieldMaking::Inline;
  bool appendedByTest = false;   // the existence test appends the table definition
  bool hasHandler = false;       // failures end the step with its message
  std::string_view statement;    // run after the append; empty: none
};

// Where a new field goes: no position (appended at the end), a fixed
// position, or pos(field) + offset + stride * (k - 1), k the line number,
// computed in 16-bit arithmetic.
struct Position {
  enum Kind : uint8_t { None, Fixed, After } kind = None;
  int16_t value = 0;           // Fixed: the position; After: the offset
  std::string_view field;      // After: the field whose position counts
  int16_t stride = 0;          // After
};

struct FieldAddition {
  int first = 0;               // lines first..last replace '#' (0, 0: once)
  int last = 0;
  std::string_view column;     // one token of the layout notation
  Position position;
  bool refresh = false;        // refresh the field collection after the append
  std::string_view statement;  // run right after this field; empty: none
};

struct FieldStep {
  std::string_view marker;     // the field whose absence calls the step
  std::string_view table;
  bool takenByName = false;    // the step fetches its table by name; else the current one
  bool hasHandler = false;
  std::vector<FieldAddition> fields;
  std::string_view statement;  // run after the last field; empty: none
  // After the statement, these fields' ordinal positions are raised by `raiseBy`.
  std::vector<std::string_view> raised;
  int16_t raiseBy = 0;
};

// The steps, by the name the existence tests select them with.
const std::vector<TableStep>& tableSteps();
const std::vector<FieldStep>& fieldSteps();
const TableStep* findTableStep(std::string_view upperCaseName);  // exact name
const FieldStep* findFieldStep(std::string_view marker);         // exact name

// The fields of a created table, in creation order.
std::vector<ColumnDef> tableColumns(const TableStep& step);

// Creates a Double field (no size) with DefaultValue 0 and Required as given,
// and appends it to the table definition's fields.
void CrearCampoNumerico(engine::TableDef& table, std::shared_ptr<engine::Field>& field, std::string_view nombre,
                        bool required);
// Creates a Text field of `size` characters, Required False, AllowZeroLength
// True, no default, and appends it to the table definition's fields.
void CrearCampoTexto(engine::TableDef& table, std::shared_ptr<engine::Field>& field, std::string_view nombre,
                     int16_t size);

// pos(F): the ordinal position of the first field, in collection order, whose
// name equals `name` exactly; 0 when there is none.
int16_t positionOf(engine::TableDef& table, std::string_view name);

// Runs a table step. Makes the new table definition current. For a step the
// existence test appends, only builds it; the caller appends `objects.table`.
// Failures propagate (the caller applies the step's handler).
void runTableStep(const TableStep& step, WorkingObjects& objects);

// What the step journal records for a field step before its first change:
// the positions of the fields it raises (those that exist).
JournalEntry journalEntryFor(const FieldStep& step, engine::TableDef& table);

// Runs a field step on the current table (or the one it takes by name).
// Its fill statements go to `objects.postponed` when that is set, except on
// a resumed step, which runs them at once. Failures propagate. With `resume` (the journal of a run that died in the
// middle of this step) the fields that exist already under exactly their name
// are not created again, and the raised fields get the positions they had
// when the step first started, raised.
void runFieldStep(const FieldStep& step, WorkingObjects& objects, const JournalEntry* resume = nullptr);

// Interruption points, for tests that stop a run between two changes: the
// hook runs after each change a step makes (a table or field appended, a
// statement run, a position set). One hook per process; empty: none.
void setChangeHook(std::function<void()> hook);
void afterChange();

// The message of a step that has a handler.
std::string tableStepMessage(const TableStep& step);
std::string fieldStepMessage(const FieldStep& step);

// For building databases of earlier layouts: runs one step by name on an open
// database without any test or handler (the table step also appends).
void applyTableStep(const std::shared_ptr<engine::Database>& database, std::string_view name);
void applyFieldStep(const std::shared_ptr<engine::Database>& database, std::string_view marker);

}  // namespace svrZIVE::upgrade
