#include "app/FolderScan.h"

#include <sys/stat.h>

#include <QCollator>
#include <QDateTime>
#include <QString>

#include <algorithm>
#include <system_error>

#include "model/FileNames.h"
#include "model/TextCodec.h"

namespace vantrel {

namespace fs = std::filesystem;

std::vector<FolderEntry> ScanDrawingFolder(const fs::path& folder, const std::function<void(int)>& visit,
                                           bool* anyCandidate) {
  std::vector<FolderEntry> found;
  if (anyCandidate) *anyCandidate = false;
  std::error_code ec;
  fs::directory_iterator it(folder, ec);
  for (; !ec && it != fs::directory_iterator(); it.increment(ec)) {
    if (visit) visit(static_cast<int>(found.size()));
    const fs::path& path = it->path();
    const std::string ext = UpperExtension(path);
    // The search mask of the original: an extension of "d" and up to two
    // more characters.
    if (anyCandidate && ext.size() >= 2 && ext.size() <= 4 && ext[1] == 'D') *anyCandidate = true;
    if (ext != ".DXF" && ext != ".DWG") continue;
    // stat follows links, so a link to a drawing is listed and a folder or
    // device named like one is not.
    struct stat st;
    if (::stat(path.c_str(), &st) != 0 || !S_ISREG(st.st_mode)) continue;
    FolderEntry e;
    e.name = path.filename();
    e.text = PathText(e.name);
    e.size = static_cast<std::uint64_t>(st.st_size);
    e.time = st.st_mtime;
    found.push_back(std::move(e));
  }
  SortForList(found);
  return found;
}

void SortForList(std::vector<FolderEntry>& entries) {
  // The user's locale orders; case is folded first, because collators of
  // some locales (the C locale among them) would still tell case apart.
  QCollator collator;
  collator.setCaseSensitivity(Qt::CaseInsensitive);
  std::vector<std::pair<QCollatorSortKey, std::size_t>> keys;
  keys.reserve(entries.size());
  for (std::size_t i = 0; i < entries.size(); ++i)
    keys.emplace_back(collator.sortKey(QString::fromStdU16String(entries[i].text).toCaseFolded()), i);
  // Names the collator holds equal (a.dxf and A.DXF side by side) keep one
  // fixed order, by their bytes.
  std::sort(keys.begin(), keys.end(), [&](const auto& a, const auto& b) {
    const int c = a.first.compare(b.first);
    if (c != 0) return c < 0;
    return entries[a.second].name.native() < entries[b.second].name.native();
  });
  std::vector<FolderEntry> sorted;
  sorted.reserve(entries.size());
  for (const auto& k : keys) sorted.push_back(std::move(entries[k.second]));
  entries = std::move(sorted);
}

std::u16string SizeText(std::uint64_t size) {
  return DecimalText(static_cast<long long>(size / 1024)) + u"KB";
}

std::u16string TimeText(std::time_t time) {
  return QDateTime::fromSecsSinceEpoch(time).toString(QStringLiteral("yyyy/MM/dd hh:mm")).toStdU16String();
}

}  // namespace vantrel
