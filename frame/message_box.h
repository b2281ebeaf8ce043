// The modal message box of the user interface platform. The component shows
// a text with a style (16: critical-stop icon, OK button only) and the
// default title; the client decides how to show it and waits for the user's
// acknowledgement before its callback returns. With no callback set the text
// goes to standard error.
#pragma once

#include <functional>
#include <string>
#include <string_view>

namespace svrZIVE {

// Message box styles the component uses.
inline constexpr int vbOKOnly = 0;
inline constexpr int vbCritical = 16;

// The title a message box shows when the caller gives none: the project's name.
inline constexpr std::string_view kDefaultMessageTitle = "svrZIVE";

// Receives each message: its text and its style. It runs on the thread that
// shows the message and returns once the user has acknowledged it.
using MessageCallback = std::function<void(const std::string& text, int style)>;

// Sets the callback for the whole process and returns the one it replaces
// (an empty function: none, standard error).
MessageCallback setMessageCallback(MessageCallback callback);

// Shows `text` with `style` and the default title; returns when acknowledged.
// A callback that throws is treated as acknowledged.
void MsgBox(std::string_view text, int style = vbOKOnly);

// Sets a callback for the lifetime of the object and puts the previous one back.
class ScopedMessageCallback {
 public:
  explicit ScopedMessageCallback(MessageCallback callback)
      : previous_(setMessageCallback(std::move(callback))) {}
  ~ScopedMessageCallback() { setMessageCallback(std::move(previous_)); }
  ScopedMessageCallback(const ScopedMessageCallback&) = delete;
  ScopedMessageCallback& operator=(const ScopedMessageCallback&) = delete;

 private:
  MessageCallback previous_;
};

}  // namespace svrZIVE
