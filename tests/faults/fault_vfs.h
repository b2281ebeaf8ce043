// A SQLite VFS over the default one that fails the Nth write, sync or
// truncate of any file, as a full disk or a failing device would. While it
// lives it is the default VFS, so the engine's databases open on it
// unchanged.
#pragma once

namespace svrZIVE::testing {

enum class FaultPoint { Write, Sync, Truncate };

class FaultInjector {
 public:
  FaultInjector();
  ~FaultInjector();
  FaultInjector(const FaultInjector&) = delete;
  FaultInjector& operator=(const FaultInjector&) = delete;

  // From now on the `nth` (1-based) call of `point` returns `sqliteCode`
  // (SQLITE_FULL, SQLITE_IOERR_WRITE, ...), once.
  void arm(FaultPoint point, int nth, int sqliteCode);
  void disarm();
  // Whether the armed fault was returned since the last arm().
  bool fired() const;
};

}  // namespace svrZIVE::testing
