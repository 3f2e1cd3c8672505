#include "app/FolderTree.h"

#include <fcntl.h>
#include <stdio.h>
#include <sys/stat.h>

#include <QCollator>
#include <QString>

#include <algorithm>
#include <system_error>

#include "model/FileNames.h"
#include "model/TextCodec.h"

namespace vantrel {

namespace fs = std::filesystem;

namespace {

bool IsFolder(const fs::path& path) {
  struct stat st;
  return ::stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

bool Hidden(const fs::path& name) { return !name.native().empty() && name.native()[0] == '.'; }

}  // namespace

ShellFolder DesktopFolder() { return ShellFolder{{}, u"デスクトップ", true}; }

std::u16string FolderDisplayName(const fs::path& path) {
  if (path == path.root_path()) return PathText(path);
  fs::path name = path.filename();
  if (name.empty()) name = path.parent_path().filename();  // "/a/b/"
  return PathText(name);
}

std::optional<ShellFolder> FolderAt(const fs::path& path) {
  if (path.empty() || !IsFolder(path)) return std::nullopt;
  // "/data/" and "/data" are one folder, and renaming works on the latter.
  std::string clean = path.native();
  while (clean.size() > 1 && clean.back() == '/') clean.pop_back();
  return ShellFolder{clean, FolderDisplayName(clean), false};
}

std::optional<std::vector<ShellFolder>> ChildFolders(const ShellFolder& folder, const fs::path& home) {
  std::vector<ShellFolder> children;
  if (folder.desktop) {
    for (const fs::path& p : {home, fs::path("/")})
      if (auto f = FolderAt(p)) children.push_back(*f);
    SortFolders(children);
    return children;
  }
  std::error_code ec;
  fs::directory_iterator it(folder.path, ec);
  if (ec) return std::nullopt;
  for (; !ec && it != fs::directory_iterator(); it.increment(ec)) {
    const fs::path& p = it->path();
    if (Hidden(p.filename()) || !IsFolder(p)) continue;
    children.push_back(ShellFolder{p, PathText(p.filename()), false});
  }
  SortFolders(children);
  return children;
}

bool HasSubfolders(const ShellFolder& folder) {
  if (folder.desktop) return true;
  std::error_code ec;
  fs::directory_iterator it(folder.path, ec);
  for (; !ec && it != fs::directory_iterator(); it.increment(ec)) {
    // d_type answers without a stat for most entries; links and unknown
    // types are looked at.
    const fs::path& p = it->path();
    if (Hidden(p.filename())) continue;
    std::error_code typeEc;
    if (it->is_directory(typeEc)) return true;
  }
  return false;
}

namespace {

bool IsDigit(QChar c) { return c >= u'0' && c <= u'9'; }

// As file managers order names: runs of digits by their value ("folder9"
// before "folder10"), the rest by the collator, case folded.
int CompareNames(const QString& a, const QString& b, const QCollator& collator) {
  qsizetype i = 0, j = 0;
  while (i < a.size() && j < b.size()) {
    const bool da = IsDigit(a[i]), db = IsDigit(b[j]);
    qsizetype ie = i, je = j;
    while (ie < a.size() && IsDigit(a[ie]) == da) ++ie;
    while (je < b.size() && IsDigit(b[je]) == db) ++je;
    const QStringView ra = QStringView(a).mid(i, ie - i), rb = QStringView(b).mid(j, je - j);
    int c = 0;
    if (da && db) {
      QStringView va = ra, vb = rb;
      while (va.size() > 1 && va[0] == u'0') va = va.mid(1);
      while (vb.size() > 1 && vb[0] == u'0') vb = vb.mid(1);
      c = va.size() != vb.size() ? (va.size() < vb.size() ? -1 : 1) : va.compare(vb);
    } else {
      c = collator.compare(ra, rb);
    }
    if (c != 0) return c;
    i = ie;
    j = je;
  }
  return (a.size() - i) < (b.size() - j) ? -1 : (a.size() - i) > (b.size() - j) ? 1 : 0;
}

}  // namespace

void SortFolders(std::vector<ShellFolder>& folders) {
  QCollator collator;
  collator.setCaseSensitivity(Qt::CaseInsensitive);
  std::vector<std::pair<QString, ShellFolder>> keyed;
  for (ShellFolder& f : folders) keyed.emplace_back(QString::fromStdU16String(f.name).toCaseFolded(), std::move(f));
  std::stable_sort(keyed.begin(), keyed.end(),
                   [&](const auto& x, const auto& y) { return CompareNames(x.first, y.first, collator) < 0; });
  for (std::size_t k = 0; k < keyed.size(); ++k) folders[k] = std::move(keyed[k].second);
}

std::optional<fs::path> RenameFolder(const fs::path& folder, const std::u16string& newName) {
  const std::string name = U16ToUtf8(newName);
  if (name.empty() || name == "." || name == ".." || name.find('/') != std::string::npos ||
      name.find('\0') != std::string::npos)
    return std::nullopt;
  const fs::path target = folder.parent_path() / name;
  if (target == folder) return folder;
  // RENAME_NOREPLACE: a folder or file already bearing the name stays as it
  // is, with no window between a check and the rename.
  if (::renameat2(AT_FDCWD, folder.c_str(), AT_FDCWD, target.c_str(), RENAME_NOREPLACE) != 0)
    return std::nullopt;
  return target;
}

}  // namespace vantrel
