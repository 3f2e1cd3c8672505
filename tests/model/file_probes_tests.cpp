// Guards against wrong or mis-decoded file heads, header scans that read past BLOCKS/ENTITIES or
// trip over binary files, wrong release label texts, and missing files reported as failures.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <fstream>
#include <map>
#include <sstream>

#include "model/FileProbes.h"
#include "support/TestSupport.h"

namespace vantrel {
namespace {

using test::TempDir;
using test::U16;
using test::WriteFile;

std::u16string SignatureOf(const TempDir& dir, const std::string& bytes) {
  WriteFile(dir / "f.bin", bytes);
  std::u16string sig = u"stale";
  EXPECT_TRUE(ReadFileSignature(dir / "f.bin", sig));
  return sig;
}

TEST(FileSignature, TakesSixCharactersUpToTheFirstZeroByte) {
  TempDir dir;
  EXPECT_EQ(SignatureOf(dir, std::string("AC1032\0\0\0\x1f", 10)), u"AC1032");
  EXPECT_EQ(SignatureOf(dir, "AutoCAD Binary DXF\r\n\x1a"), u"AutoCA");
  EXPECT_EQ(SignatureOf(dir, "AC1021"), u"AC1021");  // exactly six bytes are enough
  EXPECT_EQ(SignatureOf(dir, "AC101"), u"");         // five are not
  EXPECT_EQ(SignatureOf(dir, ""), u"");
  EXPECT_EQ(SignatureOf(dir, std::string("AC\0" "1015", 7)), u"AC");
  EXPECT_EQ(SignatureOf(dir, "  0\r\nSECTION\r\n"), u"  0\r\nS");
  // The head is decoded as code page 932, so a Japanese name survives.
  EXPECT_EQ(SignatureOf(dir, "\x90\x7d\x96\xca" "ab"), U16("図面ab"));
}

TEST(FileSignature, MissingFileIsNoFailureButAFolderIs) {
  TempDir dir;
  std::u16string sig = u"stale";
  EXPECT_TRUE(ReadFileSignature(dir / "absent.dwg", sig));
  EXPECT_EQ(sig, u"");
  sig = u"stale";
  EXPECT_FALSE(ReadFileSignature(dir.path(), sig));
  EXPECT_EQ(sig, u"");
  // A pipe under a drawing's name fails at once instead of waiting for a
  // writer that never comes.
  ASSERT_EQ(::mkfifo((dir / "pipe.dxf").c_str(), 0600), 0);
  EXPECT_FALSE(ReadFileSignature(dir / "pipe.dxf", sig));
  std::u16string v;
  EXPECT_FALSE(ReadAcadVer(dir / "pipe.dxf", v));
}

struct Scan {
  bool ok;
  std::u16string version;
  std::u16string codePage;
};

Scan ScanText(const TempDir& dir, const std::string& text) {
  const auto file = dir / "scan.dxf";
  WriteFile(file, text);
  Scan s{true, u"stale", u"stale"};
  s.ok = ReadAcadVer(file, s.version);
  s.ok = ReadDwgCodePage(file, s.codePage) && s.ok;
  return s;
}

const std::string kHeader =
    "  0\r\nSECTION\r\n  2\r\nHEADER\r\n  9\r\n$ACADVER\r\n  1\r\nAC1015\r\n"
    "  9\r\n$DWGCODEPAGE\r\n  3\r\nANSI_932\r\n  0\r\nENDSEC\r\n";

TEST(HeaderScan, FindsVersionAndCodePageInTheHeader) {
  TempDir dir;
  Scan s = ScanText(dir, kHeader + "  0\r\nEOF\r\n");
  EXPECT_TRUE(s.ok);
  EXPECT_EQ(s.version, u"AC1015");
  EXPECT_EQ(s.codePage, u"ANSI_932");

  // LF-only lines, trailing blanks and tabs, a UTF-8 byte-order mark.
  s = ScanText(dir, "\xEF\xBB\xBF" "0\nSECTION\n2\nHEADER \n9\n$ACADVER\t\n1\n AC1032 \n");
  EXPECT_EQ(s.version, u"AC1032");
  EXPECT_EQ(s.codePage, u"");
  // CR-only lines, as old Mac writers left them.
  s = ScanText(dir, "0\rSECTION\r2\rHEADER\r9\r$DWGCODEPAGE\r3\rdos932\r");
  EXPECT_EQ(s.codePage, u"dos932");
}

TEST(HeaderScan, GivesUpAtBlocksOrEntitiesAndOutsideTheHeader) {
  TempDir dir;
  // The variable after a BLOCKS section is never reached.
  Scan s = ScanText(dir,
                    "0\nSECTION\n2\nBLOCKS\n0\nENDSEC\n0\nSECTION\n2\nHEADER\n9\n$ACADVER\n1\nAC1015\n");
  EXPECT_TRUE(s.ok);
  EXPECT_EQ(s.version, u"");
  s = ScanText(dir, "0\nSECTION\n2\nENTITIES\n9\n$ACADVER\n1\nAC1015\n");
  EXPECT_EQ(s.version, u"");
  // Before a HEADER section the name is only a value.
  s = ScanText(dir, "0\nSECTION\n2\nTABLES\n9\n$ACADVER\n1\nAC1015\n");
  EXPECT_EQ(s.version, u"");
  // The name matches whatever group it sits in, but the value must be in group 1 (3).
  s = ScanText(dir, "0\nSECTION\n2\nHEADER\n1\n$ACADVER\n1\nAC1018\n");
  EXPECT_EQ(s.version, u"AC1018");
  s = ScanText(dir, "0\nSECTION\n2\nHEADER\n9\n$ACADVER\n3\nAC1018\n9\n$ACADVER\n1\nAC1015\n");
  EXPECT_EQ(s.version, u"");
  s = ScanText(dir, "0\nSECTION\n2\nHEADER\n9\n$DWGCODEPAGE\n1\nANSI_932\n");
  EXPECT_EQ(s.codePage, u"");
}

TEST(HeaderScan, StopsQuietlyOnWhatIsNotAPairOfLines) {
  TempDir dir;
  // A code line that is not an integer ends the scan.
  Scan s = ScanText(dir, "0\nSECTION\n2\nHEADER\nx9\n$ACADVER\n1\nAC1015\n");
  EXPECT_TRUE(s.ok);
  EXPECT_EQ(s.version, u"");
  s = ScanText(dir, std::string("AutoCAD Binary DXF\r\n\x1a\0\0\0SECTION\0\x02HEADER\0", 40));
  EXPECT_TRUE(s.ok);
  EXPECT_EQ(s.version, u"");
  // The file ends right after the name.
  s = ScanText(dir, "0\nSECTION\n2\nHEADER\n9\n$ACADVER");
  EXPECT_EQ(s.version, u"");
  // No line end for far longer than any DXF line: a binary file, not a hang.
  s = ScanText(dir, std::string(300000, 'A'));
  EXPECT_TRUE(s.ok);
  EXPECT_EQ(s.version, u"");
  s = ScanText(dir, "");
  EXPECT_TRUE(s.ok);
  EXPECT_EQ(s.version, u"");
}

TEST(HeaderScan, VariableFarIntoTheFileIsStillFound) {
  TempDir dir;
  // Past the first read block, with lines split across block ends.
  std::string text = "0\r\nSECTION\r\n2\r\nHEADER\r\n";
  for (int i = 0; i < 20000; ++i) text += "9\r\n$V" + std::to_string(i) + "\r\n70\r\n1\r\n";
  text += "9\r\n$ACADVER\r\n1\r\nAC1024\r\n";
  ASSERT_GT(text.size(), 200000u);
  EXPECT_EQ(ScanText(dir, text).version, u"AC1024");
}

TEST(HeaderScan, MissingFileIsNoFailureButAFolderIs) {
  TempDir dir;
  std::u16string v = u"stale";
  EXPECT_TRUE(ReadAcadVer(dir / "absent.dxf", v));
  EXPECT_EQ(v, u"");
  v = u"stale";
  EXPECT_TRUE(ReadDwgCodePage(dir / "absent.dxf", v));
  EXPECT_EQ(v, u"");
  EXPECT_FALSE(ReadAcadVer(dir.path(), v));
  EXPECT_FALSE(ReadDwgCodePage(dir.path(), v));
}

TEST(VersionLabels, BothTablesWithTheirExactTexts) {
  const std::map<std::u16string, std::pair<std::u16string, std::u16string>> table = {
      {u"AC1004", {u"EX-\u2161", u"EX-?"}}, {u"AC1005", {u"GX-\u2162", u"GX-?"}},
      {u"AC1006", {u"GX-5", u"GX-3"}},      {u"AC1009", {u"R12J", u"GX-5/R12J"}},
      {u"AC1012", {u"R13J", u"R13J"}},      {u"AC1013", {u"R14", u"R14"}},
      {u"AC1014", {u"R14", u"R14"}},        {u"AC1015", {u"2000", u"2000"}},
      {u"AC1018", {u"2004", u"2004"}},      {u"AC1021", {u"2007", u"2007"}},
      {u"AC1024", {u"2010", u"2010"}},      {u"AC1027", {u"2013", u"2013"}},
      {u"AC1032", {u"2018", u"2018"}},
  };
  for (const auto& [version, labels] : table) {
    EXPECT_EQ(DwgVersionLabel(version), labels.first) << test::U8(version);
    EXPECT_EQ(DxfVersionLabel(version), labels.second) << test::U8(version);
  }
  // Unknown versions pass through; only the DXF table names an empty one.
  EXPECT_EQ(DwgVersionLabel(u"AC1099"), u"AC1099");
  EXPECT_EQ(DxfVersionLabel(u"AC1099"), u"AC1099");
  EXPECT_EQ(DwgVersionLabel(u""), u"");
  EXPECT_EQ(DxfVersionLabel(u""), u"----");
  EXPECT_EQ(DxfVersionLabel(u"ac1015"), u"ac1015");  // exact comparison
  EXPECT_EQ(DxfVersionLabel(u"AutoCA"), u"AutoCA");
}

// MANIFEST.tsv names each real file's $ACADVER (or DWG magic), "(none)" when it has none.
std::map<std::string, std::string> ManifestVersions(const std::filesystem::path& corpus) {
  std::map<std::string, std::string> out;
  std::ifstream in(corpus / "MANIFEST.tsv");
  std::string line;
  std::getline(in, line);
  while (std::getline(in, line)) {
    std::istringstream fields(line);
    std::string file, repo, path, licence, version;
    if (std::getline(fields, file, '\t') && std::getline(fields, repo, '\t') &&
        std::getline(fields, path, '\t') && std::getline(fields, licence, '\t') &&
        std::getline(fields, version, '\t'))
      out[file] = version == "(none)" ? "" : version;
  }
  return out;
}

TEST(CorpusProbes, RealFilesGiveTheirVersions) {
  const auto corpus = test::CorpusDir();
  if (corpus.empty()) GTEST_SKIP() << "no corpus";
  const auto versions = ManifestVersions(corpus);
  int checked = 0;
  for (const auto& [name, version] : versions) {
    const auto file = corpus / name;
    if (!std::filesystem::exists(file)) continue;
    std::u16string sig, ver, cp;
    ASSERT_TRUE(ReadFileSignature(file, sig)) << name;
    ASSERT_TRUE(ReadAcadVer(file, ver)) << name;
    ASSERT_TRUE(ReadDwgCodePage(file, cp)) << name;
    if (name.starts_with("dwg/")) {
      EXPECT_EQ(test::U8(sig), version) << name;
      EXPECT_TRUE(IsForeignHead(sig)) << name;
      EXPECT_EQ(ver, u"") << name;
    } else if (name.find("binary") != std::string::npos || name.find("bin_dxf") != std::string::npos) {
      EXPECT_EQ(sig, u"AutoCA") << name;
      EXPECT_EQ(ver, u"") << name;
    } else {
      EXPECT_FALSE(IsForeignHead(sig)) << name;
      EXPECT_EQ(test::U8(ver), version) << name;
    }
    ++checked;
  }
  EXPECT_GT(checked, 0);
}

}  // namespace
}  // namespace vantrel
