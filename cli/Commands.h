// The sub-commands of vantrel-cli. Each takes the arguments after its name
// and returns the process exit code.
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

}  // namespace vantrel::cli
