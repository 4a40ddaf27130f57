// The checks of the generate action as plain logic: the twelve checks of the
// required fields, and the check for text that GBK cannot store.
#include <gtest/gtest.h>

#include <stdexcept>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "release/checks.h"
#include "runtime/text/gbk.h"
#include "support/check_steps.h"
#include "support/required_fields.h"

namespace {

using release::FieldId;

using test_support::RequiredFields;
using Field = std::string RequiredFields::*;

std::optional<release::CheckFailure> first_failed_check(const RequiredFields& f) {
  return release::first_failed_check(test_support::values_of(f));
}

// The required field that an edit holds.
Field member_of(std::string_view name) {
  const std::pair<const char*, Field> members[] = {
      {"sle_1", &RequiredFields::sle_1}, {"sle_2", &RequiredFields::sle_2}, {"sle_6", &RequiredFields::sle_6},
      {"sle_4", &RequiredFields::sle_4}, {"sle_5", &RequiredFields::sle_5}, {"sle_3", &RequiredFields::sle_3}};
  for (const auto& [edit, member] : members) {
    if (name == edit) return member;
  }
  throw std::out_of_range(std::string(name));
}

RequiredFields valid() {
  RequiredFields fields;
  for (const char* name : check_steps::required_fields()) fields.*member_of(name) = check_steps::valid_text(name);
  return fields;
}

int position_of(std::string_view name) {
  const auto order = check_steps::required_fields();
  for (std::size_t i = 0; i < order.size(); ++i)
    if (name == order[i]) return static_cast<int>(i);
  return -1;
}

TEST(FirstFailedCheck, AllValidPassesEveryStep) { EXPECT_FALSE(first_failed_check(valid())); }

// Each step fails on its own; with every later field emptied as well, the
// earlier step is still the one reported.
TEST(FirstFailedCheck, ReportsTheFirstFailingStepWithItsFieldAndMessage) {
  for (const check_steps::Step& s : check_steps::steps()) {
    for (const bool later_fields_empty : {false, true}) {
      SCOPED_TRACE("step " + std::to_string(s.step) + (later_fields_empty ? ", later empty" : ""));
      RequiredFields fields = valid();
      fields.*member_of(s.field) = s.failing_text;
      if (later_fields_empty) {
        for (int i = position_of(s.field) + 1; i < 6; ++i) fields.*member_of(check_steps::required_fields()[i]) = "";
      }
      const auto failure = first_failed_check(fields);
      ASSERT_TRUE(failure);
      EXPECT_EQ(failure->step, s.step);
      EXPECT_EQ(release::field(failure->field).control, std::string(s.field));
      EXPECT_EQ(failure->message, runtime::gbk(s.message));
    }
  }
}

struct Boundary {
  Field field;
  std::string text;  // GBK
  int step;          // the step that fails, 0 for none
};

TEST(FirstFailedCheck, BoundariesOfEachCheck) {
  using R = RequiredFields;
  const std::vector<Boundary> cases = {
      // Update address: blanks are not empty, the prefix ignores case and blanks.
      {&R::sle_1, " ", 2},
      {&R::sle_1, "   ", 2},
      {&R::sle_1, "HTTP://example.com/Update.txt", 0},
      {&R::sle_1, "Http://example.com/Update.txt", 0},
      {&R::sle_1, "http://", 0},
      {&R::sle_1, "  http://example.com/Update.txt  ", 0},
      {&R::sle_1, "http:/x", 2},
      {&R::sle_1, "http:", 2},
      {&R::sle_1, "https://example.com/Update.txt", 2},
      {&R::sle_1, "\thttp://example.com/Update.txt", 2},  // only spaces are trimmed
      {&R::sle_1, runtime::gbk("http://例子.com/Update.txt"), 0},
      // Program name: the last three bytes, any case, no dot needed.
      {&R::sle_2, " ", 4},
      {&R::sle_2, "Sales.EXE", 0},
      {&R::sle_2, "Sales.Exe", 0},
      {&R::sle_2, "exe", 0},
      {&R::sle_2, "salesexe", 0},
      {&R::sle_2, "ex", 4},
      {&R::sle_2, "Sales.exe ", 0},
      {&R::sle_2, "Sales.exe\t", 4},
      {&R::sle_2, "Sales.ex", 4},
      {&R::sle_2, runtime::gbk("销售.exe"), 0},
      // Program version: optional sign, digits, at most one point.
      {&R::sle_6, " ", 6},
      {&R::sle_6, " 1.5 ", 0},
      {&R::sle_6, "v2.22", 6},
      {&R::sle_6, "2.", 0},
      {&R::sle_6, ".5", 0},
      {&R::sle_6, "-1", 0},
      {&R::sle_6, "+3", 0},
      {&R::sle_6, "1.2.3", 6},
      {&R::sle_6, "1e3", 6},
      {&R::sle_6, "+", 6},
      {&R::sle_6, ".", 6},
      {&R::sle_6, "1 5", 6},
      // Newest version: a number, even a lower one than the program's.
      {&R::sle_4, "  ", 8},
      {&R::sle_4, "v2.22", 8},
      {&R::sle_4, "0.1", 0},
      // Update date: anything but "" passes, blanks included.
      {&R::sle_5, " ", 0},
      {&R::sle_5, "tomorrow", 0},
      // Package address: http:// and a rar or zip ending, any case.
      {&R::sle_3, " ", 11},
      {&R::sle_3, "HTTP://example.com/sales.RAR", 0},
      {&R::sle_3, "http://example.com/sales.Zip", 0},
      {&R::sle_3, "http://example.com/salesrar", 0},
      {&R::sle_3, "http://example.com/sales.rar ", 0},
      {&R::sle_3, "http://example.com/sales.ra", 12},
      {&R::sle_3, "http://example.com/sales.tar.gz", 12},
      {&R::sle_3, "http://ra", 12},
      {&R::sle_3, "ra", 11},
      {&R::sle_3, "rar", 11},
      {&R::sle_3, "http:/example.com/sales.zip", 11},
  };
  for (const Boundary& c : cases) {
    RequiredFields fields = valid();
    fields.*c.field = c.text;
    SCOPED_TRACE("field text \"" + c.text + "\"");
    const auto failure = first_failed_check(fields);
    EXPECT_EQ(failure ? failure->step : 0, c.step);
  }
}

}  // namespace

namespace {

// A value that came in with a character GBK cannot store is refused, with its
// label in the message: the first such field in the field map's order, the
// database fields only when UpdateConfig.ini will be created.
TEST(FirstFieldOutsideGbk, NamesTheFirstSuchFieldByItsLabel) {
  struct Case {
    std::vector<FieldId> outside_gbk;
    bool config_created;
    std::optional<FieldId> refused;
    const char* message;
  };
  const Case cases[] = {
      {{}, true, std::nullopt, ""},
      {{FieldId::note}, true, FieldId::note, "附加说明：含有无法保存的字符，请重新输入！"},
      {{FieldId::package_url, FieldId::program}, false, FieldId::program, "程序名称：含有无法保存的字符，请重新输入！"},
      {{FieldId::dbparm, FieldId::date}, true, FieldId::dbparm, "DBParm：含有无法保存的字符，请重新输入！"},
      {{FieldId::dbparm, FieldId::date}, false, FieldId::date, "更新日期：含有无法保存的字符，请重新输入！"},
      {{FieldId::password}, false, std::nullopt, ""},
      {{FieldId::password}, true, FieldId::password, "登陆密码：含有无法保存的字符，请重新输入！"},
  };
  for (const Case& c : cases) {
    release::Values values;
    for (const FieldId id : c.outside_gbk) values[id] = {"?", false};
    const auto failure = release::first_field_outside_gbk(values, c.config_created);
    SCOPED_TRACE(c.message);
    ASSERT_EQ(failure.has_value(), c.refused.has_value());
    if (!failure) continue;
    EXPECT_EQ(failure->field, *c.refused);
    EXPECT_EQ(failure->message, runtime::gbk(c.message));
    EXPECT_EQ(failure->step, 13);
  }
}

}  // namespace
