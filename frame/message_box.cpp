#include "frame/message_box.h"

#include <cstdio>
#include <mutex>
#include <utility>

namespace svrZIVE {
namespace {

std::mutex& callbackMutex() {
  static std::mutex m;
  return m;
}

MessageCallback& currentCallback() {
  static MessageCallback callback;
  return callback;
}

}  // namespace

MessageCallback setMessageCallback(MessageCallback callback) {
  std::lock_guard lock(callbackMutex());
  return std::exchange(currentCallback(), std::move(callback));
}

void MsgBox(std::string_view text, int style) {
  MessageCallback callback;
  {
    std::lock_guard lock(callbackMutex());
    callback = currentCallback();
  }
  std::string message(text);
  if (callback) {
    try {
      callback(message, style);
    } catch (...) {
      // The user closed the box in some other way: same as OK.
    }
    return;
  }
  std::fprintf(stderr, "%.*s: %s\n", int(kDefaultMessageTitle.size()), kDefaultMessageTitle.data(),
               message.c_str());
  std::fflush(stderr);
}

}  // namespace svrZIVE
