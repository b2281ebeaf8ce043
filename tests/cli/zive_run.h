// Running the zive command as a user does: each argument quoted for the shell,
// what it prints kept in the test's folder.
#pragma once

#include <sys/wait.h>

#include <cstdlib>
#include <initializer_list>
#include <string>

#include "tests/support/test_databases.h"

namespace svrZIVE::testing {

struct Outcome {
  int status = -1;
  std::string out, err;
};

inline std::string quoted(const std::string& arg) {
  std::string q = "'";
  for (char c : arg) q += c == '\'' ? std::string("'\\''") : std::string(1, c);
  return q + "'";
}

inline Outcome zive(const TempDir& dir, std::initializer_list<std::string> args) {
  std::string cmd = quoted(ZIVE_BINARY);
  for (const auto& a : args) cmd += " " + quoted(a);
  cmd += " >" + quoted(dir.file("out")) + " 2>" + quoted(dir.file("err")) + " </dev/null";
  const int raw = std::system(cmd.c_str());
  return {WIFEXITED(raw) ? WEXITSTATUS(raw) : -1, readFile(dir.file("out")), readFile(dir.file("err"))};
}

}  // namespace svrZIVE::testing
