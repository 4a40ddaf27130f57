// String services on GBK byte strings: trimming, cutting, lower case, numbers.
#include <string>

#include <gtest/gtest.h>

#include "runtime/text/gbk.h"
#include "runtime/text/strings.h"

namespace {

using namespace std::string_literals;
using runtime::string_is_number;
using runtime::string_left;
using runtime::string_lower;
using runtime::string_right;
using runtime::string_trim;

TEST(StringTrim, RemovesOnlySpacesAtBothEnds) {
  EXPECT_EQ(string_trim("  a b  "), "a b");
  EXPECT_EQ(string_trim("a"), "a");
  EXPECT_EQ(string_trim(""), "");
  EXPECT_EQ(string_trim("     "), "");
  EXPECT_EQ(string_trim(" x"), "x");
  EXPECT_EQ(string_trim("x "), "x");
  // Blanks inside the text stay as they are.
  EXPECT_EQ(string_trim(" a  b "), "a  b");
}

TEST(StringTrim, KeepsTabsLineEndsAndOtherControlBytes) {
  EXPECT_EQ(string_trim("\tx\t"), "\tx\t");
  EXPECT_EQ(string_trim(" \tx\t "), "\tx\t");
  EXPECT_EQ(string_trim("\r\nx\r\n"), "\r\nx\r\n");
  EXPECT_EQ(string_trim(" x\r "), "x\r");
  EXPECT_EQ(string_trim("\v\fx"), "\v\fx");
  EXPECT_EQ(string_trim(" \0x\0 "s), "\0x\0"s);
  // The ideographic space (0xA1 0xA1 in GBK) is not byte 32 and stays.
  const std::string wide_space = "\xA1\xA1";
  EXPECT_EQ(string_trim(" " + wide_space + "x" + wide_space + " "), wide_space + "x" + wide_space);
}

TEST(StringTrim, LeavesGbkTextWhole) {
  const std::string text = runtime::gbk("生成配置文件成功！");
  EXPECT_EQ(string_trim("   " + text + "  "), text);
}

TEST(StringLeftRight, CountBytes) {
  EXPECT_EQ(string_left("abcdef", 3), "abc");
  EXPECT_EQ(string_right("abcdef", 3), "def");
  EXPECT_EQ(string_left("abcdef", 1), "a");
  EXPECT_EQ(string_right("abcdef", 1), "f");
  // A double-byte character counts as two.
  const std::string zhong = "\xD6\xD0";
  EXPECT_EQ(string_left(zhong + "ab", 2), zhong);
  EXPECT_EQ(string_right("ab" + zhong, 2), zhong);
  EXPECT_EQ(string_left("a\0b"s, 3), "a\0b"s);
  EXPECT_EQ(string_right("a\0b"s, 2), "\0b"s);
}

TEST(StringLeftRight, WholeTextWhenShorterOrEqual) {
  EXPECT_EQ(string_left("abc", 3), "abc");
  EXPECT_EQ(string_right("abc", 3), "abc");
  EXPECT_EQ(string_left("abc", 4), "abc");
  EXPECT_EQ(string_right("abc", 4), "abc");
  EXPECT_EQ(string_left("abc", 1000000), "abc");
  EXPECT_EQ(string_right("abc", 1000000), "abc");
  EXPECT_EQ(string_left("", 5), "");
  EXPECT_EQ(string_right("", 5), "");
}

TEST(StringLeftRight, EmptyForZeroOrNegativeCounts) {
  for (long n : {0L, -1L, -3L, -1000000L}) {
    SCOPED_TRACE(n);
    EXPECT_EQ(string_left("abc", n), "");
    EXPECT_EQ(string_right("abc", n), "");
    EXPECT_EQ(string_left("", n), "");
    EXPECT_EQ(string_right("", n), "");
  }
}

TEST(StringLower, TurnsAToZIntoLowerCaseOnly) {
  EXPECT_EQ(string_lower("HTTP://Example.COM/Update.TXT"), "http://example.com/update.txt");
  EXPECT_EQ(string_lower("AZ"), "az");
  // The neighbours of A and Z, and bytes that differ from letters by the
  // case bit, stay as they are.
  EXPECT_EQ(string_lower("@[\\]^_`{|}~"), "@[\\]^_`{|}~");
  EXPECT_EQ(string_lower("0129 -.:/\t\r\n"), "0129 -.:/\t\r\n");
  EXPECT_EQ(string_lower("abc"), "abc");
  EXPECT_EQ(string_lower(""), "");
  EXPECT_EQ(string_lower("A\0B"s), "a\0b"s);
}

TEST(StringLower, EveryByteOutsideAToZStays) {
  for (int byte = 0; byte < 0x80; ++byte) {
    const std::string one(1, static_cast<char>(byte));
    const bool upper = byte >= 'A' && byte <= 'Z';
    EXPECT_EQ(string_lower(one), upper ? std::string(1, static_cast<char>(byte + 32)) : one)
        << "byte " << byte;
  }
  // A lone high byte at the end has no trail byte and stays too.
  for (int byte = 0x80; byte <= 0xFF; ++byte) {
    const std::string one(1, static_cast<char>(byte));
    EXPECT_EQ(string_lower(one), one) << "byte " << byte;
  }
}

TEST(StringLower, NeverChangesTheTrailByteOfADoubleByteCharacter) {
  // Every GBK lead byte with every trail byte from 'A' to 'Z', with an
  // upper-case letter after it that must be lowered.
  for (int lead = 0x81; lead <= 0xFE; ++lead) {
    for (int trail = 'A'; trail <= 'Z'; ++trail) {
      const std::string character = {static_cast<char>(lead), static_cast<char>(trail)};
      ASSERT_EQ(string_lower(character + "X"), character + "x") << lead << " " << trail;
      ASSERT_EQ(string_lower("Q" + character), "q" + character) << lead << " " << trail;
    }
  }
  // Real characters: 丂 is 0x81 0x40, 丄 is 0x81 0x41; 猌 is 0xAA 0x5A.
  const std::string text = runtime::gbk("ABC丄DEF猌G");
  ASSERT_EQ(text.size(), 11u);
  EXPECT_EQ(static_cast<unsigned char>(text[4]), 0x41);
  EXPECT_EQ(string_lower(text), runtime::gbk("abc丄def猌g"));
}

TEST(StringLower, PairsCharactersFromTheStartOfTheText) {
  // Whether a byte is a trail byte depends on the bytes before it: here
  // 0xD6 0xD0 is one character, then "A" is a letter of its own.
  const std::string zhong = "\xD6\xD0";
  EXPECT_EQ(string_lower(zhong + "A"), zhong + "a");
  EXPECT_EQ(string_lower(zhong + zhong + "AB"), zhong + zhong + "ab");
  // 0x81 'A' is one character; 'B' after it is free again.
  EXPECT_EQ(string_lower("\x81" "AB"), "\x81" "Ab");
  EXPECT_EQ(string_lower("\x81\x81" "AB"), "\x81\x81" "ab");
  EXPECT_EQ(string_lower("\x81\x81\x81" "AB"), "\x81\x81\x81" "Ab");
  // Mixed text of the form.
  const std::string mixed = runtime::gbk("请输入更新地址！URL=HTTP://A.CN");
  EXPECT_EQ(string_lower(mixed), runtime::gbk("请输入更新地址！url=http://a.cn"));
}

TEST(StringIsNumber, AcceptsSignedDecimals) {
  for (const char* text : {"2", "2.22", "-1.5", "+3", ".5", "2.", "0", "007", "-0", "+.5", "-5.",
                           "1234567890.0987654321", "99999999999999999999999999"}) {
    EXPECT_TRUE(string_is_number(text)) << '"' << text << '"';
  }
}

TEST(StringIsNumber, RejectsEverythingElse) {
  for (const char* text : {"", " ", " 2", "2 ", "\t2", "2\r", "1e5", "1E5", "1.2.3", "v2.22", "2,5",
                           "-", "+", ".", "-.", "+.", "--1", "+-1", "-+1", "1-", "1+", "0x10",
                           "1_000", "..5", "5..", "2.2.", "abc", "inf", "nan", "\xA3\xB2"}) {
    EXPECT_FALSE(string_is_number(text)) << '"' << text << '"';
  }
  // A NUL byte inside is no digit either.
  EXPECT_FALSE(string_is_number("1\0"s));
  EXPECT_FALSE(string_is_number("\0"s "1"));
}

}  // namespace
