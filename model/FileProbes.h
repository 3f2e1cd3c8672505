// Cheap looks into a drawing file before it is read: its first bytes, the
// $ACADVER and $DWGCODEPAGE of a DXF header, and the release labels.
#pragma once

#include <filesystem>
#include <string>

namespace vantrel {

bool ReadFileSignature(const std::filesystem::path& FileName, std::u16string& Signature);
bool ReadAcadVer(const std::filesystem::path& FileName, std::u16string& Version);
bool ReadDwgCodePage(const std::filesystem::path& FileName, std::u16string& CodePage);
std::u16string DwgVersionLabel(const std::u16string& Version);
std::u16string DxfVersionLabel(const std::u16string& Version);

// A head the text reader cannot take: six characters beginning "AC1" (a DWG
// file) or containing "Auto" (a binary DXF).
bool IsForeignHead(const std::u16string& Signature);

}  // namespace vantrel
