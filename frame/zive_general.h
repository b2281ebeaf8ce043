// The module ZIVEGeneral: what every object of one client thread shares (the
// two database paths, the one connection and the busy-pointer handler) and the
// two functions that turn query results into the variant arrays of the
// interface.
//
// The library is apartment-threaded: each thread that uses it has its own
// paths and its own connection; nothing here is locked and no thread ever sees
// another thread's state. The state comes into being with the thread's first
// use and ends with the thread; the connection is created the first time an
// operation needs it and, when the state ends, closes whatever it still holds.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <string_view>

#include "base/variant.h"

namespace svrZIVE {

namespace engine {
class Recordset;
}

class cZIVEConexionDAO;

// Mouse pointer values of the user interface platform.
inline constexpr int vbDefault = 0;
inline constexpr int vbHourglass = 11;

// Receives the mouse pointer the connection wants shown: vbHourglass while the
// engine works, vbDefault when it is done. One handler per client thread; a
// thread without a handler shows nothing.
using MousePointerHandler = std::function<void(int)>;

namespace ZIVEGeneral {

// --- Shared per-thread state ---------------------------------------------

// The paths as the service objects of this thread last set them (`mdbmod`,
// `mdblec`). Both start empty. Clients cannot read them back: only the
// component's own code does.
const std::string& modifiablePath();
const std::string& referencePath();
void setModifiablePath(std::string_view path);
void setReferencePath(std::string_view path);

// The thread's one shared connection, created on first use.
cZIVEConexionDAO& sharedConnection();
// True when this thread's shared connection exists already.
bool hasSharedConnection();

// The handler of this thread's busy pointer (an empty function: none).
void setMousePointerHandler(MousePointerHandler handler);
// Shows `pointer` through this thread's handler, if it has one.
void showMousePointer(int pointer);

// Ends this thread's component state now, as the end of the thread would: the
// shared connection is torn down (failures ignored) and both paths are empty
// again. The pointer handler stays. The next use starts a fresh state.
void endThreadState() noexcept;

// --- List conversion -------------------------------------------------------

// Builds the variant array of a query result:
//   mode 0       single record: (0 to F), columns 0..F-1 of the one record,
//                element F empty; a second record overruns (Subscript out of
//                range, 9);
//   mode 1       column list: (0 to N-1), the first column of every record;
//   other modes  table: (0 to F, 0 to N), column c of record r at (c, r) for
//                r from 1; row 0 and column F empty.
// No records: the Null variant. Counters are 16-bit: more than 32,767 records
// raise Overflow (6). The recordset stays open, positioned at its end.
Variant ConvertirRecordset(engine::Recordset& recordset, int32_t mode);
Variant ConvertirRecordset(const std::shared_ptr<engine::Recordset>& recordset, int32_t mode);

// Keeps, in their order, the first row of a seven-column table (0 to 6,
// rows 1 to N) for each distinct value of column 3 (compared with variant
// equality, so Null rows are all kept). The result is (0 to 6, 0 to K) with
// the K kept rows in rows 1 to K; with no input rows, (0 to 6, 0 to 1) of
// Empty. The rates of model 561 keep eight columns the same way (lastColumn 7).
Variant QuitarRepetidos(const Variant& table, int32_t lastColumn = 6);

}  // namespace ZIVEGeneral
}  // namespace svrZIVE
