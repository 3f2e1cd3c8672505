// Drawing file names as the tools of the original platform see them: the
// extension runs from the last dot of the name on, so "plan" has none and
// ".dxf" alone is all extension. Only ASCII letters change case, so a name
// in any encoding keeps its bytes.
#pragma once

#include <filesystem>
#include <string>

namespace vantrel {

std::string UpperAscii(std::string s);

// ".DXF" for "plan.dxf"; empty when the name has no dot.
std::string UpperExtension(const std::filesystem::path& file);

// The file name up to its extension: "plan" for "/d/plan.dxf".
std::string NameWithoutExtension(const std::filesystem::path& file);

// A name or path as the user reads it. File names are bytes; archives made
// on Japanese systems unpack with names in code page 932, which are shown
// decoded from it when the bytes are not UTF-8 (U+FFFD for what neither
// decodes). The path itself, not this text, is what opens the file.
std::u16string PathText(const std::filesystem::path& path);

}  // namespace vantrel
