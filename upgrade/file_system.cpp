#include "upgrade/file_system.h"

#include <fcntl.h>
#include <unistd.h>

#include <filesystem>
#include <string>
#include <system_error>

#include "base/automation_error.h"

namespace svrZIVE::upgrade {
namespace {

namespace fs = std::filesystem;

constexpr std::string_view kSource = "Scripting.FileSystemObject";

[[noreturn]] void fail(int32_t number, std::string_view description, std::string_view path) {
  throw AutomationError(number, std::string(kSource), std::string(description) + ": " + std::string(path));
}

[[noreturn]] void failFrom(const std::error_code& ec, std::string_view path) {
  if (ec == std::errc::no_such_file_or_directory) fail(76, "Path not found", path);
  if (ec == std::errc::permission_denied || ec == std::errc::operation_not_permitted ||
      ec == std::errc::read_only_file_system)
    fail(70, "Permission denied", path);
  if (ec == std::errc::no_space_on_device) fail(61, "Disk full", path);
  fail(75, "Path/File access error (" + ec.message() + ")", path);
}

}  // namespace

bool FileSystem::fileExists(std::string_view path) {
  if (path.empty()) return false;
  std::error_code ec;
  return fs::is_regular_file(fs::path(path), ec);
}

void FileSystem::copyFile(std::string_view source, std::string_view destination, bool overwrite) {
  fs::path from(source), to(destination);
  if (!fileExists(source)) fail(53, "File not found", source);
  std::error_code ec;
  if (fs::exists(to, ec)) {
    if (!overwrite) fail(58, "File already exists", destination);
    if (fs::is_directory(to, ec)) fail(70, "Permission denied", destination);
  }
  // Write to a temporary name beside the destination, then rename: a copy
  // cut short never leaves a partial file under the destination's name.
  fs::path temporary = to;
  temporary += ".tmp";
  fs::copy_file(from, temporary, fs::copy_options::overwrite_existing, ec);
  if (ec) {
    std::error_code ignored;
    fs::remove(temporary, ignored);
    failFrom(ec, destination);
  }
  // The copy is on disk before it takes the backup's name.
  int fd = ::open(temporary.c_str(), O_RDONLY);
  if (fd >= 0) {
    ::fsync(fd);
    ::close(fd);
  }
  fs::rename(temporary, to, ec);
  if (ec) {
    std::error_code ignored;
    fs::remove(temporary, ignored);
    failFrom(ec, destination);
  }
}

void FileSystem::deleteFile(std::string_view path, bool force) {
  fs::path file(path);
  if (!fileExists(path)) fail(53, "File not found", path);
  std::error_code ec;
  auto status = fs::status(file, ec);
  bool readOnly = !ec && (status.permissions() & fs::perms::owner_write) == fs::perms::none;
  if (readOnly) {
    if (!force) fail(70, "Permission denied", path);
    fs::permissions(file, fs::perms::owner_write, fs::perm_options::add, ec);
  }
  fs::remove(file, ec);
  if (ec) failFrom(ec, path);
}

}  // namespace svrZIVE::upgrade
