// The shared per-thread state of ZIVEGeneral.
#include "frame/zive_general.h"

#include <memory>
#include <utility>

#include "engine/dao.h"
#include "frame/automation.h"
#include "frame/conexion_dao.h"

namespace svrZIVE::ZIVEGeneral {
namespace {

// Set once the thread's state has ended, so that objects outliving it (a
// connection a client keeps in a static, say) do not reach for it.
thread_local bool t_stateEnded = false;

struct ThreadState {
  ThreadState() {
    // The engine of this thread must outlive the connection that uses it:
    // thread-local objects end in the reverse order of their construction, so
    // the engine is made before this state is complete.
    try {
      (void)engine::DBEngine::forThread();
    } catch (...) {
    }
  }
  ~ThreadState() {
    endConnection();
    t_stateEnded = true;
  }
  // The wrapper's teardown (its destructor) ignores every failure.
  void endConnection() noexcept {
    std::unique_ptr<cZIVEConexionDAO> ending = std::move(connection);
    ending.reset();
  }

  std::string modifiablePath;
  std::string referencePath;
  std::unique_ptr<cZIVEConexionDAO> connection;
  MousePointerHandler pointer;
};

ThreadState& state() {
  thread_local ThreadState s;
  return s;
}

}  // namespace

// Past the end of the thread's state (an object a client keeps in a static
// that outlives the thread) the paths read empty and writes are dropped.
const std::string& modifiablePath() {
  static const std::string ended;
  return t_stateEnded ? ended : state().modifiablePath;
}
const std::string& referencePath() {
  static const std::string ended;
  return t_stateEnded ? ended : state().referencePath;
}
void setModifiablePath(std::string_view path) {
  if (!t_stateEnded) state().modifiablePath = std::string(path);
}
void setReferencePath(std::string_view path) {
  if (!t_stateEnded) state().referencePath = std::string(path);
}

cZIVEConexionDAO& sharedConnection() {
  // There is no connection left once the thread's state has ended.
  if (t_stateEnded) throw objectNotSet();
  ThreadState& s = state();
  if (!s.connection) s.connection = std::make_unique<cZIVEConexionDAO>();
  return *s.connection;
}

bool hasSharedConnection() { return !t_stateEnded && state().connection != nullptr; }

void setMousePointerHandler(MousePointerHandler handler) {
  if (!t_stateEnded) state().pointer = std::move(handler);
}

void showMousePointer(int pointer) {
  if (t_stateEnded) return;
  ThreadState& s = state();
  if (s.pointer) s.pointer(pointer);
}

void endThreadState() noexcept {
  if (t_stateEnded) return;
  ThreadState& s = state();
  s.endConnection();
  s.modifiablePath.clear();
  s.referencePath.clear();
}

}  // namespace svrZIVE::ZIVEGeneral
