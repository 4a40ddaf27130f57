// Reading profile files the way GetPrivateProfileStringA reads them.
#include <filesystem>
#include <string>

#include <gtest/gtest.h>

#include "runtime/files/profile.h"
#include "support/temp_dir.h"

namespace {

using namespace std::string_literals;

class ProfileRead : public ::testing::Test {
 protected:
  void file(const std::string& bytes) { test_support::write_bytes("p.ini", bytes); }
  std::string read(std::string_view section, std::string_view key) {
    return runtime::profile_read("p.ini", section, key, "<default>");
  }

  test_support::TempWorkingDir dir_;
};

TEST_F(ProfileRead, NamesMatchWithoutLetterCaseOfAToZOnly) {
  file("[Update]\r\nVersion=1.2\r\n[a@]\r\nk[=at\r\n[q]\r\nX=x\r\n");
  EXPECT_EQ(read("update", "version"), "1.2");
  EXPECT_EQ(read("UPDATE", "VERSION"), "1.2");
  EXPECT_EQ(read("uPdAtE", "vErSiOn"), "1.2");
  EXPECT_EQ(read("Q", "x"), "x");
  // "@" and "`", "[" and "{" differ by the same bit as "A" and "a", but are
  // not letters and must not be folded into each other.
  EXPECT_EQ(read("a@", "k["), "at");
  EXPECT_EQ(read("a`", "k["), "<default>");
  EXPECT_EQ(read("a@", "k{"), "<default>");
  EXPECT_EQ(read("Updat", "Version"), "<default>");
  EXPECT_EQ(read("Update", "Versio"), "<default>");
  EXPECT_EQ(read("Updates", "Version"), "<default>");
  EXPECT_EQ(read("Update", "Versions"), "<default>");
  // Names given are looked up without the spaces at their ends, as Windows
  // looks them up; a tab stays part of the name.
  EXPECT_EQ(read("  Update ", " Version  "), "1.2");
  EXPECT_EQ(read("\tUpdate", "Version"), "<default>");
  EXPECT_EQ(read("Update", "Version\t"), "<default>");
}

TEST_F(ProfileRead, BlanksAroundLineNamesEqualsAndValueAreIgnored) {
  file(" \t [ \tMy Section\t ] \t\r\n \t My Key \t=\t  some  value \t \r\nempty =  \t\r\n");
  EXPECT_EQ(read("My Section", "My Key"), "some  value");
  EXPECT_EQ(read("My Section", "empty"), "");
  // Blanks inside a name are part of it.
  EXPECT_EQ(read("MySection", "My Key"), "<default>");
  EXPECT_EQ(read("My Section", "MyKey"), "<default>");
  // The vertical tab is a blank too, also before a comment.
  file("\v[\vVT\v]\v\r\n\vk\v=\v v \v\r\n\v;c=comment\r\n");
  EXPECT_EQ(read("VT", "k"), "v");
  EXPECT_EQ(read("VT", "\v;c"), "<default>");
}

TEST_F(ProfileRead, OnePairOfMatchingQuotesIsRemoved) {
  file("[s]\r\n"
       "double=\"a b\"\r\n"
       "single='c d'\r\n"
       "spaced = \" e \" \r\n"
       "mixed=\"f'\r\n"
       "lone=\"\r\n"
       "empty=\"\"\r\n"
       "inner=g\"h\"\r\n"
       "twice=\"\"i\"\"\r\n");
  EXPECT_EQ(read("s", "double"), "a b");
  EXPECT_EQ(read("s", "single"), "c d");
  EXPECT_EQ(read("s", "spaced"), " e ");
  EXPECT_EQ(read("s", "mixed"), "\"f'");
  EXPECT_EQ(read("s", "lone"), "\"");
  EXPECT_EQ(read("s", "empty"), "");
  EXPECT_EQ(read("s", "inner"), "g\"h\"");
  EXPECT_EQ(read("s", "twice"), "\"i\"");
}

TEST_F(ProfileRead, CommentLinesAreNeverKeysNorSections) {
  file("[s]\r\n;key=commented\r\n  ;other=x\r\n; [t]\r\nkey=real\r\n[t]\r\nk=t\r\n");
  EXPECT_EQ(read("s", "key"), "real");
  EXPECT_EQ(read("s", "other"), "<default>");
  EXPECT_EQ(read("s", ";key"), "<default>");
  EXPECT_EQ(read("t", "k"), "t");
  // A ";" later in a line is part of the value.
  file("[s]\r\nkey=a ; b\r\n");
  EXPECT_EQ(read("s", "key"), "a ; b");
}

TEST_F(ProfileRead, FirstMatchingSectionAndFirstMatchingKeyWin) {
  file("[s]\r\nk=1\r\nK=2\r\n[other]\r\nonly=o\r\n[S]\r\nk=3\r\nlater=4\r\n");
  EXPECT_EQ(read("s", "k"), "1");
  // A later section of the same name is not searched.
  EXPECT_EQ(read("s", "later"), "<default>");
  // The first section ends at the next header.
  EXPECT_EQ(read("s", "only"), "<default>");
  EXPECT_EQ(read("other", "only"), "o");
}

TEST_F(ProfileRead, DefaultOnlyWhereFileSectionOrKeyIsAbsent) {
  EXPECT_EQ(read("s", "k"), "<default>");  // no file
  file("orphan=before any section\r\n[s]\r\nk=\r\nblank=   \r\nnot a key line\r\n[t]\r\n");
  EXPECT_EQ(read("s", "k"), "");
  EXPECT_EQ(read("s", "blank"), "");
  EXPECT_EQ(read("s", "missing"), "<default>");
  EXPECT_EQ(read("s", "not a key line"), "<default>");
  EXPECT_EQ(read("s", "orphan"), "<default>");
  EXPECT_EQ(read("", "orphan"), "<default>");
  EXPECT_EQ(read("t", "k"), "<default>");
  EXPECT_EQ(read("missing", "k"), "<default>");
  EXPECT_EQ(runtime::profile_read("other.ini", "s", "k", "d"), "d");
}

// Hand-edited shapes that the Windows profile API reads in its own way.
TEST_F(ProfileRead, UnclosedHeaderAndKeyLineWithoutEqualsReadAsTheApiReadsThem) {
  file("[Main]\r\nProgramName=a.exe\r\n[Update \t\r\nURL=http://a/\r\nVersion\r\nVersion=2.0\r\n"
       "[Update]\r\nURL=http://b/\r\n");
  // "[Update" is the header of [Update]: its name ends at the line end.
  EXPECT_EQ(read("Main", "URL"), "<default>");
  EXPECT_EQ(read("Update", "URL"), "http://a/");
  // "Version" alone is the key without a value, and hides "Version=2.0".
  EXPECT_EQ(read("Main", "Version"), "<default>");
  EXPECT_EQ(read("Update", "Version"), "<default>");
  EXPECT_EQ(read("Main", "ProgramName"), "a.exe");
  file("[s]\r\n  KEY \t\r\nkey=hidden\r\n[t]\r\nkey=t\r\n[u");
  EXPECT_EQ(read("s", "key"), "<default>");
  EXPECT_EQ(read("t", "key"), "t");
  EXPECT_EQ(read("u", "key"), "<default>");
}

TEST_F(ProfileRead, DirectoryInPlaceOfFileCountsAsAbsent) {
  std::filesystem::create_directory("p.ini");
  EXPECT_EQ(read("s", "k"), "<default>");
}

TEST_F(ProfileRead, EveryKindOfLineEndEndsALine) {
  for (const std::string& eol : {"\r\n"s, "\n"s, "\r"s}) {
    SCOPED_TRACE(::testing::PrintToString(eol));
    file("[a]" + eol + "x=1" + eol + eol + "[b]" + eol + "y=2" + eol);
    EXPECT_EQ(read("a", "x"), "1");
    EXPECT_EQ(read("b", "y"), "2");
    EXPECT_EQ(read("a", "y"), "<default>");
  }
  file("[a]\rx=1\n[b]\r\ny=2\n\rz=3\r\r\nw=4");
  EXPECT_EQ(read("a", "x"), "1");
  EXPECT_EQ(read("b", "y"), "2");
  EXPECT_EQ(read("b", "z"), "3");
  EXPECT_EQ(read("b", "w"), "4");
}

// Windows does not understand a UTF-8 byte-order mark: its three bytes
// begin the first line, which is then no header.
TEST_F(ProfileRead, ByteOrderMarkIsPartOfTheFirstLine) {
  file("\xEF\xBB\xBF[Main]\r\nProgramName=a.exe\r\n[Update]\r\nv=1\r\n");
  EXPECT_EQ(read("Main", "ProgramName"), "<default>");
  EXPECT_EQ(read("update", "v"), "1");
  file("\xEF\xBB\xBF\r\n  [s]\nk=2");
  EXPECT_EQ(read("s", "k"), "2");
}

TEST_F(ProfileRead, LastLineWithoutLineEnd) {
  file("[s]\r\nfirst=1\r\nlast = the end ");
  EXPECT_EQ(read("s", "last"), "the end");
  file("[s]");
  EXPECT_EQ(read("s", "k"), "<default>");
}

TEST_F(ProfileRead, NulBytesAreOrdinaryBytes) {
  file("[s\0t]\r\nk=a\0b\r\nn\0=x\r\n"s);
  EXPECT_EQ(read("s\0t"s, "k"), "a\0b"s);
  EXPECT_EQ(read("s\0t"s, "n\0"s), "x");
  EXPECT_EQ(read("s", "k"), "<default>");
}

TEST_F(ProfileRead, VeryLongLinesAreReadWhole) {
  const std::string long_value(3'000'000, 'v');
  const std::string long_name(100'000, 'N');
  file("[s]\r\nlong=" + long_value + "\r\n" + long_name + "=n\r\nafter=ok\r\n");
  EXPECT_EQ(read("s", "long"), long_value);
  EXPECT_EQ(read("s", std::string(100'000, 'n')), "n");
  EXPECT_EQ(read("s", "after"), "ok");
}

TEST_F(ProfileRead, GbkTrailBytesAreNeverFoldedNorTakenForBrackets) {
  // 0xB0 0x41 and 0xB0 0x61 are two different characters whose trail bytes
  // are "A" and "a"; 0x81 0x5D has the trail byte "]".
  file("[\xB0\x41]\r\nk=upper\r\n"
       "[\xB0\x61]\r\nk=lower\r\n"
       "[\xD6\xD0" "Ab]\r\n"
       "\xB0\x41=1\r\n\xB0\x61=2\r\n"
       "[\x81\x5Dx]\r\nk=bracket\r\n");
  EXPECT_EQ(read("\xB0\x41", "k"), "upper");
  EXPECT_EQ(read("\xB0\x61", "k"), "lower");
  EXPECT_EQ(read("\xD6\xD0" "aB", "\xB0\x41"), "1");
  EXPECT_EQ(read("\xD6\xD0" "ab", "\xB0\x61"), "2");
  EXPECT_EQ(read("\x81\x5Dx", "k"), "bracket");
  EXPECT_EQ(read("\x81", "k"), "<default>");
  // 0x81 0x5B has the trail byte "[": a line starting with it is no header.
  file("[a]\r\n\x81[b]\r\nk=1\r\n");
  EXPECT_EQ(read("b", "k"), "<default>");
  EXPECT_EQ(read("a", "k"), "1");
}

}  // namespace
