// A database link file: a small text file at the path a database is named
// by, whose first line marks it as a link and whose second line is the libpq
// connection string (or URI) of the database server that holds the
// database. The password is never in the file: libpq takes it from
// PGPASSWORD, PGPASSFILE or ~/.pgpass.
#pragma once

#include <optional>
#include <string>

namespace svrZIVE::engine {

inline constexpr const char* kLinkMark = "svrZIVE-link 1";

// The connection string of the link file at `path`; nothing when there is no
// file there or it is no link file.
std::optional<std::string> linkTarget(const std::string& path);

// Writes a link file at `path` to the server named by `connection` (3204
// when a file is there already; 3051 when it cannot be written; 3001 when
// the connection string holds a password or a line break).
void writeLinkFile(const std::string& path, const std::string& connection);

// `connection` (a key=value string or a URI) with `key` set to `value`, as
// a key=value string; `connection` itself when libpq cannot read it (the
// connection then fails with libpq's own message).
std::string withConnectionSetting(const std::string& connection, const std::string& key, const std::string& value);

// Undoes the making of the database the link file at `path` names, when it
// did not complete: every table of ours there, the catalog and our
// sequences, functions and collation go, in one transaction, then the link
// file. Nothing else on the server is touched. Raises when the server cannot
// be reached (the link file is then kept).
void removeLinkedDatabase(const std::string& path);

}  // namespace svrZIVE::engine
