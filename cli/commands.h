// The subcommands of `zive`. Each takes the arguments after its name and
// returns the process exit status.
#pragma once

#include <string>
#include <vector>

namespace svrZIVE::cli {

using Arguments = std::vector<std::string>;

int runSql(const Arguments& args);
int runClasses(const Arguments& args);
int runCall(const Arguments& args);
int runInit(const Arguments& args);
int runUpgrade(const Arguments& args);
int runDemo(const Arguments& args);
int runImportMdb(const Arguments& args);
int runLink(const Arguments& args);

}  // namespace svrZIVE::cli
