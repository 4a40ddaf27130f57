// The form and kestrel-cli are two fronts over one release job: for the same
// values they write the same bytes. And a value the form was opened with is
// written back byte for byte while nobody changes it, even bytes that are no
// GBK (a file saved as UTF-8 by hand).
#include <filesystem>

#include "files/client_config.h"
#include "files/update_descriptor.h"
#include "form_fixture.h"
#include "runtime/text/gbk.h"
#include "support/subprocess.h"

namespace test_support {
namespace {

namespace fs = std::filesystem;

class FormAndCliTest : public FormTest {
 protected:
  // kestrel-cli generate in `folder` with the options given (UTF-8).
  static int cli_generate(const fs::path& folder, std::vector<std::string> options) {
    options.insert(options.begin(), {"-C", folder.string(), "generate"});
    return run_process(KESTREL_CLI, options, "", {{"KESTREL_TEST_PASSWORD", "密 码"}}).status;
  }
};

TEST_F(FormAndCliTest, BothWriteTheSameBytesForTheSameValues) {
  open_form();
  type(*window->sle_1, " http://例子.com/update/Update.txt");
  type(*window->sle_2, "销售 系统.EXE ");
  type(*window->sle_6, "1.5");
  type(*window->sle_4, "2.22");
  type(*window->sle_5, "2024年3月2日");
  type(*window->sle_3, "http://例子.com/update/sales.ZIP");
  type_unicode(*window->mle_1, "打印修正\n  第二行  ");
  type(*window->sle_9, "销售");
  type(*window->sle_11, "密 码");
  type(*window->sle_12, "Timeout=5");
  const std::vector<std::string> options = {
      "--update-url", " http://例子.com/update/Update.txt", "--program", "销售 系统.EXE ", "--program-version", "1.5",
      "--latest-version", "2.22", "--date", "2024年3月2日", "--package-url", "http://例子.com/update/sales.ZIP",
      "--note", "打印修正\n  第二行  ", "--database", "销售", "--password-env", "KESTREL_TEST_PASSWORD",
      "--dbparm", "Timeout=5"};
  fs::create_directory("cli");

  for (const char* run : {"creates", "updates"}) {
    SCOPED_TRACE(run);
    click(*window->cb_1);
    ASSERT_EQ(cli_generate("cli", options), 0);
    EXPECT_EQ(timeless(file(files::client_config_file)), timeless(read_bytes("cli/UpdateConfig.ini")));
    EXPECT_EQ(file(files::update_descriptor_file), read_bytes("cli/Update.txt"));
  }
  EXPECT_NE(file(files::update_descriptor_file).find(runtime::gbk("Note=打印修正\r\n  第二行\r\n")), std::string::npos);
}

TEST_F(FormAndCliTest, AnUnchangedValueThatIsNoGbkIsWrittenBackAsItWas) {
  // "Price: €5" and "café" as Notepad saves them, in UTF-8: no GBK text.
  const std::string descriptor =
      "[Update]\r\nVersion=2.22\r\nDate=2024-03-02\r\nURL=http://example.com/sales.rar\r\n"
      "Note=Price: \xE2\x82\xAC" "5, caf\xC3\xA9\r\n";
  put_file(files::update_descriptor_file, descriptor);
  open_form();
  fill_valid();
  type(*window->sle_4, "2.22");
  type(*window->sle_3, "http://example.com/sales.rar");
  click(*window->cb_1);
  EXPECT_EQ(file(files::update_descriptor_file), descriptor);

  // Changed, the note follows the usual rules: what the edit shows, in GBK.
  type_unicode(*window->mle_1, "Price: 5 元");
  click(*window->cb_1);
  EXPECT_NE(file(files::update_descriptor_file).find(runtime::gbk("\r\nNote=Price: 5 元\r\n")), std::string::npos);
}

}  // namespace
}  // namespace test_support
