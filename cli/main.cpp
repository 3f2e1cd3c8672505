// vantrel-cli: the drawing reader and renderer without a window, for
// debugging, scripting, checking the reader from outside and file managers'
// thumbnails.
#include <cstdio>
#include <exception>
#include <string>

#include "app/MemoryTuning.h"
#include "cli/CliSupport.h"
#include "cli/Commands.h"
#include "model/FileNames.h"
#include "model/SilentAbort.h"

namespace vantrel::cli {

namespace {

struct Command {
  const char* name;
  int (*run)(const Args&);
  const char* usage;
  const char* summary;
  const char* help;
};

const Command kCommands[] = {
    {"probe", RunProbe, "probe [--] FILE...", "what the file list learns about each file",
     "One line per file: its name and the tab-separated fields signature=,\n"
     "version=, codepage=, label=, format= and, for a DWG file, preview= (WxH,\n"
     "none or unreadable). Control characters are written as C escapes.\n"
     "Exit status 1 when a file cannot be read.\n"},
    {"dump", RunDump, "dump [--json] [--stage read|flat] [--] FILE", "the drawing model after reading",
     "The model as the reader leaves it (--stage read, the default) or as the\n"
     "viewer draws it (--stage flat): header values and table counts, one\n"
     "\"key: value\" line each, or with --json one JSON object. A DWG or binary\n"
     "DXF file is read from its converted copy. Exit status 1 when the file\n"
     "cannot be read, or was read only up to a bad value.\n"},
    {"render", RunRender,
     "render -o OUT.png|.bmp|.emf|.wmf|.pdf|.svg [--size WxH] [--mode color|mono|invert]\n"
     "         [--background black|white|#RRGGBB] [--pen N] [-q] [--] FILE",
     "the drawing as a picture",
     "Draws the drawing as the detail view does, fitted into the picture.\n"
     "  -o OUT          the picture, .png or .bmp, or as the image export\n"
     "                  makes it: .emf, .wmf, or .pdf and .svg from the same\n"
     "                  drawing calls\n"
     "  --size WxH      its size in pixels (1024x768)\n"
     "  --mode M        color, mono or invert (color)\n"
     "  --background C  black, white or #RRGGBB (black)\n"
     "  --pen N         pen width in pixels, 0 to 100 (1)\n"
     "  -q, --quiet     print nothing on success\n"
     "Prints \"OUT: N entities drawn (VERSION)\". A picture in which nothing was\n"
     "drawn is written all the same, with a note on stderr.\n"},
    {"thumbs", RunThumbs, "thumbs [-o OUTDIR] [--size WxH] [--write-cache] [--threads N] [--] FOLDER",
     "the list images of a folder",
     "The list images of a folder's drawings as the thumbnail grid makes them,\n"
     "one line per drawing: its name and the fields version=, format=,\n"
     "codepage= and image= (control characters written as C escapes).\n"
     "  -o OUTDIR       writes NAME.png there for each drawing (the current\n"
     "                  folder unless --write-cache is given)\n"
     "  --size WxH      the image size (200x160)\n"
     "  --write-cache   writes the cache files the viewer reads, NAME_DXF.bmp or\n"
     "                  NAME_DWG.bmp beside the drawings, where there are none\n"
     "  --threads N     worker threads, 1 to 256 (one per core)\n"
     "Exit status 1 when a drawing gave no image or a file could not be\n"
     "written; each has a line on stderr saying why.\n"},
    {"thumbnail", RunThumbnail, "thumbnail -s SIZE [--] INPUT OUTPUT", "one PNG thumbnail for file managers",
     "One PNG of at most SIZE pixels a side (1 to 4096), as vantrel.thumbnailer\n"
     "asks for it. INPUT is a path or a file:// URI. A DWG file without a stored\n"
     "preview and a binary DXF file are drawn through the converter. When there\n"
     "is no picture, nothing is written, one line on stderr says why and the\n"
     "exit status is 1.\n"},
    {"versions", RunVersions, "versions [--] FOLDER", "the release of every drawing of a folder",
     "One line per drawing as the file list has it: its name and the fields\n"
     "version= and format= that the viewer's \"DXF/DWG バージョン 取得\" writes.\n"},
    {"codepages", RunCodePages, "codepages [--] FOLDER", "the $DWGCODEPAGE of every DXF file of a folder",
     "One line per drawing: its name and codepage=, as the viewer's\n"
     "\"DXF DwgCodePage 取得\" fills the list.\n"},
    {"set-codepage", RunSetCodePage, "set-codepage --yes [--] FOLDER", "$DWGCODEPAGE set to ANSI_932",
     "Rewrites the $DWGCODEPAGE value of every DXF file of the folder to\n"
     "ANSI_932, as the viewer's \"DXF DwgCodePage を ANSI_932 に\" does: only that\n"
     "line changes (and line ends become CR LF); each file is replaced through\n"
     "a temporary file, and read-only files are left alone. --yes is required.\n"
     "Prints the count, then one line per drawing with its codepage=. Exit\n"
     "status 1 when a file could not be read or written.\n"},
};

const Command* FindCommand(const std::string& name) {
  for (const Command& c : kCommands)
    if (name == c.name) return &c;
  return nullptr;
}

void PrintUsage(std::FILE* out) {
  std::fputs("usage: vantrel-cli COMMAND [OPTIONS] [--] ARGS...\n"
             "       vantrel-cli COMMAND --help\n"
             "       vantrel-cli --help | --version\n\ncommands:\n",
             out);
  for (const Command& c : kCommands) std::fprintf(out, "  %-10s %s\n", c.name, c.summary);
}

void PrintCommandHelp(const Command& c) {
  std::printf("usage: vantrel-cli %s\n%s", c.usage, c.help);
}

// --help or -h before any "--" asks for the command's help.
bool AsksForHelp(const Args& args) {
  for (const std::string& a : args) {
    if (a == "--") return false;
    if (a == "--help" || a == "-h") return true;
  }
  return false;
}

}  // namespace

const char* CommandUsage(const std::string& command) {
  const Command* c = FindCommand(command);
  return c ? c->usage : nullptr;
}

}  // namespace vantrel::cli

int main(int argc, char** argv) {
  using namespace vantrel::cli;
  vantrel::KeepFreedMemoryForReuse();
  if (argc < 2) {
    PrintUsage(stderr);
    return 2;
  }
  const std::string first = argv[1];
  if (first == "--help" || first == "-h" || first == "help") {
    const Command* c = argc > 2 ? FindCommand(argv[2]) : nullptr;
    if (argc > 2 && !c) {
      std::fprintf(stderr, "vantrel-cli: unknown command: %s\n", Printable(vantrel::PathText(argv[2])).c_str());
      PrintUsage(stderr);
      return 2;
    }
    if (c)
      PrintCommandHelp(*c);
    else
      PrintUsage(stdout);
    return 0;
  }
  if (first == "--version") {
    std::printf("vantrel-cli %s\n", VANTREL_VERSION);
    return 0;
  }
  const Command* c = FindCommand(first);
  if (!c) {
    std::fprintf(stderr, "vantrel-cli: unknown %s: %s\n", first[0] == '-' ? "option" : "command",
                 Printable(vantrel::PathText(first)).c_str());
    PrintUsage(stderr);
    return 2;
  }
  const Args args(argv + 2, argv + argc);
  if (AsksForHelp(args)) {
    PrintCommandHelp(*c);
    return 0;
  }
  try {
    return c->run(args);
  } catch (const vantrel::SilentAbort&) {
    return 1;
  } catch (const std::exception& e) {
    std::fprintf(stderr, "vantrel-cli %s: %s\n", c->name, e.what());
    return 1;
  }
}
