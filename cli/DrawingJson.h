// The drawing model as text for `vantrel-cli dump`: the table counts, and
// one JSON object holding the header values and every record of every table
// with its fields under their model names. Strings are UTF-8; reals are the
// shortest text that reads back to the same double (non-finite ones, which
// JSON cannot hold, are null).
#pragma once

#include <cstdio>
#include <string>
#include <utility>
#include <vector>

#include "model/AcadDxfUnit.h"

namespace vantrel::cli {

// Every table by its model name with its record count, in model order.
std::vector<std::pair<const char*, std::size_t>> TableCounts(const Drawing& d);

struct JsonOptions {
  // PenColor (packed 0x00BBGGRR integer), PenStyle (by name) and layindex;
  // they mean something only after the pen pass.
  bool withPens = false;
};

// Writes the object to out, one record a line.
void WriteDrawingJson(std::FILE* out, const Drawing& d, const std::u16string& Status,
                      const std::u16string& Version, const JsonOptions& options);
// The same text in memory.
std::string DrawingJson(const Drawing& d, const std::u16string& Status,
                        const std::u16string& Version, const JsonOptions& options);

}  // namespace vantrel::cli
