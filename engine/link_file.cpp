#include "engine/link_file.h"

#include <libpq-fe.h>

#include <fstream>
#include <filesystem>

#include "engine/pg_catalog.h"
#include "engine/storage.h"

namespace svrZIVE::engine {

std::optional<std::string> linkTarget(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  if (!in) return std::nullopt;
  char head[sizeof("svrZIVE-link 1")] = {};
  in.read(head, sizeof(head) - 1);
  if (std::string(head) != kLinkMark) return std::nullopt;
  std::string rest, line;
  std::getline(in, rest);  // the end of the first line
  if (!rest.empty() && rest != "\r") return std::nullopt;
  std::getline(in, line);
  while (!line.empty() && (line.back() == '\r' || line.back() == ' ')) line.pop_back();
  return line;
}

void writeLinkFile(const std::string& path, const std::string& connection) {
  constexpr std::string_view kSrc = detail::kSrcDatabase;
  const std::string lower = detail::lowerAscii(connection);
  if (connection.empty() || connection.find_first_of("\r\n") != std::string::npos ||
      lower.find("password") != std::string::npos)
    detail::raise(kInvalidArgument, kSrc,
                  "The connection string of a link file names the server and the database, never a password "
                  "(libpq takes it from PGPASSWORD, PGPASSFILE or ~/.pgpass), on one line.");
  // A URI's password is the part between ':' and '@' after "//".
  if (auto scheme = connection.find("://"); scheme != std::string::npos) {
    auto at = connection.find('@', scheme);
    auto colon = connection.find(':', scheme + 3);
    if (at != std::string::npos && colon != std::string::npos && colon < at)
      detail::raise(kInvalidArgument, kSrc,
                    "The connection URI of a link file must not hold a password (libpq takes it from "
                    "PGPASSWORD, PGPASSFILE or ~/.pgpass).");
  }
  std::error_code ec;
  if (std::filesystem::exists(path, ec)) detail::raiseJet(kDatabaseExists, kSrc, path);
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out << kLinkMark << "\n" << connection << "\n";
  out.close();
  if (!out) detail::raiseJet(kCannotOpenFile, kSrc, path);
}

void removeLinkedDatabase(const std::string& path) {
  if (!linkTarget(path)) return;
  detail::PgConnection connection;
  connection.open(path, false, false, detail::kSrcDatabase);
  detail::PgCatalogStore(connection).removeAll();
  connection.close();
  std::error_code ec;
  std::filesystem::remove(path, ec);
}

std::string withConnectionSetting(const std::string& connection, const std::string& key, const std::string& value) {
  PQconninfoOption* options = PQconninfoParse(connection.c_str(), nullptr);
  if (options == nullptr) return connection;
  auto quoted = [](const std::string& text) {
    std::string out = "'";
    for (char c : text) out += (c == '\\' || c == '\'' ? std::string("\\") + c : std::string(1, c));
    return out + "'";
  };
  std::string out;
  for (PQconninfoOption* o = options; o->keyword != nullptr; ++o)
    if (o->val != nullptr && key != o->keyword) out += std::string(o->keyword) + "=" + quoted(o->val) + " ";
  PQconninfoFree(options);
  return out + key + "=" + quoted(value);
}

}  // namespace svrZIVE::engine
