// Conversions between GBK (code page 936), the system's own encoding, and UTF-8.
#include <string>

#include <gtest/gtest.h>

#include "runtime/text/gbk.h"
#include "runtime/text/wide_text.h"

namespace {

using namespace std::string_literals;
using runtime::gbk_from_utf8;
using runtime::utf8_from_gbk;

// Texts the system shows or writes, as UTF-8 source literals.
const char* const form_texts[] = {
    "生成配置文件成功！",
    "请输入更新地址！",
    "中",
    "升级配置：版本号、更新地址、主程序名。",
    "（一）【二】《三》“四”‘五’…",
    "ＡＢＣ１２３　全角",
    "繁體與简体混排",
    "丂丄狘齄",
};

// True when `text` is `prefix`, one or more "?", then `suffix`.
::testing::AssertionResult replaced_between(const std::string& text, const std::string& prefix,
                                            const std::string& suffix) {
  const bool framed = text.size() > prefix.size() + suffix.size() &&
                      text.compare(0, prefix.size(), prefix) == 0 &&
                      text.compare(text.size() - suffix.size(), suffix.size(), suffix) == 0;
  if (framed) {
    const std::string middle =
        text.substr(prefix.size(), text.size() - prefix.size() - suffix.size());
    if (middle.find_first_not_of('?') == std::string::npos) return ::testing::AssertionSuccess();
  }
  return ::testing::AssertionFailure() << '"' << text << "\" is not \"" << prefix << "\", \"?\"s, \""
                                       << suffix << '"';
}

TEST(Gbk, KnownCharactersHaveTheirCodePage936Bytes) {
  const auto zhong = gbk_from_utf8("中");
  EXPECT_TRUE(zhong.complete);
  EXPECT_EQ(zhong.text, "\xD6\xD0");
  EXPECT_EQ(gbk_from_utf8("生成").text, "\xC9\xFA\xB3\xC9");
  EXPECT_EQ(gbk_from_utf8("！").text, "\xA3\xA1");
  // The first and last rows of the GBK extensions (trail bytes below 0x80).
  EXPECT_EQ(gbk_from_utf8("丂丄").text, "\x81\x40\x81\x41");
  EXPECT_EQ(gbk_from_utf8("　").text, "\xA1\xA1");
  // And back.
  const auto back = utf8_from_gbk("\xD6\xD0\xA3\xA1");
  EXPECT_TRUE(back.complete);
  EXPECT_EQ(back.text, "中！");
  EXPECT_EQ(runtime::gbk("中"), "\xD6\xD0");
  // The comment lines of a created UpdateConfig.ini, as the update client reads them.
  EXPECT_EQ(runtime::gbk(";主应用程序名称"), ";\xd6\xf7\xd3\xa6\xd3\xc3\xb3\xcc\xd0\xf2\xc3\xfb\xb3\xc6");
  EXPECT_EQ(runtime::gbk(";是否每次打开都自动升级0否1是"),
            ";\xca\xc7\xb7\xf1\xc3\xbf\xb4\xce\xb4\xf2\xbf\xaa\xb6\xbc\xd7\xd4\xb6\xaf\xc9\xfd\xbc\xb6"
            "0\xb7\xf1" "1\xca\xc7");
  EXPECT_EQ(runtime::gbk(";更新用配置文件地址"),
            ";\xb8\xfc\xd0\xc2\xd3\xc3\xc5\xe4\xd6\xc3\xce\xc4\xbc\xfe\xb5\xd8\xd6\xb7");
  EXPECT_EQ(runtime::gbk(";当前程序版本"), ";\xb5\xb1\xc7\xb0\xb3\xcc\xd0\xf2\xb0\xe6\xb1\xbe");
  EXPECT_EQ(runtime::gbk(";最后一次更新日期"),
            ";\xd7\xee\xba\xf3\xd2\xbb\xb4\xce\xb8\xfc\xd0\xc2\xc8\xd5\xc6\xda");
}

TEST(Gbk, ChineseTextsRoundTrip) {
  for (const char* utf8 : form_texts) {
    SCOPED_TRACE(utf8);
    const auto to = gbk_from_utf8(utf8);
    EXPECT_TRUE(to.complete);
    // Every character of these texts is two bytes in GBK, three in UTF-8.
    EXPECT_EQ(to.text.size() * 3, std::string(utf8).size() * 2);
    const auto back = utf8_from_gbk(to.text);
    EXPECT_TRUE(back.complete);
    EXPECT_EQ(back.text, utf8);
  }
  // Mixed with ASCII, and a long text that needs more than one buffer.
  std::string long_text;
  for (int i = 0; i < 2000; ++i) long_text += "版本v1.2.3；";
  for (const std::string& utf8 : {"Update.txt：http://a.cn/生成/"s, long_text}) {
    const auto to = gbk_from_utf8(utf8);
    EXPECT_TRUE(to.complete);
    const auto back = utf8_from_gbk(to.text);
    EXPECT_TRUE(back.complete);
    EXPECT_EQ(back.text, utf8);
  }
}

TEST(Gbk, AsciiIsUnchangedBothWays) {
  std::string ascii;
  for (int byte = 0; byte < 0x80; ++byte) ascii.push_back(static_cast<char>(byte));
  for (const std::string& text : {ascii, ""s, "\r\n"s, "[Update]\r\nUrl=http://x/\r\n"s}) {
    const auto to = gbk_from_utf8(text);
    EXPECT_TRUE(to.complete);
    EXPECT_EQ(to.text, text);
    const auto back = utf8_from_gbk(text);
    EXPECT_TRUE(back.complete);
    EXPECT_EQ(back.text, text);
  }
}

TEST(Gbk, CharactersOutsideGbkBecomeAQuestionMark) {
  // U+1F600, a smiling face: four bytes of UTF-8, no GBK form.
  const auto emoji = gbk_from_utf8("a\xF0\x9F\x98\x80" "b");
  EXPECT_FALSE(emoji.complete);
  EXPECT_EQ(emoji.text, "a?b");
  // Korean and Thai letters, and a character outside the BMP after a good one.
  const auto hangul = gbk_from_utf8("中한中");
  EXPECT_FALSE(hangul.complete);
  EXPECT_EQ(hangul.text, "\xD6\xD0?\xD6\xD0");
  const auto several = gbk_from_utf8("ก中\xF0\x9F\x98\x80\xF0\x9F\x98\x80");
  EXPECT_FALSE(several.complete);
  EXPECT_EQ(several.text, "?\xD6\xD0??");
  // A real question mark alone is complete.
  const auto question = gbk_from_utf8("?");
  EXPECT_TRUE(question.complete);
  EXPECT_EQ(question.text, "?");
}

TEST(Gbk, EuroSignIsTheSingleByte80) {
  // Code page 936 gives the euro sign the single byte 0x80, on Windows and
  // in iconv's CP936 alike (plain GBK has no euro sign).
  const auto euro = gbk_from_utf8("1€2");
  EXPECT_TRUE(euro.complete);
  EXPECT_EQ(euro.text, "1\x80" "2");
  const auto back = utf8_from_gbk("1\x80" "2");
  EXPECT_TRUE(back.complete);
  EXPECT_EQ(back.text, "1€2");
}

TEST(Gbk, InvalidUtf8IsReplacedAndTheTextAfterItKept) {
  struct Case {
    std::string bytes;
    const char* what;
  };
  const Case cases[] = {
      {"\xFF", "byte that never appears in UTF-8"},
      {"\x80", "lone continuation byte"},
      {"\xBF\xBF", "two continuation bytes"},
      {"\xC3", "lead of two without its continuation"},
      {"\xE4\xB8", "lead of three with one continuation"},
      {"\xF0\x9F\x98", "lead of four with two continuations"},
      {"\xC0\xAF", "overlong slash"},
      {"\xE0\x80\xAF", "overlong slash in three bytes"},
      {"\xED\xA0\x80", "UTF-16 surrogate"},
      {"\xF4\x90\x80\x80", "beyond U+10FFFF"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    const auto middle = gbk_from_utf8("x" + c.bytes + "ABy");
    EXPECT_FALSE(middle.complete);
    EXPECT_TRUE(replaced_between(middle.text, "x", "ABy"));
    const auto at_end = gbk_from_utf8("x" + c.bytes);
    EXPECT_FALSE(at_end.complete);
    EXPECT_TRUE(replaced_between(at_end.text, "x", ""));
    const auto alone = gbk_from_utf8(c.bytes);
    EXPECT_FALSE(alone.complete);
    EXPECT_TRUE(replaced_between(alone.text, "", ""));
    // A Chinese character right after the broken bytes survives too.
    const auto before_chinese = gbk_from_utf8(c.bytes + "中");
    EXPECT_FALSE(before_chinese.complete);
    EXPECT_TRUE(replaced_between(before_chinese.text, "", "\xD6\xD0"));
  }
  // A truncated character is one "?", not one per byte.
  EXPECT_EQ(gbk_from_utf8("a\xE4\xB8" "b").text, "a?b");
  EXPECT_EQ(gbk_from_utf8("a\xE4\xB8").text, "a?");
}

TEST(Gbk, InvalidGbkIsReplacedAndTheTextAfterItKept) {
  // A lead byte cut off at the end of the text.
  const auto cut = utf8_from_gbk("ab\xD6");
  EXPECT_FALSE(cut.complete);
  EXPECT_EQ(cut.text, "ab?");
  const auto cut_after_chinese = utf8_from_gbk("\xD6\xD0\xD6");
  EXPECT_FALSE(cut_after_chinese.complete);
  EXPECT_EQ(cut_after_chinese.text, "中?");
  const auto only_lead = utf8_from_gbk("\x81");
  EXPECT_FALSE(only_lead.complete);
  EXPECT_EQ(only_lead.text, "?");
  // 0xFF is no byte of GBK.
  const auto ff = utf8_from_gbk("a\xFF" "b");
  EXPECT_FALSE(ff.complete);
  EXPECT_EQ(ff.text, "a?b");
  // A lead byte followed by a byte that cannot be a trail byte: the lead is
  // replaced and the ASCII after it is kept.
  for (const std::string& after : {" b"s, "0b"s, "\x7F" "b"s, "\r\n"s}) {
    SCOPED_TRACE(static_cast<int>(after[0]));
    const auto broken = utf8_from_gbk("a\x81" + after);
    EXPECT_FALSE(broken.complete);
    EXPECT_TRUE(replaced_between(broken.text, "a", after));
  }
}

TEST(Gbk, NulBytesPassThrough) {
  const auto to = gbk_from_utf8("a\0中"s);
  EXPECT_TRUE(to.complete);
  EXPECT_EQ(to.text, "a\0\xD6\xD0"s);
  const auto back = utf8_from_gbk(to.text);
  EXPECT_TRUE(back.complete);
  EXPECT_EQ(back.text, "a\0中"s);
}

TEST(Gbk, AFailedConversionLeavesTheNextOneClean) {
  // The converters are kept between calls; a text cut mid-character must not
  // leave state behind that spoils the next conversion.
  EXPECT_FALSE(utf8_from_gbk("\xD6").complete);
  const auto trail_alone = utf8_from_gbk("\xD0");
  EXPECT_FALSE(trail_alone.complete);
  EXPECT_EQ(trail_alone.text, "?");
  const auto plain = utf8_from_gbk("ab");
  EXPECT_TRUE(plain.complete);
  EXPECT_EQ(plain.text, "ab");
  EXPECT_FALSE(gbk_from_utf8("\xE4\xB8").complete);
  const auto clean = gbk_from_utf8("\xAD" "a");
  EXPECT_FALSE(clean.complete);
  EXPECT_EQ(clean.text, "?a");
  const auto good = gbk_from_utf8("中");
  EXPECT_TRUE(good.complete);
  EXPECT_EQ(good.text, "\xD6\xD0");
  const auto good_back = utf8_from_gbk("\xD6\xD0");
  EXPECT_TRUE(good_back.complete);
  EXPECT_EQ(good_back.text, "中");
}

#ifdef _WIN32
// The wide texts of the Win32 calls: what file names, the controls and
// kestrel-cli's terminal are given.
TEST(WideText, KnownCharactersBetweenUtf16Utf8AndCodePage936) {
  EXPECT_EQ(runtime::wide_text("\xE4\xB8\xAD!"), L"\u4E2D!");
  EXPECT_EQ(runtime::wide_text("\xD6\xD0\xA3\xA1", runtime::gbk_code_page), L"\u4E2D\uFF01");
  EXPECT_EQ(runtime::narrow_text(L"\u4E2D\uFF01"), "\xE4\xB8\xAD\xEF\xBC\x81");
  EXPECT_EQ(runtime::narrow_text(L"\u4E2D!", runtime::gbk_code_page), "\xD6\xD0!");
  EXPECT_EQ(runtime::wide_text(""), L"");
  EXPECT_EQ(runtime::narrow_text(L""), "");
}
#endif

}  // namespace
