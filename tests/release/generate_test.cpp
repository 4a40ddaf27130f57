// Generating a release in a working directory: the first run creates both
// files, a later one updates them, and each way it can fail writes nothing
// or names what it could not write.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "release/generate.h"
#include "release/prefill.h"
#include "runtime/text/datetime.h"
#include "runtime/text/gbk.h"
#include "support/expected_files.h"
#include "support/temp_dir.h"

namespace {

namespace fs = std::filesystem;
using release::FieldId;
using release::Outcome;
using test_support::read_bytes;
using test_support::write_bytes;

release::Values sales() {
  release::Values values = release::prefill();  // presets only: the directory is empty
  values[FieldId::update_url].text = " http://example.com/update/Update.txt";
  values[FieldId::program].text = "Sales.exe";
  values[FieldId::program_version].text = "1.5";
  values[FieldId::latest_version].text = "2.22";
  values[FieldId::date].text = "2024-03-02";
  values[FieldId::package_url].text = "http://example.com/update/sales.rar ";
  values[FieldId::note].text = runtime::gbk("打印修正\r\n第二行");
  values[FieldId::database].text = "sales";
  return values;
}

const std::string created_config = expected_files::created_config();
const std::string created_descriptor = expected_files::created_descriptor({.note = "打印修正\r\n第二行"});

class Generate : public ::testing::Test {
 protected:
  Generate() {
    runtime::set_clock([] { return runtime::DateTime{{2024, 3, 2}, {9, 5, 7}}; });
  }
  ~Generate() override { runtime::reset_clock(); }

  static bool present(const char* name) { return fs::exists(name); }
  test_support::TempWorkingDir dir_;
};

TEST_F(Generate, FirstRunCreatesBothFilesAndReportsTheAddressesAsTyped) {
  const Outcome outcome = release::generate(sales());
  EXPECT_EQ(outcome.status, Outcome::Status::written);
  EXPECT_FALSE(outcome.failure);
  EXPECT_EQ(outcome.message, expected_files::closing_report(" http://example.com/update/Update.txt",
                                                            "http://example.com/update/sales.rar "));
  ASSERT_EQ(outcome.files.size(), 2u);
  EXPECT_EQ(outcome.files[0].name, "UpdateConfig.ini");
  EXPECT_EQ(outcome.files[1].name, "Update.txt");
  for (const release::FileOutcome& file : outcome.files) {
    EXPECT_TRUE(file.created && file.written) << file.name;
  }
  EXPECT_EQ(read_bytes("UpdateConfig.ini"), created_config);
  EXPECT_EQ(read_bytes("Update.txt"), created_descriptor);
}

// Each file is created or updated by itself; an update changes the keys in
// place, and the database values count only when the file is created.
TEST_F(Generate, EachFileIsUpdatedWhenItExists) {
  const std::string config = "; kept\r\n[Main]\r\nProgramName=Old.exe\r\n[Database]\r\nDBMS=ODBC\r\n";
  write_bytes("UpdateConfig.ini", config);
  release::Values values = sales();
  values[FieldId::dbms] = {"x", false};  // not written, so not refused either
  Outcome outcome = release::generate(values);
  ASSERT_EQ(outcome.status, Outcome::Status::written);
  EXPECT_FALSE(outcome.files[0].created);
  EXPECT_TRUE(outcome.files[1].created);
  EXPECT_EQ(read_bytes("UpdateConfig.ini"),
            "; kept\r\n[Main]\r\nProgramName=Sales.exe\r\n[Database]\r\nDBMS=ODBC\r\n[Update]\r\n"
            "AutoUpdate=1\r\nURL=http://example.com/update/Update.txt\r\nVersion=1.5\r\n"
            "LastUpdate=2024-03-02 09:05:07\r\n");

  values[FieldId::latest_version].text = "2.3";
  values[FieldId::note].text = "";
  outcome = release::generate(values);
  EXPECT_FALSE(outcome.files[1].created);
  // The earlier note's second line goes with it.
  EXPECT_EQ(read_bytes("Update.txt"), "[Update]\r\nVersion=2.3\r\nDate=2024-03-02\r\n"
                                      "URL=http://example.com/update/sales.rar\r\nNote=\r\n");
}

TEST_F(Generate, ARefusedCheckWritesNothing) {
  release::Values values = sales();
  values[FieldId::program].text = "Sales.com";
  values[FieldId::note] = {"?", false};
  Outcome outcome = release::generate(values);
  EXPECT_EQ(outcome.status, Outcome::Status::check_failed);
  ASSERT_TRUE(outcome.failure);
  EXPECT_EQ(outcome.failure->field, FieldId::program);
  EXPECT_EQ(outcome.message, runtime::gbk("程序名称必须为可执行文件，请重新输入！"));

  values[FieldId::program].text = "Sales.exe";
  outcome = release::generate(values);
  EXPECT_EQ(outcome.status, Outcome::Status::check_failed);
  EXPECT_EQ(outcome.failure->field, FieldId::note);
  EXPECT_EQ(outcome.message, runtime::gbk("附加说明：含有无法保存的字符，请重新输入！"));
  EXPECT_TRUE(outcome.files.empty());
  EXPECT_FALSE(present("UpdateConfig.ini") || present("Update.txt"));
}

// Both writers run; the message names each file that could not be written.
TEST_F(Generate, AFileThatCannotBeWrittenIsNamed) {
  fs::create_directory("Update.txt");
  Outcome outcome = release::generate(sales());
  EXPECT_EQ(outcome.status, Outcome::Status::not_written);
  EXPECT_EQ(outcome.message, runtime::gbk("无法写入Update.txt，请检查当前目录是否可写！"));
  EXPECT_TRUE(outcome.files[0].written);
  EXPECT_FALSE(outcome.files[1].written);

  fs::remove("UpdateConfig.ini");
  fs::create_directory("UpdateConfig.ini");
  outcome = release::generate(sales());
  EXPECT_EQ(outcome.message, runtime::gbk("无法写入UpdateConfig.ini、Update.txt，请检查当前目录是否可写！"));
}

TEST_F(Generate, ADryRunWritesNothingAndGivesWhatARunWrites) {
  Outcome outcome = release::generate(sales(), true);
  EXPECT_EQ(outcome.status, Outcome::Status::written);
  EXPECT_FALSE(present("UpdateConfig.ini") || present("Update.txt"));
  EXPECT_EQ(outcome.files[0].content, created_config);
  EXPECT_EQ(outcome.files[1].content, created_descriptor);

  ASSERT_EQ(release::generate(sales()).status, Outcome::Status::written);
  release::Values next = sales();
  next[FieldId::program_version].text = "1.6";
  outcome = release::generate(next, true);
  EXPECT_FALSE(outcome.files[0].created);
  EXPECT_EQ(read_bytes("UpdateConfig.ini"), created_config);
  ASSERT_EQ(release::generate(next).status, Outcome::Status::written);
  EXPECT_EQ(outcome.files[0].content, read_bytes("UpdateConfig.ini"));
  // The created file with only its version changed, comments and order kept.
  EXPECT_EQ(outcome.files[0].content, expected_files::created_config({.version = "1.6"}));
}

}  // namespace
