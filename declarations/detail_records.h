// The deletion dispatch of EliminarDeclaraciones: the typology of a return
// selects the record class of its detail table, which deletes the detail row
// before the header goes.
//
// A form's detail record class plugs itself in with one registration in its
// own source file:
//
//   const bool kDeleter = registerDetailDeleter(1, detailRecordFactory<cZIVET03_Tipologia1>());
//
// where the class implements DetailRecord (set the declaration number, delete
// the row of that number through the shared connection). Only the typologies
// whose detail the deletion removes take a registration: 1 to 6 and 8 to 11.
// A return of any other typology, or of one whose class has not plugged in,
// loses only its header.
//
// Registrations normally happen while the library loads; the table is locked,
// so a registration at any later time is safe too.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>

namespace svrZIVE {

// What the deletion needs of a detail record class.
class DetailRecord {
 public:
  virtual ~DetailRecord() = default;
  // The declaration number (SECDEC) of the row to delete.
  virtual void setDeclarationNumber(int32_t lngSecdec) = 0;
  // Deletes the detail row of that number; failures pass on.
  virtual bool BorrarDeclaracion() = 0;
};

// Makes a new record object for one deletion.
using DetailRecordFactory = std::function<std::unique_ptr<DetailRecord>()>;

// Plugs the factory of `typology`'s detail record class in, replacing any
// earlier one. False (and nothing changes) for a typology whose detail the
// deletion does not remove.
bool registerDetailDeleter(uint8_t typology, DetailRecordFactory factory);

// The factory plugged in for `typology`; empty when there is none.
DetailRecordFactory detailDeleterFor(uint8_t typology);

// True for the typologies whose detail the deletion removes (1-6, 8-11).
bool deletesDetailOf(uint8_t typology);

// The factory of a default-constructible class T that implements DetailRecord.
template <class T>
DetailRecordFactory detailRecordFactory() {
  return [] { return std::unique_ptr<DetailRecord>(std::make_unique<T>()); };
}

}  // namespace svrZIVE
