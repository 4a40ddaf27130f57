// Files the form cannot use, met on the real form: it opens, shows what it
// can, and names the file it could not write, which keeps every byte.
#include <string>

#include "files/client_config.h"
#include "files/update_descriptor.h"
#include "form_fixture.h"
#include "runtime/text/gbk.h"

namespace test_support {
namespace {

using namespace std::string_literals;

class BadFileOnForm : public FormTest {};

TEST_F(BadFileOnForm, Utf16ConfigOpensEmptyAndIsNamedAsNotWritten) {
  const std::string utf16 = "\xFF\xFE[\0M\0a\0i\0n\0]\0\r\0\n\0P\0r\0o\0g\0r\0a\0m\0N\0a\0m\0e\0=\0A\0.\0e\0x\0e\0\r\0\n\0"s;
  put_file(files::client_config_file, utf16);
  open_form();
  EXPECT_EQ(window->sle_2->text(), "");
  fill_valid();
  messages.clear();
  click(*window->cb_1);
  ASSERT_EQ(messages.size(), 1u);
  EXPECT_EQ(utf8(messages[0].text), "无法写入UpdateConfig.ini，请检查当前目录是否可写！");
  EXPECT_EQ(file(files::client_config_file), utf16);
  EXPECT_TRUE(file_present(files::update_descriptor_file));
}

// Windows does not understand a UTF-8 byte-order mark, so the client sees no
// [Main] in such a file: neither does the form, and the new release's
// program name goes into a [Main] that the client reads.
TEST_F(BadFileOnForm, Utf8ByteOrderMarkHidesTheFirstSectionAsFromTheClient) {
  const std::string kept = "\xEF\xBB\xBF[Main]\r\nProgramName=Old.exe\r\n[Update]\r\n";
  put_file(files::client_config_file, kept + "Version=1.0\r\n");
  open_form();
  EXPECT_EQ(window->sle_2->text(), "");
  EXPECT_EQ(window->sle_6->text(), "1.0");
  fill_valid();
  messages.clear();
  click(*window->cb_1);
  ASSERT_EQ(messages.size(), 1u);
  const std::string after = file(files::client_config_file);
  EXPECT_TRUE(after.starts_with(kept)) << after;
  EXPECT_TRUE(after.ends_with("\r\n[Main]\r\nProgramName=Sales.exe\r\n")) << after;
}

TEST_F(BadFileOnForm, BinaryConfigIsEditedOnlyWhereItsKeysAre) {
  std::string binary;
  for (int i = 0; i < 4096; ++i) binary.push_back(static_cast<char>((i * 7919) % 251));
  put_file(files::client_config_file, binary);
  open_form();
  fill_valid();
  messages.clear();
  click(*window->cb_1);
  ASSERT_EQ(messages.size(), 1u);
  const std::string after = file(files::client_config_file);
  // The old bytes stay in front; what update mode added follows them.
  ASSERT_GE(after.size(), binary.size());
  EXPECT_EQ(after.compare(0, binary.size(), binary), 0);
  EXPECT_NE(after.find("ProgramName=Sales.exe"), std::string::npos);
  EXPECT_NE(after.find("Version=1.5"), std::string::npos);
}

}  // namespace
}  // namespace test_support
