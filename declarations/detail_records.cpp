#include "declarations/detail_records.h"

#include <array>
#include <mutex>
#include <utility>

namespace svrZIVE {

namespace {

struct DeleterTable {
  std::mutex mutex;
  std::array<DetailRecordFactory, 256> factories;
};

DeleterTable& table() {
  static DeleterTable instance;
  return instance;
}

}  // namespace

bool deletesDetailOf(uint8_t typology) {
  return (typology >= 1 && typology <= 6) || (typology >= 8 && typology <= 11);
}

bool registerDetailDeleter(uint8_t typology, DetailRecordFactory factory) {
  if (!deletesDetailOf(typology)) return false;
  DeleterTable& t = table();
  std::lock_guard lock(t.mutex);
  t.factories[typology] = std::move(factory);
  return true;
}

DetailRecordFactory detailDeleterFor(uint8_t typology) {
  DeleterTable& t = table();
  std::lock_guard lock(t.mutex);
  return t.factories[typology];
}

}  // namespace svrZIVE
