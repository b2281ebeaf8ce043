#include "tests/faults/fault_vfs.h"

#include <sqlite3.h>

#include <atomic>
#include <stdexcept>

namespace svrZIVE::testing {

namespace {

struct Armed {
  std::atomic<int> point{-1};
  std::atomic<int> remaining{0};
  std::atomic<int> code{SQLITE_OK};
  std::atomic<bool> fired{false};
};
Armed armed;

// The code the call of `point` returns instead of doing its work; SQLITE_OK to go on.
int faultFor(FaultPoint point) {
  if (armed.point.load() != static_cast<int>(point)) return SQLITE_OK;
  if (armed.remaining.fetch_sub(1) != 1) return SQLITE_OK;
  armed.point = -1;
  armed.fired = true;
  return armed.code.load();
}

// A file of ours: our methods, the real file in the same block right behind them.
struct alignas(8) FaultFile {
  sqlite3_file base;
};

sqlite3_file* real(sqlite3_file* f) { return reinterpret_cast<sqlite3_file*>(reinterpret_cast<FaultFile*>(f) + 1); }

int xClose(sqlite3_file* f) { return real(f)->pMethods ? real(f)->pMethods->xClose(real(f)) : SQLITE_OK; }
int xRead(sqlite3_file* f, void* buffer, int amount, sqlite3_int64 offset) {
  return real(f)->pMethods->xRead(real(f), buffer, amount, offset);
}
int xWrite(sqlite3_file* f, const void* buffer, int amount, sqlite3_int64 offset) {
  if (int rc = faultFor(FaultPoint::Write); rc != SQLITE_OK) return rc;
  return real(f)->pMethods->xWrite(real(f), buffer, amount, offset);
}
int xTruncate(sqlite3_file* f, sqlite3_int64 size) {
  if (int rc = faultFor(FaultPoint::Truncate); rc != SQLITE_OK) return rc;
  return real(f)->pMethods->xTruncate(real(f), size);
}
int xSync(sqlite3_file* f, int flags) {
  if (int rc = faultFor(FaultPoint::Sync); rc != SQLITE_OK) return rc;
  return real(f)->pMethods->xSync(real(f), flags);
}
int xFileSize(sqlite3_file* f, sqlite3_int64* size) { return real(f)->pMethods->xFileSize(real(f), size); }
int xLock(sqlite3_file* f, int level) { return real(f)->pMethods->xLock(real(f), level); }
int xUnlock(sqlite3_file* f, int level) { return real(f)->pMethods->xUnlock(real(f), level); }
int xCheckReservedLock(sqlite3_file* f, int* out) { return real(f)->pMethods->xCheckReservedLock(real(f), out); }
int xFileControl(sqlite3_file* f, int op, void* arg) { return real(f)->pMethods->xFileControl(real(f), op, arg); }
int xSectorSize(sqlite3_file* f) { return real(f)->pMethods->xSectorSize(real(f)); }
int xDeviceCharacteristics(sqlite3_file* f) { return real(f)->pMethods->xDeviceCharacteristics(real(f)); }

// Version 1: no shared memory and no memory mapping, which the rollback
// journal the engine uses does not need.
const sqlite3_io_methods kMethods = {
    1,      xClose,    xRead,        xWrite,       xTruncate,          xSync,
    xFileSize, xLock, xUnlock, xCheckReservedLock, xFileControl, xSectorSize, xDeviceCharacteristics,
    nullptr, nullptr, nullptr, nullptr, nullptr, nullptr};

sqlite3_vfs* underlying = nullptr;
sqlite3_vfs faultVfs;

int xOpen(sqlite3_vfs*, sqlite3_filename name, sqlite3_file* f, int flags, int* outFlags) {
  f->pMethods = nullptr;
  real(f)->pMethods = nullptr;
  int rc = underlying->xOpen(underlying, name, real(f), flags, outFlags);
  if (rc != SQLITE_OK) {
    if (real(f)->pMethods) real(f)->pMethods->xClose(real(f));
    return rc;
  }
  f->pMethods = &kMethods;
  return SQLITE_OK;
}

}  // namespace

FaultInjector::FaultInjector() {
  underlying = sqlite3_vfs_find(nullptr);
  if (!underlying || underlying->iVersion < 2) throw std::runtime_error("fault VFS: no default VFS to wrap");
  // The default VFS's own entries but for opening files, which wraps them;
  // version 2, so that no system call of the default one is swapped.
  faultVfs = *underlying;
  faultVfs.iVersion = 2;
  faultVfs.szOsFile = int(sizeof(FaultFile)) + underlying->szOsFile;
  faultVfs.pNext = nullptr;
  faultVfs.zName = "zive-faults";
  faultVfs.xOpen = xOpen;
  disarm();
  sqlite3_vfs_register(&faultVfs, 1);
}

FaultInjector::~FaultInjector() {
  disarm();
  sqlite3_vfs_unregister(&faultVfs);
}

void FaultInjector::arm(FaultPoint point, int nth, int sqliteCode) {
  armed.fired = false;
  armed.code = sqliteCode;
  armed.remaining = nth;
  armed.point = static_cast<int>(point);
}

void FaultInjector::disarm() { armed.point = -1; }

bool FaultInjector::fired() const { return armed.fired.load(); }

}  // namespace svrZIVE::testing
