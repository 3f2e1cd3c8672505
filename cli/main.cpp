// vantrel-cli: the drawing reader and renderer without a window, for
// debugging, scripting and checking the reader from outside.
#include <cstdio>
#include <cstring>
#include <exception>
#include <string>

#include "app/MemoryTuning.h"
#include "cli/Commands.h"
#include "model/SilentAbort.h"

namespace {

struct Command {
  const char* name;
  int (*run)(const vantrel::cli::Args&);
  const char* usage;
};

const Command kCommands[] = {
    {"probe", vantrel::cli::RunProbe, "probe FILE...            signature, version, code page, labels"},
    {"dump", vantrel::cli::RunDump, "dump FILE [--json] [--stage flat]  the model after reading (or after the passes)"},
    {"render", vantrel::cli::RunRender, "render FILE -o OUT.png   the drawing as a picture (--size WxH --mode --background --pen)"},
    {"thumbs", vantrel::cli::RunThumbs, "thumbs FOLDER [-o OUTDIR] the list images of a folder (--size 200x160 --write-cache)"},
    {"thumbnail", vantrel::cli::RunThumbnail, "thumbnail -s SIZE IN OUT one PNG thumbnail for file managers"},
};

void PrintUsage() {
  std::fputs("usage: vantrel-cli COMMAND ARGS...\n", stderr);
  for (const Command& c : kCommands) std::fprintf(stderr, "  %s\n", c.usage);
}

}  // namespace

int main(int argc, char** argv) {
  vantrel::KeepFreedMemoryForReuse();
  if (argc < 2) {
    PrintUsage();
    return 2;
  }
  for (const Command& c : kCommands) {
    if (std::strcmp(argv[1], c.name) != 0) continue;
    vantrel::cli::Args args(argv + 2, argv + argc);
    try {
      return c.run(args);
    } catch (const vantrel::SilentAbort&) {
      return 1;
    } catch (const std::exception& e) {
      std::fprintf(stderr, "vantrel-cli %s: %s\n", c.name, e.what());
      return 1;
    }
  }
  PrintUsage();
  return 2;
}
