#include "upgrade/step_journal.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "base/automation_error.h"

namespace svrZIVE::upgrade {
namespace {

namespace fs = std::filesystem;

void syncFolderOf(const std::string& file) {
  std::string folder = fs::path(file).parent_path().string();
  if (folder.empty()) folder = ".";
  int fd = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY);
  if (fd < 0) return;
  ::fsync(fd);
  ::close(fd);
}

[[noreturn]] void cannotWrite(const std::string& path, int error) {
  throw AutomationError(75, std::string(kRuntimeSource),
                        "Path/File access error: " + path + " (" + std::strerror(error) + ")");
}

}  // namespace

std::optional<int16_t> JournalEntry::positionOf(const std::string& field) const {
  for (const auto& [name, position] : positions)
    if (name == field) return position;
  return std::nullopt;
}

std::vector<PendingFill> StepJournal::fills() const {
  std::ifstream in(path_);
  std::vector<PendingFill> out;
  std::string line;
  while (std::getline(in, line)) {
    std::istringstream words(line);
    std::string kind;
    PendingFill fill;
    if (words >> kind >> fill.step >> fill.table && kind == "fill" && std::getline(words >> std::ws, fill.statement))
      out.push_back(std::move(fill));
  }
  return out;
}

std::optional<JournalEntry> StepJournal::pending() const {
  std::ifstream in(path_);
  if (!in) return std::nullopt;
  JournalEntry entry;
  std::string line;
  while (std::getline(in, line)) {
    std::istringstream words(line);
    std::string kind;
    words >> kind;
    if (kind == "step") {
      words >> entry.step;
    } else if (kind == "position") {
      std::string field;
      int position = 0;
      if (words >> field >> position) entry.positions.emplace_back(field, static_cast<int16_t>(position));
    }
  }
  if (entry.step.empty()) return std::nullopt;
  return entry;
}

void StepJournal::begin(const JournalEntry& entry, const std::vector<PendingFill>& fills) const {
  std::string text = "step " + entry.step + "\n";
  for (const auto& [field, position] : entry.positions)
    text += "position " + field + " " + std::to_string(position) + "\n";
  write(text, fills);
}

void StepJournal::keep(const std::vector<PendingFill>& fills) const {
  if (fills.empty()) return end();
  write("", fills);
}

void StepJournal::write(std::string text, const std::vector<PendingFill>& fills) const {
  for (const auto& fill : fills) text += "fill " + fill.step + " " + fill.table + " " + fill.statement + "\n";
  std::string temporary = path_ + ".tmp";
  int fd = ::open(temporary.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
  if (fd < 0) cannotWrite(temporary, errno);
  const char* data = text.data();
  size_t left = text.size();
  while (left > 0) {
    ssize_t n = ::write(fd, data, left);
    if (n < 0) {
      if (errno == EINTR) continue;
      int error = errno;
      ::close(fd);
      ::unlink(temporary.c_str());
      cannotWrite(temporary, error);
    }
    data += n;
    left -= size_t(n);
  }
  int synced = ::fsync(fd);
  int error = errno;
  if (::close(fd) != 0 && synced == 0) {
    synced = -1;
    error = errno;
  }
  if (synced != 0) {
    ::unlink(temporary.c_str());
    cannotWrite(temporary, error);
  }
  if (::rename(temporary.c_str(), path_.c_str()) != 0) {
    int error = errno;
    ::unlink(temporary.c_str());
    cannotWrite(path_, error);
  }
  syncFolderOf(path_);
}

void StepJournal::end() const noexcept {
  if (::unlink(path_.c_str()) == 0) syncFolderOf(path_);
}

}  // namespace svrZIVE::upgrade
