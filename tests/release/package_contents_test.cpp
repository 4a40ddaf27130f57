// The check of a package's contents as one table of archives, made by the
// test (zip through libarchive's writer, RAR 5 byte by byte), and the
// verdicts: each read through inspect_package as kestrel-cli reads it.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "release/package_contents.h"
#include "runtime/text/gbk.h"
#include "support/archives.h"
#include "support/temp_dir.h"

namespace {

using release::CheckState;
using test_support::RarEntry;
using test_support::ZipEntry;

const std::string gbk_report = runtime::gbk("报表.dll");  // unflagged, as a Chinese Windows stores it
const std::string utf8_report = "报表.txt";
const std::string sql_gbk = runtime::gbk("UPDATE 客户 SET 状态 = '正常';\r\n");

release::Values local(const std::string& package_url) {
  release::Values values;
  values[release::FieldId::program].text = "Sales.exe";
  values[release::FieldId::program_version].text = "2.2";
  values[release::FieldId::update_url].text = "http://example.com/update/Update.txt";
  values[release::FieldId::package_url].text = package_url;
  return values;
}

std::string zip(const std::vector<ZipEntry>& entries, bool encrypted = false) {
  return test_support::zip_archive(entries, encrypted);
}

std::string cut_short(std::string bytes) { return bytes.substr(0, bytes.size() * 2 / 3); }

// The archive with one byte of `data`'s bytes in it changed.
std::string corrupted(std::string bytes, const std::string& data) {
  bytes[bytes.find(data) + data.size() / 2] ^= 0x55;
  return bytes;
}

// The archive with a byte in its middle changed.
std::string corrupted_middle(std::string bytes) {
  bytes[bytes.size() / 3] ^= 0x55;
  return bytes;
}

struct Case {
  const char* what;
  std::string archive;
  CheckState state;
  std::vector<std::string> details;   // each in one of the check's lines
  std::vector<std::string> warnings;  // each in one of the warnings
  std::string address = "http://example.com/update/sales.zip";
};

bool seen(const std::vector<std::string>& lines, const std::string& piece) {
  for (const std::string& line : lines)
    if (line.find(piece) != std::string::npos) return true;
  return false;
}

const ZipEntry program{"Sales.exe", "MZ the program"};

TEST(PackageContents, EachArchiveGetsItsVerdict) {
  const std::string data(200000, 'd');  // deflated to a small part of it
  std::string lines;  // deflated to a few kilobytes, most of the archive
  for (int i = 0; i < 5000; ++i) lines += "line " + std::to_string(i * 7919 % 10007) + "\n";
  const std::vector<Case> cases = {
      {"a good package: GBK, flagged UTF-8 and flagged Latin names, a folder, GBK SQL",
       zip({program, {gbk_report, "x"}, {"café.txt", "y", true}, {"报表.txt", "z", true},
            {"help/", "", false, ZipEntry::folder}, {"help/index.htm", "<p>"}, {"UpdateSQL.txt", sql_gbk}}),
       CheckState::ok, {"a zip archive, 7 entries, "}, {}},
      {"a good RAR 5 package", test_support::rar5_archive({{"Sales.exe", "MZ", false, ""}, {"报表", "", true, ""}, {"报表/a.txt", "a", false, ""}}),
       CheckState::ok, {"a rar archive, 3 entries, 3 bytes unpacked"}, {}, "http://example.com/update/sales.rar"},
      {"the build folder zipped", zip({{"Sales2.23/", "", false, ZipEntry::folder}, {"Sales2.23/Sales.exe", "MZ"}, {"Sales2.23/a.dll", "d"}}),
       CheckState::failed, {"every entry lies under the folder Sales2.23/", "unpacks them into Sales2.23\\"}, {}},
      {"the program only below a folder", zip({{"a.dll", "d"}, {"bin/SALES.EXE", "MZ"}}),
       CheckState::failed, {"bin/SALES.EXE: the program (ProgramName) lies only below a folder"}, {}},
      {"UTF-8 names without the flag (macOS, Info-ZIP)", zip({program, {utf8_report, "z"}}),
       CheckState::failed, {"报表.txt: stored as UTF-8 without the UTF-8 flag; the client reads it as GBK and writes 鎶ヨ〃.txt"}, {}},
      {"a name neither UTF-8 nor GBK", zip({program, {"caf\xE9.txt", "z"}}), CheckState::failed,
       {"caf\\xe9.txt: neither UTF-8 nor GBK"}, {}},
      {"a flagged name that GBK cannot hold", zip({program, {"\xF0\x9F\x98\x80.txt", "z", true}}), CheckState::ok, {},
       {"holds characters that GBK cannot"}},
      {"names Windows cannot create",
       zip({program, {"CON.txt", "1"}, {"lib/aux", "2"}, {"Lpt1.log", "3"}, {"a.", "4"}, {"b ", "5"}, {"x<y", "6"},
            {"tab\x01", "7"}, {"Readme.txt", "8"}, {"README.TXT", "9"}}),
       CheckState::failed,
       {"\"CON.txt\" is a device name", "\"aux\" is a device name", "\"Lpt1.log\" is a device name",
        "\"a.\" ends in a dot or a blank", "\"b \" ends in a dot or a blank", "\"x<y\" holds <",
        "\"tab\\x01\" holds a control character", "Readme.txt and README.TXT: names that differ only in letter case"},
       {}},
      {"entries that leave the folder", zip({program, {"../evil.dll", "e"}, {"/etc/evil", "e"}, {"C:/evil.dll", "e"}}),
       CheckState::failed, {"../evil.dll: a \"..\" part", "/etc/evil: an absolute path", "C:/evil.dll: a drive letter"}, {}},
      {"a symbolic link", zip({program, {"lib", "/usr/lib", false, ZipEntry::symlink}}), CheckState::failed,
       {"lib: a symbolic link"}, {}},
      {"a hard link", test_support::rar5_archive({{"Sales.exe", "MZ"}, {"copy.exe", "", false, "Sales.exe"}}),
       CheckState::failed, {"copy.exe: a hard link"}, {}, "http://example.com/update/sales.rar"},
      {"an encrypted entry", zip({program, {"data.db", "secret data"}}, true),
       CheckState::failed, {"Sales.exe: encrypted; the client has no password", "data.db: encrypted"}, {}},
      {"cut short", cut_short(zip({program, {"big.dll", data, false, ZipEntry::file, true}})), CheckState::failed,
       {"big.dll: damaged (Truncated"}, {}},
      {"a corrupt stored entry", corrupted(zip({program, {"data.bin", "0123456789abcdef"}}), "0123456789abcdef"),
       CheckState::failed, {"data.bin: damaged"}, {}},
      {"a corrupt deflated entry", corrupted_middle(zip({{"big.dll", lines, false, ZipEntry::file, true}, program})),
       CheckState::failed, {"big.dll: damaged"}, {}},
      {"no archive", "[Update]\r\nVersion=2.3\r\n", CheckState::failed, {"neither a zip nor a RAR archive"}, {}},
      {"a rar behind a .zip address", test_support::rar5_archive({{"Sales.exe", "MZ"}}), CheckState::failed,
       {"a rar archive, but the package address ends in .zip"}, {}},
      {"one volume of a multi-volume set", test_support::rar5_archive({{"Sales.exe", "MZ"}}, true), CheckState::failed,
       {"one volume of a multi-volume set"}, {}, "http://example.com/update/sales.rar"},
      {"an empty archive", zip({}), CheckState::failed, {"the archive holds nothing"}, {}},
      {"UpdateSQL.txt with a byte-order mark", zip({program, {"UpdateSQL.txt", "\xEF\xBB\xBF" + sql_gbk}}),
       CheckState::failed, {"UpdateSQL.txt: begins with a UTF-8 byte-order mark"}, {}},
      {"UpdateSQL.txt saved as UTF-8, below a folder", zip({program, {"sql/updatesql.TXT", "UPDATE 客户 SET 状态 = '正常';"}}),
       CheckState::failed, {"sql/updatesql.TXT: bytes that are no GBK text"}, {"sql/updatesql.TXT: UpdateSQL.txt below a folder"}},
      {"files the client should not get this way",
       zip({program, {"Wrenlet.exe", "MZ"}, {"rar.exe", "MZ"}, {"PBVM90.DLL", "MZ"},
            {"UpdateConfig.ini", runtime::gbk("[Update]\r\nVersion=2.1\r\nURL=http://example.com/update/Update.txt\r\n"
                                              "[Main]\r\nProgramName=Sales.exe\r\n[Database]\r\nServerName=测试机\r\n"
                                              "Database=sales_test\r\nLogPass=x\r\n")}}),
       CheckState::ok, {},
       {"Wrenlet.exe: in use by the update client", "rar.exe: in use", "PBVM90.DLL: in use",
        "UpdateConfig.ini, which replaces each client's configuration: Version 2.1 (local 2.2); every client gets the "
        "database connection DBMS=, ServerName=测试机, Database=sales_test, LogID=, DBParm=, LogPass set"}},
  };
  test_support::TempWorkingDir dir;
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    test_support::write_bytes("package", c.archive);
    const release::PackageInspection inspection = release::inspect_package("package", local(c.address));
    ASSERT_TRUE(inspection.readable) << inspection.problem;
    EXPECT_EQ(inspection.check.name, "package contents");
    EXPECT_EQ(inspection.check.state, c.state);
    std::string all;
    for (const std::string& line : inspection.check.details) all += line + "\n";
    for (const std::string& warning : inspection.warnings) all += "warning: " + warning + "\n";
    for (const std::string& piece : c.details) EXPECT_TRUE(seen(inspection.check.details, piece)) << piece << "\n" << all;
    for (const std::string& piece : c.warnings) EXPECT_TRUE(seen(inspection.warnings, piece)) << piece << "\n" << all;
    if (c.warnings.empty()) {
      EXPECT_TRUE(inspection.warnings.empty()) << all;
    }
    // Only the summary line when it passes.
    if (c.state == CheckState::ok) {
      EXPECT_EQ(inspection.check.details.size(), 1u) << all;
    }
  }
}

}  // namespace
