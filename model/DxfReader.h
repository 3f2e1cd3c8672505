// Reading a text DXF file with the encoding its release implies.
#pragma once

#include <filesystem>
#include <string>

#include "model/AcadDxfUnit.h"

namespace vantrel {

class ProgressSink;
class Reporter;

// The encoding choice every caller of ReadDxf makes: the file's own $ACADVER
// (as the probe finds it) picks code page 932 before AC1021 and UTF-8 from
// then on. Status and Version are those of ReadDxf.
void ReadDxfInFileEncoding(Drawing& d, const std::filesystem::path& FileName,
                           ProgressSink& ProgressBar, Reporter& OwnerWindow,
                           std::u16string& Status, std::u16string& Version);

}  // namespace vantrel
