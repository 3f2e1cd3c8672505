// Running the external DWG converter: a separate program that turns a DWG or
// binary DXF file into a text DXF in the work folder. Its command line is
// that of the converters this program has always driven, so any of them can
// be registered in place of the bundled one.
#pragma once

#include <filesystem>
#include <functional>
#include <string>
#include <vector>

#include "model/Feedback.h"

namespace vantrel {

// The two converter options of the settings file (Teigha/ExePath and
// Teigha/Show).
struct ConverterSettings {
  // The registered converter; empty when none is registered, and then the
  // bundled one is used.
  std::filesystem::path TeighaExePath;
  // Whether the converter's own output is shown while it runs (it goes to
  // this program's terminal); otherwise it is discarded.
  bool ShowConverter = false;
};

// tools/dwg2dxf/dwg2dxf as installed beside the program (PREFIX/bin/x finds
// PREFIX/share/vantrel/dwg2dxf/dwg2dxf), or, for a program that runs from
// the build folder it was built in, in the source tree that build was
// configured from; empty when neither exists. Nowhere else: a converter
// found by looking through parent folders could be anybody's program.
std::filesystem::path BundledConverterPath();
std::filesystem::path BundledConverterPathFrom(const std::filesystem::path& executable,
                                               const std::filesystem::path& buildTree,
                                               const std::filesystem::path& sourceTree);

// The registered converter when there is one, else the bundled one (possibly
// empty). Callers convert only when the result names an existing file.
std::filesystem::path ConverterToUse(const ConverterSettings& settings);

// The seven arguments: input folder, output folder, "ACAD2000", "DXF", "0"
// (no recursion), "0" (no audit) and the file name as the input filter.
// Folders carry no trailing separator except the root itself.
std::vector<std::string> ConverterArguments(const std::filesystem::path& SourcePath,
                                            const std::filesystem::path& OutputFolder);

// Runs ExePath with the arguments above, each passed as an argument of its
// own (no shell, so no name can be misquoted), and waits for the converter
// to end while letting pump run every millisecond. OutputFolder is the
// folder of TempDxfPath for SourcePath; it is created when missing. Show is
// ConverterSettings::ShowConverter.
//
// False when the converter cannot be started (also when it is a script whose
// interpreter is missing: exit status 126 or 127), after reporting
// "起動に失敗しました．" with the caption "エラー"; true otherwise, whatever
// the converter did: the caller looks for the converted file.
// When closing says true the wait ends at once with true. A SilentAbort from
// the pump stops the converter and passes on. Either way the converter is
// stopped, so it never writes into the work folder behind the caller's back.
//
// lastErrorLine, when given and the output is not shown, receives the
// converter's own account of what it did: the last line it wrote to its
// standard error (or why it could not be started), empty when none.
bool DwgToDxf(const std::filesystem::path& ExePath, const std::filesystem::path& SourcePath,
              const std::filesystem::path& OutputFolder, EventPump& pump, Reporter& reporter,
              bool Show = false, const std::function<bool()>& closing = {},
              std::string* lastErrorLine = nullptr);

}  // namespace vantrel
