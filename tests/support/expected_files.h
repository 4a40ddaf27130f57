#pragma once
// What the generate action writes and says, written down once for every test
// of the release core, kestrel-cli and the form on any window toolkit:
// UpdateConfig.ini and Update.txt as created, and the closing report. Written
// out by hand line by line; values and texts are UTF-8.
#include <string>

namespace expected_files {

// The values as they stand in a created UpdateConfig.ini (trimmed). The
// defaults are the worked example: Sales.exe 1.5, generated on 2 March 2024
// at 09:05:07, the database edits at their presets and the database "sales".
struct Config {
  std::string program = "Sales.exe";
  std::string url = "http://example.com/update/Update.txt";
  std::string version = "1.5";
  std::string last_update = "2024-03-02 09:05:07";
  std::string dbms = "MSS Microsoft SQL Server";
  std::string server = "(local)";
  std::string database = "sales";
  std::string login = "sa";
  std::string password = "";
  std::string parameters = "";
};

// Its nineteen lines in GBK, each ended by CR LF.
std::string created_config(const Config& values = {});

// The values as they stand in a created Update.txt; the worked example.
struct Descriptor {
  std::string version = "2.22";
  std::string date = "2024-03-02";
  std::string url = "http://example.com/update/sales.rar";
  std::string note = "Report printing fixed";
};

// Its five lines in GBK, each ended by CR LF.
std::string created_descriptor(const Descriptor& values = {});

// The report's first line, which alone says that both files were written.
inline constexpr const char* report_opening = "生成配置文件成功！";

// The closing report for these texts of sle_1 and sle_3 (as typed, not
// trimmed), in UTF-8. Its four lines are joined as the release core joins
// them, by CR LF, a lone CR and CR LF; or each time by `line_break` where
// a front shows them otherwise.
std::string closing_report_utf8(const std::string& sle_1, const std::string& sle_3,
                                const char* line_break = nullptr);
// The same in GBK, as the release core makes it.
std::string closing_report(const std::string& sle_1, const std::string& sle_3);

}  // namespace expected_files
