// The sub-commands of vantrel-cli. Each takes the arguments after its name
// and returns the process exit status: 0 done, 1 failed, 2 a usage error.
#pragma once

#include <string>
#include <vector>

namespace vantrel::cli {

using Args = std::vector<std::string>;

int RunProbe(const Args& args);
int RunDump(const Args& args);
int RunRender(const Args& args);
int RunThumbs(const Args& args);
int RunThumbnail(const Args& args);
int RunVersions(const Args& args);
int RunCodePages(const Args& args);
int RunSetCodePage(const Args& args);

// The command's synopsis after "vantrel-cli ", null for no such command.
const char* CommandUsage(const std::string& command);

}  // namespace vantrel::cli
