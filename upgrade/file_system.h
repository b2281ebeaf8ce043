// The three file operations the backup copy needs: a test for a file's
// existence, a copy that overwrites, and a delete that removes read-only
// files too. Failures are automation errors with the runtime's numbers
// (53 file not found, 58 file already exists, 70 permission denied,
// 76 path not found) and source "Scripting.FileSystemObject".
#pragma once

#include <string_view>

namespace svrZIVE::upgrade {

class FileSystem {
 public:
  // True when `path` names an existing file (not a folder).
  static bool fileExists(std::string_view path);
  // Copies the bytes of `source` to `destination`; an existing destination is
  // replaced only when `overwrite` is true (error 58 otherwise).
  static void copyFile(std::string_view source, std::string_view destination, bool overwrite);
  // Deletes the file at `path`; with `force` a read-only file is deleted too.
  static void deleteFile(std::string_view path, bool force);
};

}  // namespace svrZIVE::upgrade
