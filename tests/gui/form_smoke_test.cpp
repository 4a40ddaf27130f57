#include "form_fixture.h"

namespace test_support {
namespace {

TEST_F(FormTest, OpensWithFortyEightControlsAndFocusInTheUpdateAddress) {
  open_form();
  ASSERT_EQ(window->control.size(), 48u);
  EXPECT_EQ(window->control.front()->name(), "sle_12");
  EXPECT_EQ(window->control.back()->name(), "sle_6");
  for (const runtime::Control* control : window->control) EXPECT_NE(control, nullptr);
  EXPECT_EQ(focused_name(), "sle_1");
}

}  // namespace
}  // namespace test_support
