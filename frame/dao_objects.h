// Late-bound views of the engine's query results: the object openRecordset
// returns to an automation client, its Fields collection and each Field.
//
//   Recordset  RecordCount, EOF, BOF, MoveFirst, MoveLast, MoveNext,
//              MovePrevious, Fields([index]), Close
//   Fields     Count, Item(index | name)
//   Field      Name, Value
#pragma once

#include <memory>

#include "engine/dao.h"
#include "frame/automation.h"

namespace svrZIVE {

// The object a client receives for an engine recordset (Nothing for nullptr).
Variant recordsetObject(std::shared_ptr<engine::Recordset> recordset);
// The engine recordset behind such an object; nullptr for any other variant.
std::shared_ptr<engine::Recordset> recordsetOf(const Variant& object);

const TypeInfo& recordsetTypeInfo();
const TypeInfo& fieldsTypeInfo();
const TypeInfo& fieldTypeInfo();

}  // namespace svrZIVE
